// Application registration and the LISP function table.
#include "arx/app_registry.h"

#include <algorithm>
#include <map>

#include "aced.h"
#include "arx/case_fold.h"
#include "rxregsvc.h"

namespace cadhost {
namespace {

struct AppState {
    std::vector<AppRegistration> apps;
    int classHierarchyBuilds = 0;
    std::vector<std::pair<std::wstring, int>> lispNames;  // defined names and their codes
    std::map<int, LispFunction> lispFunctions;
    int invokedCode = -1;
};

AppState& state() {
    static AppState s;
    return s;
}

bool isEmpty(const ACHAR* text) { return text == nullptr || *text == L'\0'; }

}  // namespace

std::vector<AppRegistration> registeredApps() { return state().apps; }
int classHierarchyBuildCount() { return state().classHierarchyBuilds; }

std::optional<int> lispFunctionCode(const std::wstring& name) {
    for (const auto& [defined, code] : state().lispNames)
        if (names::equalNoCase(defined, name)) return code;
    return std::nullopt;
}

std::size_t lispFunctionCount() { return state().lispNames.size(); }

LispFunction lispFunction(int code) {
    auto it = state().lispFunctions.find(code);
    return it == state().lispFunctions.end() ? nullptr : it->second;
}

LispInvocation::LispInvocation(int code) : m_previous(state().invokedCode) {
    state().invokedCode = code;
}

LispInvocation::~LispInvocation() { state().invokedCode = m_previous; }

}  // namespace cadhost

using cadhost::isEmpty;
using cadhost::state;

Acad::ErrorStatus acrxRegisterApp(AcadApp::LoadReasons reasons, const ACHAR* appName, bool) {
    if (isEmpty(appName)) return Acad::eInvalidInput;
    auto& apps = state().apps;
    auto it = std::find_if(apps.begin(), apps.end(), [&](const cadhost::AppRegistration& a) {
        return cadhost::names::equalNoCase(a.name, appName);
    });
    if (it != apps.end()) {
        it->loadReasons = reasons;
    } else {
        apps.push_back({appName, static_cast<int>(reasons)});
    }
    return Acad::eOk;
}

Acad::ErrorStatus acrxUnregisterApp(const ACHAR* appName, bool) {
    if (isEmpty(appName)) return Acad::eInvalidInput;
    auto& apps = state().apps;
    auto it = std::find_if(apps.begin(), apps.end(), [&](const cadhost::AppRegistration& a) {
        return cadhost::names::equalNoCase(a.name, appName);
    });
    if (it == apps.end()) return Acad::eKeyNotFound;
    apps.erase(it);
    return Acad::eOk;
}

void acrxBuildClassHierarchy() { ++state().classHierarchyBuilds; }

void deleteAcRxClass(AcRxClass*) {}

int acedDefun(const ACHAR* sname, int funcnumber) {
    if (isEmpty(sname) || funcnumber < 0) return RTERROR;
    auto& names = state().lispNames;
    for (auto& [name, code] : names) {
        if (cadhost::names::equalNoCase(name, sname)) {
            code = funcnumber;
            return RTNORM;
        }
    }
    names.emplace_back(sname, funcnumber);
    return RTNORM;
}

int acedUndef(const ACHAR* sname, int funcnumber) {
    if (isEmpty(sname)) return RTERROR;
    auto& names = state().lispNames;
    auto it = std::find_if(names.begin(), names.end(), [&](const auto& entry) {
        return entry.second == funcnumber && cadhost::names::equalNoCase(entry.first, sname);
    });
    if (it == names.end()) return RTERROR;
    names.erase(it);
    return RTNORM;
}

int acedRegFunc(int (*fhdl)(), int fcode) {
    if (fcode < 0) return RTERROR;
    if (fhdl == nullptr) {
        state().lispFunctions.erase(fcode);
    } else {
        state().lispFunctions[fcode] = fhdl;
    }
    return RTNORM;
}

int acedGetFunCode() { return state().invokedCode; }
