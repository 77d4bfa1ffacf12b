// The host's records of registered applications and of the LISP functions that modules define,
// for cadhost and the host's tests.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cadhost {

struct AppRegistration {
    std::wstring name;
    int loadReasons = 0;  // AcadApp::LoadReasons bits
};

// In the order first registered.
std::vector<AppRegistration> registeredApps();
// How often acrxBuildClassHierarchy was called.
int classHierarchyBuildCount();

// The code of a defined LISP function (case ignored), if defined.
std::optional<int> lispFunctionCode(const std::wstring& name);
std::size_t lispFunctionCount();
// A function registered with acedRegFunc for the code, or null.
using LispFunction = int (*)();
LispFunction lispFunction(int code);

// While it lives, acedGetFunCode answers code (the host is invoking that function).
class LispInvocation {
  public:
    explicit LispInvocation(int code);
    ~LispInvocation();
    LispInvocation(const LispInvocation&) = delete;
    LispInvocation& operator=(const LispInvocation&) = delete;

  private:
    int m_previous;
};

}  // namespace cadhost
