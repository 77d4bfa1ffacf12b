// CStringArray and CMapStringToString, including MFC's iteration order of the map.
#include <afx.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

template <typename F>
bool throwsInvalidArg(F f) {
    try { f(); } catch (CInvalidArgException* e) { return e->Delete(), true; }
    return false;
}

std::vector<std::wstring> items(const CStringArray& array) {
    std::vector<std::wstring> out;
    for (INT_PTR i = 0; i < array.GetSize(); ++i) out.emplace_back(array[i].GetString());
    return out;
}

std::vector<std::wstring> keysInOrder(const CMapStringToString& map) {
    std::vector<std::wstring> keys;
    POSITION pos = map.GetStartPosition();
    while (pos) {
        CString key, value;
        map.GetNextAssoc(pos, key, value);
        keys.emplace_back(key.GetString());
    }
    return keys;
}

using Keys = std::vector<std::wstring>;

TEST(CStringArrayTest, AddsSetsAndResizes) {
    CStringArray a;
    EXPECT_EQ(0, a.Add(L"a"));
    EXPECT_EQ(1, a.Add(CString(L"b")));
    a.SetSize(4);  // grows with empty strings
    EXPECT_EQ((Keys{L"a", L"b", L"", L""}), items(a));
    a.SetSize(2);
    a.SetAt(0, L"z");
    a[1] += L"!";
    EXPECT_EQ((Keys{L"z", L"b!"}), items(a));
    a.RemoveAll();
    EXPECT_EQ(0, a.GetSize());
}

TEST(CStringArrayTest, IndexesOutOfRangeThrow) {
    CStringArray a;
    a.Add(L"only");
    EXPECT_TRUE(throwsInvalidArg([&] { a.GetAt(1); }));
    EXPECT_TRUE(throwsInvalidArg([&] { a.GetAt(-1); }));
    EXPECT_TRUE(throwsInvalidArg([&] { a.SetAt(1, L"x"); }));
    EXPECT_TRUE(throwsInvalidArg([&] { a.SetSize(-1); }));
    EXPECT_EQ((Keys{L"only"}), items(a));
}

TEST(CMapStringToStringTest, LooksUpCaseSensitively) {
    CMapStringToString map;
    map.SetAt(L"TITLE", L"Bracket");
    map[L"title"] = L"lower";
    map.SetAt(L"TITLE", L"Bracket 2");
    EXPECT_EQ(2, map.GetCount());
    CString value = L"untouched";
    EXPECT_FALSE(map.Lookup(L"Title", value));
    EXPECT_EQ(L"untouched", value);
    EXPECT_TRUE(map.Lookup(L"TITLE", value));
    EXPECT_EQ(L"Bracket 2", value);
    EXPECT_EQ(L"", map[L"new"]);  // operator[] adds
    EXPECT_EQ(3, map.GetSize());
    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(nullptr, map.GetStartPosition());
}

// The order MFC's CMap gives: HashKey("REV") = ((82 * 33 + 69) * 33 + 86) = 91661, bucket
// 91661 % 17 = 14; the keys below fall into buckets PAGE 0, TITLE 3, dm_revisionno 4,
// dm_title 12, NAME 13, REV 14, PAGES 15, DATE 16.
TEST(CMapStringToStringTest, IteratesInMfcHashOrder) {
    const Keys keys = {L"TITLE", L"DATE", L"NAME",     L"PAGE",
                       L"PAGES", L"REV",  L"dm_title", L"dm_revisionno"};
    const Keys expected = {L"PAGE", L"TITLE", L"dm_revisionno", L"dm_title",
                           L"NAME", L"REV",   L"PAGES",         L"DATE"};
    CMapStringToString forward;
    for (const auto& k : keys) forward.SetAt(k.c_str(), L"v");
    EXPECT_EQ(17u, forward.GetHashTableSize());
    EXPECT_EQ(91661u, forward.HashKey(L"REV"));
    EXPECT_EQ(expected, keysInOrder(forward));
    // Without collisions the insertion order does not matter.
    CMapStringToString backward;
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) backward.SetAt(it->c_str(), L"v");
    EXPECT_EQ(expected, keysInOrder(backward));
    // Another table size, another order.
    CMapStringToString wide;
    wide.InitHashTable(31);
    for (const auto& k : keys) wide.SetAt(k.c_str(), L"v");
    EXPECT_EQ((Keys{L"TITLE", L"dm_revisionno", L"PAGES", L"DATE", L"NAME", L"REV", L"PAGE",
                    L"dm_title"}),
              keysInOrder(wide));
}

TEST(CMapStringToStringTest, CollidingKeysIterateNewestFirst) {
    // "A" and "R" share bucket 14 of 17.
    CMapStringToString ar, ra;
    ar.SetAt(L"A", L"1");
    ar.SetAt(L"R", L"2");
    ra.SetAt(L"R", L"2");
    ra.SetAt(L"A", L"1");
    EXPECT_EQ((Keys{L"R", L"A"}), keysInOrder(ar));
    EXPECT_EQ((Keys{L"A", L"R"}), keysInOrder(ra));
    // Replacing a value keeps the association where it is.
    ar.SetAt(L"A", L"3");
    ar.SetAt(L"D", L"4");  // bucket 0
    EXPECT_EQ((Keys{L"D", L"R", L"A"}), keysInOrder(ar));
    // The table size is fixed once the map holds something.
    ar.InitHashTable(31);
    EXPECT_EQ(17u, ar.GetHashTableSize());
}

}  // namespace
