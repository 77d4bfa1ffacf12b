// TValVector and TValOrderedVector: growth by 64, the capacity guard and the ordered
// operations, on a small value type that counts its assignments.
#include "titleborder/valvector.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Item {
    int value = 0;
    void assign(const Item& other) { value = other.value; }
    bool isEqual(const Item& other) const { return value == other.value; }
};

class Items : public TValOrderedVector<Item> {
  public:
    void add(std::initializer_list<int> values) {
        for (int v : values) append(Item{v});
    }
    std::vector<int> values() const {
        std::vector<int> out;
        for (std::uint64_t i = 0; i < count(); ++i) out.push_back(at(i).value);
        return out;
    }
};

}  // namespace

TEST(TValVectorTest, GrowsBySixtyFourAndChecksIndexesAgainstTheCapacity) {
    Items items;
    EXPECT_EQ(items.capacity(), 64u);
    for (int i = 0; i < 64; ++i) items.add({i});
    EXPECT_EQ(items.capacity(), 64u);
    for (int i = 64; i < 129; ++i) items.add({i});
    EXPECT_EQ(items.capacity(), 192u);
    for (int i = 0; i < 129; ++i) ASSERT_EQ(items.at(static_cast<std::uint64_t>(i)).value, i);
    EXPECT_EQ(items.at(191).value, 0);  // a live slot beyond the count
    try {
        items.at(192);
        FAIL() << "no bounds error";
    } catch (const char* text) {
        EXPECT_STREQ(text, "!Bounds Error in TValVector!");
    }
    EXPECT_THROW(items.removeAt(192), const char*);
}

TEST(TValOrderedVectorTest, OrderedOperations) {
    Items items;
    items.add({5, 7, 5, 9, 5});
    EXPECT_EQ(items.indexOf(Item{9}), 3u);
    EXPECT_EQ(items.indexOf(Item{4}), ~std::uint64_t{0});
    EXPECT_EQ(items.countOf(Item{5}), 3u);
    EXPECT_TRUE(items.remove(Item{5}));
    EXPECT_EQ(items.values(), (std::vector<int>{7, 5, 9, 5}));
    EXPECT_FALSE(items.remove(Item{4}));
    EXPECT_EQ(items.removeAll(Item{5}), 2u);
    EXPECT_EQ(items.values(), (std::vector<int>{7, 9}));
    items.insertAt(1, Item{8});
    items.insertAt(0, Item{6});
    items.insertAt(99, Item{10});  // past the count: appended
    EXPECT_EQ(items.values(), (std::vector<int>{6, 7, 8, 9, 10}));
    EXPECT_EQ(items.removeAt(2).value, 8);
    EXPECT_EQ(items.values(), (std::vector<int>{6, 7, 9, 10}));
    EXPECT_EQ(items.removeAt(30).value, 0);  // beyond the count: nothing changes
    EXPECT_EQ(items.count(), 4u);
}
