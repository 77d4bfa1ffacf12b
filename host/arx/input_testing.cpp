// Test hooks of the input side (testing_input.h).
#include "testing_input.h"

#include "acedads.h"
#include "arx/command_line.h"
#include "arx/input_answers.h"
#include "arx/input_sysvars.h"

namespace cadhost::testing {

void pushAnswers(std::initializer_list<std::wstring_view> answers) {
    for (std::wstring_view a : answers) Answers::push(std::wstring(a));
}

size_t pendingAnswers() { return Answers::pending(); }

bool setSystemVariable(std::wstring_view name, std::wstring_view value) {
    return SystemVariables::setByHost(name, value).ok();
}

std::vector<std::wstring> variablesRead() { return SystemVariables::readLog(); }

void resetInput() {
    Answers::clear();
    acedInitGet(0, nullptr);
    SystemVariables::resetToDefaults();
}

struct InputSession::Recorder {
    CommandLineCapture capture;
};

InputSession::InputSession() : m_recorder(std::make_unique<Recorder>()) { resetInput(); }

InputSession::InputSession(std::initializer_list<std::wstring_view> answers) : InputSession() {
    pushAnswers(answers);
}

InputSession::~InputSession() { resetInput(); }

const std::wstring& InputSession::commandLine() const { return m_recorder->capture.text(); }

void InputSession::clearCommandLine() { m_recorder->capture.clear(); }

}  // namespace cadhost::testing
