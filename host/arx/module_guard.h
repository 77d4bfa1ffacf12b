// The host's guard around every call into a module: whatever a module throws stops at the
// guard, is reported on standard error, and the host goes on.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace cadhost {

// Runs call. When it throws, writes "cadhost: <what>: <description of the exception>" as one
// line to standard error and returns false; otherwise returns true.
bool guardedCall(std::string_view what, const std::function<void()>& call) noexcept;

// Describes the exception in flight (inside a catch block): the text of a std::exception, of a
// thrown narrow or wide string, the name of a thrown Acad::ErrorStatus, or "unknown exception".
std::string describeCurrentException();

}  // namespace cadhost
