// CMapStringToString with MFC's hash table layout, so that GetNextAssoc visits associations in
// the same order as MFC: bucket by bucket, each chain from its most recent insertion.
#include <afx.h>

#include <cwchar>

#include "win/code_page.h"

struct CMapStringToString::CAssoc : CMapStringToString::CPair {
    CAssoc(const wchar_t* k, UINT h) : CPair{CString(k), CString()}, hashValue(h) {}
    CAssoc* next = nullptr;
    UINT hashValue;
};

CMapStringToString::CMapStringToString(INT_PTR blockSize) {}

CMapStringToString::~CMapStringToString() { RemoveAll(); }

UINT CMapStringToString::HashKey(const wchar_t* key) const {
    if (!key) AfxThrowInvalidArgException();
    // MFC's string hash, nHash = nHash * 33 + ch, over the UTF-16 code units that Windows
    // would hold.
    UINT hash = 0;
    for (const wchar_t* p = key; *p; ++p) {
        unsigned c = static_cast<unsigned>(*p);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            hash = (hash << 5) + hash + (0xD800 + (c >> 10));
            hash = (hash << 5) + hash + (0xDC00 + (c & 0x3FF));
        } else {
            hash = (hash << 5) + hash + c;
        }
    }
    return hash;
}

void CMapStringToString::InitHashTable(UINT hashSize, BOOL allocNow) {
    if (m_count != 0 || hashSize == 0) return;
    m_hashTableSize = hashSize;
    m_hashTable.clear();
    if (allocNow) m_hashTable.assign(hashSize, nullptr);
}

CMapStringToString::CAssoc* CMapStringToString::GetAssocAt(const wchar_t* key, UINT& bucket,
                                                           UINT& hash) const {
    hash = HashKey(key);
    bucket = hash % m_hashTableSize;
    if (m_hashTable.empty()) return nullptr;
    for (CAssoc* assoc = m_hashTable[bucket]; assoc; assoc = assoc->next) {
        if (assoc->hashValue == hash && std::wcscmp(assoc->key.GetString(), key) == 0) return assoc;
    }
    return nullptr;
}

CMapStringToString::CAssoc* CMapStringToString::NewAssoc(const wchar_t* key, UINT bucket,
                                                         UINT hash) {
    if (m_hashTable.empty()) m_hashTable.assign(m_hashTableSize, nullptr);
    CAssoc* assoc = new CAssoc(key, hash);
    assoc->next = m_hashTable[bucket];
    m_hashTable[bucket] = assoc;
    ++m_count;
    return assoc;
}

BOOL CMapStringToString::Lookup(const wchar_t* key, CString& rValue) const {
    UINT bucket, hash;
    const CAssoc* assoc = GetAssocAt(key, bucket, hash);
    if (!assoc) return FALSE;
    rValue = assoc->value;
    return TRUE;
}

BOOL CMapStringToString::LookupKey(const wchar_t* key, const wchar_t*& rKey) const {
    UINT bucket, hash;
    const CAssoc* assoc = GetAssocAt(key, bucket, hash);
    if (!assoc) return FALSE;
    rKey = assoc->key.GetString();
    return TRUE;
}

const CMapStringToString::CPair* CMapStringToString::PLookup(const wchar_t* key) const {
    UINT bucket, hash;
    return GetAssocAt(key, bucket, hash);
}

CMapStringToString::CPair* CMapStringToString::PLookup(const wchar_t* key) {
    UINT bucket, hash;
    return GetAssocAt(key, bucket, hash);
}

CString& CMapStringToString::operator[](const wchar_t* key) {
    UINT bucket, hash;
    CAssoc* assoc = GetAssocAt(key, bucket, hash);
    if (!assoc) assoc = NewAssoc(key, bucket, hash);
    return assoc->value;
}

void CMapStringToString::SetAt(const wchar_t* key, const wchar_t* newValue) {
    (*this)[key] = newValue;
}

BOOL CMapStringToString::RemoveKey(const wchar_t* key) {
    if (m_hashTable.empty() || !key) return FALSE;
    UINT bucket = HashKey(key) % m_hashTableSize;
    for (CAssoc** link = &m_hashTable[bucket]; *link; link = &(*link)->next) {
        if (std::wcscmp((*link)->key.GetString(), key) == 0) {
            CAssoc* doomed = *link;
            *link = doomed->next;
            delete doomed;
            --m_count;
            return TRUE;
        }
    }
    return FALSE;
}

void CMapStringToString::RemoveAll() {
    for (CAssoc*& head : m_hashTable) {
        while (head) {
            CAssoc* next = head->next;
            delete head;
            head = next;
        }
    }
    m_hashTable.clear();
    m_count = 0;
}

CMapStringToString::CAssoc* CMapStringToString::FirstAssoc() const {
    for (CAssoc* head : m_hashTable) {
        if (head) return head;
    }
    return nullptr;
}

CMapStringToString::CAssoc* CMapStringToString::NextAssoc(const CAssoc* assoc) const {
    if (assoc->next) return assoc->next;
    for (UINT bucket = assoc->hashValue % m_hashTableSize + 1; bucket < m_hashTable.size();
         ++bucket) {
        if (m_hashTable[bucket]) return m_hashTable[bucket];
    }
    return nullptr;
}

POSITION CMapStringToString::GetStartPosition() const {
    return m_count == 0 ? nullptr : BEFORE_START_POSITION;
}

void CMapStringToString::GetNextAssoc(POSITION& rNextPosition, CString& rKey,
                                      CString& rValue) const {
    if (!rNextPosition) AfxThrowInvalidArgException();
    const CAssoc* assoc = rNextPosition == BEFORE_START_POSITION
                              ? FirstAssoc()
                              : reinterpret_cast<const CAssoc*>(rNextPosition);
    if (!assoc) AfxThrowInvalidArgException();
    CAssoc* next = NextAssoc(assoc);
    rNextPosition = reinterpret_cast<POSITION>(next);
    rKey = assoc->key;
    rValue = assoc->value;
}

const CMapStringToString::CPair* CMapStringToString::PGetFirstAssoc() const { return FirstAssoc(); }

const CMapStringToString::CPair* CMapStringToString::PGetNextAssoc(const CPair* pAssoc) const {
    return pAssoc ? NextAssoc(static_cast<const CAssoc*>(pAssoc)) : nullptr;
}

CMapStringToString::CPair* CMapStringToString::PGetFirstAssoc() { return FirstAssoc(); }

CMapStringToString::CPair* CMapStringToString::PGetNextAssoc(const CPair* pAssoc) {
    return pAssoc ? NextAssoc(static_cast<const CAssoc*>(pAssoc)) : nullptr;
}
