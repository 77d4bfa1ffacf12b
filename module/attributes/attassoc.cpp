// Attribute associations and their list, loaded from one map section of the settings file.
#include "attributes/attassoc.h"

#include <acutads.h>

#include <cwchar>

#include "settings/inifile.h"

namespace {

// A map line's value is split in a work buffer of this many characters (terminator included).
constexpr int kSplitBuffer = 1024;

bool isSeparator(wchar_t c) { return c == L' ' || c == L',' || c == L';'; }

}  // namespace

CAttAssoc::CAttAssoc(const wchar_t* name) : m_name(name) {}

CAttAssoc::~CAttAssoc() = default;

bool CAttAssoc::IsEqual(const CAttAssoc& other) const { return m_name.Compare(other.m_name) == 0; }

CString CAttAssoc::GetName() const { return m_name; }

void CAttAssoc::SetName(const wchar_t* name) { m_name = name; }

int CAttAssoc::GetTagCount() const { return static_cast<int>(m_tags.GetSize()); }

CString CAttAssoc::GetTag(int index) const {
    if (index < 0 || index >= m_tags.GetSize()) return CString();
    return m_tags.GetAt(index);
}

bool CAttAssoc::Matches(const wchar_t* tag) const {
    if (m_tags.GetSize() == 0) return false;
    if (tag == nullptr) return true;
    for (INT_PTR i = 0; i < m_tags.GetSize(); ++i) {
        const CString& entry = m_tags.GetAt(i);
        if (entry.CompareNoCase(tag) == 0) return true;
        // Only an entry with "*" is a pattern: "?" and the matcher's other special characters
        // are plain text in an entry without one.
        if (entry.Find(L'*') >= 0 && acutWcMatchEx(tag, entry, true) == RTNORM) return true;
    }
    return false;
}

void CAttAssoc::AddTag(const wchar_t* tag) {
    if (!Matches(tag)) m_tags.Add(tag);
}

CAttAssocList::~CAttAssocList() = default;

bool CAttAssocList::Load(const wchar_t* path, const wchar_t* section) {
    CIniFile ini(nullptr, TRUE);
    if (!ini.Load(path)) return false;
    CStringArray keys;
    if (ini.GetKeyNames(keys, section) == 0) return false;

    RemoveAll();
    for (INT_PTR i = 0; i < keys.GetSize(); ++i) {
        const CString& key = keys.GetAt(i);
        if (key.GetLength() > 0 && key[0] == L';') continue;
        CString value;
        if (!ini.GetString(value, key, section, -1, -1)) continue;
        value.MakeUpper();

        CAttAssoc* assoc = new CAttAssoc(key);
        // Values longer than the work buffer are cut at its size.
        CString work = value.Left(kSplitBuffer - 1);
        const int length = work.GetLength();
        for (int pos = 0; pos < length;) {
            while (pos < length && isSeparator(work[pos])) ++pos;
            int start = pos;
            while (pos < length && !isSeparator(work[pos])) ++pos;
            if (pos > start) {
                CString piece = work.Mid(start, pos - start);
                piece.Trim();
                // Tags are appended as written, duplicates included (no Matches filter here).
                if (!piece.IsEmpty()) assoc->m_tags.Add(piece);
            }
        }
        Append(assoc);
    }
    return GetCount() > 0;
}

CAttAssoc* CAttAssocList::FindByName(const wchar_t* name) const {
    if (name == nullptr) return nullptr;
    for (std::int64_t i = 0; i < GetCount(); ++i) {
        CAttAssoc* assoc = GetAt(i);
        if (assoc->GetName().CompareNoCase(name) == 0) return assoc;
    }
    return nullptr;
}

CAttAssoc* CAttAssocList::FindByTag(const wchar_t* tag) const {
    for (std::int64_t i = 0; i < GetCount(); ++i) {
        CAttAssoc* assoc = GetAt(i);
        if (assoc->Matches(tag)) return assoc;
    }
    return nullptr;
}
