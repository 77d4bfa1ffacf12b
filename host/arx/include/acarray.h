// The host's growable array template (AcArray) and the object id array built on it.
// Indexes are int as in the host; an index outside the logical length is a programming error
// (asserted in debug builds).
#pragma once

#include <algorithm>
#include <cassert>
#include <cstring>
#include <type_traits>
#include <utility>

// Reallocators only pick how elements move when the array grows; both are kept as distinct
// types because modules name them in their base classes.
template <class T>
class AcArrayMemCopyReallocator {
public:
    static void reallocateArray(T* dest, const T* source, int count) {
        for (int i = 0; i < count; ++i) dest[i] = source[i];
    }
};

template <class T>
class AcArrayObjectCopyReallocator {
public:
    static void reallocateArray(T* dest, const T* source, int count) {
        for (int i = 0; i < count; ++i) dest[i] = source[i];
    }
};

template <class T, class R = AcArrayMemCopyReallocator<T>>
class AcArray {
public:
    explicit AcArray(int physicalLength = 0, int growLength = 8)
        : m_growLength(growLength > 0 ? growLength : 8) {
        if (physicalLength > 0) reserve(physicalLength);
    }
    AcArray(const AcArray& other) : m_growLength(other.m_growLength) { *this = other; }
    AcArray(AcArray&& other) noexcept { swapWith(other); }
    virtual ~AcArray() { delete[] m_data; }

    AcArray& operator=(const AcArray& other) {
        if (this == &other) return *this;
        if (other.m_logical > m_physical) reserve(other.m_logical);
        R::reallocateArray(m_data, other.m_data, other.m_logical);
        m_logical = other.m_logical;
        return *this;
    }
    AcArray& operator=(AcArray&& other) noexcept {
        swapWith(other);
        return *this;
    }
    bool operator==(const AcArray& other) const { return isEqualTo(other); }

    T& operator[](int i) {
        assert(i >= 0 && i < m_logical);
        return m_data[i];
    }
    const T& operator[](int i) const {
        assert(i >= 0 && i < m_logical);
        return m_data[i];
    }
    T& at(int i) { return (*this)[i]; }
    const T& at(int i) const { return (*this)[i]; }
    AcArray& setAt(int i, const T& value) {
        (*this)[i] = value;
        return *this;
    }
    T& first() { return (*this)[0]; }
    const T& first() const { return (*this)[0]; }
    T& last() { return (*this)[m_logical - 1]; }
    const T& last() const { return (*this)[m_logical - 1]; }

    // Appends and returns the new element's index.
    int append(const T& value) {
        T copy(value);  // value may live inside this array
        grow(m_logical + 1);
        m_data[m_logical] = std::move(copy);
        return m_logical++;
    }
    AcArray& append(const AcArray& other) {
        AcArray copy(other);
        grow(m_logical + copy.m_logical);
        for (int i = 0; i < copy.m_logical; ++i) m_data[m_logical++] = copy.m_data[i];
        return *this;
    }
    AcArray& insertAt(int index, const T& value) {
        assert(index >= 0 && index <= m_logical);
        T copy(value);
        grow(m_logical + 1);
        for (int i = m_logical; i > index; --i) m_data[i] = m_data[i - 1];
        m_data[index] = std::move(copy);
        ++m_logical;
        return *this;
    }
    AcArray& removeAt(int index) {
        assert(index >= 0 && index < m_logical);
        for (int i = index; i + 1 < m_logical; ++i) m_data[i] = m_data[i + 1];
        --m_logical;
        return *this;
    }
    bool remove(const T& value, int start = 0) {
        int at = -1;
        if (!find(value, at, start)) return false;
        removeAt(at);
        return true;
    }
    AcArray& removeFirst() { return removeAt(0); }
    AcArray& removeLast() { return removeAt(m_logical - 1); }
    AcArray& removeAll() {
        m_logical = 0;
        return *this;
    }
    AcArray& removeSubArray(int start, int end) {
        assert(start >= 0 && start <= end && end < m_logical);
        int n = end - start + 1;
        for (int i = start; i + n < m_logical; ++i) m_data[i] = m_data[i + n];
        m_logical -= n;
        return *this;
    }

    bool contains(const T& value, int start = 0) const { return findFrom(value, start) >= 0; }
    bool find(const T& value, int& foundAt, int start = 0) const {
        int i = findFrom(value, start);
        if (i < 0) return false;
        foundAt = i;
        return true;
    }
    int find(const T& value) const { return findFrom(value, 0); }
    int findFrom(const T& value, int start) const {
        for (int i = std::max(start, 0); i < m_logical; ++i)
            if (m_data[i] == value) return i;
        return -1;
    }

    int length() const { return m_logical; }
    int logicalLength() const { return m_logical; }
    int physicalLength() const { return m_physical; }
    int growLength() const { return m_growLength; }
    bool isEmpty() const { return m_logical == 0; }
    AcArray& setLogicalLength(int n) {
        assert(n >= 0);
        if (n > m_physical) reserve(n);
        m_logical = n;
        return *this;
    }
    AcArray& setPhysicalLength(int n) {
        if (n > m_physical) reserve(n);
        return *this;
    }
    AcArray& setGrowLength(int n) {
        if (n > 0) m_growLength = n;
        return *this;
    }
    AcArray& reverse() {
        std::reverse(m_data, m_data + m_logical);
        return *this;
    }
    AcArray& swap(int i, int j) {
        std::swap((*this)[i], (*this)[j]);
        return *this;
    }
    bool isEqualTo(const AcArray& other) const {
        if (m_logical != other.m_logical) return false;
        for (int i = 0; i < m_logical; ++i)
            if (!(m_data[i] == other.m_data[i])) return false;
        return true;
    }

    T* asArrayPtr() { return m_data; }
    const T* asArrayPtr() const { return m_data; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_logical; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_logical; }

private:
    void grow(int needed) {
        if (needed <= m_physical) return;
        int n = m_physical;
        while (n < needed) n += m_growLength;
        reserve(n);
    }
    void reserve(int n) {
        T* data = new T[n]();
        R::reallocateArray(data, m_data, m_logical);
        delete[] m_data;
        m_data = data;
        m_physical = n;
    }
    void swapWith(AcArray& other) noexcept {
        std::swap(m_data, other.m_data);
        std::swap(m_logical, other.m_logical);
        std::swap(m_physical, other.m_physical);
        std::swap(m_growLength, other.m_growLength);
    }

    T* m_data = nullptr;
    int m_logical = 0;
    int m_physical = 0;
    int m_growLength = 8;
};
