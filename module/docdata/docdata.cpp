// CDocData: construction, the property lookups and the numeric conversions of settings values.
#include "docdata/docdata.h"

#include <string>

CDocData::CDocData() = default;

CDocData::~CDocData() = default;

void CDocData::setPath(const wchar_t* path) { m_path = path; }

CString CDocData::getPath() const { return m_path; }

int CDocData::isManaged() const { return m_managed; }

CVoVurSettings& CDocData::getSettings() { return m_settings; }

bool CDocData::lookup(const PropertyMap& map, const wchar_t* name, CString& value) const {
    value.Empty();
    if (name == nullptr) return false;
    auto it = map.find(std::wstring(name));
    if (it == map.end()) return false;
    value = CString(std::wstring_view(it->second));
    return true;
}

bool CDocData::getDocProperty(const wchar_t* name, CString& value) const {
    return lookup(m_document.properties, name, value);
}

CString CDocData::getSetting(const wchar_t* name, const wchar_t* def) const {
    CString value;
    if (lookup(m_settingsProperties, name, value)) return value;
    return CString(def);
}

int CDocData::getSettingInt(const wchar_t* name, int def) const {
    // The default goes through its decimal text, so absent and present values convert alike.
    wchar_t text[34];
    _itow(def, text, 10);
    return _wtoi(getSetting(name, text));
}

LONG CDocData::getSettingLong(const wchar_t* name, LONG def) const {
    wchar_t text[34];
    _ltow(def, text, 10);
    return static_cast<LONG>(_wtol(getSetting(name, text)));
}

bool CDocData::isMajorVersion() const {
    if (!m_managed) return false;
    CString major, minor;
    getDocProperty(L"dm_major", major);
    getDocProperty(L"dm_minor", minor);
    return _wtoi(major) >= 1 && _wtoi(minor) == 0;
}

int CDocData::getVariantType() const {
    CString type;
    if (!getDocProperty(L"dm_vartype", type) || type.IsEmpty()) return 0;
    if (_wcsicmp(type, L"dm_variant") == 0) return 1;
    if (_wcsicmp(type, L"dm_flexible") == 0) return 2;
    if (_wcsicmp(type, L"dm_layout") == 0) return 3;
    return 0;
}

bool CDocData::findRelation(DocumentRecord& record, const wchar_t* suffix) const {
    CString title;
    if (!getDocProperty(L"dm_title", title)) return false;
    CString wanted;
    wanted.Format(L"%s/%s", title, suffix ? suffix : L"");
    // Asked once per layout of a drawing with as many layout objects: the key is made once and
    // each title compared where it stands.
    const std::wstring key(L"dm_title");
    for (const DocumentRecord& relation : m_relations) {
        const auto it = relation.properties.find(key);
        if (it != relation.properties.end() && wanted.CompareNoCase(it->second.c_str()) == 0) {
            record = relation;
            return true;
        }
    }
    return false;
}
