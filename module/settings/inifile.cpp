// CIniFile: the settings file reader. Reads untrusted input: the file may hold any bytes, in
// any amount; nothing in it may crash, hang or throw out of here.
//
// The buffer is the file's lines, each followed by "\n", with one extra "\n" in front when the
// file starts with "[", so that every section header is found as "\n[NAME]". The lookup rules
// are defined as searches of the upper-cased buffer from the section's start. Repeating those
// searches for every key would make a large file quadratic, so each Load gets an index, built
// on first use, that answers the same questions directly:
//  - section headers: every "\n[" position, hashed by its text up to the first "]";
//  - per section (on first lookup): every "="-separated piece of every line that could give a
//    value, hashed by its upper-cased trimmed text, in file order;
//  - the key list of each section, once walked.
// Hash hits are always confirmed against the text, so collisions cost time, never answers.
#include "settings/inifile.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/file_probe.h"

namespace {

// Larger files are refused as unreadable: buffer positions are 32-bit, and every byte becomes
// a four-byte character.
constexpr ULONGLONG kMaxFileBytes = 256ull * 1024 * 1024;

constexpr std::uint64_t kHashBase = 0x100000001b3ull;

// White space as CString::Trim sees it.
bool isBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

// Upper case with the platform's case table (the one CString::MakeUpper uses). Settings files
// are mostly ASCII, folded here directly; other letters go through the platform.
wchar_t foldUpper(wchar_t c) {
    if (static_cast<unsigned>(c) < 0x80) return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c;
    wchar_t s[2] = {c, 0};
    _wcsupr(s);
    return s[0];
}

// Hash of already upper-cased text: sum of text[i] * base^i.
std::uint64_t hashText(std::wstring_view text) {
    std::uint64_t h = 0, power = 1;
    for (wchar_t c : text) {
        h += static_cast<std::uint64_t>(static_cast<std::uint32_t>(c)) * power;
        power *= kHashBase;
    }
    return h;
}

// The same hash over buffer text, folded to upper case on the way.
std::uint64_t hashFolded(const wchar_t* text, std::size_t length) {
    std::uint64_t h = 0, power = 1;
    for (std::size_t i = 0; i < length; ++i) {
        h += static_cast<std::uint64_t>(static_cast<std::uint32_t>(foldUpper(text[i]))) * power;
        power *= kHashBase;
    }
    return h;
}

}  // namespace

struct CIniFile::Index {
    // A piece of a line: linePos is the "\n" before the line, piece is [pieceBegin, pieceEnd)
    // trimmed, and the value is the rest of the line after the "=" at eqPos.
    struct Piece {
        std::int32_t linePos;
        std::int32_t pieceBegin;
        std::int32_t pieceEnd;
        std::int32_t eqPos;
    };
    struct Section {
        std::unordered_map<std::uint64_t, std::vector<Piece>> pieces;
    };

    explicit Index(std::wstring_view text);

    // First p with upper(text[p+1 ..]) starting with header, -1 if none.
    std::int32_t findHeader(std::wstring_view header);
    // End of the section whose "\n" is at sectionPos: the first "\n[" at or after
    // sectionPos + 3, or the end of the buffer.
    std::int32_t sectionEnd(std::int32_t sectionPos) const;
    const Section& section(std::int32_t sectionPos);
    // Whether upper(text) at pos starts with the upper-cased probe.
    bool startsWithFolded(std::size_t pos, std::wstring_view upperProbe) const;
    std::size_t lineEnd(std::size_t from) const {
        std::size_t e = text.find(L'\n', from);
        return e == std::wstring_view::npos ? text.size() : e;
    }

    std::wstring_view text;
    std::vector<std::int32_t> headerStarts;  // every "\n[" in file order
    std::unordered_map<std::uint64_t, std::vector<std::int32_t>> headersByHash;
    std::unordered_map<std::wstring, std::int32_t> headerCache;
    std::unordered_map<std::int32_t, Section> sections;
    std::unordered_map<std::int32_t, std::vector<CString>> keyLists;
};

CIniFile::Index::Index(std::wstring_view buffer) : text(buffer) {
    const std::size_t n = text.size();
    for (std::size_t i = 0; i + 1 < n; ++i)
        if (text[i] == L'\n' && text[i + 1] == L'[')
            headerStarts.push_back(static_cast<std::int32_t>(i));

    // The text that a header lookup can match at p runs from the "[" at p+1 to the first "]"
    // after it. Headers sharing that "]" have nested texts, so their hashes are built backwards
    // from the "]" in one pass instead of once per header.
    std::vector<std::int64_t> closeOf(headerStarts.size(), -1);
    std::size_t close = 0;
    bool haveClose = false;
    for (std::size_t k = 0; k < headerStarts.size(); ++k) {
        std::size_t from = static_cast<std::size_t>(headerStarts[k]) + 2;
        if (!haveClose || close < from) {
            close = text.find(L']', from);
            haveClose = true;
        }
        if (close == std::wstring_view::npos) break;
        closeOf[k] = static_cast<std::int64_t>(close);
    }
    std::vector<std::uint64_t> hashOf(headerStarts.size(), 0);
    std::int64_t curClose = -1, curBegin = -1;
    std::uint64_t curHash = 0;
    for (std::size_t k = headerStarts.size(); k-- > 0;) {
        if (closeOf[k] < 0) continue;
        if (closeOf[k] != curClose) {
            curClose = closeOf[k];
            curBegin = curClose;
            curHash =
                static_cast<std::uint32_t>(foldUpper(text[static_cast<std::size_t>(curClose)]));
        }
        for (std::int64_t begin = headerStarts[k] + 1; curBegin > begin;) {
            --curBegin;
            curHash =
                static_cast<std::uint32_t>(foldUpper(text[static_cast<std::size_t>(curBegin)])) +
                kHashBase * curHash;
        }
        hashOf[k] = curHash;
    }
    for (std::size_t k = 0; k < headerStarts.size(); ++k)
        if (closeOf[k] >= 0) headersByHash[hashOf[k]].push_back(headerStarts[k]);
}

bool CIniFile::Index::startsWithFolded(std::size_t pos, std::wstring_view upperProbe) const {
    if (pos > text.size() || text.size() - pos < upperProbe.size()) return false;
    for (std::size_t j = 0; j < upperProbe.size(); ++j)
        if (foldUpper(text[pos + j]) != upperProbe[j]) return false;
    return true;
}

std::int32_t CIniFile::Index::findHeader(std::wstring_view header) {
    std::wstring key(header);
    auto cached = headerCache.find(key);
    if (cached != headerCache.end()) return cached->second;

    std::int32_t found = -1;
    std::size_t firstClose = header.size() > 1 ? header.find(L']', 1) : std::wstring_view::npos;
    if (!header.empty() && header[0] == L'[' && firstClose == header.size() - 1) {
        auto bucket = headersByHash.find(hashText(header));
        if (bucket != headersByHash.end()) {
            for (std::int32_t p : bucket->second) {
                if (startsWithFolded(static_cast<std::size_t>(p) + 1, header)) {
                    found = p;
                    break;
                }
            }
        }
    } else if (!header.empty() && header[0] == L'[') {
        // A name with "]" inside: rare enough to search every header.
        for (std::int32_t p : headerStarts) {
            if (startsWithFolded(static_cast<std::size_t>(p) + 1, header)) {
                found = p;
                break;
            }
        }
    } else {
        // Not a bracketed name: fall back to a plain search of "\n" + header.
        for (std::size_t p = text.find(L'\n'); p != std::wstring_view::npos;
             p = text.find(L'\n', p + 1)) {
            if (startsWithFolded(p + 1, header)) {
                found = static_cast<std::int32_t>(p);
                break;
            }
        }
    }
    headerCache.emplace(std::move(key), found);
    return found;
}

std::int32_t CIniFile::Index::sectionEnd(std::int32_t sectionPos) const {
    auto it = std::lower_bound(headerStarts.begin(), headerStarts.end(), sectionPos + 3);
    return it == headerStarts.end() ? static_cast<std::int32_t>(text.size()) : *it;
}

const CIniFile::Index::Section& CIniFile::Index::section(std::int32_t sectionPos) {
    auto it = sections.find(sectionPos);
    if (it != sections.end()) return it->second;
    Section& sec = sections[sectionPos];

    // Every line that starts in the section, the header line included. A line can give a value
    // for a key only through a piece (text between "=") that equals the key when trimmed, is
    // not preceded by an empty piece, and is followed by a non-blank rest of the line.
    const std::size_t end = static_cast<std::size_t>(sectionEnd(sectionPos));
    for (std::size_t p = static_cast<std::size_t>(sectionPos); p < end && p < text.size();) {
        const std::size_t lineBegin = p + 1;
        const std::size_t lineStop = lineEnd(lineBegin);
        std::size_t pos = lineBegin;
        while (pos < lineStop) {
            std::size_t eq = text.find(L'=', pos);
            if (eq == std::wstring_view::npos || eq >= lineStop || eq == pos) break;
            std::size_t a = pos, b = eq;
            while (a < b && isBlank(text[a])) ++a;
            while (b > a && isBlank(text[b - 1])) --b;
            std::size_t va = eq + 1, vb = lineStop;
            while (va < vb && isBlank(text[va])) ++va;
            if (va < vb) {
                sec.pieces[hashFolded(text.data() + a, b - a)].push_back(
                    {static_cast<std::int32_t>(p), static_cast<std::int32_t>(a),
                     static_cast<std::int32_t>(b), static_cast<std::int32_t>(eq)});
            }
            pos = eq + 1;
        }
        p = lineStop;
    }
    return sec;
}

CIniFile::CIniFile(const wchar_t* path, BOOL quiet) : m_path(path), m_quiet(quiet) {}

CIniFile::~CIniFile() {
    if (m_modified) Save(nullptr);
}

BOOL CIniFile::Load(const wchar_t* path) {
    if (path != nullptr && *path != 0) m_path = path;
    m_buffer.Empty();
    m_index.reset();
    m_sectionPos = -1;

    // Only a plain file counts: a device or pipe would never end, a folder is no file.
    if (!isRegularFile(m_path)) return FALSE;
    try {
        CStdioFile file;
        if (!file.Open(m_path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeText))
            return FALSE;
        if (file.GetLength() > kMaxFileBytes) return FALSE;
        m_buffer.Preallocate(static_cast<int>(file.GetLength()) + 2);
        CString line;
        while (file.ReadString(line)) {
            m_buffer += line;
            m_buffer += L'\n';
        }
    } catch (CException* e) {
        // A read error part-way: the file counts as unreadable, not as a shorter file.
        e->Delete();
        m_buffer.Empty();
        return FALSE;
    } catch (...) {
        m_buffer.Empty();
        return FALSE;
    }
    if (!m_buffer.IsEmpty() && m_buffer[0] == L'[') m_buffer.Insert(0, L'\n');
    m_needsLoad = FALSE;
    return TRUE;
}

bool CIniFile::Save(const wchar_t* path) {
    const wchar_t* target = (path != nullptr && *path != 0) ? path : m_path.GetString();
    try {
        CStdioFile file;
        if (!file.Open(target, CFile::modeCreate | CFile::modeWrite | CFile::typeText))
            return false;
        file.WriteString(m_buffer);
        file.Close();
        return true;
    } catch (CException* e) {
        e->Delete();
        return false;
    }
}

CIniFile::Index& CIniFile::index() {
    if (!m_index) m_index = std::make_unique<Index>(m_buffer.view());
    return *m_index;
}

bool CIniFile::showMessage(short quiet) const {
    if (quiet == 0) return true;
    if (quiet == -1) return !m_quiet;
    return false;
}

CString CIniFile::_Bracket(const wchar_t* section) {
    CString header = L"[";
    header += section;
    header += L"]";
    header.MakeUpper();
    return header;
}

bool CIniFile::_FindSection(const CString& header, short quiet) {
    m_sectionPos = index().findHeader(header.view());
    if (m_sectionPos >= 0) return true;
    if (showMessage(quiet)) {
        CString message;
        message.Format(L"[CIniFile::_FindSection]\nCoud not find section %s", header);
        AfxMessageBox(message, MB_OK);
    }
    return false;
}

bool CIniFile::_Get(CString& value, const wchar_t* key, const wchar_t* section, short quiet) {
    if (m_needsLoad) Load(nullptr);
    if (!_FindSection(_Bracket(section), quiet)) return false;

    CString upperKey(key);
    upperKey.MakeUpper();
    Index& idx = index();
    const std::wstring_view text = idx.text;
    const Index::Section& sec = idx.section(m_sectionPos);
    auto bucket = sec.pieces.find(hashText(upperKey.view()));
    if (bucket != sec.pieces.end()) {
        const CString wanted(key);
        for (const Index::Piece& piece : bucket->second) {
            // Only a line that begins with the key is ever looked at; the piece must equal the
            // key, letter case ignored.
            if (!idx.startsWithFolded(static_cast<std::size_t>(piece.linePos) + 1, upperKey.view()))
                continue;
            CString pieceText(text.data() + piece.pieceBegin, piece.pieceEnd - piece.pieceBegin);
            if (pieceText.CompareNoCase(wanted) != 0) continue;
            std::size_t stop = idx.lineEnd(static_cast<std::size_t>(piece.eqPos) + 1);
            CString found(text.data() + piece.eqPos + 1, static_cast<int>(stop - piece.eqPos - 1));
            found.Trim();
            if (found.IsEmpty()) continue;
            if (found[0] == L'"') found = found.Mid(1, found.GetLength() - 2);
            m_keyPos = piece.linePos;
            value = found;
            return true;
        }
    }
    m_keyPos = -1;
    if (showMessage(quiet)) {
        CString message;
        message.Format(L"[CIniFile::_Get]\nCoud not find key %s\nin section %s", key ? key : L"",
                       section ? section : L"");
        AfxMessageBox(message, MB_OK);
    }
    return false;
}

BOOL CIniFile::GetString(CString& value, const wchar_t* key, const wchar_t* section,
                         short clearOnFailure, short quiet) {
    CString found;
    if (_Get(found, key, section, quiet)) {
        value = found;
        return TRUE;
    }
    if (clearOnFailure == 1 || (clearOnFailure == -1 && m_clearOnFailure)) value.Empty();
    return FALSE;
}

int CIniFile::GetKeyNames(CStringArray& keys, const wchar_t* section) {
    if (m_needsLoad) Load(nullptr);
    keys.RemoveAll();
    if (!_FindSection(_Bracket(section), 1)) return 0;

    Index& idx = index();
    auto cached = idx.keyLists.find(m_sectionPos);
    if (cached == idx.keyLists.end()) {
        std::vector<CString> list;
        const std::wstring_view text = idx.text;
        // The walk starts after the header line and stops at a line that starts with "[".
        std::size_t begin = idx.lineEnd(static_cast<std::size_t>(m_sectionPos) + 1) + 1;
        while (begin < text.size()) {
            std::size_t stop = idx.lineEnd(begin);
            std::size_t end = stop;
            while (end > begin && isBlank(text[end - 1])) --end;
            if (end > begin) {
                if (text[begin] == L'[') break;
                std::size_t eq = text.find(L'=', begin);
                if (eq != std::wstring_view::npos && eq > begin && eq < end) {
                    end = eq;
                    while (end > begin && isBlank(text[end - 1])) --end;
                }
                if (end > begin)
                    list.emplace_back(text.data() + begin, static_cast<int>(end - begin));
            }
            begin = stop + 1;
        }
        cached = idx.keyLists.emplace(m_sectionPos, std::move(list)).first;
    }
    for (const CString& k : cached->second) keys.Add(k);
    return static_cast<int>(keys.GetSize());
}

int CIniFile::GetSectionNames(CStringArray& names) {
    if (m_needsLoad) Load(nullptr);
    names.RemoveAll();
    const std::wstring_view text = m_buffer.view();
    std::size_t from = 0;
    for (;;) {
        std::size_t open = text.find(L"\n[", from);
        if (open == std::wstring_view::npos) break;
        std::size_t close = text.find(L']', open + 2);
        if (close == std::wstring_view::npos) break;
        names.Add(CString(text.data() + open + 2, static_cast<int>(close - open - 2)));
        from = close;
    }
    return static_cast<int>(names.GetSize());
}
