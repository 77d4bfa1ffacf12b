// Test hooks for the host's input side: script the user's answers, set system variables (read-
// only ones too) and see which variables were read. For tests only; never on a module's
// include path.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
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

// A test's input session: resets the input side when made and again when gone, so that a test
// starts and leaves clean, and records what the command line shows meanwhile (prompts, echoed
// answers, acutPrintf text) instead of letting it reach standard output.
class InputSession {
public:
    InputSession();
    explicit InputSession(std::initializer_list<std::wstring_view> answers);
    ~InputSession();
    InputSession(const InputSession&) = delete;
    InputSession& operator=(const InputSession&) = delete;

    // The command line since the session began (or since clearCommandLine).
    const std::wstring& commandLine() const;
    void clearCommandLine();

private:
    struct Recorder;
    std::unique_ptr<Recorder> m_recorder;
};

}  // namespace cadhost::testing
