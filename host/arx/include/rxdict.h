// The host's dictionary of named runtime objects. The system registry is one: modules find
// the host's services in it by key (the dynamic linker, the command stack).
#pragma once

#include <cstdint>

#include "AdAChar.h"
#include "rxobject.h"

class AcRxDictionary : public AcRxObject {
  public:
    ACRX_DECLARE_MEMBERS(AcRxDictionary);

    // The object stored under key (keys compare exactly), or null when there is none.
    virtual AcRxObject* at(const ACHAR* key) const = 0;
    // Stores object under key and returns the object it replaces (null if none). The
    // dictionary does not own what it stores.
    virtual AcRxObject* atPut(const ACHAR* key, AcRxObject* object) = 0;
    // Takes the entry out and returns its object (null if there was none).
    virtual AcRxObject* remove(const ACHAR* key) = 0;
    virtual bool has(const ACHAR* key) const = 0;
    virtual std::uint32_t numEntries() const = 0;
};
