// Database objects: ids, handles, the state behind each object, opening, closing (and keeping
// closed objects for the next open), erasing, and the common entity properties (layer,
// visibility, extents).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "acutmem.h"
#include "db_internal.h"
#include "dbents.h"
#include "dblayout.h"
#include "dbsymtb.h"
#include "dxf/tag_scan.h"

using cadhost::DbAccess;
using cadhost::DbObjectState;
using cadhost::DbStub;
namespace db = cadhost::db;
namespace dxf = cadhost::dxf;

namespace cadhost::db {

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

namespace {
// Upper case for ASCII and Latin-1 letters, independent of the process locale.
wchar_t upperChar(wchar_t c) {
    if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<wchar_t>(c - 32);
    return c;
}
}  // namespace

std::wstring upperWide(std::wstring_view s) {
    std::wstring out(s);
    for (wchar_t& c : out) c = upperChar(c);
    return out;
}

bool equalsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperChar(a[i]) != upperChar(b[i])) return false;
    return true;
}

std::size_t NoCaseHash::operator()(std::wstring_view s) const {
    // upperChar only ever clears the 0x20 bit, so a hash of the characters without that bit
    // gives names that differ in case alone the same hash.
    std::size_t h = 14695981039346656037ull;
    for (wchar_t c : s) h = (h ^ static_cast<std::size_t>(c & ~0x20)) * 1099511628211ull;
    return h;
}

std::string formatHandle(std::uint64_t handle) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(handle));
    return buf;
}

std::string formatReal(double value) {
    char buf[40];
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        std::snprintf(buf, sizeof buf, "%.1f", value);
    else
        std::snprintf(buf, sizeof buf, "%.16g", value);
    return buf;
}

}  // namespace cadhost::db

namespace {

// A UTF-8 R2018 codec for objects that are not in a database yet.
const dxf::TextCodec& defaultCodec() {
    static dxf::TextCodec codec(1032, "ANSI_1252");
    return codec;
}

const dxf::TagFormat& defaultFormat() {
    static dxf::TagFormat format;
    return format;
}


// Objects of types that the host does not model.
class GenericObject final : public AcDbObject {
public:
    explicit GenericObject(const char* type) : AcDbObject(type) {}
};

class GenericEntity final : public AcDbEntity {
public:
    explicit GenericEntity(const char* type) : AcDbEntity(type) {}
};

}  // namespace

// ---- handles and ids ----

AcDbHandle::AcDbHandle(const ACHAR* hexText) {
    std::string s;
    for (const ACHAR* p = hexText; p && *p; ++p) s.push_back(*p < 128 ? static_cast<char>(*p) : '?');
    std::uint64_t v = 0;
    m_value = dxf::parseHandle(s, v) ? v : 0;
}

AcDbHandle::AcDbHandle(const char* hexText) {
    std::uint64_t v = 0;
    m_value = hexText && dxf::parseHandle(hexText, v) ? v : 0;
}

bool AcDbHandle::getIntoAsciiBuffer(char* buf, std::size_t bufLen) const {
    std::string s = db::formatHandle(m_value);
    if (!buf || s.size() + 1 > bufLen) return false;
    std::memcpy(buf, s.c_str(), s.size() + 1);
    return true;
}

bool AcDbHandle::getIntoAsciiBuffer(ACHAR* buf, std::size_t bufLen) const {
    std::string s = db::formatHandle(m_value);
    if (!buf || s.size() + 1 > bufLen) return false;
    for (std::size_t i = 0; i <= s.size(); ++i) buf[i] = static_cast<ACHAR>(s.c_str()[i]);
    return true;
}

bool AcDbObjectId::isValid() const { return m_stub != nullptr && m_stub->database != nullptr; }
bool AcDbObjectId::isErased() const { return m_stub != nullptr && m_stub->erased(); }
AcDbHandle AcDbObjectId::handle() const { return m_stub ? AcDbHandle(m_stub->handle) : AcDbHandle(); }
AcDbDatabase* AcDbObjectId::database() const {
    return m_stub ? static_cast<AcDbDatabase*>(m_stub->database) : nullptr;
}

AcRxClass* AcDbObjectId::objectClass() const {
    if (!m_stub || m_stub->openObject) return m_stub ? static_cast<AcDbObject*>(m_stub->openObject)->isA() : nullptr;
    AcDbDatabase::Impl* d = db::dbOf(m_stub);
    return d ? DbAccess::classOf(*d, *m_stub) : nullptr;
}

// ---- object state ----

namespace cadhost {

dxf::TagList& DbObjectState::tags() {
    if (!m_parsed) {
        // An edited copy is the object's text already.
        if (!m_edited) {
            if (stub && db) templ.assign(db->file->objectText(*stub));
            else if (templ.empty() && newTemplate) templ = newTemplate;
        }
        m_tags.parse(templ);
        m_parsed = true;
    }
    return m_tags;
}

std::string_view DbObjectState::currentText() const {
    if (m_edited || !stub || !db) return templ;
    return db->file->objectText(*stub);
}

std::wstring DbObjectState::decode(std::string_view raw) const {
    return db ? db->codec->decode(raw) : defaultCodec().decode(raw);
}

void DbObjectState::decode(std::string_view raw, std::wstring& out) const {
    (db ? *db->codec : defaultCodec()).decode(raw, out);
}

std::string DbObjectState::encode(std::wstring_view text) const {
    return db ? db->codec->encode(text) : defaultCodec().encode(text);
}

const dxf::TagFormat& DbObjectState::format() const { return db ? db->file->format() : defaultFormat(); }

const std::vector<dxf::TagSpot>* DbObjectState::spots() const {
    if (m_parsed || !write || !stub || !db) return nullptr;
    // Another object's edit may have replaced this record's text under it.
    if (!m_spotted || m_spottedAt != db->file->textEdits()) {
        m_spotted = dxf::spotTags(currentText(), m_spots);
        m_spottedAt = db->file->textEdits();
    }
    return m_spotted ? &m_spots : nullptr;
}

std::string_view DbObjectState::valueIn(std::string_view marker, int code) const {
    if (!m_parsed && stub && db) {
        // Read-only questions need no split: the text stays put while the object is open.
        std::string_view text = currentText(), value;
        const std::vector<dxf::TagSpot>* s = spots();
        bool found = s ? dxf::findInSubclass(text, *s, marker, code, value) : dxf::findInSubclass(text, marker, code, value);
        return found ? value : std::string_view();
    }
    const dxf::TagList& t = tags();
    int i = t.findInSubclass(marker, code);
    return i < 0 ? std::string_view() : t[i].value();
}

bool DbObjectState::hasBeforeXdata(int code) const {
    if (!m_parsed && stub && db) {
        const std::vector<dxf::TagSpot>* s = spots();
        return s ? dxf::hasBeforeXdata(*s, code) : dxf::hasBeforeXdata(currentText(), code);
    }
    const dxf::TagList& t = tags();
    return t.find(code, 0, t.xdataStart()) >= 0;
}

bool DbObjectState::setIn(std::string_view marker, int code, std::string_view value) {
    // A value that is there already is replaced in the text itself. New records are written
    // from their tags (in the file's own format), so they are split.
    if (!m_parsed && stub && db && !(stub->flags & DbStub::kNew)) {
        std::string_view text = currentText(), old;
        const std::vector<dxf::TagSpot>* s = spots();
        if (s ? dxf::findInSubclass(text, *s, marker, code, old) : dxf::findInSubclass(text, marker, code, old)) {
            if (old == value) return true;
            const auto at = static_cast<std::size_t>(old.data() - text.data());
            const std::size_t length = old.size();
            if (m_edited) {
                templ.replace(at, length, value);
            } else {
                // The record's text with the new value, built in one piece.
                templ.clear();
                templ.reserve(text.size() + value.size() - length);
                templ.append(text.data(), at).append(value).append(text.substr(at + length));
                m_xdata = stub->xdata;
                m_edited = true;
            }
            // The value lies before the extended data (a subclass ends where it starts).
            const auto grown = static_cast<std::uint32_t>(value.size() - length);
            if (m_xdata > at) m_xdata += grown;
            if (m_spotted) {
                // The spots behind the value move with it; the value's own spot grows.
                auto spot = m_spots.rbegin();
                for (; spot != m_spots.rend() && spot->begin > at; ++spot) {
                    spot->begin += grown;
                    spot->end += grown;
                }
                if (spot != m_spots.rend()) spot->end += grown;
            }
            return true;
        }
    }
    dxf::TagList& t = tags();
    auto [first, end] = t.subclassSpan(marker);
    if (first < 0) return false;
    int i = t.find(code, first, end);
    if (i >= 0) t.setValue(i, value);
    else t.insert(end, code, value, format());
    return true;
}

void DbObjectState::writeBack() {
    m_spotted = false;
    if (!stub || !db) return;
    if (m_parsed) {
        if (!m_tags.changed() && !m_edited) return;
        if (stub->flags & DbStub::kNew) {
            db->file->setObjectText(*stub, db->render(m_tags));
        } else {
            std::uint32_t xdata = 0;
            std::string text = m_tags.text(xdata);
            db->file->setObjectText(*stub, std::move(text), xdata);
        }
        // Later opens read the new text; this object keeps its tags.
    } else if (m_edited) {
        db->file->setObjectText(*stub, std::move(templ), m_xdata);
        templ.clear();
    } else {
        return;
    }
    m_edited = false;
    db->recordEdited(stub);
}

}  // namespace cadhost

// ---- the database's record helpers used by all objects ----

std::string AcDbDatabase::Impl::recordValue(const DbStub* s, std::string_view marker, int code) {
    if (!s) return {};
    if (s->openObject) return std::string(DbAccess::state(static_cast<AcDbObject*>(s->openObject))->valueIn(marker, code));
    std::string_view value;
    return dxf::findInSubclass(file->objectText(*s), marker, code, value) ? std::string(value) : std::string();
}

std::string AcDbDatabase::Impl::render(const dxf::TagList& tags) const {
    const dxf::TagFormat& f = file->format();
    std::string out;
    for (int i = 0; i < tags.size(); ++i) {
        out += dxf::formatCode(tags[i].code, f);
        out += f.eol;
        out += tags[i].value();
        out += f.eol;
    }
    return out;
}

namespace {

// What the database builds for a record: its class, and how to make the typed object.
struct ObjectKind {
    AcRxClass* (*desc)();
    AcDbObject* (*make)(const char* type);
    // Kept for the next open once closed (when nothing was split or changed): tables, their
    // records and layouts are opened again and again by every walk over a drawing.
    bool reused = false;
};

template <class T>
AcDbObject* makeTyped(const char*) {
    return new T();
}
AcDbObject* makeGenericObject(const char* type) { return new GenericObject(type); }
AcDbObject* makeGenericEntity(const char* type) { return new GenericEntity(type); }

template <class T>
constexpr ObjectKind kindFor(bool reused = false) {
    return {&T::desc, &makeTyped<T>, reused};
}

struct NamedKind {
    std::string_view type;
    ObjectKind kind;
};

// Records the host models, by DXF type; everything else is a generic object or entity.
const NamedKind kNamedKinds[] = {
    {"INSERT", kindFor<AcDbBlockReference>()},
    {"ATTRIB", kindFor<AcDbAttribute>()},
    {"ATTDEF", kindFor<AcDbAttributeDefinition>()},
    {"TEXT", kindFor<AcDbText>()},
    {"MTEXT", kindFor<AcDbMText>()},
    {"LAYOUT", kindFor<AcDbLayout>(true)},
    {"BLOCK_RECORD", kindFor<AcDbBlockTableRecord>(true)},
    {"LAYER", kindFor<AcDbLayerTableRecord>(true)},
    {"STYLE", kindFor<AcDbTextStyleTableRecord>(true)},
    {"LTYPE", kindFor<AcDbLinetypeTableRecord>(true)},
    {"VIEW", kindFor<AcDbViewTableRecord>(true)},
    {"UCS", kindFor<AcDbUCSTableRecord>(true)},
    {"VPORT", kindFor<AcDbViewportTableRecord>(true)},
    {"APPID", kindFor<AcDbRegAppTableRecord>(true)},
    {"DIMSTYLE", kindFor<AcDbDimStyleTableRecord>(true)},
};

// The tables, in TableKind order.
const ObjectKind kTableKinds[db::kTableCount] = {
    kindFor<AcDbViewportTable>(true), kindFor<AcDbLinetypeTable>(true), kindFor<AcDbLayerTable>(true),
    kindFor<AcDbTextStyleTable>(true), kindFor<AcDbViewTable>(true),    kindFor<AcDbUCSTable>(true),
    kindFor<AcDbRegAppTable>(true),   kindFor<AcDbDimStyleTable>(true), kindFor<AcDbBlockTable>(true),
};

const ObjectKind kGenericObject{&AcDbObject::desc, &makeGenericObject};
const ObjectKind kGenericEntity{&AcDbEntity::desc, &makeGenericEntity};

// Kind codes kept in DbStub::kind: the named kinds, then the tables in TableKind order, then the
// generic object and entity.
constexpr std::int16_t kFirstTableCode = static_cast<std::int16_t>(std::size(kNamedKinds));
constexpr std::int16_t kGenericObjectCode = kFirstTableCode + db::kTableCount;
constexpr std::int16_t kGenericEntityCode = kGenericObjectCode + 1;

std::int16_t kindCodeOf(AcDbDatabase::Impl& d, const DbStub& stub) {
    // Type names are interned per file: what a type name stands for is looked up once.
    constexpr std::int16_t kUnknown = -1, kTable = -2, kGeneric = -3;
    std::vector<std::int16_t>& byType = d.kindByType;
    if (byType.size() <= stub.type) byType.resize(stub.type + 1u, kUnknown);
    std::int16_t& named = byType[stub.type];
    if (named == kUnknown) {
        const std::string& t = d.file->typeName(stub.type);
        named = t == "TABLE" ? kTable : kGeneric;
        for (std::size_t i = 0; i < std::size(kNamedKinds); ++i)
            if (kNamedKinds[i].type == t) named = static_cast<std::int16_t>(i);
    }
    if (named >= 0) return named;
    if (named == kTable) {
        for (int k = 0; k < db::kTableCount; ++k)
            if (d.tableHeads[static_cast<std::size_t>(k)] == &stub) return static_cast<std::int16_t>(kFirstTableCode + k);
        return kGenericObjectCode;
    }
    auto section = static_cast<dxf::Section>(stub.section);
    return section == dxf::Section::kEntities || section == dxf::Section::kBlocks ? kGenericEntityCode
                                                                                   : kGenericObjectCode;
}

// Every kind by its code.
const std::array<const ObjectKind*, kGenericEntityCode + 1> kKindByCode = [] {
    std::array<const ObjectKind*, kGenericEntityCode + 1> kinds{};
    for (std::size_t i = 0; i < std::size(kNamedKinds); ++i) kinds[i] = &kNamedKinds[i].kind;
    for (int k = 0; k < db::kTableCount; ++k) kinds[static_cast<std::size_t>(kFirstTableCode + k)] = &kTableKinds[k];
    kinds[kGenericObjectCode] = &kGenericObject;
    kinds[kGenericEntityCode] = &kGenericEntity;
    return kinds;
}();

inline const ObjectKind& kindOf(AcDbDatabase::Impl& d, const DbStub& stub) {
    if (stub.kind < 0) [[unlikely]]
        stub.kind = kindCodeOf(d, stub);
    return *kKindByCode[static_cast<std::size_t>(stub.kind)];
}

}  // namespace

AcRxClass* DbAccess::classOf(AcDbDatabase::Impl& d, const DbStub& stub) { return kindOf(d, stub).desc(); }

bool DbAccess::keptByRecord(AcDbDatabase::Impl& d, const DbStub& stub) { return kindOf(d, stub).reused; }

db::TableKind DbAccess::tableOf(AcDbDatabase::Impl& d, const DbStub& stub) {
    const std::int16_t k = (kindOf(d, stub), stub.kind);
    return k >= kFirstTableCode && k < kGenericObjectCode ? static_cast<db::TableKind>(k - kFirstTableCode)
                                                          : db::kTableCount;
}

AcDbObject* DbAccess::create(AcDbDatabase::Impl& d, DbStub& stub) {
    AcDbObject* o = kindOf(d, stub).make(d.file->typeName(stub.type).c_str());
    DbObjectState* st = state(o);
    st->stub = &stub;
    st->db = &d;
    st->write = false;
    return o;
}

// Closed objects are kept here for the next open, beside opening and closing so that both
// paths stay short (every search opens and closes an object per entity).
inline bool DbAccess::keepSpare(AcDbObject* obj) {
    DbObjectState* st = state(obj);
    // An object that split or changed its text holds a copy of it: only a plain one is
    // the same as a freshly built object.
    if (!st->db || !st->stub || st->parsed()) return false;
    AcDbDatabase::Impl& d = *st->db;
    if (kindOf(d, *st->stub).reused) {
        if (d.spares.size() <= st->stub->index) d.spares.resize(st->stub->index + 1u, nullptr);
        AcDbObject*& slot = d.spares[st->stub->index];
        if (slot) return false;
        slot = obj;
        return true;
    }
    // Entities come and go by the thousand in every walk: a few of each type wait, unbound,
    // for the next record of that type.
    if (d.pool.size() <= st->stub->type) d.pool.resize(st->stub->type + 1u);
    std::vector<AcDbObject*>& waiting = d.pool[st->stub->type];
    if (waiting.size() >= 8) return false;
    st->stub = nullptr;
    waiting.push_back(obj);
    return true;
}

inline AcDbObject* DbAccess::reuse(AcDbDatabase::Impl& d, DbStub& stub, bool byRecord, const AcRxClass* cls) {
    AcDbObject* obj = nullptr;
    if (byRecord) {
        if (stub.index < d.spares.size()) std::swap(obj, d.spares[stub.index]);
        return obj;
    }
    if (stub.type >= d.pool.size() || d.pool[stub.type].empty()) return nullptr;
    obj = d.pool[stub.type].back();
    // A type name met in two sections is built as two classes.
    if (obj->isA() != cls) return nullptr;
    d.pool[stub.type].pop_back();
    state(obj)->stub = &stub;
    return obj;
}

Acad::ErrorStatus AcDbDatabase::Impl::open(AcDbObject*& obj, DbStub* stub, AcDb::OpenMode mode, bool openErased,
                                            const AcRxClass* wanted) {
    obj = nullptr;
    if (db::faultsArmed) [[unlikely]] {
        Acad::ErrorStatus es;
        if (db::armedFault(cadhost::testing::DbCall::kOpenObject, es) || db::armedOpenFault(stub, es)) return es;
    }
    if (stub->erased() && !openErased) return Acad::eWasErased;
    bool write = mode == AcDb::kForWrite;
    if (stub->openObject) {
        if (stub->writer) return Acad::eWasOpenForWrite;
        if (write) return Acad::eWasOpenForRead;
        if (wanted && !static_cast<AcDbObject*>(stub->openObject)->isKindOf(wanted)) return Acad::eNotThatKindOfClass;
        ++stub->readers;
        ++openCount;
        obj = static_cast<AcDbObject*>(stub->openObject);
        return Acad::eOk;
    }
    // Probing ids for a class is common (is this entity a block reference?): answer it from the
    // record's type before anything is built.
    const ObjectKind& kind = kindOf(*this, *stub);
    AcRxClass* const cls = kind.desc();
    if (wanted && wanted != cls && !cls->isDerivedFrom(wanted)) return Acad::eNotThatKindOfClass;
    obj = DbAccess::reuse(*this, *stub, kind.reused, cls);
    if (!obj) obj = DbAccess::create(*this, *stub);
    DbAccess::state(obj)->write = write;
    stub->openObject = obj;
    stub->writer = write;
    stub->readers = write ? 0 : 1;
    ++openCount;
    return Acad::eOk;
}

// ---- AcDbObject ----

ACRX_DEFINE_MEMBERS(AcDbObject, AcRxObject)
ACRX_DEFINE_MEMBERS(AcDbEntity, AcDbObject)

AcDbObject::AcDbObject(const char* dxfType) : m_state(new DbObjectState(dxfType)) {
    m_state->self = this;
    m_state->write = true;
}

AcDbObject::~AcDbObject() {
    // A resident object is only deleted by its last close; clear a dangling open pointer
    // should a caller delete one anyway.
    if (m_state->stub && m_state->stub->openObject == this) {
        m_state->stub->openObject = nullptr;
        m_state->stub->readers = 0;
        m_state->stub->writer = false;
    }
    delete m_state;
}

AcDbObjectId AcDbObject::objectId() const { return AcDbObjectId::fromStub(m_state->stub); }

AcDbObjectId AcDbObject::ownerId() const {
    if (!m_state->stub || !m_state->db) return AcDbObjectId::kNull;
    return AcDbObjectId::fromStub(m_state->db->byHandle(m_state->stub->owner));
}

Acad::ErrorStatus AcDbObject::setOwnerId(AcDbObjectId) { return Acad::eNotApplicable; }

void AcDbObject::getAcDbHandle(AcDbHandle& handle) const { handle = this->handle(); }
AcDbHandle AcDbObject::handle() const { return m_state->stub ? AcDbHandle(m_state->stub->handle) : AcDbHandle(); }
AcDbDatabase* AcDbObject::database() const {
    return m_state->stub ? static_cast<AcDbDatabase*>(m_state->stub->database) : nullptr;
}

AcDbObjectId AcDbObject::extensionDictionary() const {
    const dxf::TagList& t = m_state->tags();
    for (int i = 0; i < t.size(); ++i) {
        if (t[i].code == 100 || t[i].code == 1001) break;
        if (t[i].code == 102 && dxf::trimBlanks(t[i].value()) == "{ACAD_XDICTIONARY") {
            int h = t.find(360, i + 1);
            std::uint64_t v = 0;
            if (h >= 0 && m_state->db && dxf::parseHandle(t[h].value(), v))
                return AcDbObjectId::fromStub(m_state->db->byHandle(v));
            break;
        }
    }
    return AcDbObjectId::kNull;
}

bool AcDbObject::isReadEnabled() const { return m_state->stub != nullptr; }
bool AcDbObject::isWriteEnabled() const { return m_state->write; }
void AcDbObject::assertReadEnabled() const {}
void AcDbObject::assertWriteEnabled() {}
bool AcDbObject::isNewObject() const { return m_state->stub && (m_state->stub->flags & DbStub::kNew); }
bool AcDbObject::isErased() const { return m_state->stub && m_state->stub->erased(); }

namespace {

// Writes an object's edits back into its record.
void flush(DbObjectState* st) { st->writeBack(); }

}  // namespace

void cadhost::db::flushObject(AcDbObject* obj) { flush(DbAccess::state(obj)); }

Acad::ErrorStatus AcDbObject::close() {
    DbObjectState* st = m_state;
    if (!st->stub) return Acad::eNotInDatabase;
    Acad::ErrorStatus es;
    if (db::injectedFault(cadhost::testing::DbCall::kClose, es)) return es;
    DbStub* stub = st->stub;
    if (stub->openObject != this) return Acad::eNotOpenForRead;
    if (stub->writer) {
        flush(st);
        stub->writer = false;
    } else if (stub->readers > 0) {
        --stub->readers;
    }
    --st->db->openCount;
    if (stub->readers == 0 && !stub->writer) {
        stub->openObject = nullptr;
        if (!DbAccess::keepSpare(this)) delete this;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::upgradeOpen() {
    DbStub* stub = m_state->stub;
    if (!stub) return Acad::eNotInDatabase;
    Acad::ErrorStatus es;
    if (db::injectedFault(cadhost::testing::DbCall::kUpgradeOpen, es)) return es;
    if (stub->writer) return Acad::eWasOpenForWrite;
    if (stub->readers > 1) return Acad::eHadMultipleReaders;
    stub->readers = 0;
    stub->writer = true;
    m_state->write = true;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::downgradeOpen() {
    DbStub* stub = m_state->stub;
    if (!stub) return Acad::eNotInDatabase;
    if (!stub->writer) return Acad::eNotOpenForWrite;
    flush(m_state);
    stub->writer = false;
    stub->readers = 1;
    m_state->write = false;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::erase(bool erasing) {
    DbStub* stub = m_state->stub;
    if (!stub) return Acad::eNotInDatabase;
    if (!m_state->write) return Acad::eNotOpenForWrite;
    if (erasing == stub->erased()) return erasing ? Acad::eWasErased : Acad::eWasNotErased;
    AcDbDatabase::Impl& d = *m_state->db;
    auto mark = [&](DbStub* s) {
        if (!s) return;
        if (erasing) s->flags |= DbStub::kErased;
        else s->flags &= static_cast<std::uint8_t>(~DbStub::kErased);
    };
    // What is written together with the object goes with it.
    d.structureChanged();
    mark(stub);
    if (d.isType(stub, "INSERT")) {
        DbStub* seqend = nullptr;
        for (DbStub* a : d.attributesOf(stub, &seqend)) mark(a);
        mark(seqend);
    } else if (d.isType(stub, "BLOCK_RECORD")) {
        auto it = d.blocks.find(stub);
        if (it != d.blocks.end()) {
            mark(it->second.block);
            mark(it->second.endblk);
            for (DbStub* e : it->second.entities) mark(e);
        }
    }
    d.file->setModified();
    return Acad::eOk;
}

// ---- opening by id ----

Acad::ErrorStatus acdbOpenObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode, bool openErased) {
    pObj = nullptr;
    if (id.isNull()) return Acad::eNullObjectId;
    AcDbDatabase::Impl* d = db::dbOf(id.stub());
    if (!d) return Acad::eInvalidObjectId;
    return d->open(pObj, id.stub(), mode, openErased);
}

Acad::ErrorStatus cadhost::openObjectOfClass(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode, bool openErased,
                                             const AcRxClass* wanted) {
    pObj = nullptr;
    if (id.isNull()) return Acad::eNullObjectId;
    AcDbDatabase::Impl* d = db::dbOf(id.stub());
    if (!d) return Acad::eInvalidObjectId;
    return d->open(pObj, id.stub(), mode, openErased, wanted);
}

Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode, bool openErased) {
    return acdbOpenObject(pObj, id, mode, openErased);
}

Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& pEnt, AcDbObjectId id, AcDb::OpenMode mode, bool openErased) {
    pEnt = nullptr;
    AcDbObject* o = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(o, id, mode, openErased);
    if (es != Acad::eOk) return es;
    pEnt = AcDbEntity::cast(o);
    if (!pEnt) {
        o->close();
        return Acad::eNotAnEntity;
    }
    return Acad::eOk;
}

// ---- entities ----

AcDbEntity::AcDbEntity(const char* dxfType) : AcDbObject(dxfType) {}

AcDbObjectId AcDbEntity::blockId() const {
    DbObjectState* st = state();
    if (!st->stub || !st->db) return AcDbObjectId::kNull;
    DbStub* owner = st->db->byHandle(st->stub->owner);
    return st->db->isType(owner, "BLOCK_RECORD") ? AcDbObjectId::fromStub(owner) : AcDbObjectId::kNull;
}

ACHAR* AcDbEntity::layer() const {
    std::wstring name = state()->decode(dxf::trimBlanks(state()->valueIn("AcDbEntity", 8)));
    if (name.empty()) name = L"0";
    ACHAR* out = nullptr;
    acutNewString(name.c_str(), out);
    return out;
}

AcDbObjectId AcDbEntity::layerId() const {
    DbObjectState* st = state();
    if (!st->db) return AcDbObjectId::kNull;
    std::wstring name = st->decode(dxf::trimBlanks(st->valueIn("AcDbEntity", 8)));
    return AcDbObjectId::fromStub(st->db->findRecord(db::kLayer, name.empty() ? L"0" : name));
}

Acad::ErrorStatus AcDbEntity::setLayer(const ACHAR* newVal, bool) {
    if (!newVal || !*newVal) return Acad::eInvalidInput;
    if (!state()->write) return Acad::eNotOpenForWrite;
    if (state()->db && !state()->db->findRecord(db::kLayer, newVal)) return Acad::eKeyNotFound;
    return state()->setIn("AcDbEntity", 8, state()->encode(newVal)) ? Acad::eOk : Acad::eMissingDxfField;
}

Acad::ErrorStatus AcDbEntity::setLayer(AcDbObjectId newVal, bool doSubents) {
    AcDbLayerTableRecord* rec = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(rec, newVal, AcDb::kForRead);
    if (es != Acad::eOk) return es;
    const ACHAR* name = nullptr;
    es = rec->getName(name);
    std::wstring copy = name ? name : L"";
    rec->close();
    if (es != Acad::eOk) return es;
    return setLayer(copy.c_str(), doSubents);
}

AcDb::Visibility AcDbEntity::visibility() const {
    // Searches ask every reference; most have no group 60 at all, which the reader noted.
    const DbObjectState* st = state();
    if (!st->parsed() && st->stub && st->stub->edit == DbStub::kNone && !(st->stub->flags & DbStub::kHasCode60))
        return AcDb::kVisible;
    return dxf::trimBlanks(state()->valueIn("AcDbEntity", 60)) == "1" ? AcDb::kInvisible : AcDb::kVisible;
}

Acad::ErrorStatus AcDbEntity::setVisibility(AcDb::Visibility newVal, bool) {
    Acad::ErrorStatus es;
    if (db::injectedFault(cadhost::testing::DbCall::kSetVisibility, es)) return es;
    if (!state()->write) return Acad::eNotOpenForWrite;
    dxf::TagList& t = state()->tags();
    int s = t.findSubclass("AcDbEntity");
    if (s < 0) return Acad::eNotApplicable;
    int end = t.subclassEnd(s);
    int i = t.find(60, s + 1, end);
    if (newVal == AcDb::kVisible) {
        // AutoCAD leaves the group out for visible entities.
        if (i >= 0) t.erase(i);
        return Acad::eOk;
    }
    if (i >= 0) {
        t.setValue(i, dxf::formatInt(1, state()->format()));
        return Acad::eOk;
    }
    int at = s + 1;
    for (int k = s + 1; k < end; ++k) {
        int c = t[k].code;
        if (c == 8 || c == 6 || c == 347 || c == 62 || c == 370 || c == 48 || c == 67) at = k + 1;
    }
    t.insert(at, 60, dxf::formatInt(1, state()->format()), state()->format());
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::getGeomExtents(AcDbExtents& extents) const {
    const dxf::TagList& t = state()->tags();
    AcDbExtents ext;
    double x[4] = {}, y[4] = {}, z[4] = {};
    bool have[4] = {};
    double radius = 0;
    int end = t.xdataStart();
    for (int i = 0; i < end; ++i) {
        int c = t[i].code;
        double v = std::strtod(std::string(t[i].value()).c_str(), nullptr);
        if (c >= 10 && c <= 13) {
            x[c - 10] = v;
            have[c - 10] = true;
        } else if (c >= 20 && c <= 23) {
            y[c - 20] = v;
        } else if (c >= 30 && c <= 33) {
            z[c - 30] = v;
        } else if (c == 40) {
            radius = v;
        }
        // Polylines repeat their vertices: take each complete point as it comes.
        if (c >= 20 && c <= 23 && have[c - 20]) ext.addPoint(AcGePoint3d(x[c - 20], y[c - 20], z[c - 20]));
    }
    if (ext.isEmpty()) return Acad::eInvalidExtents;
    const std::string& type = state()->type;
    if ((type == "CIRCLE" || type == "ARC") && radius > 0) {
        AcGePoint3d c(x[0], y[0], z[0]);
        ext.addPoint(AcGePoint3d(c.x - radius, c.y - radius, c.z));
        ext.addPoint(AcGePoint3d(c.x + radius, c.y + radius, c.z));
    }
    extents = ext;
    return Acad::eOk;
}

// ---- attribute iterator ----

void AcDbObjectIterator::start(bool atEnd) { m_walk.start(!atEnd, true); }

bool AcDbObjectIterator::done() const { return m_walk.done(); }

void AcDbObjectIterator::step(bool backwards, bool skipErased) { m_walk.move(!backwards, skipErased); }

AcDbObjectId AcDbObjectIterator::objectId() const { return done() ? AcDbObjectId::kNull : m_walk.current(); }

void AcDbObjectIterator::setPosition(AcDbObjectId id) { m_walk.seek(id); }
