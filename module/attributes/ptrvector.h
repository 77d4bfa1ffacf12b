// Owning vectors of pointers: the untyped PtrVector, the typed TPtrVector<T> and the
// insertion-ordered TPtrOrderedVector<T> that the attribute association list derives from.
//
// The capacity starts at 64 slots and grows by 64. Indexed access checks the index against the
// capacity (not the count) and throws the narrow text "Bounds Error": this is a guard against
// programming errors, not a report. Slots between the count and the capacity hold null.
// The memory behind the slots grows geometrically, so that long lists do not copy themselves
// every 64 insertions; the capacity that indexes are checked against is unaffected.
#pragma once

#include <cstdint>

class PtrVector {
  public:
    static constexpr std::int64_t kGrowBy = 64;

    PtrVector(const PtrVector&) = delete;
    PtrVector& operator=(const PtrVector&) = delete;

  protected:
    PtrVector();
    ~PtrVector();

    std::int64_t Count() const { return m_count; }
    std::int64_t Capacity() const { return m_capacity; }
    // Slot at index (null beyond the count); throws "Bounds Error" outside 0..capacity-1.
    void* Slot(std::int64_t index) const;
    void Insert(std::int64_t index, void* item);  // index clamped to 0..count
    void* Take(std::int64_t index);               // removes without deleting; null if out of range
    // Forgets every item (the typed layer deletes them first) and goes back to 64 slots.
    void Reset();

  private:
    std::int64_t m_capacity;
    void** m_items;
    std::int64_t m_count;
    std::int64_t m_allocated;  // slots of memory behind m_items, at least m_capacity
};

// T needs bool IsEqual(const T&) const. The vector owns its items: it deletes them when it is
// emptied or destroyed. Items taken out with Remove/RemoveEqual belong to the caller.
template <class T>
class TPtrVector : protected PtrVector {
  public:
    TPtrVector() = default;

    // Index of the first item equal to item, -1 if none (also for null).
    virtual std::int64_t IndexOf(const T* item) const {
        if (item == nullptr) return -1;
        for (std::int64_t i = 0; i < Count(); ++i)
            if (At(i)->IsEqual(*item)) return i;
        return -1;
    }
    // Takes ownership; a null item is ignored.
    virtual void Append(T* item) {
        if (item != nullptr) Insert(Count(), item);
    }
    virtual std::int64_t CountEqual(const T* item) const {
        std::int64_t n = 0;
        if (item == nullptr) return 0;
        for (std::int64_t i = 0; i < Count(); ++i)
            if (At(i)->IsEqual(*item)) ++n;
        return n;
    }
    // Takes the first equal item out (not deleted) and returns it; null if none.
    virtual T* Remove(const T* item) {
        std::int64_t i = IndexOf(item);
        return i < 0 ? nullptr : static_cast<T*>(Take(i));
    }
    // Takes every equal item out without deleting it and returns how many; a caller that
    // still wants them must hold them already.
    virtual std::int64_t RemoveEqual(const T* item) {
        std::int64_t n = 0;
        if (item == nullptr) return 0;
        for (std::int64_t i = 0; i < Count();) {
            if (At(i)->IsEqual(*item)) {
                Take(i);
                ++n;
            } else {
                ++i;
            }
        }
        return n;
    }
    virtual ~TPtrVector() { DeleteAll(); }

    std::int64_t GetCount() const { return Count(); }
    std::int64_t GetCapacity() const { return Capacity(); }
    // Checked against the capacity: an index in count..capacity-1 gives null.
    T* GetAt(std::int64_t index) const { return static_cast<T*>(Slot(index)); }
    T* operator[](std::int64_t index) const { return GetAt(index); }
    // Deletes every item and returns to 64 slots.
    void RemoveAll() { DeleteAll(); }

  private:
    T* At(std::int64_t i) const { return static_cast<T*>(Slot(i)); }
    void DeleteAll() {
        for (std::int64_t i = 0; i < Count(); ++i) delete At(i);
        Reset();
    }
};

// Keeps items in the order they were appended.
template <class T>
class TPtrOrderedVector : protected TPtrVector<T> {
  public:
    using TPtrVector<T>::IndexOf;
    using TPtrVector<T>::Append;
    using TPtrVector<T>::CountEqual;
    using TPtrVector<T>::Remove;
    using TPtrVector<T>::RemoveEqual;
    using TPtrVector<T>::GetCount;
    using TPtrVector<T>::GetCapacity;
    using TPtrVector<T>::GetAt;
    using TPtrVector<T>::operator[];
    using TPtrVector<T>::RemoveAll;
};
