// Scanning a DXF file into object records, and the edits made to it since.
#include "dxf/dxf_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "dxf/tag_reader.h"
#include "dxf/tag_scan.h"

namespace cadhost::dxf {

namespace {

bool parseHex(std::string_view text, std::uint64_t& value) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    if (b == e || e - b > 16) return false;
    std::uint64_t v = 0;
    for (std::size_t i = b; i < e; ++i) {
        char c = text[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else return false;
        v = (v << 4) | static_cast<std::uint64_t>(d);
    }
    value = v;
    return true;
}

Section sectionOf(std::string_view name) {
    name = trimBlanks(name);
    if (name == "HEADER") return Section::kHeader;
    if (name == "CLASSES") return Section::kClasses;
    if (name == "TABLES") return Section::kTables;
    if (name == "BLOCKS") return Section::kBlocks;
    if (name == "ENTITIES") return Section::kEntities;
    if (name == "OBJECTS") return Section::kObjects;
    return Section::kOther;
}

}  // namespace

bool parseHandle(std::string_view text, std::uint64_t& value) { return parseHex(text, value); }

std::unique_ptr<DxfFile> DxfFile::load(const std::string& path, LoadError& error, std::string& message) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int e = errno;
        error = (e == ENOENT || e == ENOTDIR) ? LoadError::kNotFound : LoadError::kAccess;
        message = path + ": " + std::strerror(e);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = LoadError::kAccess;
        message = path + ": not a regular file";
        return nullptr;
    }
    // Offsets are kept in 64 bits but object lengths in 32: refuse what we could not index.
    if (static_cast<unsigned long long>(st.st_size) > (1ull << 36)) {
        ::close(fd);
        error = LoadError::kTooLarge;
        message = path + ": file too large";
        return nullptr;
    }
    std::unique_ptr<DxfFile> file(new DxfFile);
    const auto size = static_cast<std::size_t>(st.st_size);
    if (!file->m_text.allocate(size)) {
        ::close(fd);
        error = LoadError::kTooLarge;
        message = path + ": not enough memory to read the file";
        return nullptr;
    }
    // A large file is read in two halves at once: copying out of the page cache and the first
    // touch of fresh memory are shared by two cores.
    auto readRange = [&](std::size_t from, std::size_t to) -> int {
        while (from < to) {
            ssize_t n = ::pread(fd, file->m_text.data() + from, to - from, static_cast<off_t>(from));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return n < 0 ? errno : EIO;
            from += static_cast<std::size_t>(n);
        }
        return 0;
    };
    constexpr std::size_t kSplitReadFrom = 16u << 20;
    int readError = 0;
    if (size >= kSplitReadFrom) {
        const std::size_t half = size / 2;
        int secondError = 0;
        std::thread second([&] { secondError = readRange(half, size); });
        readError = readRange(0, half);
        second.join();
        if (readError == 0) readError = secondError;
    } else {
        readError = readRange(0, size);
    }
    if (readError != 0) {
        ::close(fd);
        error = LoadError::kAccess;
        message = path + ": read error: " + std::strerror(readError);
        return nullptr;
    }
    ::close(fd);
    error = LoadError::kNone;
    if (!file->scan(path, error, message)) return nullptr;
    return file;
}

std::unique_ptr<DxfFile> DxfFile::parse(std::string text, const std::string& name, LoadError& error,
                                        std::string& message) {
    std::unique_ptr<DxfFile> file(new DxfFile);
    file->m_text.assign(std::move(text));
    error = LoadError::kNone;
    if (!file->scan(name, error, message)) return nullptr;
    return file;
}

std::uint16_t DxfFile::internType(std::string_view name) {
    // Most objects repeat one of the last types seen.
    for (std::uint16_t id : m_recentTypes)
        if (id < m_typeNames.size() && m_typeNames[id] == name) return id;
    std::uint16_t id = lookupType(name);
    m_recentTypes[m_recentNext++ % m_recentTypes.size()] = id;
    return id;
}

std::uint16_t DxfFile::lookupType(std::string_view name) {
    auto it = m_typeIds.find(std::string(name));
    if (it != m_typeIds.end()) return it->second;
    auto id = static_cast<std::uint16_t>(m_typeNames.size());
    m_typeNames.emplace_back(name);
    m_typeIds.emplace(std::string(name), id);
    return id;
}

std::uint16_t DxfFile::findType(std::string_view name) const {
    auto it = m_typeIds.find(std::string(name));
    return it == m_typeIds.end() ? 0xFFFF : it->second;
}

void DxfFile::link(DbStub& r) {
    r.index = static_cast<std::uint32_t>(m_records.size() - 1);
    r.prev = m_last;
    if (m_last != DbStub::kNone) m_records[m_last].next = r.index;
    else m_first = r.index;
    m_last = r.index;
}

bool DxfFile::scan(const std::string& name, LoadError& error, std::string& message) {
    const std::string_view t = m_text.view();
    auto fail = [&](LoadError kind, const std::string& why) {
        error = kind;
        message = name + ": " + why;
        return false;
    };
    if (t.empty()) return fail(LoadError::kBad, "empty file, not a DXF file");
    if (t.compare(0, 18, "AutoCAD Binary DXF") == 0)
        return fail(LoadError::kBinaryDxf, "binary DXF is not supported (only ASCII DXF R2000 to R2018)");
    if (t.size() >= 6 && (t.compare(0, 4, "AC10") == 0 || t.compare(0, 4, "AC1.") == 0 || t.compare(0, 4, "AC2.") == 0 ||
                          t.compare(0, 5, "MC0.0") == 0))
        return fail(LoadError::kDwg, "a binary DWG drawing, not a DXF file (only ASCII DXF R2000 to R2018 is supported)");
    if (std::memchr(t.data(), '\0', std::min<std::size_t>(t.size(), 65536)) != nullptr)
        return fail(LoadError::kBad, "binary data, not an ASCII DXF file");

    std::size_t start = t.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    TagReader reader(t, start);
    RawTag tag;
    bool inSection = false, sawEof = false, expectSectionName = false;
    bool haveHeader = false, haveTables = false, haveEntities = false;
    Section section = Section::kNone;
    DbStub* cur = nullptr;
    int appDepth = 0;
    bool ownerFound = false, handleFound = false, dimstyle = false;
    std::string_view headerVar;
    bool headerValueTaken = true;
    bool firstCodeSeen = false;
    bool sawHeaderInt = false;
    std::uint16_t sectionType = internType("SECTION");
    std::uint16_t dimstyleType = internType("DIMSTYLE");
    // Block references: the subclass whose group 2 names the block (see DbStub::nameAt).
    const std::uint16_t insertType = internType("INSERT");
    enum class RefPart { kBefore, kInside, kAfter } refPart = RefPart::kBefore;

    TagReader::Result res;
    while ((res = reader.next(tag)) == TagReader::kTag) {
        if (!firstCodeSeen) {
            firstCodeSeen = true;
            if (tag.code == 0) m_format.padCodes = tag.codeText.size() >= 3 && tag.codeText[0] == ' ';
            std::size_t nl = t.find('\n', start);
            m_format.eol = (nl != std::string_view::npos && nl > 0 && t[nl - 1] == '\r') ? "\r\n" : "\n";
        }
        if (tag.code == 0) {
            if (cur) {
                if (tag.begin - cur->begin > 0xFFFFFFF0u) return fail(LoadError::kTooLarge, "object too large at line " + std::to_string(tag.line));
                cur->length = static_cast<std::uint32_t>(tag.begin - cur->begin);
            }
            std::string_view type = trimBlanks(tag.value);
            if (expectSectionName)
                return fail(LoadError::kBad, "SECTION without a name at line " + std::to_string(tag.line));
            if (type == "SECTION") {
                if (inSection)
                    return fail(LoadError::kBad, "SECTION at line " + std::to_string(tag.line) + " inside another section (missing ENDSEC)");
                inSection = true;
                expectSectionName = true;
            } else if (type == "ENDSEC") {
                if (!inSection) return fail(LoadError::kBad, "ENDSEC without SECTION at line " + std::to_string(tag.line));
                inSection = false;
            } else if (type == "EOF") {
                if (inSection) return fail(LoadError::kBad, "EOF at line " + std::to_string(tag.line) + " inside a section (missing ENDSEC)");
                sawEof = true;
            } else if (!inSection) {
                return fail(LoadError::kBad, "\"" + std::string(type.substr(0, 40)) + "\" outside any section at line " + std::to_string(tag.line));
            }
            m_records.emplace_back();
            cur = &m_records.back();
            cur->begin = m_records.size() == 1 ? 0 : tag.begin;
            cur->type = internType(type);
            cur->section = static_cast<std::uint8_t>(inSection || type == "ENDSEC" ? section : Section::kNone);
            link(*cur);
            appDepth = 0;
            ownerFound = handleFound = false;
            dimstyle = cur->type == dimstyleType;
            refPart = RefPart::kBefore;
            if (type == "ENDSEC") section = Section::kNone;
            if (sawEof) break;
            continue;
        }
        if (!cur) {
            if (tag.code == 999) continue;  // comments before the first section stay with it
            return fail(LoadError::kBad, "expected group code 0 at line " + std::to_string(tag.line) + ", not a DXF file");
        }
        if (expectSectionName) {
            if (tag.code != 2) return fail(LoadError::kBad, "SECTION without a name at line " + std::to_string(tag.line));
            expectSectionName = false;
            section = sectionOf(tag.value);
            cur->section = static_cast<std::uint8_t>(section);
            if (section == Section::kHeader) {
                if (haveHeader) return fail(LoadError::kBad, "second HEADER section at line " + std::to_string(tag.line));
                haveHeader = true;
                m_header = cur->index;
            }
            haveTables |= section == Section::kTables;
            haveEntities |= section == Section::kEntities;
            continue;
        }
        if (cur->type == sectionType) {
            if (section == Section::kHeader) {
                if (tag.code == 9) {
                    headerVar = trimBlanks(tag.value);
                    headerValueTaken = false;
                } else if (!headerValueTaken) {
                    headerValueTaken = true;
                    if (tag.code == 70 && !sawHeaderInt) {
                        sawHeaderInt = true;
                        m_format.padInts = tag.value.size() == 6 && tag.value[0] == ' ';
                    }
                    if (headerVar == "$ACADVER") m_acadver = trimBlanks(tag.value);
                    else if (headerVar == "$DWGCODEPAGE") m_codepage = trimBlanks(tag.value);
                    else if (headerVar == "$HANDSEED") parseHex(tag.value, m_handseed);
                    else if (headerVar == "$TILEMODE") m_tilemode = trimBlanks(tag.value) != "0";
                }
            }
            continue;
        }
        switch (tag.code) {
        case 5:
        case 105:
            if (!handleFound && (tag.code == 105) == dimstyle) {
                handleFound = true;
                if (!parseHex(tag.value, cur->handle))
                    return fail(LoadError::kBad, "invalid handle \"" + std::string(tag.value.substr(0, 20)) + "\" at line " + std::to_string(tag.line));
                m_maxHandle = std::max(m_maxHandle, cur->handle);
            }
            break;
        case 102:
            if (!tag.value.empty() && tag.value[0] == '{') ++appDepth;
            else if (trimBlanks(tag.value) == "}" && appDepth > 0) --appDepth;
            break;
        case 330:
            if (!ownerFound && appDepth == 0) {
                ownerFound = true;
                if (!parseHex(tag.value, cur->owner)) cur->owner = 0;
            }
            break;
        case 60:
            if (cur->xdata == 0) cur->flags |= DbStub::kHasCode60;
            break;
        case 100:
            if (cur->type == insertType && cur->xdata == 0) {
                if (refPart == RefPart::kBefore && trimBlanks(tag.value) == "AcDbBlockReference") refPart = RefPart::kInside;
                else if (refPart == RefPart::kInside) refPart = RefPart::kAfter;
            }
            break;
        case 2:
            if (refPart == RefPart::kInside && cur->nameAt == 0 && cur->xdata == 0) {
                const std::size_t at = static_cast<std::size_t>(tag.value.data() - t.data()) - cur->begin;
                if (at <= 0xFFFF) cur->nameAt = static_cast<std::uint16_t>(at);
                refPart = RefPart::kAfter;
            }
            break;
        case 1001:
            if (cur->xdata == 0) cur->xdata = static_cast<std::uint32_t>(tag.begin - cur->begin);
            break;
        default:
            break;
        }
    }
    if (res == TagReader::kError) return fail(LoadError::kBad, reader.error());
    if (!sawEof) {
        if (m_records.empty()) return fail(LoadError::kBad, "no DXF sections found, not a DXF file");
        return fail(LoadError::kBad, "no EOF at the end (file truncated)");
    }
    if (t.size() - m_records.back().begin > 0xFFFFFFF0u) return fail(LoadError::kTooLarge, "too much data after EOF");
    m_records.back().length = static_cast<std::uint32_t>(t.size() - m_records.back().begin);

    if (!haveHeader || m_acadver.empty()) return fail(LoadError::kObsolete, "no $ACADVER in the header: DXF older than R2000 is not supported");
    if (m_acadver.size() == 6 && m_acadver.substr(0, 2) == "AC") {
        int v = 0;
        for (char c : m_acadver.substr(2)) v = (c >= '0' && c <= '9') ? v * 10 + (c - '0') : -100000;
        if (v > 0 && v < 1015)
            return fail(LoadError::kObsolete, "DXF version " + std::string(m_acadver) + " is older than R2000 (AC1015) and not supported");
        if (v == 1015 || v == 1018 || v == 1021 || v == 1024 || v == 1027 || v == 1032) m_version = v;
    }
    if (m_version == 0)
        return fail(LoadError::kUnsupported, "DXF version \"" + std::string(m_acadver.substr(0, 20)) + "\" is not supported (only R2000 AC1015 to R2018 AC1032)");
    if (!haveTables) return fail(LoadError::kBad, "missing TABLES section");
    if (!haveEntities) return fail(LoadError::kBad, "missing ENTITIES section");

    indexHandles();
    return true;
}

void DxfFile::indexHandles() {
    // A table costs 8 bytes per number up to the largest handle, sorted pairs 16 per object.
    if (m_maxHandle / 4 <= m_records.size() + 1024) {
        m_byHandle.assign(static_cast<std::size_t>(m_maxHandle) + 1, nullptr);
        for (DbStub& r : m_records)
            if (r.handle != 0 && !m_byHandle[r.handle]) m_byHandle[r.handle] = &r;  // a repeat finds the first
        return;
    }
    m_handles.reserve(m_records.size());
    for (DbStub& r : m_records)
        if (r.handle != 0) m_handles.emplace_back(r.handle, &r);
    // Equal handles (a damaged file) keep file order, so that lookups find the first.
    auto less = [](const std::pair<std::uint64_t, DbStub*>& a, const std::pair<std::uint64_t, DbStub*>& b) {
        return a.first < b.first || (a.first == b.first && a.second->index < b.second->index);
    };
    // Handles ascend within a section's runs of objects, so the list is a number of ascending
    // runs: neighbouring runs are merged until one is left.
    std::vector<std::size_t> bounds{0};
    for (std::size_t i = 1; i < m_handles.size(); ++i)
        if (less(m_handles[i], m_handles[i - 1])) bounds.push_back(i);
    bounds.push_back(m_handles.size());
    if (bounds.size() <= 2) return;
    std::vector<std::pair<std::uint64_t, DbStub*>> merged(m_handles.size());
    std::vector<std::size_t> next;
    while (bounds.size() > 2) {
        next.assign(1, 0);
        for (std::size_t k = 0; k + 1 < bounds.size(); k += 2) {
            auto first = m_handles.begin();
            std::size_t a = bounds[k], b = bounds[k + 1], c = k + 2 < bounds.size() ? bounds[k + 2] : b;
            std::merge(first + a, first + b, first + b, first + c, merged.begin() + a, less);
            next.push_back(c);
        }
        m_handles.swap(merged);
        bounds.swap(next);
    }
}

DbStub* DxfFile::findHandle(std::uint64_t handle) {
    if (handle == 0) return nullptr;
    if (handle < m_byHandle.size()) return m_byHandle[handle];
    auto it = std::lower_bound(m_handles.begin(), m_handles.end(), handle,
                               [](const auto& e, std::uint64_t h) { return e.first < h; });
    if (it == m_handles.end() || it->first != handle) return nullptr;
    return it->second;
}

void DxfFile::addHandle(DbStub& r) {
    // New handles come from the seed, above every handle read, so the pairs stay sorted.
    if (r.handle < m_byHandle.size()) {
        if (!m_byHandle[r.handle]) m_byHandle[r.handle] = &r;
    } else {
        m_handles.emplace_back(r.handle, &r);
    }
    m_maxHandle = std::max(m_maxHandle, r.handle);
}

std::string_view DxfFile::objectText(const DbStub& r) const {
    if (r.edit != DbStub::kNone) return m_edits[r.edit];
    return m_text.view().substr(r.begin, r.length);
}

void DxfFile::setObjectText(DbStub& r, std::string text) {
    // Keep the XDATA index right for the new text.
    std::size_t x = 0;
    TagReader reader(text);
    RawTag tag;
    while (reader.next(tag) == TagReader::kTag)
        if (tag.code == 1001) {
            x = tag.begin;
            break;
        }
    setObjectText(r, std::move(text), static_cast<std::uint32_t>(x));
}

void DxfFile::setObjectText(DbStub& r, std::string text, std::uint32_t xdata) {
    ++m_textEdits;
    r.xdata = xdata;
    if (r.edit == DbStub::kNone) {
        r.edit = static_cast<std::uint32_t>(m_edits.size());
        m_edits.push_back(std::move(text));
    } else {
        m_edits[r.edit] = std::move(text);
    }
    m_modified = true;
}

DbStub& DxfFile::insertBefore(DbStub& before, std::string text, std::uint16_t type, Section section) {
    m_records.emplace_back();
    DbStub& r = m_records.back();
    r.index = static_cast<std::uint32_t>(m_records.size() - 1);
    r.type = type;
    r.section = static_cast<std::uint8_t>(section);
    r.flags = DbStub::kNew;
    r.next = before.index;
    r.prev = before.prev;
    if (before.prev != DbStub::kNone) m_records[before.prev].next = r.index;
    else m_first = r.index;
    before.prev = r.index;
    setObjectText(r, std::move(text));
    return r;
}

}  // namespace cadhost::dxf
