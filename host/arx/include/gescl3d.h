// The scale factors of a block reference.
#pragma once

class AcGeScale3d {
public:
    AcGeScale3d() = default;
    explicit AcGeScale3d(double factor) : sx(factor), sy(factor), sz(factor) {}
    AcGeScale3d(double x, double y, double z) : sx(x), sy(y), sz(z) {}
    bool operator==(const AcGeScale3d& o) const { return sx == o.sx && sy == o.sy && sz == o.sz; }
    bool operator!=(const AcGeScale3d& o) const { return !(*this == o); }
    double operator[](unsigned i) const { return i == 0 ? sx : i == 1 ? sy : sz; }
    static const AcGeScale3d kIdentity;
    double sx = 1, sy = 1, sz = 1;
};

inline const AcGeScale3d AcGeScale3d::kIdentity{1, 1, 1};
