// Ordering of PDM property names by UTF-16 code units, as the PDM system and the host order
// them, although wchar_t holds whole code points on this platform.
#include "docdata/property_map.h"

#include <cstdint>

namespace {

// Walks a wide string as the UTF-16 code units it would be on the host platform.
class Utf16Units {
  public:
    Utf16Units(const std::wstring& text, std::size_t start) : m_text(text), m_index(start) {}

    bool atEnd() const { return m_index >= m_text.size(); }

    // The current unit; only valid when not at the end.
    std::uint32_t unit() const {
        std::uint32_t c = static_cast<std::uint32_t>(m_text[m_index]);
        if (c < 0x10000 || c > 0x10FFFF) return c;
        c -= 0x10000;
        return m_low ? 0xDC00 + (c & 0x3FF) : 0xD800 + (c >> 10);
    }

    void next() {
        std::uint32_t c = static_cast<std::uint32_t>(m_text[m_index]);
        if (c >= 0x10000 && c <= 0x10FFFF && !m_low) {
            m_low = true;
            return;
        }
        m_low = false;
        ++m_index;
    }

  private:
    const std::wstring& m_text;
    std::size_t m_index;
    bool m_low = false;
};

}  // namespace

bool Utf16Less::operator()(const std::wstring& a, const std::wstring& b) const {
    // Equal code points give equal units, so only the tail from the first difference matters.
    std::size_t i = 0;
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    while (i < n && a[i] == b[i]) ++i;
    if (i == n) return a.size() < b.size();
    Utf16Units ua(a, i), ub(b, i);
    while (!ua.atEnd() && !ub.atEnd()) {
        if (ua.unit() != ub.unit()) return ua.unit() < ub.unit();
        ua.next();
        ub.next();
    }
    return ua.atEnd() && !ub.atEnd();
}
