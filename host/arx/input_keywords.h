// The host's keyword rules: how an acedInitGet keyword list is read and how typed input is
// matched against it. Pure functions over text, used by acedGetKword.
//
// A keyword list is blank-separated words: the local (translated) words, then optionally a word
// that starts with "_" opening the global (language-independent) words, paired with the local
// words by position ("Nein Ja _No Yes"; a lone "_" also opens the global part).
// A word names its required abbreviation either by capitals ("LType": LT, LTY, LTYP, LTYPE;
// "eXit": X, XI, XIT or the whole word) or by a comma ("LTYPE,LT": the part after the comma is
// the required beginning and is not part of the keyword). A word without lower-case letters or
// without capitals (and without a comma) is accepted only when typed in full.
// Matching ignores letter case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cadhost {

struct KeywordSpec {
    std::wstring word;        // the keyword as returned (no comma part)
    size_t abbrevStart = 0;   // where the required abbreviation begins in word
    size_t abbrevLength = 0;  // 0: only the full word is accepted
};

class KeywordList {
public:
    // Reads a keyword list; empty or blank text gives an empty list.
    static KeywordList parse(std::wstring_view text);

    // What typed input selects: the keyword to return (the global word when the list has a
    // global part, else the word itself), or nothing when the input is not a keyword.
    // Input with a leading "_" is matched against the global words; a list without a global
    // part serves as its own global words. A local word without a global partner returns itself.
    std::optional<std::wstring> match(std::wstring_view input) const;

    const std::vector<KeywordSpec>& localWords() const { return m_local; }
    const std::vector<KeywordSpec>& globalWords() const { return m_global; }
    bool empty() const { return m_local.empty() && m_global.empty(); }

private:
    std::vector<KeywordSpec> m_local;
    std::vector<KeywordSpec> m_global;
    bool m_hasGlobalPart = false;
};

// Whether typed input selects one keyword (letter case ignored).
bool keywordAccepts(const KeywordSpec& keyword, std::wstring_view input);

// Case folding used for all keyword and name comparisons of the input side (ASCII and Latin-1
// letters; other characters through towlower).
wchar_t foldCase(wchar_t c);
bool equalsIgnoreCase(std::wstring_view a, std::wstring_view b);

}  // namespace cadhost
