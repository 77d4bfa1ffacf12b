// A scoped owner for one opened database object: closes it on every way out of the scope, so
// that an error report raised between open and close never leaves an object open.
//
//   CObjectHolder<AcDbBlockReference> ref;
//   Acad::ErrorStatus es = acdbOpenObject(ref.out(), id, AcDb::kForRead);
//   if (es != Acad::eOk) ...;
//   ref->position();
#pragma once

#include <dbmain.h>

#include <utility>

template <class T>
class CObjectHolder {
  public:
    CObjectHolder() = default;
    explicit CObjectHolder(T* object) : m_object(object) {}
    ~CObjectHolder() noexcept { reset(); }

    CObjectHolder(const CObjectHolder&) = delete;
    CObjectHolder& operator=(const CObjectHolder&) = delete;
    CObjectHolder(CObjectHolder&& other) noexcept
        : m_object(std::exchange(other.m_object, nullptr)) {}
    CObjectHolder& operator=(CObjectHolder&& other) noexcept {
        if (this != &other) {
            reset();
            m_object = std::exchange(other.m_object, nullptr);
        }
        return *this;
    }

    // Closes what is held and hands out the slot for an open call to fill.
    T*& out() {
        reset();
        return m_object;
    }
    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    // Closes now; the status of the close (eOk when nothing was held).
    Acad::ErrorStatus close() {
        T* object = std::exchange(m_object, nullptr);
        return object == nullptr ? Acad::eOk : object->close();
    }
    // A close that fails here has nothing left to undo: the object was only read or its
    // changes are already in the database, so the status is dropped.
    void reset() noexcept {
        if (m_object != nullptr) static_cast<void>(close());
    }

  private:
    T* m_object = nullptr;
};
