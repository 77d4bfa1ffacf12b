// Test hooks for the host's input side: script the user's answers, set system variables (read-
// only ones too) and see which variables were read. For tests only; never on a module's
// include path.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace cadhost::testing {

// Queues answers for the next input calls, one each: the typed text ("" is Enter alone), or
// "^C" for Esc. Once they are used up every further input call is cancelled.
void pushAnswers(std::initializer_list<std::wstring_view> answers);
size_t pendingAnswers();

// Sets a system variable as the host does (read-only ones included); false for an unknown
// name or a value outside the variable's limits.
bool setSystemVariable(std::wstring_view name, std::wstring_view value);

// Names passed to acedGetVar since the last reset, in order.
std::vector<std::wstring> variablesRead();

// Forgets queued answers and any pending acedInitGet, and puts every system variable back to
// its default.
void resetInput();

// Resets the input side when made and again when gone, so that a test starts and leaves clean.
class InputSession {
public:
    InputSession() { resetInput(); }
    explicit InputSession(std::initializer_list<std::wstring_view> answers) {
        resetInput();
        pushAnswers(answers);
    }
    ~InputSession() { resetInput(); }
    InputSession(const InputSession&) = delete;
    InputSession& operator=(const InputSession&) = delete;
};

}  // namespace cadhost::testing
