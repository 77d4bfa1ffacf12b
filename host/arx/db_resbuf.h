// Classification of result-buffer value types by group code, shared by the list builder, the
// list releaser and the extended-data conversion.
#pragma once

namespace cadhost::db {

enum class RbKind { kNone, kString, kPoint, kReal, kShort, kLong, kBinary };

// What the value union holds for a result-buffer type (a DXF group code or an RT* code).
RbKind resbufKind(int type);

}  // namespace cadhost::db
