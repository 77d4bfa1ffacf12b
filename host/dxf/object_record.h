// The compact record kept per object of a drawing file (from one 0 tag to the next). It is also
// the stub behind an object id: the database binding keeps its open state here.
#pragma once

#include <cstdint>

namespace cadhost {

class DbStub {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    // kHasCode60: the record as read holds a group 60 (an entity's visibility) before any
    // extended data; without it an unedited entity is visible without a look at its text.
    enum Flags : std::uint8_t { kErased = 1, kNew = 2, kInXdataIndex = 4, kHasCode60 = 8 };

    std::uint64_t handle = 0;      // 5 (105 for DIMSTYLE); 0 when the object has none
    std::uint64_t owner = 0;       // first 330 outside 102 groups; 0 when none
    std::uint64_t begin = 0;       // byte range of an unedited object in the file text
    std::uint32_t length = 0;
    std::uint32_t xdata = 0;       // offset of the first 1001 tag from the object start; 0: none
    std::uint32_t index = 0;       // own position in the record list
    std::uint32_t prev = kNone;    // neighbours in the order the file is written
    std::uint32_t next = kNone;
    std::uint32_t edit = kNone;    // replacement text of an edited or new object
    std::uint16_t type = 0;        // interned DXF type name
    std::uint8_t section = 0;      // dxf::Section
    std::uint8_t flags = 0;

    // Database binding.
    void* database = nullptr;      // the AcDbDatabase
    void* openObject = nullptr;    // the AcDbObject while it is open
    std::uint16_t readers = 0;
    bool writer = false;
    // What the database builds for the record, worked out on its first open (-1 until then):
    // the type and section of a record never change.
    mutable std::int16_t kind = -1;
    // A block reference as read: where the value of its block name (the first group 2 of its
    // first AcDbBlockReference subclass) starts, from the object start; 0 when not noted (not
    // a reference, no such name, too far in, or a reference written without subclass markers).
    std::uint16_t nameAt = 0;

    bool erased() const { return flags & kErased; }
};

}  // namespace cadhost
