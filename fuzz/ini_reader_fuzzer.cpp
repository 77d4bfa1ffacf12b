// libFuzzer target: any bytes as a settings file. The INI reader, the module settings built
// from it and the attribute maps must read it without crashing, hanging or leaking; every
// section and key the reader reports is looked up again, and the maps are searched with the
// names and tags they hold. The input mapped into plain ASCII is then read once more and every
// answer of the reader compared with a plain search of the text (fuzz/ini_model.h).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "attributes/attassoc.h"
#include "fuzz_support.h"
#include "ini_model.h"
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

std::string narrow(const CString& text) {
    std::string out;
    for (int i = 0; i < text.GetLength(); ++i) out.push_back(static_cast<char>(text[i]));
    return out;
}

std::vector<std::string> narrow(const CStringArray& texts) {
    std::vector<std::string> out;
    for (INT_PTR i = 0; i < texts.GetSize(); ++i) out.push_back(narrow(texts[i]));
    return out;
}

[[noreturn]] void disagree(const char* what, const std::string& section, const std::string& key) {
    std::fprintf(stderr, "INI reader and plain search disagree: %s (section \"%s\", key \"%s\")\n",
                 what, section.c_str(), key.c_str());
    std::abort();
}

// Only printable ASCII and line ends, with bytes outside mapped onto the characters that give
// the format its structure.
std::string plainText(const std::uint8_t* data, std::size_t size) {
    static constexpr char kStructure[] = " =[]\n;\"K";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t c = data[i];
        text.push_back(c == '\n' || (c >= 0x20 && c < 0x7f) ? static_cast<char>(c)
                                                            : kStructure[c & 7]);
    }
    return text;
}

void compareWithModel(const std::string& text, const std::wstring& path) {
    fuzz::writeFile(fuzz::scratchPath("settings.ini"),
                    reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    const fuzz::IniModel model(text);
    CIniFile ini(path.c_str(), TRUE);
    if (!ini.Load()) std::abort();

    CStringArray names;
    ini.GetSectionNames(names);
    std::vector<std::string> sections = narrow(names);
    if (sections != model.sectionNames()) disagree("section names", "", "");
    sections.resize(sections.size() < 12 ? sections.size() : 12);
    sections.push_back("TITLE_BLOCK");
    for (const std::string& section : sections) {
        CStringArray keyArray;
        ini.GetKeyNames(keyArray, fuzz::wide(section).c_str());
        std::vector<std::string> keys = narrow(keyArray);
        if (keys != model.keyNames(section)) disagree("key names", section, "");
        keys.resize(keys.size() < 24 ? keys.size() : 24);
        const std::size_t listed = keys.size();
        for (std::size_t k = 0; k < listed; ++k) {
            // Keys as listed keep leading blanks and may hold several "="-pieces of a line.
            const std::string key = keys[k];
            const std::size_t first = key.find_first_not_of(' ');
            if (first != std::string::npos && first > 0) keys.push_back(key.substr(first));
            keys.push_back(fuzz::IniModel::upper(key) + "X");
        }
        for (const std::string& key : keys) {
            CString value(L"previous");
            const bool found = ini.GetString(value, fuzz::wide(key).c_str(),
                                             fuzz::wide(section).c_str(), 1, 1) != FALSE;
            std::string expected;
            if (found != model.get(key, section, expected))
                disagree("whether the key has a value", section, key);
            if (narrow(value) != expected) disagree("the value", section, key);
        }
    }
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

    compareWithModel(plainText(data, size), path);
    return 0;
}
