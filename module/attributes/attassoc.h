// Attribute associations: one PDM property and the attribute tags (or tag patterns) that show
// its value, and the ordered list of them that one map section of the settings file gives.
#pragma once

#include <afx.h>

#include <cstdint>

#include "attributes/ptrvector.h"

class CAttAssoc {
  public:
    CAttAssoc() = default;
    explicit CAttAssoc(const wchar_t* name);
    CAttAssoc(const CAttAssoc&) = delete;
    CAttAssoc& operator=(const CAttAssoc&) = delete;

    virtual ~CAttAssoc();
    // Names equal, letter case counting.
    virtual bool IsEqual(const CAttAssoc& other) const;
    virtual CString GetName() const;
    virtual void SetName(const wchar_t* name);
    virtual int GetTagCount() const;
    // Empty for an index below 0 or at or beyond the count.
    virtual CString GetTag(int index) const;
    // True for a null tag (when there are tags at all); an entry matches the tag when equal
    // ignoring case, or, if the entry holds "*", when the host's wildcard matcher accepts it.
    virtual bool Matches(const wchar_t* tag) const;
    // Appends unless Matches already accepts the tag.
    virtual void AddTag(const wchar_t* tag);

  private:
    // The list's Load appends split tags as written, duplicates included.
    friend class CAttAssocList;

    CString m_name;
    CStringArray m_tags;
};

// Owns its associations. Load reads one map section of a settings file: each line
// "property = tag, tag; tag*" becomes one association, in file order.
class CAttAssocList : public TPtrOrderedVector<CAttAssoc> {
  public:
    CAttAssocList() = default;
    ~CAttAssocList() override;
    // False (list unchanged) when the file cannot be read or the section has no lines;
    // otherwise the list is replaced and the result says whether it holds an association.
    virtual bool Load(const wchar_t* path, const wchar_t* section);
    // First association whose name equals name ignoring case; null if none.
    virtual CAttAssoc* FindByName(const wchar_t* name) const;
    // First association whose Matches accepts tag; null if none.
    virtual CAttAssoc* FindByTag(const wchar_t* tag) const;
};
