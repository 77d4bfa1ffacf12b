// The root of the host's runtime class system: every host object (database objects, reactors,
// dictionaries of the system registry) is an AcRxObject and carries a class descriptor that
// answers "is this an X?" without C++ RTTI, as the host's own runtime does.
#pragma once

#include "AdAChar.h"

class AcRxClass;

class AcRxObject {
public:
    virtual ~AcRxObject() = default;

    static AcRxClass* desc();
    static AcRxObject* cast(const AcRxObject* inPtr) { return const_cast<AcRxObject*>(inPtr); }

    // The object's own class.
    virtual AcRxClass* isA() const;
    // True when the object's class is aClass or derives from it.
    bool isKindOf(const AcRxClass* aClass) const;
};

// A class descriptor: a name and a parent. Descriptors live for the whole process.
class AcRxClass {
public:
    AcRxClass(const ACHAR* name, AcRxClass* parent) : m_name(name), m_parent(parent) {}
    AcRxClass(const AcRxClass&) = delete;
    AcRxClass& operator=(const AcRxClass&) = delete;

    const ACHAR* name() const { return m_name; }
    AcRxClass* myParent() const { return m_parent; }
    bool isDerivedFrom(const AcRxClass* other) const {
        for (const AcRxClass* c = this; c != nullptr; c = c->m_parent)
            if (c == other) return true;
        return false;
    }

private:
    const ACHAR* m_name;
    AcRxClass* m_parent;
};

inline bool AcRxObject::isKindOf(const AcRxClass* aClass) const {
    return isA()->isDerivedFrom(aClass);
}

// Declares desc(), isA() and a checked cast() for a class derived from AcRxObject.
#define ACRX_DECLARE_MEMBERS(CLASS_NAME)                                                   \
    static AcRxClass* desc();                                                              \
    AcRxClass* isA() const override;                                                       \
    static CLASS_NAME* cast(const AcRxObject* inPtr) {                                     \
        return (inPtr == nullptr || !inPtr->isKindOf(CLASS_NAME::desc()))                  \
                   ? nullptr                                                               \
                   : static_cast<CLASS_NAME*>(const_cast<AcRxObject*>(inPtr));             \
    }

// Defines the members declared above, in one source file of the host.
#define ACRX_DEFINE_MEMBERS(CLASS_NAME, PARENT_CLASS)                                      \
    AcRxClass* CLASS_NAME::desc() {                                                        \
        static AcRxClass s_class(L## #CLASS_NAME, PARENT_CLASS::desc());                   \
        return &s_class;                                                                   \
    }                                                                                      \
    AcRxClass* CLASS_NAME::isA() const { return CLASS_NAME::desc(); }
