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

class ModListTest : public ::testing::Test {
protected:
    testing::TestPlatform platform{"/nonexistent"};
    ModList list{platform};

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (int row = 0; row < list.count(); ++row) out.push_back(U(list.text(row)));
        return out;
    }
};

TEST_F(ModListTest, AddReturnsTheSortedIndexAndMovesLaterRows) {
    EXPECT_EQ(list.add(N("b")), 0);
    EXPECT_EQ(list.add(N("a")), 0);
    EXPECT_EQ(texts(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(list.add(N("c")), 2);
    EXPECT_EQ(list.count(), 3);
    EXPECT_FALSE(list.checked(0));
}

TEST_F(ModListTest, OrderIgnoresCaseAndIsTotal) {
    for (const char* name : {"Zeta", "beta", "alpha", "Beta", "ALPHA2", "", "éclair", "eclair", "Ezra"}) {
        list.add(N(name));
    }
    EXPECT_EQ(texts(), (std::vector<std::string>{"", "alpha", "ALPHA2", "Beta", "beta", "eclair", "éclair",
                                                 "Ezra", "Zeta"}));
}

// Canadian French orders accents from the end of the name, where comparing
// names directly and comparing their keys can disagree; both ways of filling
// the list must still agree.
TEST(ModListOrder, AddAllGivesTheSameListAsAddingOneByOne) {
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
        ModList list(platform);
        std::vector<ModEntry> rows;
        for (const NativeString& name : names) {
            list.add(name);
            rows.push_back({name, name.size() % 2 == 0});
        }
        ModList bulk(platform);
        bulk.addAll(rows);

        ASSERT_EQ(bulk.count(), list.count());
        for (int row = 0; row < list.count(); ++row) {
            EXPECT_EQ(bulk.text(row), list.text(row)) << locale << " row " << row;
            EXPECT_EQ(bulk.checked(row), list.text(row).size() % 2 == 0) << row;
        }
    }
}

// Hyphens and apostrophes: ICU weighs them like other punctuation, while
// Windows leaves them out of the first comparison ("word sort"). Other
// punctuation and digits come before letters on both.
TEST_F(ModListTest, PunctuationOrderIsThePlatformsOwn) {
    for (const char* name :
         {"coop", "co-op", "co op", "cooper", "Zulu", "_x", "10", "9", "a.b", "ab", "its", "it's"}) {
        list.add(N(name));
    }
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
    list.addAll(std::move(rows));
    ASSERT_EQ(list.count(), 40000);
    EXPECT_EQ(U(list.text(39999)), "m139999");
    EXPECT_TRUE(list.checked(39999));
}

}  // namespace
}  // namespace vx::mods
