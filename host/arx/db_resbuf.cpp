// Result-buffer lists and host strings: building, releasing, copying.
#include "db_resbuf.h"

#include <malloc.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "acutbuild.h"
#include "acutmem.h"
#include "adscodes.h"

namespace cadhost::db {

RbKind resbufKindOf(int t) {
    switch (t) {
    case RTSTR: return RbKind::kString;
    case RTPOINT:
    case RT3DPOINT: return RbKind::kPoint;
    case RTREAL:
    case RTANG: return RbKind::kReal;
    case RTSHORT: return RbKind::kShort;
    case RTLONG: return RbKind::kLong;
    default: break;
    }
    if ((t >= 0 && t <= 9) || (t >= 100 && t <= 109) || (t >= 300 && t <= 309) || (t >= 410 && t <= 419) ||
        (t >= 430 && t <= 439) || (t >= 470 && t <= 479) || t == 999 || (t >= 1000 && t <= 1003) ||
        (t >= 1005 && t <= 1009))
        return RbKind::kString;
    if ((t >= 10 && t <= 18) || (t >= 110 && t <= 112) || (t >= 1010 && t <= 1013)) return RbKind::kPoint;
    if ((t >= 38 && t <= 59) || (t >= 140 && t <= 149) || (t >= 460 && t <= 469) || (t >= 1040 && t <= 1042))
        return RbKind::kReal;
    if ((t >= 60 && t <= 79) || (t >= 170 && t <= 179) || (t >= 270 && t <= 299) || (t >= 370 && t <= 409) ||
        (t >= 1060 && t <= 1070))
        return RbKind::kShort;
    if ((t >= 90 && t <= 99) || (t >= 420 && t <= 429) || (t >= 440 && t <= 459) || t == 1071) return RbKind::kLong;
    if ((t >= 310 && t <= 319) || t == 1004) return RbKind::kBinary;
    return RbKind::kNone;
}

}  // namespace cadhost::db

using cadhost::db::RbKind;
using cadhost::db::resbufKind;

namespace {

// Released nodes wait here for the next list: searches build and release a list per entity
// (an application name to look for), and a node taken from here, with the string memory it
// held, costs a fraction of two trips through the allocator. A caller may free a node's string
// itself (and then clears it); it never frees the node. Sanitizer builds leave every node to
// the allocator so that a node used after its release is still caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kSpareNodes = 0;
#else
constexpr int kSpareNodes = 64;
#endif

// Plain data, so that reaching it is one load: the few nodes a thread still holds when it ends
// are left to the process's end. A spare node's rstring is the string memory it still owns.
struct SpareNodes {
    resbuf* head;
    int count;
};
// The host library is linked by its programs, never loaded later: its thread data can live in
// the static block, read without a call into the dynamic linker.
__attribute__((tls_model("initial-exec"))) constinit thread_local SpareNodes t_spareNodes{nullptr, 0};

// A node for a new list item, and the string memory a spare one still owns (null when none;
// the caller takes it over).
resbuf* takeNode(ACHAR*& memory) {
    SpareNodes& spare = t_spareNodes;
    if (resbuf* rb = spare.head) {
        spare.head = rb->rbnext;
        --spare.count;
        memory = rb->resval.rstring;
        return rb;
    }
    memory = nullptr;
    return static_cast<resbuf*>(std::malloc(sizeof(resbuf)));
}

void giveNode(resbuf* rb, ACHAR* memory) {
    SpareNodes& spare = t_spareNodes;
    if (spare.count >= kSpareNodes) {
        std::free(memory);
        std::free(rb);
        return;
    }
    rb->rbnext = spare.head;
    rb->resval.rstring = memory;
    spare.head = rb;
    ++spare.count;
}

// A copy of s in malloc'ed memory (callers may free it), in memory if that is large enough.
ACHAR* copyString(const ACHAR* s, ACHAR* memory) {
    const std::size_t n = std::wcslen(s) + 1;
    if (!memory || malloc_usable_size(memory) < n * sizeof(ACHAR)) {
        std::free(memory);
        memory = static_cast<ACHAR*>(std::malloc(n * sizeof(ACHAR)));
        if (!memory) return nullptr;
    }
    std::memcpy(memory, s, n * sizeof(ACHAR));
    return memory;
}

resbuf* newNode(int type, ACHAR*& memory) {
    resbuf* rb = takeNode(memory);
    if (!rb) return nullptr;
    rb->rbnext = nullptr;
    rb->restype = static_cast<short>(type);
    std::memset(&rb->resval, 0, sizeof(rb->resval));
    return rb;
}

}  // namespace

struct resbuf* acutNewRb(int type) {
    ACHAR* memory = nullptr;
    resbuf* rb = newNode(type, memory);
    std::free(memory);
    return rb;
}

int acutRelRb(struct resbuf* rb) {
    while (rb) {
        resbuf* next = rb->rbnext;
        RbKind kind = resbufKind(rb->restype);
        ACHAR* memory = nullptr;
        if (kind == RbKind::kString) memory = rb->resval.rstring;
        else if (kind == RbKind::kBinary) delete[] rb->resval.rbinary.buf;
        giveNode(rb, memory);
        rb = next;
    }
    return RTNORM;
}

struct resbuf* acutBuildList(int rtype, ...) {
    va_list ap;
    va_start(ap, rtype);
    resbuf* head = nullptr;
    resbuf* tail = nullptr;
    bool ok = true;
    for (int type = rtype; type != 0 && type != RTNONE; type = va_arg(ap, int)) {
        RbKind kind = resbufKind(type);
        if (kind == RbKind::kNone) {
            ok = false;
            break;
        }
        ACHAR* memory = nullptr;
        resbuf* rb = newNode(type, memory);
        if (!rb) {
            ok = false;
            break;
        }
        (tail ? tail->rbnext : head) = rb;
        tail = rb;
        switch (kind) {
        case RbKind::kString: {
            const ACHAR* s = va_arg(ap, const ACHAR*);
            if (s) {
                rb->resval.rstring = copyString(s, memory);
                memory = nullptr;
            }
            break;
        }
        case RbKind::kPoint: {
            const double* p = va_arg(ap, const double*);
            if (p) std::memcpy(rb->resval.rpoint, p, sizeof(double) * 3);
            break;
        }
        case RbKind::kReal: rb->resval.rreal = va_arg(ap, double); break;
        case RbKind::kShort: rb->resval.rint = static_cast<short>(va_arg(ap, int)); break;
        case RbKind::kLong: rb->resval.rlong = va_arg(ap, int); break;
        case RbKind::kBinary: {
            const ads_binary* b = va_arg(ap, const ads_binary*);
            if (b && b->clen > 0 && b->buf) {
                rb->resval.rbinary.clen = b->clen;
                rb->resval.rbinary.buf = new char[static_cast<std::size_t>(b->clen)];
                std::memcpy(rb->resval.rbinary.buf, b->buf, static_cast<std::size_t>(b->clen));
            }
            break;
        }
        case RbKind::kNone: break;
        }
        std::free(memory);
    }
    va_end(ap);
    if (!ok) {
        acutRelRb(head);
        return nullptr;
    }
    return head;
}

Acad::ErrorStatus acutNewString(const ACHAR* src, ACHAR*& newStr) {
    if (!src) {
        newStr = nullptr;
        return Acad::eOk;
    }
    std::size_t n = std::wcslen(src) + 1;
    newStr = new ACHAR[n];
    std::wmemcpy(newStr, src, n);
    return Acad::eOk;
}

void acutDelString(ACHAR*& str) {
    delete[] str;
    str = nullptr;
}
