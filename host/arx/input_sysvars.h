// The host's system variables (FILEDIA, CMDECHO, DWGNAME ...): their types, defaults and
// limits, read by acedGetVar, written by acedSetVar, by `cadhost --set NAME=VALUE`, by command
// scripts and by the host itself (read-only ones such as DWGNAME follow the current drawing).
// Names ignore letter case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adsdef.h"

namespace cadhost {

class SystemVariables {
public:
    enum class Status { kOk, kUnknownName, kReadOnly, kBadValue };

    struct SetResult {
        Status status = Status::kOk;
        // The host's own message for a refused value, e.g. "Requires an integer between 0 and
        // 1."; empty on success.
        std::wstring message;
        bool ok() const { return status == Status::kOk; }
    };

    static bool exists(std::wstring_view name);

    // Sets a variable from text as a user types it: an integer variable takes a whole number
    // within its limits, a text variable any text. Read-only variables are refused.
    static SetResult setFromText(std::wstring_view name, std::wstring_view text);

    // The host's own updates (the current drawing's name and folder, the language): like
    // setFromText, but read-only variables are written too.
    static SetResult setByHost(std::wstring_view name, std::wstring_view text);

    // acedGetVar: RTNORM with the value in *result (restype RTSHORT or RTSTR; a text value is
    // a fresh host string that the caller releases; rbnext is left alone), or RTERROR for an
    // unknown name or null arguments (*result untouched). Every call is logged (see readLog).
    static int get(const wchar_t* name, resbuf* result);

    // acedSetVar: RTNORM, or RTERROR for an unknown or read-only name, a value of the wrong
    // type or out of limits (nothing changes then). An integer variable takes RTSHORT or
    // RTLONG, a text variable RTSTR.
    static int set(const wchar_t* name, const resbuf* value);

    // The value as text ("1", "Drawing1.dwg"), or nothing for an unknown name.
    static std::optional<std::wstring> valueText(std::wstring_view name);

    // Every name passed to get(), in order, as passed.
    static const std::vector<std::wstring>& readLog();
    static void clearReadLog();

    // Back to the defaults; the read log is cleared too.
    static void resetToDefaults();
};

// A copy of text allocated as the host allocates the strings it hands out in result buffers
// (malloc), so that acutRelRb or free() releases it. Never null.
wchar_t* newHostString(std::wstring_view text);

}  // namespace cadhost
