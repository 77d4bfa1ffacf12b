// Stops exceptions at the border between the host and its modules.
#include "arx/module_guard.h"

#include <cstdio>

#include "acestext.h"
#include "win/code_page.h"

namespace cadhost {

std::string describeCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (const wchar_t* text) {
        return text != nullptr ? toUtf8(text) : "null wide text";
    } catch (const char* text) {
        return text != nullptr ? text : "null text";
    } catch (Acad::ErrorStatus status) {
        return "Acad::" + toUtf8(acadErrorStatusText(status));
    } catch (...) {
        return "unknown exception";
    }
}

bool guardedCall(std::string_view what, const std::function<void()>& call) noexcept {
    try {
        call();
        return true;
    } catch (...) {
        std::string line;
        try {
            line = "cadhost: " + std::string(what) + ": " + describeCurrentException() + "\n";
        } catch (...) {
            line = "cadhost: a module call failed\n";
        }
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
        return false;
    }
}

}  // namespace cadhost
