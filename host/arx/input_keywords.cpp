// The host's keyword rules (acedInitGet lists, acedGetKword matching).
#include "arx/input_keywords.h"

#include <cwctype>

namespace cadhost {
namespace {

bool isUpperLetter(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return true;
    if (c >= 0xC0 && c <= 0xDE) return c != 0xD7;
    if (c < 0x100) return false;
    return std::iswupper(static_cast<wint_t>(c)) != 0;
}

bool isLowerLetter(wchar_t c) {
    if (c >= L'a' && c <= L'z') return true;
    if (c >= 0xDF && c <= 0xFF) return c != 0xF7;
    if (c < 0x100) return false;
    return std::iswlower(static_cast<wint_t>(c)) != 0;
}

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

KeywordSpec parseSpec(std::wstring_view token) {
    KeywordSpec parsed;
    const size_t comma = token.find(L',');
    if (comma != std::wstring_view::npos) {
        parsed.word.assign(token.substr(0, comma));
        const std::wstring_view abbrev = token.substr(comma + 1);
        // A required part that is not the word's beginning cannot be typed as an abbreviation
        // of it; the word is then accepted only in full.
        if (!abbrev.empty() && abbrev.size() <= parsed.word.size() &&
            equalsIgnoreCase(abbrev, std::wstring_view(parsed.word).substr(0, abbrev.size()))) {
            parsed.abbrevLength = abbrev.size();
        }
        return parsed;
    }
    parsed.word.assign(token);
    bool hasLower = false;
    for (wchar_t c : parsed.word) hasLower = hasLower || isLowerLetter(c);
    if (!hasLower) return parsed;
    for (size_t i = 0; i < parsed.word.size(); ++i) {
        if (!isUpperLetter(parsed.word[i])) continue;
        size_t end = i;
        while (end < parsed.word.size() && isUpperLetter(parsed.word[end])) ++end;
        parsed.abbrevStart = i;
        parsed.abbrevLength = end - i;
        break;
    }
    return parsed;
}

std::optional<std::wstring> firstAccepting(const std::vector<KeywordSpec>& specs,
                                           std::wstring_view input) {
    for (const KeywordSpec& parsed : specs) {
        if (keywordAccepts(parsed, input)) return parsed.word;
    }
    return std::nullopt;
}

}  // namespace

wchar_t foldCase(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
    if (c < 0x80) return c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 32);
    if (c < 0x100) return c;
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

bool equalsIgnoreCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (foldCase(a[i]) != foldCase(b[i])) return false;
    }
    return true;
}

bool keywordAccepts(const KeywordSpec& parsed, std::wstring_view input) {
    if (input.empty()) return false;
    if (equalsIgnoreCase(input, parsed.word)) return true;
    if (parsed.abbrevLength == 0) return false;
    const std::wstring_view tail = std::wstring_view(parsed.word).substr(parsed.abbrevStart);
    return input.size() >= parsed.abbrevLength && input.size() <= tail.size() &&
           equalsIgnoreCase(input, tail.substr(0, input.size()));
}

KeywordList KeywordList::parse(std::wstring_view text) {
    KeywordList list;
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && isBlank(text[pos])) ++pos;
        size_t end = pos;
        while (end < text.size() && !isBlank(text[end])) ++end;
        if (end == pos) break;
        std::wstring_view token = text.substr(pos, end - pos);
        pos = end;
        if (!list.m_hasGlobalPart && token.front() == L'_') {
            list.m_hasGlobalPart = true;
            token.remove_prefix(1);
            if (token.empty()) continue;
        }
        (list.m_hasGlobalPart ? list.m_global : list.m_local).push_back(parseSpec(token));
    }
    return list;
}

std::optional<std::wstring> KeywordList::match(std::wstring_view input) const {
    if (!input.empty() && input.front() == L'_') {
        input.remove_prefix(1);
        return firstAccepting(m_hasGlobalPart ? m_global : m_local, input);
    }
    for (size_t i = 0; i < m_local.size(); ++i) {
        if (!keywordAccepts(m_local[i], input)) continue;
        if (m_hasGlobalPart && i < m_global.size()) return m_global[i].word;
        return m_local[i].word;
    }
    return std::nullopt;
}

}  // namespace cadhost
