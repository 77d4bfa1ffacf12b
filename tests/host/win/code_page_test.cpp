// Code page conversions: the Win32 entry points and the host helpers.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "win/code_page.h"

namespace {

// Sets the ANSI code page for one test and restores 1252 afterwards.
class AnsiCodePage {
  public:
    explicit AnsiCodePage(unsigned codePage) { EXPECT_TRUE(cadhost::setAnsiCodePage(codePage)); }
    ~AnsiCodePage() { cadhost::setAnsiCodePage(1252); }
};

std::wstring toWide(UINT codePage, const std::string& bytes, DWORD flags = 0) {
    int needed = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                     nullptr, 0);
    std::wstring out(static_cast<size_t>(needed), L'\0');
    int written = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                      out.data(), needed);
    EXPECT_EQ(needed, written);
    return out;
}

std::string toBytes(UINT codePage, const std::wstring& text, BOOL* usedDefault = nullptr) {
    int needed = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0, nullptr, usedDefault);
    std::string out(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), needed,
                        nullptr, usedDefault);
    return out;
}

TEST(CodePageTest, RoundTripsThroughSingleByteCodePages) {
    struct Case { UINT codePage; std::string bytes; std::wstring text; };
    const Case cases[] = {
        {1252, "Gr\xF6\xDF\x65 \xE4\xC4\xFC\xDC", L"Größe äÄüÜ"},
        {1252, "\x80 \x84 \x9F", L"€ „ Ÿ"},
        // The five bytes 1252 leaves undefined map to the C1 controls, as on Windows.
        {1252, "\x81\x8D\x8F\x90\x9D", L"\u0081\u008D\u008F\u0090\u009D"},
        {1254, "\xF0\xFE\xDD\xFD", L"ğşİı"},
        {1251, "\xC0\xE0", L"Аа"},
        {CP_UTF8, "Gr\xC3\xB6\xC3\x9F\x65 \xF0\x9F\x98\x80", L"Größe \U0001F600"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        EXPECT_EQ(c.text, toWide(c.codePage, c.bytes));
        BOOL usedDefault = TRUE;
        EXPECT_EQ(c.bytes,
                  toBytes(c.codePage, c.text, c.codePage == CP_UTF8 ? nullptr : &usedDefault));
        EXPECT_FALSE(c.codePage != CP_UTF8 && usedDefault);
    }
}

TEST(CodePageTest, UnrepresentableCharactersBecomeTheDefaultChar) {
    BOOL usedDefault = FALSE;
    EXPECT_EQ("a?b?", toBytes(1252, L"aŁb\u4E00", &usedDefault));
    EXPECT_TRUE(usedDefault);
    // A caller's default character replaces only the lost characters, not a real '?'.
    wchar_t text[] = L"?Ł";
    char out[8] = {};
    usedDefault = FALSE;
    EXPECT_EQ(2, WideCharToMultiByte(1252, 0, text, 2, out, 8, "#", &usedDefault));
    EXPECT_STREQ("?#", out);
    EXPECT_TRUE(usedDefault);
    bool lossy = false;
    EXPECT_EQ("\xF0?", cadhost::fromWide(L"ğŁ", 1254, &lossy));
    EXPECT_TRUE(lossy);
    EXPECT_EQ("\x80", cadhost::fromWide(L"€", 1254, &lossy));
    EXPECT_FALSE(lossy);
}

TEST(CodePageTest, FollowsWin32SizeConventions) {
    // -1 converts and counts the terminator.
    EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0));
    wchar_t wide[8];
    std::fill(std::begin(wide), std::end(wide), L'x');
    EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 8));
    EXPECT_STREQ(L"abc", wide);
    // An explicit length converts no terminator.
    std::fill(std::begin(wide), std::end(wide), L'x');
    EXPECT_EQ(2, MultiByteToWideChar(CP_ACP, 0, "abc", 2, wide, 8));
    EXPECT_EQ(L'x', wide[2]);
    // Too small: 0 and ERROR_INSUFFICIENT_BUFFER, nothing written past the buffer.
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abcdef", -1, wide, 3));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(L'x', wide[3]);
    char narrow[4];
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, L"abcdef", -1, narrow, 4, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(7, WideCharToMultiByte(CP_ACP, 0, L"abcdef", -1, nullptr, 0, nullptr, nullptr));
}

TEST(CodePageTest, RefusesBadArguments) {
    wchar_t wide[4];
    char narrow[4];
    BOOL used = FALSE;
    struct Case { const char* what; int result; };
    const Case cases[] = {
        {"null source", MultiByteToWideChar(CP_ACP, 0, nullptr, 3, wide, 4)},
        {"zero length", MultiByteToWideChar(CP_ACP, 0, "a", 0, wide, 4)},
        {"unknown code page", MultiByteToWideChar(12345, 0, "a", 1, wide, 4)},
        {"size without buffer", MultiByteToWideChar(CP_ACP, 0, "a", 1, nullptr, 4)},
        {"UTF-8 with default flag",
         WideCharToMultiByte(CP_UTF8, 0, L"a", 1, narrow, 4, nullptr, &used)},
        {"UTF-8 with default char",
         WideCharToMultiByte(CP_UTF8, 0, L"a", 1, narrow, 4, "?", nullptr)},
    };
    for (const Case& c : cases) EXPECT_EQ(0, c.result) << c.what;
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, wide, 4));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
    // Without the flag the bad byte becomes U+FFFD.
    EXPECT_EQ(L"a\uFFFD", toWide(CP_UTF8, "a\xFF"));
}

TEST(CodePageTest, AnsiCodePageFollowsTheHostSetting) {
    EXPECT_EQ(1252u, GetACP());
    EXPECT_EQ(L"ð", toWide(CP_THREAD_ACP, "\xF0"));
    {
        AnsiCodePage turkish(1254);
        EXPECT_EQ(1254u, GetACP());
        EXPECT_EQ(L"ğ", toWide(CP_ACP, "\xF0"));
        EXPECT_EQ(L"ğ", toWide(CP_THREAD_ACP, "\xF0"));
        EXPECT_EQ("\xF0", cadhost::wideToAnsi(L"ğ"));
    }
    EXPECT_FALSE(cadhost::setAnsiCodePage(4711));
    EXPECT_EQ(1252u, cadhost::ansiCodePage());
}

TEST(CodePageTest, MultibyteCodePagesGoThroughIconv) {
    if (!cadhost::isCodePageSupported(932)) GTEST_SKIP() << "iconv has no code page 932 here";
    const std::string bytes = "\x93\xFA\x96\x7B";  // 日本
    EXPECT_EQ(L"日本", toWide(932, bytes));
    EXPECT_EQ(bytes, toBytes(932, L"日本"));
    // A lead byte without its trail byte becomes U+FFFD.
    EXPECT_EQ(L"a\uFFFD", toWide(932, "a\x93"));
}

TEST(CodePageTest, Utf8HelpersReplaceWhatIsInvalid) {
    struct Case { std::string bytes; std::wstring text; };
    const Case cases[] = {
        {"plain", L"plain"},           {"\xC3\xA4", L"ä"},
        {"\xC3", L"\uFFFD"},            // cut short
        {"\xC0\xAF", L"\uFFFD\uFFFD"},  // overlong
        {"\xED\xA0\x80", L"\uFFFD"},    // an encoded surrogate
        {"a\x80z", L"a\uFFFDz"},       {"\xF0\x9F\x98\x80", L"\U0001F600"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, cadhost::fromUtf8(c.bytes)) << c.bytes;
    EXPECT_EQ("\xEF\xBF\xBD", cadhost::toUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))));
    EXPECT_EQ(u"\xD83D\xDE00", cadhost::toUtf16(L"\U0001F600"));
    EXPECT_EQ(L"\U0001F600", cadhost::fromUtf16(u"\xD83D\xDE00"));
}

}  // namespace
