// Storage of the owning pointer vectors: 64 slots to start, 64 more whenever it is full.
#include "attributes/ptrvector.h"

#include <algorithm>
#include <cstring>

namespace {

void** newSlots(std::int64_t count) {
    void** slots = new void*[static_cast<std::size_t>(count)];
    std::memset(slots, 0, sizeof(void*) * static_cast<std::size_t>(count));
    return slots;
}

}  // namespace

PtrVector::PtrVector()
    : m_capacity(kGrowBy), m_items(newSlots(kGrowBy)), m_count(0), m_allocated(kGrowBy) {}

PtrVector::~PtrVector() { delete[] m_items; }

void* PtrVector::Slot(std::int64_t index) const {
    // Checked against the capacity, not the count: slots past the count read as null.
    if (index < 0 || index >= m_capacity) throw "Bounds Error";
    return m_items[index];
}

void PtrVector::Insert(std::int64_t index, void* item) {
    if (index < 0) index = 0;
    if (index > m_count) index = m_count;
    if (m_count == m_capacity) {
        if (m_capacity + kGrowBy > m_allocated) {
            const std::int64_t size = std::max(m_capacity + kGrowBy, m_allocated * 2);
            void** grown = newSlots(size);
            std::memcpy(grown, m_items, sizeof(void*) * static_cast<std::size_t>(m_count));
            delete[] m_items;
            m_items = grown;
            m_allocated = size;
        }
        m_capacity += kGrowBy;
    }
    std::memmove(m_items + index + 1, m_items + index,
                 sizeof(void*) * static_cast<std::size_t>(m_count - index));
    m_items[index] = item;
    ++m_count;
}

void* PtrVector::Take(std::int64_t index) {
    if (index < 0 || index >= m_count) return nullptr;
    void* item = m_items[index];
    std::memmove(m_items + index, m_items + index + 1,
                 sizeof(void*) * static_cast<std::size_t>(m_count - index - 1));
    --m_count;
    m_items[m_count] = nullptr;
    return item;
}

void PtrVector::Reset() {
    void** fresh = newSlots(kGrowBy);
    delete[] m_items;
    m_items = fresh;
    m_capacity = kGrowBy;
    m_count = 0;
    m_allocated = kGrowBy;
}
