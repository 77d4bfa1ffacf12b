// printf-style formatting of wide text with the Microsoft runtime's semantics, which differ
// from glibc's swprintf: in a wide format %s and %c take WIDE text, %S / %C and %hs / %hc take
// narrow text (converted with the ANSI code page), %ls / %lc wide. Also %d %i %u %x %X %o with
// h, l, ll, I32, I64 and I sizes, %f %F %e %E %g %G %a %A, %p (16 upper-case hex digits, as
// on 64-bit Windows), %n is refused, %%; flags "-+ #0", width, precision and '*'. A null
// pointer for %s prints "(null)". Used by CString::Format, swprintf_s and acutPrintf.
#pragma once

#include <cstdarg>
#include <string>

namespace cadhost {

// On an invalid format (an unknown conversion, %n) the text formatted so far is returned and
// *ok (when given) is set to false; formatting never reads more arguments than the format
// names.
std::wstring vformatWide(const wchar_t* format, va_list args, bool* ok = nullptr);
std::wstring formatWide(const wchar_t* format, ...);

}  // namespace cadhost
