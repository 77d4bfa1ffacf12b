// Host-internal view of the drawing database: the database's state (its DXF file, indexes and
// handle seed), the state behind every AcDbObject, and the helpers the db_*.cpp files share.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dbmain.h"
#include "dxf/dxf_file.h"
#include "dxf/tag_list.h"
#include "dxf/tag_scan.h"
#include "dxf/text_codec.h"
#include "testing_db.h"

namespace cadhost {

namespace db {

// The nine symbol tables, in the order of the DXF TABLES section.
enum TableKind { kVport, kLtype, kLayer, kStyle, kView, kUcs, kAppid, kDimstyle, kBlockRecord, kTableCount };
// DXF name of a table (and of its records).
const char* tableName(TableKind kind);

// What the database knows about one block record.
struct BlockInfo {
    DbStub* block = nullptr;    // BLOCK entity
    DbStub* endblk = nullptr;   // ENDBLK entity
    std::vector<DbStub*> entities;

    // Answers about the block that every walk over the block table asks of every record, each
    // worked out on first use. All of them are dropped once the database's namesVersion moves:
    // it moves with every record added, erased or renamed and with every change of a block,
    // block record or layout, which is all these answers depend on.
    enum Fact : std::uint8_t { kFlagsKnown = 1, kLayoutKnown = 2, kAttdefsKnown = 4 };
    std::uint64_t factsVersion = ~0ull;
    std::uint8_t factsKnown = 0;
    int flags = 0;                     // the BLOCK's 70
    bool layout = false;
    bool attributeDefinitions = false;
    // True when fact is known at version; else forgets what is out of date.
    bool knows(Fact fact, std::uint64_t version) {
        if (factsVersion != version) {
            factsVersion = version;
            factsKnown = 0;
        }
        return (factsKnown & fact) != 0;
    }
};

// Faults injected by tests (testing_db.h). Every open and close asks, so the question is
// answered inline while no test has armed anything.
extern bool faultsArmed;
bool armedFault(testing::DbCall call, Acad::ErrorStatus& status);
bool armedOpenFault(const DbStub* stub, Acad::ErrorStatus& status);
inline bool injectedFault(testing::DbCall call, Acad::ErrorStatus& status) {
    return faultsArmed && armedFault(call, status);
}
inline bool injectedOpenFault(const DbStub* stub, Acad::ErrorStatus& status) {
    return faultsArmed && armedOpenFault(stub, status);
}

// Upper-cases ASCII letters (names compare without regard to case).
std::string upperAscii(std::string_view s);
std::wstring upperWide(std::wstring_view s);
bool equalsNoCase(std::wstring_view a, std::wstring_view b);

// Hashing and equality of names without regard to case, usable with any string view (so that
// a look-up needs no upper-case copy of the name).
struct NoCaseHash {
    using is_transparent = void;
    std::size_t operator()(std::wstring_view s) const;
};
struct NoCaseEqual {
    using is_transparent = void;
    bool operator()(std::wstring_view a, std::wstring_view b) const { return a == b || equalsNoCase(a, b); }
};

struct RawHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};

std::string formatHandle(std::uint64_t handle);
std::string formatReal(double value);

}  // namespace db

// The state behind an AcDbObject: its tags (parsed on first use), where it lives, and text
// handed out by the const getters. A value that is already there is changed in a copy of the
// record's text, without splitting it into tags (most edits change one value of one object).
class DbObjectState {
public:
    explicit DbObjectState(const char* type) : type(type) {}

    std::string type;
    DbStub* stub = nullptr;              // null until the object is added to a database
    AcDbDatabase::Impl* db = nullptr;
    AcDbObject* self = nullptr;
    bool write = false;                  // opened for write (or new)
    const char* newTemplate = nullptr;   // the text a new object starts from (static)
    std::string templ;                   // the text the tags were split from, or the edited copy
    std::array<std::wstring, 3> text;    // text handed out by *Const getters

    // Pending data of a new block record, applied when it is added.
    std::wstring pendingPath;

    dxf::TagList& tags();
    const dxf::TagList& tags() const { return const_cast<DbObjectState*>(this)->tags(); }
    // True while the object's text is its own (split into tags, or edited and not yet written
    // back); until then it reads its record's text.
    bool parsed() const { return m_parsed || m_edited; }

    std::wstring decode(std::string_view raw) const;
    // The same into out, reusing its storage.
    void decode(std::string_view raw, std::wstring& out) const;
    std::string encode(std::wstring_view text) const;
    const dxf::TagFormat& format() const;

    // Value of the first tag with code inside subclass marker ("" when absent).
    std::string_view valueIn(std::string_view marker, int code) const;
    // True when a tag with code comes before the extended data.
    bool hasBeforeXdata(int code) const;
    // Sets (or, when absent, inserts at the end of the subclass) a tag of a subclass. False,
    // changing nothing, when the object has no such subclass (a damaged object).
    bool setIn(std::string_view marker, int code, std::string_view value);
    // Writes the object's edits into its record. An object that was not split then reads its
    // record again and holds nothing of its own.
    void writeBack();

private:
    // The object's text while it is not split (its record's, or its own edited copy).
    std::string_view currentText() const;
    // The spots of currentText()'s tags, for an object open for write that is not split: it is
    // asked and changed several times (null otherwise; the object then walks its text).
    const std::vector<dxf::TagSpot>* spots() const;

    dxf::TagList m_tags;
    bool m_parsed = false;
    bool m_edited = false;    // templ holds the text with edits not yet written back (not split)
    std::uint32_t m_xdata = 0;  // where the first 1001 tag of templ starts while m_edited (0: none)
    // Good while the file's texts stay as they were (textEdits()); dropped whenever the object
    // writes back (so at every close by its writer).
    mutable std::vector<dxf::TagSpot> m_spots;
    mutable bool m_spotted = false;
    mutable std::uint64_t m_spottedAt = 0;
};

// Friend access to AcDbObject internals.
struct DbAccess {
    static DbObjectState* state(const AcDbObject* o) { return o->m_state; }
    // Creates the typed object for a record (not yet marked open).
    static AcDbObject* create(AcDbDatabase::Impl& db, DbStub& stub);
    // The class create() would build for a record.
    static AcRxClass* classOf(AcDbDatabase::Impl& db, const DbStub& stub);
    // True for records whose closed objects are kept for their next open (not pooled by type).
    static bool keptByRecord(AcDbDatabase::Impl& db, const DbStub& stub);
    // The table a table record stands for (kTableCount for any other record).
    static db::TableKind tableOf(AcDbDatabase::Impl& db, const DbStub& stub);
    // Keeps a closed object for the next open of its record, when that is safe; false when the
    // caller is to delete it.
    // (Defined in db_object.cpp, the only user, inline into open and close.)
    static inline bool keepSpare(AcDbObject* obj);
    // A kept object for a record (null when there is none): the record's own (byRecord), or
    // an unbound one of the record's type and class.
    static inline AcDbObject* reuse(AcDbDatabase::Impl& db, DbStub& stub, bool byRecord, const AcRxClass* cls);
};

}  // namespace cadhost

class AcDbDatabase::Impl {
public:
    explicit Impl(AcDbDatabase* self) : self(self) {}

    AcDbDatabase* self;
    std::unique_ptr<cadhost::dxf::DxfFile> file;
    std::unique_ptr<cadhost::dxf::TextCodec> codec;
    std::wstring fileName;
    std::wstring lastError;
    std::string loadedPath;     // the file as read, to know whether a save changes it
    long long loadedSize = -1;
    long long loadedMtimeNs = -1;
    std::uint64_t nextHandle = 0;
    std::uint64_t savedHandseed = 0;
    int openCount = 0;
    // What each interned type is built as (an index into the host's kinds; -1: not looked up).
    std::vector<std::int16_t> kindByType;
    // Closed objects kept for the next open of their record, by record index.
    std::vector<AcDbObject*> spares;
    // A few closed objects per interned type, unbound, for the next record of that type.
    std::vector<std::vector<AcDbObject*>> pool;
    void releaseSpares();

    // Answers that every walk over layouts and block references asks again and again, kept
    // until a layout, block record or block changes or a record is added or erased.
    std::unordered_map<const cadhost::DbStub*, std::wstring> layoutNameMemo;
    std::unordered_map<const cadhost::DbStub*, cadhost::DbStub*> layoutOfBlockMemo;
    std::unordered_map<std::string, cadhost::DbStub*, cadhost::db::RawHash, std::equal_to<>> blockByRawNameMemo;
    std::vector<std::int8_t> dynamicByRecord;  // dynamic block definition? by record index; -1: not asked
    void structureChanged();
    // The last name looked up per table and its answer, good while namesVersion stays (it moves
    // with every added, erased or renamed record).
    struct NameHit {
        std::wstring name;
        std::uint64_t version = ~0ull;
        bool erasedToo = false;
        cadhost::DbStub* record = nullptr;
    };
    std::array<NameHit, cadhost::db::kTableCount> lastName;
    std::uint64_t namesVersion = 0;
    // Called for every record whose text changes.
    void recordEdited(const cadhost::DbStub* r);
    // The interned type of ATTDEF records (0xFFFF while the file has none), asked by every
    // block record whose attribute definitions a search wants to know about.
    std::uint16_t attdefType() {
        if (attdefTypeId == 0xFFFF) attdefTypeId = file->findType("ATTDEF");
        return attdefTypeId;
    }
    std::uint16_t attdefTypeId = 0xFFFF;

    std::array<cadhost::DbStub*, cadhost::db::kTableCount> tableHeads{};
    std::array<cadhost::DbStub*, cadhost::db::kTableCount> tableEnds{};
    std::array<std::vector<cadhost::DbStub*>, cadhost::db::kTableCount> tableRecords;
    std::unordered_map<const cadhost::DbStub*, cadhost::db::BlockInfo> blocks;
    cadhost::DbStub* entitiesEnd = nullptr;  // ENDSEC of ENTITIES
    cadhost::DbStub* blocksEnd = nullptr;    // ENDSEC of BLOCKS
    cadhost::DbStub* rootDictionary = nullptr;
    std::vector<cadhost::DbStub*> layouts;   // LAYOUT objects in file order
    // LAYOUTs by the handle of the block record they name, built on first use.
    bool layoutIndexBuilt = false;
    std::unordered_map<std::uint64_t, cadhost::DbStub*> layoutByBlock;

    // Every block reference in file order, and the references grouped by the block name they
    // give as written (blanks trimmed), as positions in insertRecords. Built on first use from
    // the file text; rebuilt once insertIndexBuilt is cleared (a reference added or pointed at
    // another block). Erased references stay in and are skipped by the look-ups.
    struct InsertGroup {
        std::string rawName;
        std::vector<std::uint32_t> references;
    };
    bool insertIndexBuilt = false;
    std::vector<cadhost::DbStub*> insertRecords;
    std::vector<InsertGroup> insertGroups;
    // The groups whose name resolves to each block record, resolved as a reference resolves
    // its name (decoded, case ignored, live records first); good while namesVersion stays.
    std::uint64_t insertGroupsVersion = ~0ull;
    std::unordered_map<const cadhost::DbStub*, std::vector<std::uint32_t>> insertGroupsByBlock;
    // Anonymous representations by the handle of their dynamic definition, built on first use.
    bool repIndexBuilt = false;
    std::unordered_map<std::uint64_t, std::vector<cadhost::DbStub*>> repsByDefinition;

    // Builds the indexes of a freshly read file.
    bool bind(std::string& why);
    void reset();

    cadhost::dxf::DxfFile& dxf() { return *file; }
    std::uint16_t type(std::string_view name) { return file->internType(name); }
    bool isType(const cadhost::DbStub* s, std::string_view name) const {
        return s && file->typeName(s->type) == name;
    }
    cadhost::DbStub* byHandle(std::uint64_t h) { return file->findHandle(h); }
    AcDbObjectId idOf(cadhost::DbStub* s) { return AcDbObjectId::fromStub(s); }

    // Text of a record's first tag with that code inside a subclass, parsed without opening.
    std::string recordValue(const cadhost::DbStub* s, std::string_view marker, int code);
    std::wstring recordText(const cadhost::DbStub* s, std::string_view marker, int code) {
        return codec->decode(recordValue(s, marker, code));
    }
    // Block-record helpers.
    std::wstring blockName(const cadhost::DbStub* btr) { return recordText(btr, "AcDbSymbolTableRecord", 2); }
    int blockFlags(const cadhost::DbStub* btr);
    // The record whose name is name (case ignored) in a table; null when absent or erased.
    cadhost::DbStub* findRecord(cadhost::db::TableKind kind, std::wstring_view name, bool erasedToo = false);
    std::wstring recordName(const cadhost::DbStub* r);
    // Records by upper-case name, per table, built on first use (dropped when a name changes).
    std::array<std::unordered_map<std::wstring, std::vector<cadhost::DbStub*>, cadhost::db::NoCaseHash,
                                  cadhost::db::NoCaseEqual>,
               cadhost::db::kTableCount>
        names;
    std::array<bool, cadhost::db::kTableCount> namesBuilt{};
    cadhost::db::TableKind tableKindOf(const cadhost::DbStub* head);
    // True for blocks whose entities live in the ENTITIES section (*Model_Space, *Paper_Space).
    bool inEntitiesSection(const cadhost::DbStub* btr);
    bool isPaperSpace(const cadhost::DbStub* btr);

    std::uint64_t allocateHandle();
    // Adds a new object before `before`, with a handle; returns its record.
    cadhost::DbStub& addRecord(cadhost::DbStub& before, std::string_view type, std::string text,
                               cadhost::dxf::Section section, std::uint64_t handle);
    void ensureInsertIndex();
    // The groups of insertGroups that insert block record btr; null when none.
    const std::vector<std::uint32_t>* insertGroupsOf(const cadhost::DbStub* btr);
    void ensureRepIndex();

    // The ATTRIB records of an INSERT and its SEQEND (null when none).
    std::vector<cadhost::DbStub*> attributesOf(const cadhost::DbStub* insert, cadhost::DbStub** seqend = nullptr);

    // Opening and closing.
    // wanted: refuse (eNotThatKindOfClass) a record of another class without building it.
    Acad::ErrorStatus open(AcDbObject*& obj, cadhost::DbStub* stub, AcDb::OpenMode mode, bool openErased,
                           const AcRxClass* wanted = nullptr);
    // Renders a new object's tags in this file's format.
    std::string render(const cadhost::dxf::TagList& tags) const;

    // Saving.
    Acad::ErrorStatus save(const std::string& path, bool backup);
};

namespace cadhost::db {
// Adds a new entity (not yet in a database) before `before`, owned by ownerHandle, and leaves it
// open for write by its creator. paper: the entity lies in a paper space layout (67 1).
Acad::ErrorStatus addEntity(AcDbDatabase::Impl& d, AcDbEntity* entity, DbStub& before, std::uint64_t ownerHandle,
                            bool paper, dxf::Section section, DbStub*& added);
// Writes an open object's edits into its record (it stays open).
void flushObject(AcDbObject* obj);
// Marks a freshly added object as open for write by its creator.
void bindNew(AcDbObject* obj, AcDbDatabase::Impl& d, DbStub& r);
// Adds the BLOCK and ENDBLK of a new block record.
void addBlockEntities(AcDbDatabase::Impl& d, DbStub& btr, const std::string& rawName, const std::string& rawPath);
// Edits one tag of a record (inserting it at the end of the subclass); false when the record
// has no such subclass.
bool editRecord(AcDbDatabase::Impl& d, DbStub* r, std::string_view marker, int code, std::string_view value);

// The database behind a stub.
inline AcDbDatabase::Impl* dbOf(const DbStub* s) {
    return s && s->database ? static_cast<AcDbDatabase*>(s->database)->impl() : nullptr;
}
// Reads a drawing from text in memory (name is used in messages); as readDwgFile.
Acad::ErrorStatus readFromText(AcDbDatabase& db, std::string text, const std::string& name);
// The bytes a save would write.
std::string savedText(AcDbDatabase& db);
// The file path of a wide host path (UTF-8, backslashes as slashes).
std::string filePath(const ACHAR* path);
}  // namespace cadhost::db
