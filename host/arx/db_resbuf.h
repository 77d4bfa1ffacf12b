// Classification of result-buffer value types by group code, shared by the list builder, the
// list releaser and the extended-data conversion.
#pragma once

namespace cadhost::db {

enum class RbKind { kNone, kString, kPoint, kReal, kShort, kLong, kBinary };

RbKind resbufKindOf(int type);

// What the value union holds for a result-buffer type (a DXF group code or an RT* code).
// Extended-data strings (application names above all) are answered inline.
inline RbKind resbufKind(int type) {
    if (type >= 1000 && type <= 1003) return RbKind::kString;
    return resbufKindOf(type);
}

}  // namespace cadhost::db
