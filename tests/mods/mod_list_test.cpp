#include "mods/mod_list.h"

#include "support/test_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace vx::mods {
namespace {

class ModListTest : public ::testing::Test {
protected:
    testing::TestPlatform platform{"/nonexistent"};
    ModList list{platform};

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (int row = 0; row < list.count(); ++row) out.push_back(list.text(row));
        return out;
    }
};

TEST_F(ModListTest, AddReturnsTheSortedIndexAndMovesLaterRows) {
    EXPECT_EQ(list.add("b"), 0);
    EXPECT_EQ(list.add("a"), 0);
    EXPECT_EQ(list.text(0), "a");
    EXPECT_EQ(list.text(1), "b");
    EXPECT_EQ(list.add("c"), 2);
    EXPECT_EQ(list.count(), 3);
    EXPECT_FALSE(list.checked(0));
}

TEST_F(ModListTest, OrderIgnoresCaseAndIsTotal) {
    for (const char* name : {"Zeta", "beta", "alpha", "Beta", "ALPHA2", "", "éclair", "eclair", "Ezra"}) {
        list.add(name);
    }
    EXPECT_EQ(texts(), (std::vector<std::string>{"", "alpha", "ALPHA2", "Beta", "beta", "eclair", "éclair",
                                                 "Ezra", "Zeta"}));
}

// Canadian French orders accents from the end of the name, where comparing
// names directly and comparing their keys can disagree; both ways of filling
// the list must still agree.
TEST(ModListOrder, AddAllGivesTheSameListAsAddingOneByOne) {
    std::vector<std::string> names = {
        "Zeta",   "alpha",     "Beta",  "beta",          "x.rte.bak",     "",   " lead",
        "trail ", "Ärger",     "arger", "\xff\xfe",      "\xc3",          "10", "9",
        "_under", "new\nline", "è",     "è\u00AD\u0301", "e\u0300\u0301", "e",  "f"};
    for (int i = 0; i < 200; ++i) names.push_back("Mod " + std::to_string(i * 7919 % 1000));
    std::mt19937 random(42);
    std::shuffle(names.begin(), names.end(), random);

    for (const char* locale : {"en_US", "fr_CA", "cs_CZ"}) {
        testing::TestPlatform platform("/nonexistent", locale);
        ModList list(platform);
        std::vector<ModEntry> rows;
        for (const std::string& name : names) {
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

TEST_F(ModListTest, SetCheckedNotifiesSynchronouslyAfterTheFlagChanged) {
    list.add("a");
    list.add("b");
    std::vector<std::pair<int, bool>> seen;
    list.onItemCheck([&](int row) { seen.push_back({row, list.checked(row)}); });

    list.setChecked(1, true);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], std::make_pair(1, true));

    list.setChecked(1, true);  // no change, no notification
    EXPECT_EQ(seen.size(), 1u);

    list.setChecked(1, false);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], std::make_pair(1, false));
}

TEST_F(ModListTest, HoldsMoreRowsThanASixteenBitCount) {
    std::vector<ModEntry> rows;
    for (int i = 0; i < 40000; ++i) rows.push_back({"m" + std::to_string(100000 + i), i == 39999});
    list.addAll(std::move(rows));
    ASSERT_EQ(list.count(), 40000);
    EXPECT_EQ(list.text(39999), "m139999");
    EXPECT_TRUE(list.checked(39999));
}

}  // namespace
}  // namespace vx::mods
