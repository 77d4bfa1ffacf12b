// String resources and module handles.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "win/ui_language.h"

namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
constexpr LANGID kSwissGerman = 0x807;
constexpr LANGID kFrench = 0x40C;

const CADHOST_STRING_RESOURCE kStrings[] = {
    {1003, kEnglish, L"The file [%s] is not managed by PDM."},
    {1003, kGerman, L"Die Datei [%s] ist nicht vom PDM verwaltet."},
    {2000, kGerman, L"Nur deutsch"},
    {0, 0, nullptr},
};
CADHOST_STRING_TABLE(kStrings);

class UiLanguage {
  public:
    explicit UiLanguage(LANGID language) { cadhost::setUiLanguage(language); }
    ~UiLanguage() { cadhost::setUiLanguage(kEnglish); }
};

HMODULE thisModule() {
    HMODULE module = nullptr;
    EXPECT_TRUE(GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&thisModule), &module));
    return module;
}

std::wstring load(HMODULE module, UINT id, int size = 8192) {
    std::wstring buffer(static_cast<size_t>(size), L'#');
    int n = LoadStringW(module, id, buffer.data(), size);
    EXPECT_EQ(static_cast<size_t>(n), std::wcslen(buffer.c_str()));
    return buffer.c_str();
}

TEST(ModuleHandleTest, FindsTheModuleOfAnAddress) {
    // Code linked into the program belongs to the program's handle, as dlopen(nullptr) gives it.
    EXPECT_EQ(static_cast<HMODULE>(dlopen(nullptr, RTLD_LAZY)), thisModule());
    EXPECT_EQ(thisModule(), GetModuleHandleW(nullptr));
    HMODULE host = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                   reinterpret_cast<LPCWSTR>(&LoadStringW), &host));
    EXPECT_NE(thisModule(), host);
    wchar_t path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(host, path, MAX_PATH), 0u);
    EXPECT_NE(std::wstring::npos, std::wstring(path).find(L"libcadhost")) << path;
    HMODULE none = reinterpret_cast<HMODULE>(1);
    EXPECT_FALSE(GetModuleHandleExW(0, L"/no/such/module.so", &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_FALSE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                    reinterpret_cast<LPCWSTR>(16), &none));
}

TEST(LoadStringTest, PicksTheUiLanguageWithFallbacks) {
    struct Case { LANGID ui; UINT id; const wchar_t* expected; };
    const Case cases[] = {
        {kEnglish, 1003, L"The file [%s] is not managed by PDM."},
        {kGerman, 1003, L"Die Datei [%s] ist nicht vom PDM verwaltet."},
        {kSwissGerman, 1003,
         L"Die Datei [%s] ist nicht vom PDM verwaltet."},          // same primary language
        {kFrench, 1003, L"The file [%s] is not managed by PDM."},  // English next
        {kEnglish, 2000, L"Nur deutsch"},                          // then any language
        {kEnglish, 4711, L""},
    };
    for (const Case& c : cases) {
        UiLanguage language(c.ui);
        EXPECT_EQ(c.expected, load(thisModule(), c.id)) << c.id << L" in " << c.ui;
    }
    // A null instance means the program itself.
    EXPECT_EQ(L"Nur deutsch", load(nullptr, 2000));
}

TEST(LoadStringTest, TruncatesToTheBuffer) {
    wchar_t buffer[5] = L"####";
    EXPECT_EQ(4, LoadStringW(thisModule(), 1003, buffer, 5));
    EXPECT_STREQ(L"The ", buffer);
    EXPECT_EQ(0, LoadStringW(thisModule(), 1003, buffer, 1));
    EXPECT_STREQ(L"", buffer);
    // Size 0 hands out a pointer to the resource itself.
    const wchar_t* resource = nullptr;
    EXPECT_EQ(36, LoadStringW(thisModule(), 1003, reinterpret_cast<LPWSTR>(&resource), 0));
    EXPECT_EQ(0, std::wcsncmp(resource, L"The file", 8));
    SetLastError(0);
    EXPECT_EQ(0, LoadStringW(thisModule(), 4711, buffer, 5));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
}

TEST(LoadStringTest, ModulesWithoutATableHaveNoStrings) {
    HMODULE host = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                   reinterpret_cast<LPCWSTR>(&LoadStringW), &host));
    EXPECT_EQ(L"", load(host, 1003));
    // A withdrawn table is gone; registering it again brings it back.
    CadhostUnregisterStringTable(kStrings);
    EXPECT_EQ(L"", load(thisModule(), 1003));
    EXPECT_TRUE(CadhostRegisterStringTable(kStrings));
    EXPECT_EQ(L"The file [%s] is not managed by PDM.", load(thisModule(), 1003));
}

}  // namespace
