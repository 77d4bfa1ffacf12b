// The host's geometry value types that drawing objects hand out: 2-D and 3-D points and
// vectors. Plain values; only what block references, texts and extents need.
#pragma once

#include <cmath>

class AcGeVector3d {
public:
    AcGeVector3d() = default;
    AcGeVector3d(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    bool operator==(const AcGeVector3d& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const AcGeVector3d& o) const { return !(*this == o); }
    double length() const { return std::sqrt(x * x + y * y + z * z); }
    static const AcGeVector3d kIdentity;
    static const AcGeVector3d kXAxis;
    static const AcGeVector3d kYAxis;
    static const AcGeVector3d kZAxis;
    double x = 0, y = 0, z = 0;
};

class AcGePoint3d {
public:
    AcGePoint3d() = default;
    AcGePoint3d(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    bool operator==(const AcGePoint3d& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const AcGePoint3d& o) const { return !(*this == o); }
    bool isEqualTo(const AcGePoint3d& o, double tol = 1e-10) const {
        return std::fabs(x - o.x) <= tol && std::fabs(y - o.y) <= tol && std::fabs(z - o.z) <= tol;
    }
    AcGePoint3d operator+(const AcGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
    AcGeVector3d operator-(const AcGePoint3d& p) const { return {x - p.x, y - p.y, z - p.z}; }
    AcGePoint3d& set(double x_, double y_, double z_) {
        x = x_, y = y_, z = z_;
        return *this;
    }
    static const AcGePoint3d kOrigin;
    double x = 0, y = 0, z = 0;
};

class AcGePoint2d {
public:
    AcGePoint2d() = default;
    AcGePoint2d(double x_, double y_) : x(x_), y(y_) {}
    bool operator==(const AcGePoint2d& o) const { return x == o.x && y == o.y; }
    bool operator!=(const AcGePoint2d& o) const { return !(*this == o); }
    static const AcGePoint2d kOrigin;
    double x = 0, y = 0;
};

inline const AcGePoint3d AcGePoint3d::kOrigin{0, 0, 0};
inline const AcGePoint2d AcGePoint2d::kOrigin{0, 0};
inline const AcGeVector3d AcGeVector3d::kIdentity{0, 0, 0};
inline const AcGeVector3d AcGeVector3d::kXAxis{1, 0, 0};
inline const AcGeVector3d AcGeVector3d::kYAxis{0, 1, 0};
inline const AcGeVector3d AcGeVector3d::kZAxis{0, 0, 1};
