// MFC stand-in: the collection classes modules use, CStringArray and CMapStringToString.
#pragma once

#include <afx.h>

#include <vector>

struct __POSITION {};
typedef __POSITION* POSITION;
#define BEFORE_START_POSITION ((POSITION)-1L)

// An array of CString. Indexes are INT_PTR; GetAt/SetAt/ElementAt/operator[] and RemoveAt /
// InsertAt with an index out of range throw CInvalidArgException* (MFC's release behaviour).
class CStringArray : public CObject {
  public:
    CStringArray() = default;
    CStringArray(const CStringArray&) = delete;
    CStringArray& operator=(const CStringArray&) = delete;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return static_cast<INT_PTR>(m_items.size()); }
    BOOL IsEmpty() const { return m_items.empty(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    // Grows with empty strings or cuts; a negative size throws CInvalidArgException*.
    void SetSize(INT_PTR newSize, INT_PTR growBy = -1);
    void FreeExtra() { m_items.shrink_to_fit(); }
    void RemoveAll() { m_items.clear(); }

    const CString& GetAt(INT_PTR index) const;
    void SetAt(INT_PTR index, const wchar_t* newElement);
    void SetAt(INT_PTR index, const CString& newElement);
    CString& ElementAt(INT_PTR index);
    const CString& ElementAt(INT_PTR index) const;
    const CString* GetData() const { return m_items.data(); }
    CString* GetData() { return m_items.data(); }
    void SetAtGrow(INT_PTR index, const wchar_t* newElement);
    void SetAtGrow(INT_PTR index, const CString& newElement);

    // Return the new element's index.
    INT_PTR Add(const wchar_t* newElement);
    INT_PTR Add(const CString& newElement);
    // Returns the index of the first appended element.
    INT_PTR Append(const CStringArray& src);
    void Copy(const CStringArray& src);

    const CString& operator[](INT_PTR index) const { return GetAt(index); }
    CString& operator[](INT_PTR index) { return ElementAt(index); }

    // index may be GetSize() (appends); beyond that the array grows with empty strings first.
    void InsertAt(INT_PTR index, const wchar_t* newElement, INT_PTR count = 1);
    void InsertAt(INT_PTR index, const CString& newElement, INT_PTR count = 1);
    void InsertAt(INT_PTR startIndex, const CStringArray* newArray);
    void RemoveAt(INT_PTR index, INT_PTR count = 1);

  private:
    void CheckIndex(INT_PTR index) const;
    std::vector<CString> m_items;
};

// A hash map from CString to CString with MFC's layout, so that iteration follows MFC's order:
// a table of GetHashTableSize() buckets (17 unless InitHashTable said otherwise), a key's
// bucket is HashKey(key) % size with MFC's string hash (over UTF-16 code units), a new
// association goes to the head of its bucket's chain, and GetNextAssoc walks bucket 0 first,
// each chain from its head. Keys compare exactly (letter case counts). The order is neither
// insertion nor sorted order.
class CMapStringToString : public CObject {
  public:
    struct CPair {
        const CString key;
        CString value;
    };

    explicit CMapStringToString(INT_PTR blockSize = 10);
    ~CMapStringToString() override;
    CMapStringToString(const CMapStringToString&) = delete;
    CMapStringToString& operator=(const CMapStringToString&) = delete;

    INT_PTR GetCount() const { return m_count; }
    INT_PTR GetSize() const { return m_count; }
    BOOL IsEmpty() const { return m_count == 0; }

    // TRUE and rValue set when the key is present; otherwise FALSE and rValue unchanged.
    BOOL Lookup(const wchar_t* key, CString& rValue) const;
    BOOL LookupKey(const wchar_t* key, const wchar_t*& rKey) const;
    const CPair* PLookup(const wchar_t* key) const;
    CPair* PLookup(const wchar_t* key);
    // Adds the key with an empty value when it is absent.
    CString& operator[](const wchar_t* key);
    void SetAt(const wchar_t* key, const wchar_t* newValue);
    BOOL RemoveKey(const wchar_t* key);
    void RemoveAll();

    // Start of an iteration: null when the map is empty. GetNextAssoc hands out the
    // association at rNextPosition and moves it on (null after the last). Changing the map
    // during an iteration (other than changing values) invalidates the position.
    POSITION GetStartPosition() const;
    void GetNextAssoc(POSITION& rNextPosition, CString& rKey, CString& rValue) const;
    const CPair* PGetFirstAssoc() const;
    const CPair* PGetNextAssoc(const CPair* pAssoc) const;
    CPair* PGetFirstAssoc();
    CPair* PGetNextAssoc(const CPair* pAssoc);

    UINT GetHashTableSize() const { return m_hashTableSize; }
    // Sets the number of buckets; takes effect only while the map is empty (MFC asserts that;
    // here a call on a non-empty map is ignored). A size of 0 is ignored.
    void InitHashTable(UINT hashSize, BOOL allocNow = TRUE);
    UINT HashKey(const wchar_t* key) const;

  private:
    struct CAssoc;
    CAssoc* GetAssocAt(const wchar_t* key, UINT& bucket, UINT& hash) const;
    CAssoc* NewAssoc(const wchar_t* key, UINT bucket, UINT hash);
    CAssoc* FirstAssoc() const;
    CAssoc* NextAssoc(const CAssoc* assoc) const;

    std::vector<CAssoc*> m_hashTable;  // empty until the first insertion
    UINT m_hashTableSize = 17;
    INT_PTR m_count = 0;
};
