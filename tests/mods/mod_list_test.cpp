#include "mods/mod_list.h"

#include "support/native.h"
#include "support/test_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace vx::mods {
namespace {

using testing::N;
using testing::U;

// Fills `list` from whole rows, through the list's one way to be filled.
void assign(ModList& list, const std::vector<ModEntry>& rows, Platform& platform) {
    std::vector<NativeStringView> names;
    std::vector<bool> checked;
    for (const ModEntry& row : rows) {
        names.push_back(row.text);
        checked.push_back(row.checked);
    }
    list.assign(names, checked, platform);
}

class ModListTest : public ::testing::Test {
protected:
    testing::TestPlatform platform{"/nonexistent"};
    ModList list;

    void fill(std::initializer_list<const char*> names) {
        std::vector<ModEntry> rows;
        for (const char* name : names) rows.push_back({N(name), false});
        assign(list, rows, platform);
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (int row = 0; row < list.count(); ++row) out.push_back(U(list.text(row)));
        return out;
    }
};

TEST_F(ModListTest, RowsKeepTheirFlagsWhenSorted) {
    assign(list, {{N("b"), true}, {N("a"), false}, {N("c"), true}}, platform);
    EXPECT_EQ(texts(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_FALSE(list.checked(0));
    EXPECT_TRUE(list.checked(1));
    EXPECT_TRUE(list.checked(2));
}

TEST_F(ModListTest, OrderIgnoresCaseAndIsTotal) {
    fill({"Zeta", "beta", "alpha", "Beta", "ALPHA2", "", "éclair", "eclair", "Ezra"});
    EXPECT_EQ(texts(), (std::vector<std::string>{"", "alpha", "ALPHA2", "Beta", "beta", "eclair", "éclair",
                                                 "Ezra", "Zeta"}));
}

// Canadian French orders accents from the end of the name, where comparing
// names directly and comparing their keys can disagree. Whatever the order
// the names come in, the list is the same, and each row sorts before the
// next as the platform compares names (the order is total).
TEST(ModListOrder, IsTheSameWhateverTheInputOrderAndAgreesWithComparison) {
    std::vector<NativeString> names;
    for (const char* name : {"Zeta",
                             "alpha",
                             "Beta",
                             "beta",
                             "x.rte.bak",
                             "",
                             " lead",
                             "trail ",
                             "Ärger",
                             "arger",
                             "10",
                             "9",
                             "_under",
                             "new\nline",
                             "è",
                             "è\u00AD\u0301",
                             "e\u0300\u0301",
                             "e",
                             "f",
                             "co-op",
                             "coop",
                             "it's",
                             "its",
                             "😀",
                             "ǅ",
                             "ß",
                             "ss"}) {
        names.push_back(N(name));
    }
#ifdef _WIN32
    // UTF-16 that is not text: unpaired surrogates.
    for (const wchar_t* name : {L"\xD800", L"a\xDC00", L"\xDBFF\xD800"}) names.push_back(name);
#else
    // Bytes that are not UTF-8.
    for (const char* name : {"\xff\xfe", "\xc3", "a\xff"}) names.push_back(name);
#endif
    for (int i = 0; i < 200; ++i)
        names.push_back(N(std::string("Mod ").append(std::to_string(i * 7919 % 1000))));
    std::mt19937 random(42);
    std::shuffle(names.begin(), names.end(), random);

    for (const char* locale : {"en_US", "fr_CA", "cs_CZ", "tr_TR"}) {
        testing::TestPlatform platform("/nonexistent", locale);
        std::vector<ModEntry> rows;
        for (const NativeString& name : names) rows.push_back({name, name.size() % 2 == 0});
        ModList list;
        assign(list, rows, platform);
        std::reverse(rows.begin(), rows.end());
        ModList reversed;
        assign(reversed, rows, platform);

        ASSERT_EQ(list.count(), static_cast<int>(names.size()));
        for (int row = 0; row < list.count(); ++row) {
            EXPECT_EQ(reversed.text(row), list.text(row)) << locale << " row " << row;
            EXPECT_EQ(list.checked(row), list.text(row).size() % 2 == 0) << row;
            if (row == 0) continue;
            const int order = platform.compareNames(list.text(row - 1), list.text(row));
            EXPECT_TRUE(order < 0 || (order == 0 && list.text(row - 1) <= list.text(row)))
                << locale << " row " << row << ": " << U(list.text(row - 1)) << " / " << U(list.text(row));
        }
    }
}

// Hyphens and apostrophes: ICU weighs them like other punctuation, while
// Windows leaves them out of the first comparison ("word sort"). Other
// punctuation and digits come before letters on both.
TEST_F(ModListTest, PunctuationOrderIsThePlatformsOwn) {
    fill({"coop", "co-op", "co op", "cooper", "Zulu", "_x", "10", "9", "a.b", "ab", "its", "it's"});
#ifdef _WIN32
    EXPECT_EQ(texts(), (std::vector<std::string>{"_x", "10", "9", "a.b", "ab", "co op", "coop", "co-op",
                                                 "cooper", "its", "it's", "Zulu"}));
#else
    EXPECT_EQ(texts(), (std::vector<std::string>{"_x", "10", "9", "a.b", "ab", "co op", "co-op", "coop",
                                                 "cooper", "it's", "its", "Zulu"}));
#endif
}

TEST_F(ModListTest, HoldsMoreRowsThanASixteenBitCount) {
    std::vector<ModEntry> rows;
    for (int i = 0; i < 40000; ++i)
        rows.push_back({N(std::string("m").append(std::to_string(100000 + i))), i == 39999});
    assign(list, rows, platform);
    ASSERT_EQ(list.count(), 40000);
    EXPECT_EQ(U(list.text(39999)), "m139999");
    EXPECT_TRUE(list.checked(39999));
}

}  // namespace
}  // namespace vx::mods
