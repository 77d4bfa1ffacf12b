// Extended data of objects: reading an application's group as a result-buffer chain and
// replacing groups. XDATA is the tail of an object, one group per application from its 1001.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "acutbuild.h"
#include "db_internal.h"
#include "dxf/tag_scan.h"
#include "db_resbuf.h"

using cadhost::DbObjectState;
using cadhost::DbStub;
namespace db = cadhost::db;
namespace dxf = cadhost::dxf;

namespace {

ACHAR* mallocString(const std::wstring& s) {
    auto* p = static_cast<ACHAR*>(std::malloc((s.size() + 1) * sizeof(ACHAR)));
    if (p) std::wmemcpy(p, s.c_str(), s.size() + 1);
    return p;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Converts the XDATA tags [from, to) to a chain.
resbuf* toChain(const DbObjectState* st, const dxf::TagList& t, int from, int to) {
    resbuf* head = nullptr;
    resbuf* tail = nullptr;
    resbuf* point = nullptr;  // the point a 1020/1030 completes
    for (int i = from; i < to; ++i) {
        int code = t[i].code;
        std::string_view v = t[i].value();
        if (point && code == point->restype + 10) {
            point->resval.rpoint[1] = std::strtod(std::string(v).c_str(), nullptr);
            continue;
        }
        if (point && code == point->restype + 20) {
            point->resval.rpoint[2] = std::strtod(std::string(v).c_str(), nullptr);
            continue;
        }
        point = nullptr;
        resbuf* rb = acutNewRb(code);
        if (!rb) break;
        (tail ? tail->rbnext : head) = rb;
        tail = rb;
        switch (db::resbufKind(code)) {
        case db::RbKind::kPoint:
            rb->resval.rpoint[0] = std::strtod(std::string(v).c_str(), nullptr);
            point = rb;
            break;
        case db::RbKind::kReal: rb->resval.rreal = std::strtod(std::string(v).c_str(), nullptr); break;
        case db::RbKind::kShort: rb->resval.rint = static_cast<short>(std::atoi(std::string(v).c_str())); break;
        case db::RbKind::kLong: rb->resval.rlong = static_cast<int>(std::strtol(std::string(v).c_str(), nullptr, 10)); break;
        case db::RbKind::kBinary: {
            std::string_view hex = dxf::trimBlanks(v);
            std::size_t n = hex.size() / 2;
            if (n > 0 && n < 32768) {
                rb->resval.rbinary.buf = new char[n];
                rb->resval.rbinary.clen = static_cast<short>(n);
                for (std::size_t k = 0; k < n; ++k) {
                    int hi = hexValue(hex[2 * k]), lo = hexValue(hex[2 * k + 1]);
                    rb->resval.rbinary.buf[k] = static_cast<char>(((hi < 0 ? 0 : hi) << 4) | (lo < 0 ? 0 : lo));
                }
            }
            break;
        }
        default:
            // Names and handles are kept as written; strings are decoded.
            rb->restype = static_cast<short>(code);
            rb->resval.rstring = mallocString(code == 1001 || code == 1005 ? st->decode(dxf::trimBlanks(v)) : st->decode(v));
            if (db::resbufKind(code) != db::RbKind::kString) rb->restype = static_cast<short>(1000);
            break;
        }
    }
    return head;
}

}  // namespace

resbuf* AcDbObject::xData(const ACHAR* regappName) const {
    DbObjectState* st = state();
    // Objects without XDATA answer from the file index, without splitting their tags.
    if (!st->parsed() && st->stub && st->stub->xdata == 0) return nullptr;
    const dxf::TagList& t = st->tags();
    int from = t.xdataStart();
    if (!regappName) return from < t.size() ? toChain(st, t, from, t.size()) : nullptr;
    for (int i = from; i < t.size(); ++i) {
        if (t[i].code != 1001 || !db::equalsNoCase(st->decode(dxf::trimBlanks(t[i].value())), regappName)) continue;
        int end = t.find(1001, i + 1);
        return toChain(st, t, i, end < 0 ? t.size() : end);
    }
    return nullptr;
}

Acad::ErrorStatus AcDbObject::setXData(const resbuf* xdata) {
    DbObjectState* st = state();
    if (!st->write) return Acad::eNotOpenForWrite;
    if (!xdata || xdata->restype != 1001) return Acad::eInvalidResBuf;
    const dxf::TagFormat& f = st->format();
    // Check everything before changing anything.
    for (const resbuf* rb = xdata; rb; rb = rb->rbnext) {
        db::RbKind kind = db::resbufKind(rb->restype);
        if (rb->restype < 1000 || rb->restype > 1071 || kind == db::RbKind::kNone) return Acad::eInvalidResBuf;
        if (rb->restype == 1001) {
            if (!rb->resval.rstring || !*rb->resval.rstring) return Acad::eInvalidResBuf;
            if (st->db && !st->db->findRecord(db::kAppid, rb->resval.rstring)) return Acad::eRegappIdNotFound;
        }
        if (kind == db::RbKind::kString && rb->restype != 1001 && !rb->resval.rstring) return Acad::eInvalidResBuf;
    }
    dxf::TagList& t = st->tags();
    const resbuf* rb = xdata;
    while (rb) {
        std::wstring app = rb->resval.rstring;
        // Drop the application's current group.
        for (int i = t.xdataStart(); i < t.size(); ++i) {
            if (t[i].code == 1001 && db::equalsNoCase(st->decode(dxf::trimBlanks(t[i].value())), app)) {
                int end = t.find(1001, i + 1);
                t.eraseRange(i, end < 0 ? t.size() : end);
                break;
            }
        }
        rb = rb->rbnext;
        if (!rb || rb->restype == 1001) continue;  // an application without items loses its data
        t.insert(t.size(), 1001, st->encode(app), f);
        for (; rb && rb->restype != 1001; rb = rb->rbnext) {
            int code = rb->restype;
            char buf[64];
            switch (db::resbufKind(code)) {
            case db::RbKind::kPoint:
                for (int k = 0; k < 3; ++k) t.insert(t.size(), code + 10 * k, db::formatReal(rb->resval.rpoint[k]), f);
                break;
            case db::RbKind::kReal: t.insert(t.size(), code, db::formatReal(rb->resval.rreal), f); break;
            case db::RbKind::kShort: t.insert(t.size(), code, dxf::formatInt(rb->resval.rint, f), f); break;
            case db::RbKind::kLong: t.insert(t.size(), code, std::to_string(rb->resval.rlong), f); break;
            case db::RbKind::kBinary: {
                std::string hex;
                for (int k = 0; k < rb->resval.rbinary.clen && rb->resval.rbinary.buf; ++k) {
                    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(rb->resval.rbinary.buf[k]));
                    hex += buf;
                }
                t.insert(t.size(), code, hex, f);
                break;
            }
            default: t.insert(t.size(), code, st->encode(rb->resval.rstring), f); break;
            }
        }
    }
    return Acad::eOk;
}
