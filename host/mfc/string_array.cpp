// CStringArray: a vector of CString with MFC's index rules.
#include <afx.h>

void CStringArray::CheckIndex(INT_PTR index) const {
    if (index < 0 || index >= GetSize()) AfxThrowInvalidArgException();
}

void CStringArray::SetSize(INT_PTR newSize, INT_PTR growBy) {
    if (newSize < 0) AfxThrowInvalidArgException();
    m_items.resize(static_cast<size_t>(newSize));
}

const CString& CStringArray::GetAt(INT_PTR index) const {
    CheckIndex(index);
    return m_items[static_cast<size_t>(index)];
}

void CStringArray::SetAt(INT_PTR index, const wchar_t* newElement) {
    CheckIndex(index);
    m_items[static_cast<size_t>(index)] = newElement;
}

void CStringArray::SetAt(INT_PTR index, const CString& newElement) {
    CheckIndex(index);
    m_items[static_cast<size_t>(index)] = newElement;
}

CString& CStringArray::ElementAt(INT_PTR index) {
    CheckIndex(index);
    return m_items[static_cast<size_t>(index)];
}

const CString& CStringArray::ElementAt(INT_PTR index) const {
    CheckIndex(index);
    return m_items[static_cast<size_t>(index)];
}

void CStringArray::SetAtGrow(INT_PTR index, const wchar_t* newElement) {
    SetAtGrow(index, CString(newElement));
}

void CStringArray::SetAtGrow(INT_PTR index, const CString& newElement) {
    if (index < 0) AfxThrowInvalidArgException();
    if (index >= GetSize()) m_items.resize(static_cast<size_t>(index) + 1);
    m_items[static_cast<size_t>(index)] = newElement;
}

INT_PTR CStringArray::Add(const wchar_t* newElement) { return Add(CString(newElement)); }

INT_PTR CStringArray::Add(const CString& newElement) {
    m_items.push_back(newElement);
    return GetSize() - 1;
}

INT_PTR CStringArray::Append(const CStringArray& src) {
    INT_PTR first = GetSize();
    if (&src == this) {
        std::vector<CString> copy(m_items);
        m_items.insert(m_items.end(), copy.begin(), copy.end());
    } else {
        m_items.insert(m_items.end(), src.m_items.begin(), src.m_items.end());
    }
    return first;
}

void CStringArray::Copy(const CStringArray& src) {
    if (&src != this) m_items = src.m_items;
}

void CStringArray::InsertAt(INT_PTR index, const wchar_t* newElement, INT_PTR count) {
    InsertAt(index, CString(newElement), count);
}

void CStringArray::InsertAt(INT_PTR index, const CString& newElement, INT_PTR count) {
    if (index < 0 || count <= 0) {
        if (index < 0 || count < 0) AfxThrowInvalidArgException();
        return;
    }
    if (index > GetSize()) m_items.resize(static_cast<size_t>(index));
    CString value(newElement);  // newElement may live in this array
    m_items.insert(m_items.begin() + index, static_cast<size_t>(count), value);
}

void CStringArray::InsertAt(INT_PTR startIndex, const CStringArray* newArray) {
    if (!newArray || startIndex < 0) AfxThrowInvalidArgException();
    if (newArray->IsEmpty()) return;
    std::vector<CString> copy(newArray->m_items);
    if (startIndex > GetSize()) m_items.resize(static_cast<size_t>(startIndex));
    m_items.insert(m_items.begin() + startIndex, copy.begin(), copy.end());
}

void CStringArray::RemoveAt(INT_PTR index, INT_PTR count) {
    if (index < 0 || count < 0 || index + count > GetSize()) AfxThrowInvalidArgException();
    m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
}
