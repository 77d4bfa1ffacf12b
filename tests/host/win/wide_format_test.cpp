// The Microsoft-semantics wide formatter behind CString::Format and the host's messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <string>

#include "win/wide_format.h"

namespace {

using cadhost::formatWide;

struct Formatted { std::wstring actual; std::wstring expected; };

TEST(WideFormatTest, ConversionsFollowTheMicrosoftRuntime) {
    const Formatted cases[] = {
        // strings and characters
        {formatWide(L"%s|%ls|%ws", L"a", L"b", L"c"), L"a|b|c"},
        {formatWide(L"%S", "narrow"), L"narrow"},
        {formatWide(L"%hs", "Gr\xF6\xDF\x65"), L"Größe"},  // ANSI code page 1252
        {formatWide(L"%c%C%hc%lc", L'ä', 'b', '\xFC', L'd'), L"äbüd"},
        {formatWide(L"[%5s|%-5s|%.2s|%.2hs]", L"ab", L"ab", L"abc", "abc"), L"[   ab|ab   |ab|ab]"},
        {formatWide(L"[%*s|%-*s]", 4, L"a", 3, L"b"), L"[   a|b  ]"},
        {formatWide(L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)"},
        {formatWide(L"%hs", static_cast<const char*>(nullptr)), L"(null)"},
        {formatWide(L"100%% %s", L"sure"), L"100% sure"},
        // integers and flags
        {formatWide(L"%d|%i|%u", -42, 17, 4294967295u), L"-42|17|4294967295"},
        {formatWide(L"[%05d|%-5d|%+d|% d]", 42, 42, 5, 5), L"[00042|42   |+5| 5]"},
        {formatWide(L"[%05d|%+05d]", -42, 42), L"[-0042|+0042]"},
        {formatWide(L"%x %X %#x %#X %o %#o", 255, 255, 255, 255, 8, 8), L"ff FF 0xff 0XFF 10 010"},
        {formatWide(L"%#x", 0), L"0"},
        {formatWide(L"[%.3d|%6.3d|%.0d]", 7, 7, 0), L"[007|   007|]"},
        {formatWide(L"%lld %I64d %I64u", 1LL << 40, -(1LL << 40), ULLONG_MAX),
         L"1099511627776 -1099511627776 18446744073709551615"},
        {formatWide(L"%hd %hu %hhd", 70000, 70000, 300), L"4464 4464 44"},
        {formatWide(L"%d", INT_MIN), L"-2147483648"},
        {formatWide(L"[%*d|%*d]", 5, 42, -4, 1), L"[   42|1   ]"},
        {formatWide(L"%p", reinterpret_cast<void*>(0x1234)), L"0000000000001234"},
        // floating point
        {formatWide(L"%f", 1.5), L"1.500000"},
        {formatWide(L"[%8.2f|%-8.2f|%08.2f]", 3.14159, 3.14159, -3.14159),
         L"[    3.14|3.14    |-0003.14]"},
        {formatWide(L"%e %E", 12345.678, 0.00012), L"1.234568e+04 1.200000E-04"},
        {formatWide(L"%g %g", 0.0001, 1e20), L"0.0001 1e+20"},
        {formatWide(L"%.*f", 2, 1.0), L"1.00"},
        {formatWide(L"%+.1f", 2.25), L"+2.2"},
    };
    for (const Formatted& c : cases) EXPECT_EQ(c.expected, c.actual) << c.expected;
}

TEST(WideFormatTest, InvalidFormatsStopAndReportIt) {
    auto format = [](const wchar_t* f, ...) {
        va_list args;
        va_start(args, f);
        bool ok = true;
        std::wstring text = cadhost::vformatWide(f, args, &ok);
        va_end(args);
        return std::make_pair(text, ok);
    };
    int count = 0;
    EXPECT_EQ(std::make_pair(std::wstring(L"ab"), false), format(L"ab%n", &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(std::make_pair(std::wstring(L"x"), false), format(L"x%y", 1));
    EXPECT_EQ(std::make_pair(std::wstring(L"end"), false), format(L"end%"));
    EXPECT_EQ(std::make_pair(std::wstring(L"fine 1"), true), format(L"fine %d", 1));
}

}  // namespace
