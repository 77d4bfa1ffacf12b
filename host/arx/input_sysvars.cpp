// The host's system variables.
#include "arx/input_sysvars.h"

#include <unistd.h>

#include <cstdlib>
#include <cwchar>
#include <map>
#include <new>

#include "adscodes.h"

namespace cadhost {
namespace {

enum class VarType { kShort, kText };

struct Definition {
    const wchar_t* name;
    VarType type;
    bool readOnly;
    int minValue;
    int maxValue;
    const wchar_t* defaultText;  // null: computed (DWGPREFIX)
};

// The variables the host keeps; a handful that modules and scripts commonly ask for.
constexpr Definition kDefinitions[] = {
    {L"FILEDIA", VarType::kShort, false, 0, 1, L"1"},
    {L"CMDDIA", VarType::kShort, false, 0, 1, L"1"},
    {L"CMDECHO", VarType::kShort, false, 0, 1, L"1"},
    {L"EXPERT", VarType::kShort, false, 0, 5, L"0"},
    {L"NOMUTT", VarType::kShort, false, 0, 1, L"0"},
    {L"DWGTITLED", VarType::kShort, true, 0, 1, L"0"},
    {L"DWGNAME", VarType::kText, true, 0, 0, L"Drawing1.dwg"},
    {L"DWGPREFIX", VarType::kText, true, 0, 0, nullptr},
    {L"ACADVER", VarType::kText, true, 0, 0, L"24.3s (LMS Tech)"},
    {L"PRODUCT", VarType::kText, true, 0, 0, L"AutoCAD"},
    {L"LOCALE", VarType::kText, true, 0, 0, L"ENU"},
};

struct Value {
    int number = 0;
    std::wstring text;
};

struct State {
    std::map<std::wstring, Value> values;  // keyed by upper-case name
    std::vector<std::wstring> readLog;
};

std::wstring upper(std::wstring_view name) {
    std::wstring out(name);
    for (wchar_t& c : out) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
    }
    return out;
}

const Definition* find(std::wstring_view name) {
    const std::wstring key = upper(name);
    for (const Definition& d : kDefinitions) {
        if (key == d.name) return &d;
    }
    return nullptr;
}

std::wstring currentFolder() {
    char buffer[4096];
    if (::getcwd(buffer, sizeof buffer) == nullptr) return L"/";
    // Folder names are bytes; the platform layer's conversions are not ours to reach, and a
    // default folder only needs to be readable, so bytes above ASCII map one to one.
    std::wstring out;
    for (const char* p = buffer; *p; ++p) {
        out += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    }
    if (out.empty() || out.back() != L'/') out += L'/';
    return out;
}

Value defaultValue(const Definition& d) {
    Value v;
    if (d.type == VarType::kShort) {
        v.number = std::wcstol(d.defaultText, nullptr, 10);
    } else {
        v.text = d.defaultText ? d.defaultText : currentFolder();
    }
    return v;
}

State& state() {
    static State s = [] {
        State init;
        for (const Definition& d : kDefinitions) init.values[d.name] = defaultValue(d);
        return init;
    }();
    return s;
}

std::optional<long> parseWholeNumber(std::wstring_view text) {
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 9) return std::nullopt;
    long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
    }
    return negative ? -value : value;
}

std::wstring rangeMessage(const Definition& d) {
    return L"Requires an integer between " + std::to_wstring(d.minValue) + L" and " +
           std::to_wstring(d.maxValue) + L".";
}

SystemVariables::SetResult assign(std::wstring_view name, std::wstring_view text, bool byHost) {
    using R = SystemVariables::SetResult;
    using S = SystemVariables::Status;
    const Definition* d = find(name);
    if (!d) return R{S::kUnknownName, L"Unknown variable name."};
    if (d->readOnly && !byHost) return R{S::kReadOnly, L"** That setting is read only **"};
    Value& value = state().values[d->name];
    if (d->type == VarType::kText) {
        value.text.assign(text);
        return R{};
    }
    const std::optional<long> number = parseWholeNumber(text);
    if (!number || *number < d->minValue || *number > d->maxValue) {
        return R{S::kBadValue, rangeMessage(*d)};
    }
    value.number = static_cast<int>(*number);
    return R{};
}

}  // namespace

wchar_t* newHostString(std::wstring_view text) {
    // Result-buffer strings are malloc'ed: acutRelRb releases them with free().
    auto* out = static_cast<wchar_t*>(std::malloc((text.size() + 1) * sizeof(wchar_t)));
    if (out == nullptr) throw std::bad_alloc();
    std::wmemcpy(out, text.data(), text.size());
    out[text.size()] = L'\0';
    return out;
}

bool SystemVariables::exists(std::wstring_view name) { return find(name) != nullptr; }

SystemVariables::SetResult SystemVariables::setFromText(std::wstring_view name,
                                                        std::wstring_view text) {
    return assign(name, text, false);
}

SystemVariables::SetResult SystemVariables::setByHost(std::wstring_view name,
                                                      std::wstring_view text) {
    return assign(name, text, true);
}

int SystemVariables::get(const wchar_t* name, resbuf* result) {
    if (name == nullptr || result == nullptr) return RTERROR;
    state().readLog.emplace_back(name);
    const Definition* d = find(name);
    if (!d) return RTERROR;
    const Value& value = state().values[d->name];
    if (d->type == VarType::kShort) {
        result->restype = RTSHORT;
        result->resval.rint = static_cast<short>(value.number);
    } else {
        result->restype = RTSTR;
        result->resval.rstring = newHostString(value.text);
    }
    return RTNORM;
}

int SystemVariables::set(const wchar_t* name, const resbuf* value) {
    if (name == nullptr || value == nullptr) return RTERROR;
    const Definition* d = find(name);
    if (!d || d->readOnly) return RTERROR;
    if (d->type == VarType::kText) {
        if (value->restype != RTSTR || value->resval.rstring == nullptr) return RTERROR;
        return assign(name, value->resval.rstring, false).ok() ? RTNORM : RTERROR;
    }
    long number = 0;
    if (value->restype == RTSHORT) {
        number = value->resval.rint;
    } else if (value->restype == RTLONG) {
        number = value->resval.rlong;
    } else {
        return RTERROR;
    }
    if (number < d->minValue || number > d->maxValue) return RTERROR;
    state().values[d->name].number = static_cast<int>(number);
    return RTNORM;
}

std::optional<std::wstring> SystemVariables::valueText(std::wstring_view name) {
    const Definition* d = find(name);
    if (!d) return std::nullopt;
    const Value& value = state().values[d->name];
    return d->type == VarType::kShort ? std::to_wstring(value.number) : value.text;
}

const std::vector<std::wstring>& SystemVariables::readLog() { return state().readLog; }

void SystemVariables::clearReadLog() { state().readLog.clear(); }

void SystemVariables::resetToDefaults() {
    State& s = state();
    for (const Definition& d : kDefinitions) s.values[d.name] = defaultValue(d);
    s.readLog.clear();
}

}  // namespace cadhost
