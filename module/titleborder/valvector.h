// Value vectors: TValVector<T> holds T by value in slots that grow by 64 (not by doubling);
// TValOrderedVector<T> adds the count and the ordered operations. Slots are copied with T's
// assign. Element access checks the index against the capacity (not the count) and throws the
// narrow text "!Bounds Error in TValVector!": a guard against programming errors, which a
// reporting boundary turns into its undefined-error line.
#pragma once

#include <algorithm>
#include <cstdint>

template <class T>
class TValVector {
  public:
    static constexpr std::uint64_t kGrowBy = 64;

    TValVector() : m_capacity(kGrowBy), m_items(new T[kGrowBy]) {}
    ~TValVector() { delete[] m_items; }
    TValVector(const TValVector&) = delete;
    TValVector& operator=(const TValVector&) = delete;

    std::uint64_t capacity() const { return m_capacity; }
    T& at(std::uint64_t index) {
        if (index >= m_capacity) throw "!Bounds Error in TValVector!";
        return m_items[index];
    }
    const T& at(std::uint64_t index) const {
        if (index >= m_capacity) throw "!Bounds Error in TValVector!";
        return m_items[index];
    }
    T& operator[](std::uint64_t index) { return at(index); }
    const T& operator[](std::uint64_t index) const { return at(index); }

  protected:
    // Reallocates to newCapacity slots, keeping the first min(old, new) ones.
    void reallocate(std::uint64_t newCapacity) {
        T* items = new T[newCapacity];
        const std::uint64_t kept = std::min(m_capacity, newCapacity);
        for (std::uint64_t i = 0; i < kept; ++i) items[i].assign(m_items[i]);
        delete[] m_items;
        m_items = items;
        m_capacity = newCapacity;
    }

  private:
    std::uint64_t m_capacity;
    T* m_items;
};

// T needs assign(const T&) and isEqual(const T&) const.
template <class T>
class TValOrderedVector : protected TValVector<T> {
  public:
    static constexpr std::uint64_t kNotFound = ~std::uint64_t{0};

    // Index of the first equal element, kNotFound (all ones) when there is none.
    virtual std::uint64_t indexOf(const T& value) const {
        for (std::uint64_t i = 0; i < m_count; ++i)
            if (this->at(i).isEqual(value)) return i;
        return kNotFound;
    }
    virtual void append(const T& value) { insertAt(m_count, value); }
    virtual std::uint64_t countOf(const T& value) const {
        std::uint64_t n = 0;
        for (std::uint64_t i = 0; i < m_count; ++i)
            if (this->at(i).isEqual(value)) ++n;
        return n;
    }
    // Removes the first equal element; false when there is none.
    virtual bool remove(const T& value) {
        const std::uint64_t i = indexOf(value);
        if (i == kNotFound) return false;
        removeAt(i);
        return true;
    }
    // Removes every equal element, the others keep their order; the number removed.
    virtual std::uint64_t removeAll(const T& value) {
        std::uint64_t removed = 0;
        for (std::uint64_t i = m_count; i > 0; --i) {
            if (this->at(i - 1).isEqual(value)) {
                removeAt(i - 1);
                ++removed;
            }
        }
        return removed;
    }
    virtual ~TValOrderedVector() = default;

    // Inserts before index (an index past the count appends).
    void insertAt(std::uint64_t index, const T& value) {
        if (index > m_count) index = m_count;
        if (m_count == this->capacity()) this->reallocate(m_count + TValVector<T>::kGrowBy);
        for (std::uint64_t i = m_count; i > index; --i) this->at(i).assign(this->at(i - 1));
        ++m_count;
        this->at(index).assign(value);
    }
    // Takes the element out and returns a copy of it; the following ones move down. An index
    // at or past the count changes nothing (beyond the capacity it throws).
    T removeAt(std::uint64_t index) {
        T removed;
        removed.assign(this->at(index));
        if (index >= m_count) return removed;
        for (std::uint64_t i = index; i + 1 < m_count; ++i) this->at(i).assign(this->at(i + 1));
        --m_count;
        this->at(m_count).assign(T());
        return removed;
    }

    std::uint64_t count() const { return m_count; }
    using TValVector<T>::capacity;
    using TValVector<T>::at;
    using TValVector<T>::operator[];

  private:
    std::uint64_t m_count = 0;
};
