// libFuzzer target: the host's wildcard matcher, acutWcMatchEx. The input is split into a
// case flag, a subject and a pattern. Besides not crashing, the matcher must agree with what
// any pattern language of this kind guarantees: "*" takes everything, a subject with every
// character quoted matches itself, and without negation ("~") ignoring case only ever adds
// matches. Run with -timeout: the matcher promises time bounded by the product of lengths.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "acutads.h"
#include "fuzz_support.h"

namespace {

// The matcher sees C strings: everything from the first NUL on is not part of the text.
std::wstring cString(std::wstring text) {
    const std::size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

std::wstring quoted(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        out.push_back(L'`');
        out.push_back(c);
    }
    return out;
}

bool matches(const std::wstring& subject, const std::wstring& pattern, bool ignoreCase) {
    const int result = acutWcMatchEx(subject.c_str(), pattern.c_str(), ignoreCase);
    if (result != RTNORM && result != RTERROR) std::abort();
    return result == RTNORM;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool ignoreCase = input.ConsumeBool();
    const std::wstring subject = cString(fuzz::widenBytes(input.ConsumeRandomLengthString(256)));
    const std::wstring pattern = cString(fuzz::widenBytes(input.ConsumeRemainingBytesAsString()));

    const bool exact = matches(subject, pattern, false);
    const bool folded = matches(subject, pattern, true);
    if (exact && !folded && pattern.find(L'~') == std::wstring::npos) std::abort();

    if (!matches(subject, L"*", ignoreCase)) std::abort();
    if (!subject.empty() && !matches(subject, quoted(subject), ignoreCase)) std::abort();
    if (!pattern.empty() && !matches(pattern, quoted(pattern), ignoreCase)) std::abort();
    if (acutWcMatchEx(nullptr, pattern.c_str(), ignoreCase) != RTERROR) std::abort();
    if (acutWcMatchEx(subject.c_str(), nullptr, ignoreCase) != RTERROR) std::abort();
    return 0;
}
