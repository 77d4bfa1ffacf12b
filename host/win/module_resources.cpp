// Module handles and string resources. A module handle is the dynamic loader's handle of the
// shared object (glibc's handle is its link_map, which dladdr1 also reports for an address).
// String tables are registered by the modules themselves (CADHOST_STRING_TABLE in windows.h)
// and filed under the module that holds the table.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "win/code_page.h"
#include "win/ui_language.h"

namespace {

constexpr LANGID kEnglish = 0x409;

std::atomic<LANGID> g_uiLanguage{kEnglish};

struct Registry {
    std::mutex mutex;
    std::map<HMODULE, std::vector<const CADHOST_STRING_RESOURCE*>> tables;
};

// Function-local so that modules loaded before main can register from their static
// initialisers.
Registry& registry() {
    static Registry* instance = new Registry;  // never destroyed: modules unregister at exit
    return *instance;
}

HMODULE programHandle() { return static_cast<HMODULE>(dlopen(nullptr, RTLD_LAZY)); }

HMODULE moduleOfAddress(const void* address) {
    Dl_info info;
    void* extra = nullptr;
    if (!address || dladdr1(address, &info, &extra, RTLD_DL_LINKMAP) == 0 || !extra) return nullptr;
    return static_cast<HMODULE>(extra);
}

// The loaded object behind a handle, or null when the handle is not one of ours.
const link_map* linkMapOf(HMODULE module) {
    const link_map* map = nullptr;
    if (dlinfo(dlopen(nullptr, RTLD_LAZY), RTLD_DI_LINKMAP, &map) != 0) return nullptr;
    while (map && map->l_prev) map = map->l_prev;
    for (; map; map = map->l_next) {
        if (map == reinterpret_cast<const link_map*>(module)) return map;
    }
    return nullptr;
}

std::wstring programPath() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0) return std::wstring();
    return cadhost::fromUtf8(std::string_view(buffer, static_cast<size_t>(n)));
}

// The best text for the id: the UI language, then its primary language, then English, then
// whatever language there is.
const wchar_t* findString(HMODULE module, UINT id) {
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    auto it = reg.tables.find(module);
    if (it == reg.tables.end()) return nullptr;
    LANGID wanted = g_uiLanguage;
    const wchar_t* byRank[4] = {nullptr, nullptr, nullptr, nullptr};
    for (const CADHOST_STRING_RESOURCE* table : it->second) {
        for (const CADHOST_STRING_RESOURCE* r = table; r->text; ++r) {
            if (r->id != id) continue;
            int rank = 3;
            if (r->language == wanted)
                rank = 0;
            else if (PRIMARYLANGID(r->language) == PRIMARYLANGID(wanted))
                rank = 1;
            else if (r->language == kEnglish)
                rank = 2;
            if (!byRank[rank]) byRank[rank] = r->text;
        }
    }
    for (const wchar_t* text : byRank) {
        if (text) return text;
    }
    return nullptr;
}

}  // namespace

namespace cadhost {

void setUiLanguage(LANGID language) { g_uiLanguage = language; }

LANGID uiLanguage() { return g_uiLanguage; }

}  // namespace cadhost

BOOL CadhostRegisterStringTable(const CADHOST_STRING_RESOURCE* table) {
    HMODULE module = moduleOfAddress(table);
    if (!module) return FALSE;
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    auto& tables = reg.tables[module];
    if (std::find(tables.begin(), tables.end(), table) == tables.end()) tables.push_back(table);
    return TRUE;
}

void CadhostUnregisterStringTable(const CADHOST_STRING_RESOURCE* table) {
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    for (auto it = reg.tables.begin(); it != reg.tables.end();) {
        auto& tables = it->second;
        tables.erase(std::remove(tables.begin(), tables.end(), table), tables.end());
        it = tables.empty() ? reg.tables.erase(it) : std::next(it);
    }
}

int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer || cchBufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const wchar_t* text = findString(hInstance ? hInstance : programHandle(), uID);
    if (!text) {
        if (cchBufferMax > 0) lpBuffer[0] = 0;
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    int length = static_cast<int>(std::wcslen(text));
    if (cchBufferMax == 0) {
        // Win32: the caller gets a read-only pointer to the resource itself.
        *reinterpret_cast<const wchar_t**>(lpBuffer) = text;
        return length;
    }
    int copied = std::min(length, cchBufferMax - 1);
    std::wmemcpy(lpBuffer, text, static_cast<size_t>(copied));
    lpBuffer[copied] = 0;
    return copied;
}

BOOL GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName, HMODULE* phModule) {
    if (!phModule) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *phModule = nullptr;
    if (dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
        *phModule = moduleOfAddress(lpModuleName);
    } else if (!lpModuleName) {
        *phModule = programHandle();
    } else {
        std::string name = cadhost::toUtf8(lpModuleName);
        void* handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
        if (handle) {
            dlclose(handle);  // NOLOAD took a reference; the module stays loaded by its owner
            *phModule = static_cast<HMODULE>(handle);
        }
    }
    if (!*phModule) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

HMODULE GetModuleHandleW(LPCWSTR lpModuleName) {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, lpModuleName, &module);
    return module;
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::wstring path;
    if (!hModule) {
        path = programPath();
    } else {
        const link_map* map = linkMapOf(hModule);
        if (!map) {
            lpFilename[0] = 0;
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = (map->l_name && *map->l_name) ? cadhost::fromUtf8(map->l_name) : programPath();
    }
    if (path.size() + 1 > nSize) {
        std::wmemcpy(lpFilename, path.data(), nSize - 1);
        lpFilename[nSize - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::wmemcpy(lpFilename, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}
