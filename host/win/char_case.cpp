// The host's letter case table (see char_case.h). Small and explicit on purpose: the host must
// fold letters the same way whatever locale the process runs in.
#include "win/char_case.h"

namespace cadhost {

wchar_t toUpperChar(wchar_t ch) {
    unsigned c = static_cast<unsigned>(ch);
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? static_cast<wchar_t>(c - 32) : ch;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<wchar_t>(c - 32);
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A: pairs start on even code points in 0x100-0x137 and 0x14A-0x177,
        // on odd ones in 0x139-0x148 and 0x179-0x17E; 0x130, 0x131, 0x138, 0x149, 0x17F have
        // no single partner.
        if ((c <= 0x12F || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && (c & 1))
            return static_cast<wchar_t>(c - 1);
        if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && !(c & 1))
            return static_cast<wchar_t>(c - 1);
        return ch;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<wchar_t>(c - 32);
    if (c == 0x3C2) return 0x3A3;
    if (c >= 0x3AC && c <= 0x3CE) {
        switch (c) {
            case 0x3AC:
                return 0x386;
            case 0x3AD:
                return 0x388;
            case 0x3AE:
                return 0x389;
            case 0x3AF:
                return 0x38A;
            case 0x3CC:
                return 0x38C;
            case 0x3CD:
                return 0x38E;
            case 0x3CE:
                return 0x38F;
            default:
                return ch;
        }
    }
    if (c >= 0x430 && c <= 0x44F) return static_cast<wchar_t>(c - 32);
    if (c >= 0x450 && c <= 0x45F) return static_cast<wchar_t>(c - 80);
    return ch;
}

wchar_t toLowerChar(wchar_t ch) {
    unsigned c = static_cast<unsigned>(ch);
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<wchar_t>(c + 32) : ch;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 32);
    if (c == 0x178) return 0xFF;
    if (c >= 0x100 && c <= 0x17F) {
        if ((c <= 0x12F || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && !(c & 1))
            return static_cast<wchar_t>(c + 1);
        if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && (c & 1))
            return static_cast<wchar_t>(c + 1);
        return ch;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<wchar_t>(c + 32);
    switch (c) {
        case 0x386:
            return 0x3AC;
        case 0x388:
            return 0x3AD;
        case 0x389:
            return 0x3AE;
        case 0x38A:
            return 0x3AF;
        case 0x38C:
            return 0x3CC;
        case 0x38E:
            return 0x3CD;
        case 0x38F:
            return 0x3CE;
        default:
            break;
    }
    if (c >= 0x410 && c <= 0x42F) return static_cast<wchar_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 80);
    return ch;
}

int compareNoCase(std::wstring_view a, std::wstring_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        // Names mostly agree letter for letter: only differing letters are folded.
        if (a[i] == b[i]) continue;
        unsigned x = static_cast<unsigned>(toLowerChar(a[i]));
        unsigned y = static_cast<unsigned>(toLowerChar(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace cadhost
