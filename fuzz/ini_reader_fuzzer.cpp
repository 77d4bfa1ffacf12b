// libFuzzer target: any bytes as a settings file. The INI reader, the module settings built
// from it and the attribute maps must read it without crashing, hanging or leaking; every
// section and key the reader reports is looked up again, and the maps are searched with the
// names and tags they hold.
#include <cstddef>
#include <cstdint>
#include <string>

#include "attributes/attassoc.h"
#include "fuzz_support.h"
#include "settings/inifile.h"
#include "settings/vovursettings.h"

namespace {

void searchMap(CAttAssocList& map) {
    for (std::int64_t i = 0; i < map.GetCount() && i < 64; ++i) {
        CAttAssoc* assoc = map.GetAt(i);
        map.FindByName(assoc->GetName());
        for (int t = 0; t < assoc->GetTagCount() && t < 16; ++t) {
            map.FindByTag(assoc->GetTag(t));
            assoc->Matches(assoc->GetTag(t));
        }
    }
    map.FindByTag(L"TITLE");
    map.FindByTag(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silenceCommandLine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::wstring path = fuzz::wide(fuzz::scratchPath("settings.ini"));
    fuzz::writeFile(fuzz::scratchPath("settings.ini"), data, size);

    {
        CIniFile ini(path.c_str(), TRUE);
        if (ini.Load()) {
            CStringArray sections;
            ini.GetSectionNames(sections);
            for (INT_PTR s = 0; s < sections.GetSize() && s < 64; ++s) {
                CStringArray keys;
                ini.GetKeyNames(keys, sections[s]);
                for (INT_PTR k = 0; k < keys.GetSize() && k < 64; ++k) {
                    CString value;
                    ini.GetString(value, keys[k], sections[s], 1, 1);
                }
                // Each map load reads the file again: a few sections show all there is.
                if (s >= 4) continue;
                CAttAssocList map;
                map.Load(path.c_str(), sections[s]);
                searchMap(map);
            }
            CString value;
            ini.GetString(value, L"key", L"missing section", 0, 1);
            ini.GetString(value, nullptr, nullptr, 0, 1);
        }
    }

    CVoVurSettings settings;
    settings.Load(path.c_str());
    settings.GetValue(L"DEFAULT", L"GENERAL", nullptr);
    searchMap(*settings.GetAttributeMap());
    searchMap(*settings.GetBomPosAttributeMap());
    searchMap(*settings.GetRevisionAttributeMap());
    // A second load on the same object accumulates, as a reload of the settings does.
    settings.Load(path.c_str());
    return 0;
}
