// The owning pointer vectors: growth by 64, capacity-checked indexes, equality-based removal.
#include "attributes/ptrvector.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Item {
    int key;
    int* deleted;
    Item(int k, int* d) : key(k), deleted(d) {}
    ~Item() { ++*deleted; }
    bool IsEqual(const Item& other) const { return key == other.key; }
};

using Vector = TPtrOrderedVector<Item>;

bool throwsBoundsError(const Vector& v, std::int64_t index) {
    try {
        v.GetAt(index);
    } catch (const char* text) {
        return std::strcmp(text, "Bounds Error") == 0;
    }
    return false;
}

TEST(TPtrOrderedVectorTest, GrowsBy64AndChecksIndexesAgainstCapacity) {
    int deleted = 0;
    Vector v;
    EXPECT_EQ(v.GetCapacity(), 64);
    for (int i = 0; i < 64; ++i) v.Append(new Item(i, &deleted));
    EXPECT_EQ(v.GetCapacity(), 64);
    EXPECT_TRUE(throwsBoundsError(v, 64));
    v.Append(new Item(64, &deleted));
    EXPECT_EQ(v.GetCapacity(), 128);
    EXPECT_EQ(v.GetAt(64)->key, 64);
    // Past the count but inside the capacity: no throw, an empty slot.
    EXPECT_EQ(v.GetAt(65), nullptr);
    EXPECT_EQ(v[127], nullptr);
    EXPECT_TRUE(throwsBoundsError(v, 128));
    EXPECT_TRUE(throwsBoundsError(v, -1));
    v.RemoveAll();
    EXPECT_EQ(deleted, 65);
    EXPECT_EQ(v.GetCount(), 0);
    EXPECT_EQ(v.GetCapacity(), 64);
}

TEST(TPtrOrderedVectorTest, EqualityOperationsUseIsEqual) {
    int deleted = 0;
    Item probe1(1, &deleted), probe9(9, &deleted);
    {
        Vector v;
        Item* a = new Item(1, &deleted);
        Item* b = new Item(2, &deleted);
        Item* c = new Item(1, &deleted);
        v.Append(a);
        v.Append(b);
        v.Append(c);
        EXPECT_EQ(v.IndexOf(&probe1), 0);
        EXPECT_EQ(v.IndexOf(&probe9), -1);
        EXPECT_EQ(v.CountEqual(&probe1), 2);
        EXPECT_EQ(v.Remove(&probe1), a);
        EXPECT_EQ(v.IndexOf(&probe1), 1);
        EXPECT_EQ(v.Remove(&probe9), nullptr);
        EXPECT_EQ(v.RemoveEqual(&probe1), 1);
        EXPECT_EQ(v.GetCount(), 1);
        EXPECT_EQ(v[0], b);
        // The removed items are the caller's now; the vector deletes only what it holds.
        delete a;
        delete c;
        EXPECT_EQ(deleted, 2);
    }
    EXPECT_EQ(deleted, 3);
}

}  // namespace
