// AcDbDatabase: reading a drawing file into the database, the indexes the database keeps over
// it (tables, blocks and their entities, references by name), handles for new objects, and
// the table getters.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "adscodes.h"
#include "db_internal.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "dxf/tag_scan.h"

using cadhost::DbAccess;
using cadhost::DbStub;
namespace db = cadhost::db;
namespace dxf = cadhost::dxf;
using cadhost::testing::DbCall;

namespace cadhost::db {

const char* tableName(TableKind kind) {
    static const char* const kNames[kTableCount] = {"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW",
                                                    "UCS", "APPID", "DIMSTYLE", "BLOCK_RECORD"};
    return kind < kTableCount ? kNames[kind] : "";
}

std::string filePath(const ACHAR* path) {
    std::string out;
    for (const ACHAR* p = path; p && *p; ++p) {
        auto c = static_cast<std::uint32_t>(*p == L'\\' ? L'/' : *p);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// The text of a new, empty R2018 drawing (db_default_drawing.cpp).
std::string defaultDrawingText();

}  // namespace cadhost::db

namespace {

std::wstring wideOf(const std::string& s) {
    dxf::TextCodec codec(1032, "ANSI_1252");
    return codec.decode(s);
}

// First value of a code anywhere in a record (for records without subclass markers).
std::string firstValue(AcDbDatabase::Impl& d, const DbStub* s, int code) {
    dxf::TagList t;
    t.parse(d.file->objectText(*s));
    int i = t.find(code);
    if (i < 0) return {};
    std::string_view v = t[i].value();
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    return std::string(v);
}

}  // namespace

// ---- indexes ----

void AcDbDatabase::Impl::reset() {
    releaseSpares();
    file.reset();
    codec.reset();
    tableHeads.fill(nullptr);
    tableEnds.fill(nullptr);
    for (auto& v : tableRecords) v.clear();
    blocks.clear();
    entitiesEnd = blocksEnd = rootDictionary = nullptr;
    layouts.clear();
    layoutIndexBuilt = false;
    structureChanged();
    kindByType.clear();
    attdefTypeId = 0xFFFF;
    insertIndexBuilt = repIndexBuilt = false;
    for (auto& n : names) n.clear();
    namesBuilt.fill(false);
    insertRecords.clear();
    insertGroups.clear();
    insertGroupsByBlock.clear();
    insertGroupsVersion = ~0ull;
    repsByDefinition.clear();
    nextHandle = savedHandseed = 0;
    loadedPath.clear();
    loadedSize = loadedMtimeNs = -1;
}

db::TableKind AcDbDatabase::Impl::tableKindOf(const DbStub* head) {
    return head ? cadhost::DbAccess::tableOf(*this, *head) : db::kTableCount;
}

bool AcDbDatabase::Impl::bind(std::string& why) {
    dxf::DxfFile& f = *file;
    codec = std::make_unique<dxf::TextCodec>(f.versionNumber(), f.codepage());
    nextHandle = std::max(f.handseed(), f.maxHandle() + 1);
    // The header is only rewritten once handles were given out: a file whose seed is too low
    // still round-trips unchanged, and its new objects still get unique handles.
    savedHandseed = nextHandle;
    const std::uint16_t tTable = type("TABLE"), tEndtab = type("ENDTAB"), tBlock = type("BLOCK"),
                        tEndblk = type("ENDBLK"), tEndsec = type("ENDSEC"), tBtr = type("BLOCK_RECORD"),
                        tDictionary = type("DICTIONARY"), tSection = type("SECTION"),
                        tLayout = type("LAYOUT");
    db::TableKind table = db::kTableCount;
    db::BlockInfo* block = nullptr;
    DbStub* blockRecord = nullptr;
    DbStub* modelSpace = nullptr;
    DbStub* lastOwner = nullptr;
    db::BlockInfo* lastInfo = nullptr;
    const std::uint16_t tAttrib = type("ATTRIB"), tSeqend = type("SEQEND"), tVertex = type("VERTEX");
    std::uint64_t lastOwnerHandle = 0;
    auto assign = [&](DbStub& r, DbStub* fallback) {
        // Attributes, vertices and their SEQEND belong to the entity they follow, whatever
        // owner a writer gave them.
        if (r.type == tAttrib || r.type == tSeqend || r.type == tVertex) return;
        if (r.owner && r.owner == lastOwnerHandle && lastInfo) {
            lastInfo->entities.push_back(&r);
            return;
        }
        DbStub* owner = r.owner ? byHandle(r.owner) : fallback;
        if (!owner || owner->type != tBtr) return;
        if (owner != lastOwner) {
            lastOwner = owner;
            lastInfo = &blocks[owner];
        }
        lastOwnerHandle = r.owner;
        lastInfo->entities.push_back(&r);
    };
    const std::uint16_t tInsert = type("INSERT");
    const DbStub* attributeOwner = nullptr;  // the INSERT whose attributes follow
    for (std::uint32_t i = f.firstRecord(); i != DbStub::kNone; i = f.record(i).next) {
        DbStub& r = f.record(i);
        r.database = self;
        if (r.type == tInsert) {
            attributeOwner = &r;
        } else if (attributeOwner && (r.type == tAttrib || r.type == tSeqend)) {
            r.owner = attributeOwner->handle;  // in memory only: the file keeps its own 330
            if (r.type == tSeqend) attributeOwner = nullptr;
        } else {
            attributeOwner = nullptr;
        }
        switch (static_cast<dxf::Section>(r.section)) {
        case dxf::Section::kTables:
            if (r.type == tTable) {
                std::string name = firstValue(*this, &r, 2);
                table = db::kTableCount;
                for (int k = 0; k < db::kTableCount; ++k)
                    if (name == db::tableName(static_cast<db::TableKind>(k))) table = static_cast<db::TableKind>(k);
                if (table != db::kTableCount && !tableHeads[table]) tableHeads[table] = &r;
                else table = db::kTableCount;
            } else if (r.type == tEndtab) {
                if (table != db::kTableCount) tableEnds[table] = &r;
                table = db::kTableCount;
            } else if (table != db::kTableCount && r.type != tEndsec) {
                tableRecords[table].push_back(&r);
            }
            break;
        case dxf::Section::kBlocks:
            if (r.type == tBlock) {
                DbStub* btr = byHandle(r.owner);
                if (!btr || btr->type != tBtr) {
                    std::wstring name = codec->decode(firstValue(*this, &r, 2));
                    btr = findRecord(db::kBlockRecord, name, true);
                }
                blockRecord = btr;
                block = btr ? &blocks[btr] : nullptr;
                if (block) block->block = &r;
                lastOwner = nullptr;
                lastInfo = nullptr;
                lastOwnerHandle = 0;
            } else if (r.type == tEndblk) {
                if (block) block->endblk = &r;
                block = nullptr;
                blockRecord = nullptr;
            } else if (r.type == tEndsec) {
                blocksEnd = &r;
            } else {
                assign(r, blockRecord);
            }
            break;
        case dxf::Section::kEntities:
            if (r.type == tEndsec) {
                entitiesEnd = &r;
            } else if (r.type != tSection) {
                if (!modelSpace) modelSpace = findRecord(db::kBlockRecord, L"*Model_Space");
                assign(r, modelSpace);
            }
            break;
        case dxf::Section::kObjects:
            if (!rootDictionary && r.type == tDictionary) rootDictionary = &r;
            else if (r.type == tLayout) layouts.push_back(&r);
            break;
        default:
            break;
        }
    }
    if (!tableHeads[db::kBlockRecord] || !tableEnds[db::kBlockRecord]) {
        why = "no BLOCK_RECORD table";
        return false;
    }
    if (!entitiesEnd) {
        why = "no ENTITIES section";
        return false;
    }
    return true;
}

std::wstring AcDbDatabase::Impl::recordName(const DbStub* r) {
    std::string raw = recordValue(r, "AcDbSymbolTableRecord", 2);
    if (raw.empty()) raw = firstValue(*this, r, 2);
    return codec->decode(raw);
}

DbStub* AcDbDatabase::Impl::findRecord(db::TableKind kind, std::wstring_view name, bool erasedToo) {
    if (kind >= db::kTableCount || !file) return nullptr;
    auto& index = names[kind];
    if (!namesBuilt[kind]) {
        index.clear();
        for (DbStub* r : tableRecords[kind]) index[db::upperWide(recordName(r))].push_back(r);
        namesBuilt[kind] = true;
    }
    // Walks ask the same table for the same name over and over (the APPID of every entity).
    NameHit& last = lastName[kind];
    if (last.version == namesVersion && last.erasedToo == erasedToo && last.name == name) return last.record;
    DbStub* found = nullptr;
    auto it = index.find(name);
    if (it != index.end())
        for (DbStub* r : it->second)
            if (!r->erased() || erasedToo) {
                found = r;
                break;
            }
    last.name.assign(name);
    last.version = namesVersion;
    last.erasedToo = erasedToo;
    last.record = found;
    return found;
}

int AcDbDatabase::Impl::blockFlags(const DbStub* btr) {
    auto it = blocks.find(btr);
    if (it == blocks.end() || !it->second.block) return 0;
    db::BlockInfo& info = it->second;
    if (!info.knows(db::BlockInfo::kFlagsKnown, namesVersion)) {
        info.flags = std::atoi(recordValue(info.block, "AcDbBlockBegin", 70).c_str());
        info.factsKnown |= db::BlockInfo::kFlagsKnown;
    }
    return info.flags;
}

bool AcDbDatabase::Impl::inEntitiesSection(const DbStub* btr) {
    std::wstring name = blockName(btr);
    return db::equalsNoCase(name, L"*Model_Space") || db::equalsNoCase(name, L"*Paper_Space");
}

bool AcDbDatabase::Impl::isPaperSpace(const DbStub* btr) {
    std::wstring name = db::upperWide(blockName(btr));
    return name.rfind(L"*PAPER_SPACE", 0) == 0;
}

std::uint64_t AcDbDatabase::Impl::allocateHandle() {
    file->setModified();
    return nextHandle++;
}

DbStub& AcDbDatabase::Impl::addRecord(DbStub& before, std::string_view typeName, std::string text,
                                       dxf::Section section, std::uint64_t handle) {
    structureChanged();
    DbStub& r = file->insertBefore(before, std::move(text), type(typeName), section);
    r.database = self;
    r.handle = handle;
    if (handle) file->addHandle(r);
    return r;
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Groups by name for the index build: open addressing over a hash of a name's length and its
// first and last eight bytes. A library hash of the whole name costs more than finding the name.
class GroupTable {
public:
    explicit GroupTable(std::vector<AcDbDatabase::Impl::InsertGroup>& groups) : m_groups(groups), m_slots(64, kEmpty) {}

    AcDbDatabase::Impl::InsertGroup& groupOf(std::string_view name) {
        std::size_t i = slotOf(name);
        if (m_slots[i] == kEmpty) {
            if ((m_groups.size() + 1) * 2 > m_slots.size()) {
                grow();
                i = slotOf(name);
            }
            m_slots[i] = static_cast<std::uint32_t>(m_groups.size());
            m_groups.push_back({std::string(name), {}});
        }
        return m_groups[m_slots[i]];
    }

private:
    static constexpr std::uint32_t kEmpty = ~0u;

    static std::uint64_t hash(std::string_view s) {
        std::uint64_t h = (s.size() + 1) * 0x9E3779B97F4A7C15ull;
        if (s.size() >= 8) {
            std::uint64_t head, tail;
            std::memcpy(&head, s.data(), 8);
            std::memcpy(&tail, s.data() + s.size() - 8, 8);
            h ^= head * 0xC2B2AE3D27D4EB4Full;
            h ^= (tail ^ (h >> 31)) * 0x165667B19E3779F9ull;
        } else {
            for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
        }
        return h ^ (h >> 32);
    }
    // The slot that holds name, or the empty one where it belongs.
    std::size_t slotOf(std::string_view name) const {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash(name) & mask;; i = (i + 1) & mask)
            if (m_slots[i] == kEmpty || m_groups[m_slots[i]].rawName == name) return i;
    }
    void grow() {
        m_slots.assign(m_slots.size() * 2, kEmpty);
        const std::size_t mask = m_slots.size() - 1;
        for (std::uint32_t g = 0; g < m_groups.size(); ++g) {
            std::size_t i = hash(m_groups[g].rawName) & mask;
            while (m_slots[i] != kEmpty) i = (i + 1) & mask;
            m_slots[i] = g;
        }
    }

    std::vector<AcDbDatabase::Impl::InsertGroup>& m_groups;
    std::vector<std::uint32_t> m_slots;
};

}  // namespace

void AcDbDatabase::Impl::ensureInsertIndex() {
    if (insertIndexBuilt) return;
    insertRecords.clear();
    insertGroups.clear();
    insertGroupsVersion = ~0ull;
    const std::uint16_t tInsert = file->findType("INSERT");
    if (tInsert != 0xFFFF) {
        // Records read from the file lie in file order, and a plain walk over them is cheaper
        // than following the file order's links; references added since need the links.
        bool added = false;
        for (DbStub& r : file->records())
            if (r.type == tInsert) {
                if (r.flags & DbStub::kNew) {
                    added = true;
                    break;
                }
                insertRecords.push_back(&r);
            }
        if (added) {
            insertRecords.clear();
            for (std::uint32_t i = file->firstRecord(); i != DbStub::kNone; i = file->record(i).next)
                if (file->record(i).type == tInsert) insertRecords.push_back(&file->record(i));
        }
    }
    // Tens of thousands of references name a few dozen blocks: each name is kept once, and a
    // reference costs one table look-up of a view of its name.
    GroupTable table(insertGroups);
    for (std::uint32_t i = 0; i < insertRecords.size(); ++i) {
        DbStub& r = *insertRecords[i];
        std::string_view name;
        if (r.openObject) {
            name = DbAccess::state(static_cast<AcDbObject*>(r.openObject))->valueIn("AcDbBlockReference", 2);
        } else if (r.nameAt != 0 && r.edit == DbStub::kNone) {
            // As read and unchanged: the reader noted where the name is. Names are short: a
            // plain loop to the line end beats a call.
            const std::string_view text = file->text();
            const std::size_t begin = r.begin + r.nameAt, limit = r.begin + r.length;
            std::size_t end = begin;
            while (end < limit && text[end] != '\n') ++end;
            if (end > begin && text[end - 1] == '\r') --end;
            name = text.substr(begin, end - begin);
        } else if (!dxf::findInSubclass(file->objectText(r), "AcDbBlockReference", 2, name)) {
            name = {};
        }
        if (!name.empty() && (isBlank(name.front()) || isBlank(name.back()))) name = dxf::trimBlanks(name);
        table.groupOf(name).references.push_back(i);
    }
    insertIndexBuilt = true;
}

const std::vector<std::uint32_t>* AcDbDatabase::Impl::insertGroupsOf(const DbStub* btr) {
    ensureInsertIndex();
    if (insertGroupsVersion != namesVersion) {
        insertGroupsByBlock.clear();
        for (std::uint32_t g = 0; g < insertGroups.size(); ++g) {
            // As AcDbBlockReference::blockTableRecord resolves a name; a name that only an
            // erased record carries still leads to it, so an erased block keeps its references.
            std::wstring name = codec->decode(insertGroups[g].rawName);
            DbStub* block = findRecord(db::kBlockRecord, name);
            if (!block) block = findRecord(db::kBlockRecord, name, true);
            if (block) insertGroupsByBlock[block].push_back(g);
        }
        insertGroupsVersion = namesVersion;
    }
    auto it = insertGroupsByBlock.find(btr);
    return it == insertGroupsByBlock.end() ? nullptr : &it->second;
}

std::vector<DbStub*> AcDbDatabase::Impl::attributesOf(const DbStub* insert, DbStub** seqend) {
    std::vector<DbStub*> out;
    if (seqend) *seqend = nullptr;
    // The attributes follow their reference up to a SEQEND (some writers give them the
    // reference's block record as owner, so the order decides, not the 330).
    std::uint16_t tAttrib = file->findType("ATTRIB"), tSeqend = file->findType("SEQEND");
    for (std::uint32_t i = insert->next; i != DbStub::kNone; i = file->record(i).next) {
        DbStub& r = file->record(i);
        if (r.type == tAttrib) {
            out.push_back(&r);
        } else {
            if (r.type == tSeqend && seqend) *seqend = &r;
            break;
        }
    }
    return out;
}

// ---- AcDbDatabase ----

ACRX_DEFINE_MEMBERS(AcDbDatabase, AcRxObject)

AcDbDatabase::AcDbDatabase(bool buildDefaultDrawing, bool) : m_impl(new Impl(this)) {
    if (!buildDefaultDrawing) return;
    dxf::LoadError error;
    std::string message, why;
    m_impl->file = dxf::DxfFile::parse(db::defaultDrawingText(), "new drawing", error, message);
    if (m_impl->file && !m_impl->bind(why)) m_impl->reset();
    if (m_impl->file) m_impl->file->setModified();
}

AcDbDatabase::~AcDbDatabase() {
    if (acdbHostApplicationServices()->workingDatabase() == this)
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    m_impl->releaseSpares();
    // Objects still open are the caller's mistake; they die with the database.
    if (m_impl->file)
        for (DbStub& r : m_impl->file->records())
            if (r.openObject) delete static_cast<AcDbObject*>(r.openObject);
    delete m_impl;
}

Acad::ErrorStatus AcDbDatabase::getFilename(const ACHAR*& name) const {
    name = m_impl->fileName.c_str();
    return Acad::eOk;
}

const ACHAR* AcDbDatabase::lastErrorText() const { return m_impl->lastError.c_str(); }

namespace {

Acad::ErrorStatus statusOf(dxf::LoadError error) {
    switch (error) {
    case dxf::LoadError::kNotFound: return Acad::eFileNotFound;
    case dxf::LoadError::kAccess: return Acad::eFileAccessErr;
    case dxf::LoadError::kDwg:
    case dxf::LoadError::kBinaryDxf:
    case dxf::LoadError::kUnsupported: return Acad::eUnsupportedFileFormat;
    case dxf::LoadError::kObsolete: return Acad::eObsoleteFileFormat;
    case dxf::LoadError::kTooLarge: return Acad::eOutOfMemory;
    default: return Acad::eBadDxfFile;
    }
}

// Takes over a scanned file; on failure the database stays empty.
Acad::ErrorStatus adopt(AcDbDatabase::Impl& d, std::unique_ptr<dxf::DxfFile> file, const std::string& name) {
    d.reset();
    d.file = std::move(file);
    std::string why;
    if (!d.bind(why)) {
        d.reset();
        d.lastError = wideOf(name + ": " + why);
        return Acad::eBadDxfFile;
    }
    return Acad::eOk;
}

}  // namespace

namespace cadhost::db {

Acad::ErrorStatus readFromText(AcDbDatabase& db, std::string text, const std::string& name) {
    AcDbDatabase::Impl& d = *db.impl();
    if (d.openCount > 0) return Acad::eDatabaseObjectsOpen;
    dxf::LoadError error;
    std::string message;
    auto file = dxf::DxfFile::parse(std::move(text), name, error, message);
    if (!file) {
        d.lastError = wideOf(message);
        return statusOf(error);
    }
    return adopt(d, std::move(file), name);
}

std::string savedText(AcDbDatabase& db) {
    std::string out;
    if (db.impl()->file) db.impl()->file->write([&](std::string_view s) { out.append(s); });
    return out;
}

}  // namespace cadhost::db

Acad::ErrorStatus AcDbDatabase::readDwgFile(const ACHAR* fileName, OpenMode, bool, const wchar_t*) {
    Acad::ErrorStatus es;
    m_impl->lastError.clear();
    if (db::injectedFault(DbCall::kReadDwgFile, es)) return es;
    if (!fileName || !*fileName) return Acad::eInvalidInput;
    if (m_impl->openCount > 0) return Acad::eDatabaseObjectsOpen;
    std::string path = db::filePath(fileName);
    dxf::LoadError error;
    std::string message;
    auto file = dxf::DxfFile::load(path, error, message);
    if (!file) {
        m_impl->lastError = wideOf(message);
        return statusOf(error);
    }
    es = adopt(*m_impl, std::move(file), path);
    if (es != Acad::eOk) return es;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        m_impl->loadedSize = static_cast<long long>(st.st_size);
        m_impl->loadedMtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    }
    m_impl->loadedPath = path;
    m_impl->fileName = fileName;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::readDwgFile(const ACHAR* fileName, int shareMode, bool allowCp, const wchar_t* pw) {
    return readDwgFile(fileName, static_cast<OpenMode>(shareMode), allowCp, pw);
}

Acad::ErrorStatus AcDbDatabase::saveAs(const ACHAR* fileName, bool bBakAndRename, AcDb::AcDbDwgVersion,
                                       const SecurityParams*) {
    Acad::ErrorStatus es;
    m_impl->lastError.clear();
    if (db::injectedFault(DbCall::kSaveAs, es)) return es;
    if (!fileName || !*fileName) return Acad::eInvalidInput;
    if (!m_impl->file) return Acad::eNoDatabase;
    es = m_impl->save(db::filePath(fileName), bBakAndRename);
    if (es == Acad::eOk) m_impl->fileName = fileName;
    return es;
}

Acad::ErrorStatus AcDbDatabase::saveAs(const ACHAR* fileName, const SecurityParams* sec) {
    return saveAs(fileName, false, AcDb::kDHL_CURRENT, sec);
}

namespace {

template <class T>
Acad::ErrorStatus openTable(AcDbDatabase::Impl* d, db::TableKind kind, T*& table, AcDb::OpenMode mode) {
    table = nullptr;
    Acad::ErrorStatus es;
    if (db::injectedFault(DbCall::kGetSymbolTable, es)) return es;
    if (!d->file) return Acad::eNoDatabase;
    DbStub* head = d->tableHeads[kind];
    if (!head) return Acad::eMissingSymbolTable;
    // The table's own class is known: no class check, no cast.
    AcDbObject* obj = nullptr;
    es = d->open(obj, head, mode, false, nullptr);
    if (es == Acad::eOk) table = static_cast<T*>(obj);
    return es;
}

}  // namespace

Acad::ErrorStatus AcDbDatabase::getBlockTable(AcDbBlockTable*& t, AcDb::OpenMode m) { return openTable(m_impl, db::kBlockRecord, t, m); }
Acad::ErrorStatus AcDbDatabase::getLayerTable(AcDbLayerTable*& t, AcDb::OpenMode m) { return openTable(m_impl, db::kLayer, t, m); }
Acad::ErrorStatus AcDbDatabase::getTextStyleTable(AcDbTextStyleTable*& t, AcDb::OpenMode m) { return openTable(m_impl, db::kStyle, t, m); }
Acad::ErrorStatus AcDbDatabase::getLinetypeTable(AcDbLinetypeTable*& t, AcDb::OpenMode m) { return openTable(m_impl, db::kLtype, t, m); }
Acad::ErrorStatus AcDbDatabase::getViewTable(AcDbViewTable*& t, AcDb::OpenMode m) { return openTable(m_impl, db::kView, t, m); }
Acad::ErrorStatus AcDbDatabase::getUCSTable(AcDbUCSTable*& t, AcDb::OpenMode m) { return openTable(m_impl, db::kUcs, t, m); }
Acad::ErrorStatus AcDbDatabase::getViewportTable(AcDbViewportTable*& t, AcDb::OpenMode m) { return openTable(m_impl, db::kVport, t, m); }
Acad::ErrorStatus AcDbDatabase::getRegAppTable(AcDbRegAppTable*& t, AcDb::OpenMode m) { return openTable(m_impl, db::kAppid, t, m); }
Acad::ErrorStatus AcDbDatabase::getDimStyleTable(AcDbDimStyleTable*& t, AcDb::OpenMode m) { return openTable(m_impl, db::kDimstyle, t, m); }

AcDbObjectId AcDbDatabase::blockTableId() const { return AcDbObjectId::fromStub(m_impl->tableHeads[db::kBlockRecord]); }
AcDbObjectId AcDbDatabase::layerTableId() const { return AcDbObjectId::fromStub(m_impl->tableHeads[db::kLayer]); }
AcDbObjectId AcDbDatabase::textStyleTableId() const { return AcDbObjectId::fromStub(m_impl->tableHeads[db::kStyle]); }
AcDbObjectId AcDbDatabase::linetypeTableId() const { return AcDbObjectId::fromStub(m_impl->tableHeads[db::kLtype]); }
AcDbObjectId AcDbDatabase::viewTableId() const { return AcDbObjectId::fromStub(m_impl->tableHeads[db::kView]); }
AcDbObjectId AcDbDatabase::UCSTableId() const { return AcDbObjectId::fromStub(m_impl->tableHeads[db::kUcs]); }
AcDbObjectId AcDbDatabase::viewportTableId() const { return AcDbObjectId::fromStub(m_impl->tableHeads[db::kVport]); }
AcDbObjectId AcDbDatabase::regAppTableId() const { return AcDbObjectId::fromStub(m_impl->tableHeads[db::kAppid]); }
AcDbObjectId AcDbDatabase::dimStyleTableId() const { return AcDbObjectId::fromStub(m_impl->tableHeads[db::kDimstyle]); }
AcDbObjectId AcDbDatabase::layerZero() const { return AcDbObjectId::fromStub(m_impl->findRecord(db::kLayer, L"0")); }
AcDbObjectId AcDbDatabase::namedObjectsDictionaryId() const { return AcDbObjectId::fromStub(m_impl->rootDictionary); }

AcDbObjectId AcDbDatabase::layoutDictionaryId() const {
    if (!m_impl->rootDictionary) return AcDbObjectId::kNull;
    dxf::TagList t;
    t.parse(m_impl->file->objectText(*m_impl->rootDictionary));
    for (int i = 0; i + 1 < t.size(); ++i)
        if (t[i].code == 3 && t[i].value() == "ACAD_LAYOUT" && t[i + 1].code >= 350 && t[i + 1].code <= 360) {
            std::uint64_t h = 0;
            if (dxf::parseHandle(t[i + 1].value(), h)) return AcDbObjectId::fromStub(m_impl->byHandle(h));
        }
    return AcDbObjectId::kNull;
}

bool AcDbDatabase::tilemode() const { return !m_impl->file || m_impl->file->tilemode(); }
AcDbHandle AcDbDatabase::handseed() const { return AcDbHandle(m_impl->nextHandle); }

AcDb::AcDbDwgVersion AcDbDatabase::originalFileVersion() const {
    switch (m_impl->file ? m_impl->file->versionNumber() : 1032) {
    case 1015: return AcDb::kDHL_1015;
    case 1018: return AcDb::kDHL_1800;
    case 1021: return AcDb::kDHL_1021;
    case 1024: return AcDb::kDHL_1024;
    case 1027: return AcDb::kDHL_1027;
    default: return AcDb::kDHL_1032;
    }
}

Acad::ErrorStatus AcDbDatabase::getAcDbObjectId(AcDbObjectId& retId, bool, const AcDbHandle& objHandle, Adesk::UInt32) {
    if (!m_impl->file) return Acad::eNoDatabase;
    if (objHandle.isNull()) return Acad::eNullHandle;
    DbStub* s = m_impl->byHandle(objHandle.value());
    if (!s) return Acad::eUnknownHandle;
    retId = AcDbObjectId::fromStub(s);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::addAcDbObject(AcDbObjectId&, AcDbObject*) { return Acad::eNotImplementedYet; }

Adesk::Int32 AcDbDatabase::approxNumObjects() const {
    return m_impl->file ? static_cast<Adesk::Int32>(m_impl->file->records().size()) : 0;
}

int acdbRegApp(const ACHAR* appName) {
    AcDbDatabase* d = acdbHostApplicationServices()->workingDatabase();
    if (!d || !appName || !*appName) return RTERROR;
    AcDbRegAppTable* table = nullptr;
    if (d->getRegAppTable(table, AcDb::kForRead) != Acad::eOk) return RTERROR;
    if (table->has(appName)) {
        table->close();
        return RTNORM;
    }
    if (table->upgradeOpen() != Acad::eOk) {
        table->close();
        return RTERROR;
    }
    auto* rec = new AcDbRegAppTableRecord();
    Acad::ErrorStatus es = rec->setName(appName);
    if (es == Acad::eOk) es = table->add(rec);
    if (es != Acad::eOk) {
        delete rec;
        table->close();
        return RTERROR;
    }
    rec->close();
    table->close();
    return RTNORM;
}
