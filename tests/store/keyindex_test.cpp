#include "store/keyindex.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(KeyIndex, KeepsTheFirstRowOfEveryKeyThroughGrowth)
{
    store::KeyIndex index; // starts small and must grow many times
    const int count = 100000;
    for (int i = 0; i < count; ++i) {
        qint64 &row = index.entry("K" + std::to_string(i));
        ASSERT_EQ(row, -1) << i;
        row = i;
    }
    // A second entry for a stored key finds the first row and adds nothing.
    for (int i = 0; i < count; i += 7)
        EXPECT_EQ(index.entry("K" + std::to_string(i)), i);
    EXPECT_EQ(index.size(), count);
    for (int i = 0; i < count; i += 13)
        EXPECT_EQ(index.find("K" + std::to_string(i)), i);
    EXPECT_EQ(index.find("K" + std::to_string(count)), -1);
}

TEST(KeyIndex, TellsApartKeysThatShareTheirBytesInPart)
{
    store::KeyIndex index;
    const std::string keys[] = {"", "A", "AB", "A B", std::string("A\0B", 3), "ÄB", "ab"};
    qint64 row = 0;
    for (const std::string &key : keys)
        index.entry(key) = row++;
    row = 0;
    for (const std::string &key : keys)
        EXPECT_EQ(index.find(key), row++) << key;
    EXPECT_EQ(index.find("B"), -1);
}

} // namespace
