// Second rung of the DXF ladder: a whole drawing file kept as its bytes, with one compact record
// per object (section, type, handle, owner, where its XDATA starts) and the header variables the
// database needs. Objects that are not edited are written back from their byte ranges, so a file
// read and written unchanged comes back byte for byte.
//
// Reads untrusted input: the structure (sections, ENDSEC, EOF, handles) is checked and a file
// that is not ASCII DXF R2000..R2018 is refused with a reason.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dxf/object_record.h"
#include "dxf/text_buffer.h"

namespace cadhost::dxf {

enum class Section : std::uint8_t { kNone, kHeader, kClasses, kTables, kBlocks, kEntities, kObjects, kOther };

// Why a file was refused.
enum class LoadError {
    kNone,
    kNotFound,
    kAccess,
    kDwg,          // a binary drawing file
    kBinaryDxf,
    kObsolete,     // DXF older than R2000
    kUnsupported,  // a DXF version newer than R2018 or unknown
    kBad,          // not DXF, truncated or damaged
    kTooLarge,
};

// How new tags are written so that they look like the file's own.
struct TagFormat {
    bool padCodes = true;      // "  0" rather than "0"
    bool padInts = true;       // 16-bit integers right-aligned in six columns ("     1")
    std::string eol = "\r\n";
};

// Parses hex handle text (blanks around allowed, at most 16 digits, either case).
bool parseHandle(std::string_view text, std::uint64_t& value);

class DxfFile {
public:
    // Reads and scans a file. On failure returns null, with the error kind and a message that
    // names the file and the problem.
    static std::unique_ptr<DxfFile> load(const std::string& path, LoadError& error, std::string& message);
    // Scans text already in memory; name is used in messages.
    static std::unique_ptr<DxfFile> parse(std::string text, const std::string& name, LoadError& error,
                                          std::string& message);

    std::string_view text() const { return m_text.view(); }
    std::deque<DbStub>& records() { return m_records; }
    const std::deque<DbStub>& records() const { return m_records; }
    DbStub& record(std::uint32_t i) { return m_records[i]; }
    std::uint32_t firstRecord() const { return m_first; }

    // The current bytes of an object (edited text, or its range of the file).
    std::string_view objectText(const DbStub& r) const;
    // Replaces an object's bytes (edited objects are written from here).
    void setObjectText(DbStub& r, std::string text);
    // The same when the caller knows where the first 1001 tag of text starts (0: none), so
    // that the text need not be read again to find it.
    void setObjectText(DbStub& r, std::string text, std::uint32_t xdata);
    // A new object inserted before `before` in file order; returns its record.
    DbStub& insertBefore(DbStub& before, std::string text, std::uint16_t type, Section section);

    const std::string& typeName(std::uint16_t type) const { return m_typeNames[type]; }
    // The id of an interned type name, or 0xFFFF when no object has that type.
    std::uint16_t findType(std::string_view name) const;
    std::uint16_t internType(std::string_view name);

    // The object with that handle (the first one, should a file repeat handles), or null.
    DbStub* findHandle(std::uint64_t handle);
    // Makes a new object's handle findable; its handle must be above every handle so far.
    void addHandle(DbStub& r);
    std::uint64_t maxHandle() const { return m_maxHandle; }

    // Header variables: raw value text of the first value tag, empty when absent.
    std::string_view acadver() const { return m_acadver; }
    int versionNumber() const { return m_version; }  // 1015 ... 1032
    std::string_view codepage() const { return m_codepage; }
    std::uint64_t handseed() const { return m_handseed; }
    bool tilemode() const { return m_tilemode; }
    const TagFormat& format() const { return m_format; }
    DbStub* headerRecord() { return m_header == DbStub::kNone ? nullptr : &m_records[m_header]; }

    // Moves on with every setObjectText: what was found in an object's text holds while it stays.
    std::uint64_t textEdits() const { return m_textEdits; }

    // True when some object was edited, added or erased.
    bool modified() const { return m_modified; }
    void setModified() { m_modified = true; }

    // Calls sink(bytes) for the whole file in order; consecutive unchanged objects come as one
    // span. Erased objects are left out.
    template <class Sink>
    void write(Sink&& sink) const;

private:
    DxfFile() = default;
    bool scan(const std::string& name, LoadError& error, std::string& message);
    void indexHandles();
    void link(DbStub& r);
    std::uint16_t lookupType(std::string_view name);

    TextBuffer m_text;
    std::deque<DbStub> m_records;
    std::vector<std::string> m_edits;
    std::vector<std::string> m_typeNames;
    std::unordered_map<std::string, std::uint16_t> m_typeIds;
    std::array<std::uint16_t, 4> m_recentTypes{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    std::size_t m_recentNext = 0;
    // Handle lookup. Writers give out handles from 1 upwards, so a file's handles are nearly
    // all the numbers up to the largest: then a table indexed by handle. A file with sparse
    // handles, and new objects above the table, go to pairs sorted by handle.
    std::vector<DbStub*> m_byHandle;
    std::vector<std::pair<std::uint64_t, DbStub*>> m_handles;
    std::uint32_t m_first = DbStub::kNone;
    std::uint32_t m_last = DbStub::kNone;
    std::uint32_t m_header = DbStub::kNone;
    std::uint64_t m_maxHandle = 0;
    std::uint64_t m_handseed = 0;
    std::string_view m_acadver;
    std::string_view m_codepage;
    int m_version = 0;
    bool m_tilemode = true;
    bool m_modified = false;
    std::uint64_t m_textEdits = 0;
    TagFormat m_format;
};

template <class Sink>
void DxfFile::write(Sink&& sink) const {
    std::size_t spanBegin = 0, spanEnd = 0;
    auto flush = [&] {
        if (spanEnd > spanBegin) sink(m_text.view().substr(spanBegin, spanEnd - spanBegin));
        spanBegin = spanEnd = 0;
    };
    for (std::uint32_t i = m_first; i != DbStub::kNone; i = m_records[i].next) {
        const DbStub& r = m_records[i];
        if (r.erased()) continue;
        if (r.edit != DbStub::kNone) {
            flush();
            sink(std::string_view(m_edits[r.edit]));
            continue;
        }
        if (spanEnd == r.begin && spanEnd > spanBegin) {
            spanEnd += r.length;
        } else {
            flush();
            spanBegin = r.begin;
            spanEnd = r.begin + r.length;
        }
    }
    flush();
}

}  // namespace cadhost::dxf
