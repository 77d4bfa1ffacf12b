// An axis-aligned box in world coordinates: the geometric extents of an entity.
#pragma once

#include <algorithm>

#include "gepnt3d.h"

class AcDbExtents {
public:
    AcDbExtents() = default;
    AcDbExtents(const AcGePoint3d& min, const AcGePoint3d& max) : m_min(min), m_max(max), m_empty(false) {}

    const AcGePoint3d& minPoint() const { return m_min; }
    const AcGePoint3d& maxPoint() const { return m_max; }
    void set(const AcGePoint3d& min, const AcGePoint3d& max) {
        m_min = min;
        m_max = max;
        m_empty = false;
    }
    void addPoint(const AcGePoint3d& p) {
        if (m_empty) {
            m_min = m_max = p;
            m_empty = false;
            return;
        }
        m_min.set(std::min(m_min.x, p.x), std::min(m_min.y, p.y), std::min(m_min.z, p.z));
        m_max.set(std::max(m_max.x, p.x), std::max(m_max.y, p.y), std::max(m_max.z, p.z));
    }
    void addExt(const AcDbExtents& other) {
        if (other.m_empty) return;
        addPoint(other.m_min);
        addPoint(other.m_max);
    }
    // True until a point was added (our own query; the host keeps an inverted box instead).
    bool isEmpty() const { return m_empty; }

private:
    AcGePoint3d m_min;
    AcGePoint3d m_max;
    bool m_empty = true;
};
