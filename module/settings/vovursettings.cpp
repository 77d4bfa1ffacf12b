// CVoVurSettings: the module settings built from the settings file that a companion file names.
#include "settings/vovursettings.h"

#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "settings/inifile.h"

namespace {

bool isComment(const CString& key) { return key.GetLength() > 0 && key[0] == L';'; }

// The platform's string map keeps 17 hash buckets unless told otherwise, so a settings file
// with thousands of values would make every insertion walk a long chain. Maps that are to hold
// more than that get a table to match; small maps keep the default (and its iteration order).
void sizeMapFor(CMapStringToString& map, INT_PTR expected) {
    constexpr INT_PTR kDefaultIsEnough = 1024;
    if (expected <= kDefaultIsEnough ||
        static_cast<INT_PTR>(map.GetHashTableSize()) * 2 >= expected)
        return;
    auto isOddPrime = [](INT_PTR n) {
        for (INT_PTR d = 3; d * d <= n; d += 2)
            if (n % d == 0) return false;
        return true;
    };
    INT_PTR size = expected | 1;
    while (!isOddPrime(size)) size += 2;
    std::vector<std::pair<CString, CString>> kept;
    CString key, value;
    for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
        map.GetNextAssoc(pos, key, value);
        kept.emplace_back(key, value);
    }
    map.RemoveAll();
    map.InitHashTable(static_cast<UINT>(size));
    for (const auto& [k, v] : kept) map.SetAt(k, v);
}

// Block names: the values of the section's keys, upper-cased, in file order. The list is
// replaced only when the section has key lines (comment lines count).
void loadBlockNames(CIniFile& ini, const wchar_t* section, CStringArray& names) {
    CStringArray keys;
    if (ini.GetKeyNames(keys, section) == 0) return;
    names.RemoveAll();
    for (INT_PTR i = 0; i < keys.GetSize(); ++i) {
        if (isComment(keys[i])) continue;
        CString value;
        if (!ini.GetString(value, keys[i], section, -1, -1)) continue;
        value.MakeUpper();
        names.Add(value);
    }
}

// Formulas: key name as written -> value as read.
void loadFormulas(CIniFile& ini, const wchar_t* section, CMapStringToString& formulas) {
    CStringArray keys;
    if (ini.GetKeyNames(keys, section) == 0) return;
    formulas.RemoveAll();
    sizeMapFor(formulas, keys.GetSize());
    for (INT_PTR i = 0; i < keys.GetSize(); ++i) {
        if (isComment(keys[i])) continue;
        CString value;
        if (ini.GetString(value, keys[i], section, -1, -1)) formulas.SetAt(keys[i], value);
    }
}

// Every value of the file under upper-case "SECTION.KEY", a later equal name replacing an
// earlier one. Sections are walked last to first and a name is kept only the first time it is
// met, which gives the same map as the forward walk with replacement; a section name that
// comes again (in any letter case) reads the same first section again, so only its last
// occurrence needs walking. That keeps a file with thousands of repeated headers linear.
void loadGeneralValues(CIniFile& ini, CMapStringToString& values) {
    CStringArray sections;
    ini.GetSectionNames(sections);
    std::unordered_set<std::wstring> walked;
    std::vector<std::pair<CString, CString>> found;  // in reverse order of the forward walk
    std::unordered_set<std::wstring> named;
    for (INT_PTR s = sections.GetSize(); s-- > 0;) {
        CString upperSection = sections[s];
        upperSection.MakeUpper();
        if (!walked.insert(std::wstring(upperSection.view())).second) continue;
        CStringArray keys;
        ini.GetKeyNames(keys, sections[s]);
        for (INT_PTR k = keys.GetSize(); k-- > 0;) {
            if (isComment(keys[k])) continue;
            CString name = sections[s] + L"." + keys[k];
            name.MakeUpper();
            if (named.count(std::wstring(name.view()))) continue;
            CString value;
            if (!ini.GetString(value, keys[k], sections[s], -1, -1)) continue;
            value.MakeUpper();
            named.insert(std::wstring(name.view()));
            found.emplace_back(name, value);
        }
    }
    sizeMapFor(values, values.GetCount() + static_cast<INT_PTR>(found.size()));
    for (auto& [name, value] : found) values.SetAt(name, value);
}

}  // namespace

CVoVurSettings::CVoVurSettings() { m_titleBlockNames.Add(L"AMTITLE"); }

CVoVurSettings::~CVoVurSettings() = default;

void CVoVurSettings::Clear() {
    m_titleBlockNames.RemoveAll();
    m_titleFormulas.RemoveAll();
    m_titleMap.RemoveAll();
    m_bomPosBlockNames.RemoveAll();
    m_bomPosMap.RemoveAll();
    m_bomPosFormulas.RemoveAll();
    m_values.RemoveAll();
}

bool CVoVurSettings::Load(const wchar_t* path) {
    CIniFile ini(nullptr, TRUE);
    if (!ini.Load(path)) return false;

    loadGeneralValues(ini, m_values);
    loadBlockNames(ini, L"TITLE_BLOCK", m_titleBlockNames);
    loadFormulas(ini, L"ATTRIBUTE_FORMULA", m_titleFormulas);
    bool result = m_titleMap.Load(path, L"ATTRIBUTE_MAP");
    loadBlockNames(ini, L"BOMPOS_BLOCK", m_bomPosBlockNames);
    loadFormulas(ini, L"BOMPOS_ATTRIBUTE_FORMULA", m_bomPosFormulas);
    m_bomPosMap.Load(path, L"BOMPOS_ATTRIBUTE_MAP");
    loadBlockNames(ini, L"REVISION_BLOCK", m_revisionBlockNames);
    loadFormulas(ini, L"REVISION_ATTRIBUTE_FORMULA", m_revisionFormulas);
    m_revisionMap.Load(path, L"REVISION_ATTRIBUTE_MAP");
    return result;
}

CStringArray* CVoVurSettings::GetTitleBlockNames() { return &m_titleBlockNames; }
CAttAssocList* CVoVurSettings::GetAttributeMap() { return &m_titleMap; }
CMapStringToString* CVoVurSettings::GetAttributeFormulas() { return &m_titleFormulas; }
CStringArray* CVoVurSettings::GetBomPosBlockNames() { return &m_bomPosBlockNames; }
CAttAssocList* CVoVurSettings::GetBomPosAttributeMap() { return &m_bomPosMap; }
CMapStringToString* CVoVurSettings::GetBomPosAttributeFormulas() { return &m_bomPosFormulas; }
CStringArray* CVoVurSettings::GetRevisionBlockNames() { return &m_revisionBlockNames; }
CAttAssocList* CVoVurSettings::GetRevisionAttributeMap() { return &m_revisionMap; }
CMapStringToString* CVoVurSettings::GetRevisionAttributeFormulas() { return &m_revisionFormulas; }

CString CVoVurSettings::GetValue(const wchar_t* key, const wchar_t* section, const wchar_t* def) {
    CString name = CString(section) + L"." + CString(key);
    name.MakeUpper();
    CString value;
    if (m_values.Lookup(name, value)) return value;
    return CString(def);
}
