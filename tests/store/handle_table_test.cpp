#include <string>

#include <gtest/gtest.h>

#include "platform/handle_table.h"

namespace {

TEST(HandleTable, GivesOutFreshHandlesAndRefusesGoneOnes)
{
    platform::HandleTable<int, std::string> table(0, 2);
    const int first = table.Add("first");
    const int second = table.Add("second");  // 2 is reserved
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 3);
    EXPECT_EQ(table.Find(second), "second");
    EXPECT_TRUE(table.With(first, [](std::string& entry) {
        entry += " changed";
        return true;
    }));
    EXPECT_EQ(table.Find(first), "first changed");
    EXPECT_TRUE(table.Remove(first));
    EXPECT_FALSE(table.Remove(first));
    EXPECT_EQ(table.Find(first), std::nullopt);
    EXPECT_FALSE(table.With(first, [](std::string&) { return true; }));
    EXPECT_FALSE(table.With(42, [](std::string&) { return true; }));
}

}  // namespace
