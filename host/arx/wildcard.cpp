// The host's wildcard matcher. A pattern is compiled into a list of tokens per alternative and
// run as a set of positions over the subject (a Thompson-style simulation), so the time is
// bounded by pattern length times subject length whatever the pattern.
#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "acutads.h"
#include "arx/case_fold.h"

namespace {

enum class Kind { kLiteral, kDigit, kLetter, kNonAlnum, kAnyOne, kAnyRun, kSet };

struct Token {
    Kind kind = Kind::kLiteral;
    wchar_t literal = 0;
    bool negated = false;                             // kSet: [~...]
    std::vector<std::pair<wchar_t, wchar_t>> ranges;  // kSet: single members are lo == hi
};

struct Alternative {
    bool negated = false;  // led by ~
    std::vector<Token> tokens;
};

bool sameChar(wchar_t a, wchar_t b, bool ignoreCase) {
    return a == b || (ignoreCase && cadhost::names::foldCase(a) == cadhost::names::foldCase(b));
}

bool inSet(const Token& set, wchar_t c, bool ignoreCase) {
    bool found = false;
    for (const auto& [lo, hi] : set.ranges) {
        if (lo <= c && c <= hi) found = true;
        if (!found && ignoreCase) {
            const wchar_t f = cadhost::names::foldCase(c);
            found = cadhost::names::foldCase(lo) <= f && f <= cadhost::names::foldCase(hi);
        }
        if (found) break;
    }
    return found != set.negated;
}

bool matchesOne(const Token& token, wchar_t c, bool ignoreCase) {
    switch (token.kind) {
        case Kind::kLiteral:
            return sameChar(token.literal, c, ignoreCase);
        case Kind::kDigit:
            return cadhost::names::isDigit(c);
        case Kind::kLetter:
            return cadhost::names::isLetter(c);
        case Kind::kNonAlnum:
            return !cadhost::names::isDigit(c) && !cadhost::names::isLetter(c);
        case Kind::kAnyOne:
            return true;
        case Kind::kSet:
            return inSet(token, c, ignoreCase);
        case Kind::kAnyRun:
            return false;  // handled by the simulation
    }
    return false;
}

// Reads a set starting after its '['. Returns false (leaving pos and out alone) when the set is
// not closed, in which case the '[' stands for itself.
bool parseSet(std::wstring_view pattern, std::size_t& pos, Token& out) {
    std::size_t i = pos;
    Token token;
    token.kind = Kind::kSet;
    if (i < pattern.size() && pattern[i] == L'~' && i + 1 < pattern.size() &&
        pattern[i + 1] != L']') {
        token.negated = true;
        ++i;
    }
    // Inside brackets every character stands for itself (no escapes); a ']' right after the
    // opening bracket is a member, the next one closes the set.
    std::vector<wchar_t> members;
    bool first = true;
    while (i < pattern.size()) {
        const wchar_t c = pattern[i];
        if (c == L']' && !first) break;
        first = false;
        members.push_back(c);
        ++i;
    }
    if (i >= pattern.size()) return false;
    for (std::size_t m = 0; m < members.size(); ++m) {
        if (m + 2 < members.size() && members[m + 1] == L'-') {
            wchar_t lo = members[m], hi = members[m + 2];
            if (lo > hi) std::swap(lo, hi);
            token.ranges.emplace_back(lo, hi);
            m += 2;
        } else {
            token.ranges.emplace_back(members[m], members[m]);
        }
    }
    pos = i + 1;
    out = std::move(token);
    return true;
}

std::vector<Alternative> compile(std::wstring_view pattern) {
    std::vector<Alternative> alternatives(1);
    bool atStart = true;
    std::size_t i = 0;
    while (i < pattern.size()) {
        Alternative& alt = alternatives.back();
        const wchar_t c = pattern[i++];
        if (atStart && c == L'~') {
            alt.negated = true;
            atStart = false;
            continue;
        }
        atStart = false;
        Token token;
        switch (c) {
            case L',':
                alternatives.emplace_back();
                atStart = true;
                continue;
            case L'`':
                // A trailing backquote has nothing to escape and stands for itself.
                token.literal = i < pattern.size() ? pattern[i++] : c;
                break;
            case L'#':
                token.kind = Kind::kDigit;
                break;
            case L'@':
                token.kind = Kind::kLetter;
                break;
            case L'.':
                token.kind = Kind::kNonAlnum;
                break;
            case L'?':
                token.kind = Kind::kAnyOne;
                break;
            case L'*':
                // Runs of stars are one star; dropping the rest keeps the state set small.
                if (!alt.tokens.empty() && alt.tokens.back().kind == Kind::kAnyRun) continue;
                token.kind = Kind::kAnyRun;
                break;
            case L'[':
                if (!parseSet(pattern, i, token)) token.literal = c;
                break;
            default:
                token.literal = c;
                break;
        }
        alt.tokens.push_back(std::move(token));
    }
    return alternatives;
}

// Adds state s and every state reachable from it without consuming a character.
void addState(const std::vector<Token>& tokens, std::vector<char>& states, std::size_t s) {
    while (s <= tokens.size() && !states[s]) {
        states[s] = 1;
        if (s < tokens.size() && tokens[s].kind == Kind::kAnyRun) {
            ++s;  // a star may match nothing
        } else {
            break;
        }
    }
}

bool matches(const std::vector<Token>& tokens, std::wstring_view subject, bool ignoreCase) {
    std::vector<char> current(tokens.size() + 1, 0), next(tokens.size() + 1, 0);
    addState(tokens, current, 0);
    for (wchar_t c : subject) {
        std::fill(next.begin(), next.end(), 0);
        bool any = false;
        for (std::size_t s = 0; s < tokens.size(); ++s) {
            if (!current[s]) continue;
            if (tokens[s].kind == Kind::kAnyRun) {
                addState(tokens, next, s);
                any = true;
            } else if (matchesOne(tokens[s], c, ignoreCase)) {
                addState(tokens, next, s + 1);
                any = true;
            }
        }
        if (!any) return false;
        std::swap(current, next);
    }
    return current[tokens.size()] != 0;
}

}  // namespace

int acutWcMatchEx(const ACHAR* string, const ACHAR* pattern, bool ignoreCase) {
    if (string == nullptr || pattern == nullptr) return RTERROR;
    const std::wstring_view subject(string);
    for (const Alternative& alt : compile(pattern)) {
        if (matches(alt.tokens, subject, ignoreCase) != alt.negated) return RTNORM;
    }
    return RTERROR;
}

int acutWcMatch(const ACHAR* string, const ACHAR* pattern) {
    return acutWcMatchEx(string, pattern, false);
}
