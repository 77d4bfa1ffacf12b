// Texts, attributes, attribute definitions, multi-line texts and block references.
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "acutmem.h"
#include "db_internal.h"
#include "dxf/tag_scan.h"
#include "dbents.h"
#include "dbsymtb.h"

using cadhost::DbAccess;
using cadhost::DbObjectState;
using cadhost::DbStub;
namespace db = cadhost::db;
namespace dxf = cadhost::dxf;
using cadhost::testing::DbCall;

ACRX_DEFINE_MEMBERS(AcDbText, AcDbEntity)
ACRX_DEFINE_MEMBERS(AcDbAttribute, AcDbText)
ACRX_DEFINE_MEMBERS(AcDbAttributeDefinition, AcDbText)
ACRX_DEFINE_MEMBERS(AcDbMText, AcDbEntity)
ACRX_DEFINE_MEMBERS(AcDbBlockReference, AcDbEntity)

namespace {

constexpr double kPi = 3.14159265358979323846;


double number(const DbObjectState* st, std::string_view marker, int code, double fallback) {
    std::string v(dxf::trimBlanks(st->valueIn(marker, code)));
    if (v.empty()) return fallback;
    char* end = nullptr;
    double d = std::strtod(v.c_str(), &end);
    return end == v.c_str() ? fallback : d;
}

AcGePoint3d point(const DbObjectState* st, std::string_view marker, int code) {
    return AcGePoint3d(number(st, marker, code, 0), number(st, marker, code + 10, 0), number(st, marker, code + 20, 0));
}

// False when the object has no such subclass (nothing is changed then).
bool setPoint(DbObjectState* st, std::string_view marker, int code, const AcGePoint3d& p) {
    return st->setIn(marker, code, db::formatReal(p.x)) && st->setIn(marker, code + 10, db::formatReal(p.y)) &&
           st->setIn(marker, code + 20, db::formatReal(p.z));
}

Acad::ErrorStatus stored(bool ok) { return ok ? Acad::eOk : Acad::eMissingDxfField; }

int flags(const DbObjectState* st, std::string_view marker) {
    return std::atoi(std::string(dxf::trimBlanks(st->valueIn(marker, 70))).c_str());
}

ACHAR* newString(const std::wstring& s) {
    ACHAR* out = nullptr;
    acutNewString(s.c_str(), out);
    return out;
}

// Text values must stay on one line and within a DXF line.
Acad::ErrorStatus checkText(const ACHAR* text) {
    if (!text) return Acad::eInvalidInput;
    std::size_t n = 0;
    for (const ACHAR* p = text; *p; ++p, ++n)
        if (*p < 0x20) return Acad::eInvalidInput;
    return n > 2000 ? Acad::eStringTooLong : Acad::eOk;
}

// The index of the embedded multi-line text of an attribute (101), or -1.
int embeddedStart(const dxf::TagList& t) {
    int end = t.xdataStart();
    return t.find(101, 0, end);
}

// True for an attribute (definition) with an embedded multi-line text; asked without a split.
bool hasEmbedded(const DbObjectState* st) {
    return st->hasBeforeXdata(101);
}

// Text of an embedded or stand-alone multi-line text: its 3 chunks, then its 1.
std::string mtextRaw(const dxf::TagList& t, int from, int to) {
    std::string out;
    for (int i = from; i < to; ++i)
        if (t[i].code == 3) out += t[i].value();
    int one = t.find(1, from, to);
    if (one >= 0) out += t[one].value();
    return out;
}

// Replaces the 3 chunks and the 1 of a multi-line text in [from, to) by raw text.
void setMtextRaw(dxf::TagList& t, int from, int to, const std::string& raw, const dxf::TagFormat& format) {
    int one = t.find(1, from, to);
    for (int i = to - 1; i >= from; --i)
        if (t[i].code == 3) {
            t.erase(i);
            if (one > i) --one;
        }
    // Chunks of 250 bytes, never splitting a UTF-8 sequence.
    std::vector<std::string> chunks;
    std::size_t pos = 0;
    while (raw.size() - pos > 250) {
        std::size_t n = 250;
        while (n > 0 && (static_cast<unsigned char>(raw[pos + n]) & 0xC0) == 0x80) --n;
        chunks.push_back(raw.substr(pos, n));
        pos += n;
    }
    std::string last = raw.substr(pos);
    if (one < 0) {
        one = std::min(to, t.size());
        t.insert(one, 1, last, format);
    } else {
        t.setValue(one, last);
    }
    for (const std::string& c : chunks) t.insert(one++, 3, c, format);
}

}  // namespace

// ---- AcDbText ----

AcDbText::AcDbText() : AcDbText("TEXT") {
    state()->newTemplate =
        "  0\nTEXT\n  5\n0\n330\n0\n100\nAcDbEntity\n  8\n0\n100\nAcDbText\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
        " 40\n2.5\n  1\n\n100\nAcDbText\n";
}

AcDbText::AcDbText(const char* dxfType) : AcDbEntity(dxfType) {}

AcGePoint3d AcDbText::position() const { return point(state(), "AcDbText", 10); }
Acad::ErrorStatus AcDbText::setPosition(const AcGePoint3d& pos) {
    if (!state()->write) return Acad::eNotOpenForWrite;
    return stored(setPoint(state(), "AcDbText", 10, pos));
}
double AcDbText::height() const { return number(state(), "AcDbText", 40, 0); }
Acad::ErrorStatus AcDbText::setHeight(double h) {
    if (!state()->write) return Acad::eNotOpenForWrite;
    return stored(state()->setIn("AcDbText", 40, db::formatReal(h)));
}
double AcDbText::rotation() const { return number(state(), "AcDbText", 50, 0) * kPi / 180.0; }
Acad::ErrorStatus AcDbText::setRotation(double r) {
    if (!state()->write) return Acad::eNotOpenForWrite;
    return stored(state()->setIn("AcDbText", 50, db::formatReal(r * 180.0 / kPi)));
}

const ACHAR* AcDbText::textStringConst() const {
    DbObjectState* st = state();
    if (hasEmbedded(st)) {
        const dxf::TagList& t = st->tags();
        st->decode(mtextRaw(t, embeddedStart(t) + 1, t.xdataStart()), st->text[0]);
    } else {
        st->decode(st->valueIn("AcDbText", 1), st->text[0]);
    }
    return st->text[0].c_str();
}

ACHAR* AcDbText::textString() const { return newString(textStringConst()); }

Acad::ErrorStatus AcDbText::setTextString(const ACHAR* text) {
    Acad::ErrorStatus es;
    if (db::injectedFault(DbCall::kSetTextString, es)) return es;
    if ((es = checkText(text)) != Acad::eOk) return es;
    DbObjectState* st = state();
    if (!st->write) return Acad::eNotOpenForWrite;
    std::string raw = st->encode(text);
    if (raw.size() > 2049) return Acad::eStringTooLong;
    if (hasEmbedded(st)) {
        dxf::TagList& t = st->tags();
        setMtextRaw(t, embeddedStart(t) + 1, t.xdataStart(), raw, st->format());
        return Acad::eOk;
    }
    return stored(st->setIn("AcDbText", 1, raw));
}

// ---- attributes ----

AcDbAttribute::AcDbAttribute() : AcDbText("ATTRIB") {
    state()->newTemplate =
        "  0\nATTRIB\n  5\n0\n330\n0\n100\nAcDbEntity\n  8\n0\n100\nAcDbText\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
        " 40\n2.5\n  1\n\n100\nAcDbAttribute\n  2\n\n 70\n0\n";
}

AcDbAttribute::AcDbAttribute(const AcGePoint3d& position, const ACHAR* text, const ACHAR* tag, AcDbObjectId)
    : AcDbAttribute() {
    setPosition(position);
    if (text) setTextString(text);
    if (tag) setTag(tag);
}

const ACHAR* AcDbAttribute::tagConst() const {
    DbObjectState* st = state();
    st->decode(dxf::trimBlanks(st->valueIn("AcDbAttribute", 2)), st->text[1]);
    return st->text[1].c_str();
}
ACHAR* AcDbAttribute::tag() const { return newString(tagConst()); }
Acad::ErrorStatus AcDbAttribute::setTag(const ACHAR* tag) {
    Acad::ErrorStatus es = checkText(tag);
    if (es != Acad::eOk) return es;
    if (!state()->write) return Acad::eNotOpenForWrite;
    return stored(state()->setIn("AcDbAttribute", 2, state()->encode(tag)));
}
bool AcDbAttribute::isInvisible() const { return flags(state(), "AcDbAttribute") & 1; }
bool AcDbAttribute::isConstant() const { return flags(state(), "AcDbAttribute") & 2; }
bool AcDbAttribute::isMTextAttribute() const { return hasEmbedded(state()); }

AcDbAttributeDefinition::AcDbAttributeDefinition() : AcDbText("ATTDEF") {
    state()->newTemplate =
        "  0\nATTDEF\n  5\n0\n330\n0\n100\nAcDbEntity\n  8\n0\n100\nAcDbText\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
        " 40\n2.5\n  1\n\n100\nAcDbAttributeDefinition\n  3\n\n  2\n\n 70\n0\n";
}

AcDbAttributeDefinition::AcDbAttributeDefinition(const AcGePoint3d& position, const ACHAR* text, const ACHAR* tag,
                                                 const ACHAR* prompt, AcDbObjectId)
    : AcDbAttributeDefinition() {
    setPosition(position);
    if (text) setTextString(text);
    if (tag) setTag(tag);
    if (prompt) setPrompt(prompt);
}

const ACHAR* AcDbAttributeDefinition::tagConst() const {
    DbObjectState* st = state();
    st->decode(dxf::trimBlanks(st->valueIn("AcDbAttributeDefinition", 2)), st->text[1]);
    return st->text[1].c_str();
}
ACHAR* AcDbAttributeDefinition::tag() const { return newString(tagConst()); }
Acad::ErrorStatus AcDbAttributeDefinition::setTag(const ACHAR* tag) {
    Acad::ErrorStatus es = checkText(tag);
    if (es != Acad::eOk) return es;
    if (!state()->write) return Acad::eNotOpenForWrite;
    return stored(state()->setIn("AcDbAttributeDefinition", 2, state()->encode(tag)));
}
const ACHAR* AcDbAttributeDefinition::promptConst() const {
    DbObjectState* st = state();
    st->decode(st->valueIn("AcDbAttributeDefinition", 3), st->text[2]);
    return st->text[2].c_str();
}
ACHAR* AcDbAttributeDefinition::prompt() const { return newString(promptConst()); }
Acad::ErrorStatus AcDbAttributeDefinition::setPrompt(const ACHAR* prompt) {
    Acad::ErrorStatus es = checkText(prompt);
    if (es != Acad::eOk) return es;
    if (!state()->write) return Acad::eNotOpenForWrite;
    return stored(state()->setIn("AcDbAttributeDefinition", 3, state()->encode(prompt)));
}
bool AcDbAttributeDefinition::isConstant() const { return flags(state(), "AcDbAttributeDefinition") & 2; }
Acad::ErrorStatus AcDbAttributeDefinition::setConstant(bool constant) {
    if (!state()->write) return Acad::eNotOpenForWrite;
    int f = flags(state(), "AcDbAttributeDefinition");
    f = constant ? (f | 2) : (f & ~2);
    return stored(state()->setIn("AcDbAttributeDefinition", 70, dxf::formatInt(f, state()->format())));
}
bool AcDbAttributeDefinition::isMTextAttributeDefinition() const { return hasEmbedded(state()); }

// ---- multi-line text ----

AcDbMText::AcDbMText() : AcDbEntity("MTEXT") {
    state()->newTemplate =
        "  0\nMTEXT\n  5\n0\n330\n0\n100\nAcDbEntity\n  8\n0\n100\nAcDbMText\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
        " 40\n2.5\n 71\n1\n  1\n\n";
}

AcGePoint3d AcDbMText::location() const { return point(state(), "AcDbMText", 10); }
Acad::ErrorStatus AcDbMText::setLocation(const AcGePoint3d& pos) {
    if (!state()->write) return Acad::eNotOpenForWrite;
    return stored(setPoint(state(), "AcDbMText", 10, pos));
}

const ACHAR* AcDbMText::contentsConst() const {
    DbObjectState* st = state();
    const dxf::TagList& t = st->tags();
    int s = t.findSubclass("AcDbMText");
    st->text[0] = s < 0 ? std::wstring() : st->decode(mtextRaw(t, s + 1, t.subclassEnd(s)));
    return st->text[0].c_str();
}
ACHAR* AcDbMText::contents() const { return newString(contentsConst()); }
ACHAR* AcDbMText::text() const {
    std::wstring s = contentsConst();
    for (std::size_t p; (p = s.find(L"\\P")) != std::wstring::npos;) s.replace(p, 2, L"\n");
    return newString(s);
}
Acad::ErrorStatus AcDbMText::setContents(const ACHAR* text) {
    Acad::ErrorStatus es = checkText(text);
    if (es != Acad::eOk) return es;
    DbObjectState* st = state();
    if (!st->write) return Acad::eNotOpenForWrite;
    dxf::TagList& t = st->tags();
    int s = t.findSubclass("AcDbMText");
    if (s < 0) return Acad::eNotApplicable;
    setMtextRaw(t, s + 1, t.subclassEnd(s), st->encode(text), st->format());
    return Acad::eOk;
}

// ---- block references ----

AcDbBlockReference::AcDbBlockReference() : AcDbEntity("INSERT") {
    state()->newTemplate =
        "  0\nINSERT\n  5\n0\n330\n0\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockReference\n  2\n\n"
        " 10\n0.0\n 20\n0.0\n 30\n0.0\n";
}

AcDbBlockReference::AcDbBlockReference(const AcGePoint3d& position, AcDbObjectId blockTableRecord) : AcDbBlockReference() {
    setPosition(position);
    setBlockTableRecord(blockTableRecord);
}

AcDbObjectId AcDbBlockReference::blockTableRecord() const {
    DbObjectState* st = state();
    if (!st->db) return AcDbObjectId::kNull;
    std::string_view raw;
    const DbStub* s = st->stub;
    if (s && s->nameAt != 0 && s->edit == DbStub::kNone && !st->parsed()) {
        // As read and unchanged: the reader noted where the name is.
        raw = st->db->file->objectText(*s).substr(s->nameAt);
        raw = raw.substr(0, raw.find('\n'));
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    } else {
        raw = st->valueIn("AcDbBlockReference", 2);
    }
    raw = dxf::trimBlanks(raw);
    // References outnumber blocks by far: each raw name is decoded and looked up once.
    auto& memo = st->db->blockByRawNameMemo;
    auto it = memo.find(raw);
    if (it == memo.end())
        it = memo.emplace(std::string(raw), st->db->findRecord(db::kBlockRecord, st->decode(raw))).first;
    return AcDbObjectId::fromStub(it->second);
}

Acad::ErrorStatus AcDbBlockReference::setBlockTableRecord(AcDbObjectId id) {
    DbObjectState* st = state();
    if (!st->write) return Acad::eNotOpenForWrite;
    AcDbDatabase::Impl* d = db::dbOf(id.stub());
    if (!d || !d->isType(id.stub(), "BLOCK_RECORD")) return Acad::eInvalidInput;
    if (st->db && st->db != d) return Acad::eWrongDatabase;
    std::string raw(dxf::trimBlanks(d->recordValue(id.stub(), "AcDbSymbolTableRecord", 2)));
    st->db = d;  // names are encoded as that database writes them
    d->insertIndexBuilt = false;
    return stored(st->setIn("AcDbBlockReference", 2, raw));
}

AcGePoint3d AcDbBlockReference::position() const { return point(state(), "AcDbBlockReference", 10); }
Acad::ErrorStatus AcDbBlockReference::setPosition(const AcGePoint3d& pos) {
    if (!state()->write) return Acad::eNotOpenForWrite;
    return stored(setPoint(state(), "AcDbBlockReference", 10, pos));
}
AcGeScale3d AcDbBlockReference::scaleFactors() const {
    const DbObjectState* st = state();
    return AcGeScale3d(number(st, "AcDbBlockReference", 41, 1), number(st, "AcDbBlockReference", 42, 1),
                       number(st, "AcDbBlockReference", 43, 1));
}
Acad::ErrorStatus AcDbBlockReference::setScaleFactors(const AcGeScale3d& scale) {
    if (!state()->write) return Acad::eNotOpenForWrite;
    if (scale.sx == 0 || scale.sy == 0 || scale.sz == 0) return Acad::eInvalidInput;
    return stored(state()->setIn("AcDbBlockReference", 41, db::formatReal(scale.sx)) &&
                  state()->setIn("AcDbBlockReference", 42, db::formatReal(scale.sy)) &&
                  state()->setIn("AcDbBlockReference", 43, db::formatReal(scale.sz)));
}
double AcDbBlockReference::rotation() const { return number(state(), "AcDbBlockReference", 50, 0) * kPi / 180.0; }
Acad::ErrorStatus AcDbBlockReference::setRotation(double r) {
    if (!state()->write) return Acad::eNotOpenForWrite;
    return stored(state()->setIn("AcDbBlockReference", 50, db::formatReal(r * 180.0 / kPi)));
}

AcDbObjectIterator* AcDbBlockReference::attributeIterator() const {
    Acad::ErrorStatus es;
    if (db::injectedFault(DbCall::kNewIterator, es)) return nullptr;
    AcDbObjectIdArray ids;
    const DbObjectState* st = state();
    if (st->stub && st->db)
        for (DbStub* a : st->db->attributesOf(st->stub)) ids.append(AcDbObjectId::fromStub(a));
    return new AcDbObjectIterator(std::move(ids));
}

Acad::ErrorStatus AcDbBlockReference::appendAttribute(AcDbAttribute* pAttr) {
    AcDbObjectId id;
    return appendAttribute(id, pAttr);
}

Acad::ErrorStatus AcDbBlockReference::appendAttribute(AcDbObjectId& id, AcDbAttribute* pAttr) {
    if (!pAttr) return Acad::eNullEntityPointer;
    DbObjectState* st = state();
    if (!st->stub || !st->db) return Acad::eNotInDatabase;
    if (!st->write) return Acad::eNotOpenForWrite;
    if (DbAccess::state(pAttr)->stub) return Acad::eAlreadyInDb;
    AcDbDatabase::Impl& d = *st->db;
    DbStub* seqend = nullptr;
    d.attributesOf(st->stub, &seqend);
    bool paper = dxf::trimBlanks(st->valueIn("AcDbEntity", 67)) == "1";
    auto section = static_cast<dxf::Section>(st->stub->section);
    if (!seqend) {
        if (st->stub->next == DbStub::kNone) return Acad::eNotApplicable;
        const dxf::TagFormat& f = d.file->format();
        std::uint64_t h = d.allocateHandle();
        std::string layer(st->valueIn("AcDbEntity", 8));
        std::string text = "  0\nSEQEND\n  5\n" + db::formatHandle(h) + "\n330\n" + db::formatHandle(st->stub->handle) +
                           "\n100\nAcDbEntity\n" + (paper ? " 67\n1\n" : "") + "  8\n" + (layer.empty() ? "0" : layer) + "\n";
        dxf::TagList t;  // views into text
        t.parse(text);
        seqend = &d.addRecord(d.file->record(st->stub->next), "SEQEND", d.render(t), section, h);
        seqend->owner = st->stub->handle;
        // "Attributes follow" lives right after the subclass marker.
        dxf::TagList& rt = st->tags();
        int s = rt.findSubclass("AcDbBlockReference");
        int flag = s < 0 ? -1 : rt.find(66, s + 1, rt.subclassEnd(s));
        if (flag >= 0) rt.setValue(flag, dxf::formatInt(1, f));
        else if (s >= 0) rt.insert(s + 1, 66, dxf::formatInt(1, f), f);
    }
    DbStub* added = nullptr;
    Acad::ErrorStatus es = db::addEntity(d, pAttr, *seqend, st->stub->handle, paper, section, added);
    if (es == Acad::eOk) id = AcDbObjectId::fromStub(added);
    return es;
}

namespace cadhost::db {

namespace {

// Extents of block contents, computed once per block; a block on the way (a block that
// inserts itself, directly or not) counts as empty.
struct ExtentsCache {
    std::unordered_map<const DbStub*, AcDbExtents> done;
    std::unordered_map<const DbStub*, bool> busy;
};

bool recordExtents(AcDbDatabase::Impl& d, const DbStub* r, AcDbExtents& ext, ExtentsCache& cache);

// Extents of a block reference from its tags.
bool insertExtents(AcDbDatabase::Impl& d, const dxf::TagList& t, AcDbExtents& ext, ExtentsCache& cache) {
    auto num = [&](int code, double fallback) {
        int i = t.findInSubclass("AcDbBlockReference", code);
        return i < 0 ? fallback : std::strtod(std::string(t[i].value()).c_str(), nullptr);
    };
    int ni = t.findInSubclass("AcDbBlockReference", 2);
    if (ni < 0) return false;
    DbStub* btr = d.findRecord(kBlockRecord, d.codec->decode(dxf::trimBlanks(t[ni].value())));
    auto it = btr ? d.blocks.find(btr) : d.blocks.end();
    if (it == d.blocks.end()) return false;
    AcDbExtents inner;
    auto cached = cache.done.find(btr);
    if (cached != cache.done.end()) {
        inner = cached->second;
    } else {
        if (cache.busy[btr]) return false;
        cache.busy[btr] = true;
        std::uint16_t attdef = d.file->findType("ATTDEF");
        for (const DbStub* e : it->second.entities)
            if (!e->erased() && e->type != attdef) recordExtents(d, e, inner, cache);
        cache.busy[btr] = false;
        cache.done[btr] = inner;
    }
    if (inner.isEmpty()) return false;
    AcGePoint3d base;
    if (it->second.block) {
        base.x = std::strtod(d.recordValue(it->second.block, "AcDbBlockBegin", 10).c_str(), nullptr);
        base.y = std::strtod(d.recordValue(it->second.block, "AcDbBlockBegin", 20).c_str(), nullptr);
    }
    double sx = num(41, 1), sy = num(42, 1), rot = num(50, 0) * kPi / 180.0;
    double px = num(10, 0), py = num(20, 0), pz = num(30, 0);
    const AcGePoint3d& lo = inner.minPoint();
    const AcGePoint3d& hi = inner.maxPoint();
    double xs[2] = {lo.x, hi.x}, ys[2] = {lo.y, hi.y};
    for (double x : xs)
        for (double y : ys) {
            double lx = (x - base.x) * sx, ly = (y - base.y) * sy;
            ext.addPoint(AcGePoint3d(px + lx * std::cos(rot) - ly * std::sin(rot),
                                     py + lx * std::sin(rot) + ly * std::cos(rot), pz));
        }
    return true;
}

bool recordExtents(AcDbDatabase::Impl& d, const DbStub* r, AcDbExtents& ext, ExtentsCache& cache) {
    dxf::TagList t;
    t.parse(d.file->objectText(*r));
    if (d.isType(r, "INSERT")) return insertExtents(d, t, ext, cache);
    AcDbExtents own;
    double x[4] = {}, y[4] = {};
    bool have[4] = {};
    double radius = 0;
    int end = t.xdataStart();
    for (int i = 0; i < end; ++i) {
        int c = t[i].code;
        if ((c >= 10 && c <= 13) || (c >= 20 && c <= 23) || c == 40) {
            double v = std::strtod(std::string(t[i].value()).c_str(), nullptr);
            if (c <= 13) x[c - 10] = v, have[c - 10] = true;
            else if (c <= 23) {
                y[c - 20] = v;
                if (have[c - 20]) own.addPoint(AcGePoint3d(x[c - 20], v, 0));
            } else radius = v;
        }
    }
    if (own.isEmpty()) return false;
    if ((d.isType(r, "CIRCLE") || d.isType(r, "ARC")) && radius > 0) {
        own.addPoint(AcGePoint3d(x[0] - radius, y[0] - radius, 0));
        own.addPoint(AcGePoint3d(x[0] + radius, y[0] + radius, 0));
    }
    ext.addExt(own);
    return true;
}

}  // namespace

}  // namespace cadhost::db

Acad::ErrorStatus AcDbBlockReference::getGeomExtents(AcDbExtents& extents) const {
    DbObjectState* st = state();
    if (!st->db) return Acad::eNotInDatabase;
    AcDbExtents ext;
    db::ExtentsCache cache;
    if (!db::insertExtents(*st->db, st->tags(), ext, cache)) return Acad::eInvalidExtents;
    extents = ext;
    return Acad::eOk;
}
