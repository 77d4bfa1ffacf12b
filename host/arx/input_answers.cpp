// The scripted answers that stand in for the keyboard.
#include "arx/input_answers.h"

#include <deque>
#include <utility>

namespace cadhost {
namespace {

struct AnswerState {
    std::deque<Answer> queue;
    Answers::Feeder feeder;
};

AnswerState& state() {
    static AnswerState s;
    return s;
}

Answer fromText(std::wstring text) {
    if (text == Answers::kCancelText) return Answer{true, {}};
    return Answer{false, std::move(text)};
}

}  // namespace

void Answers::push(std::wstring text) { state().queue.push_back(fromText(std::move(text))); }

void Answers::pushCancel() { state().queue.push_back(Answer{true, {}}); }

void Answers::setFeeder(Feeder feeder) { state().feeder = std::move(feeder); }

Answer Answers::next() {
    AnswerState& s = state();
    if (!s.queue.empty()) {
        Answer answer = std::move(s.queue.front());
        s.queue.pop_front();
        return answer;
    }
    if (s.feeder) {
        if (std::optional<std::wstring> line = s.feeder()) return fromText(std::move(*line));
    }
    return Answer{true, {}};
}

size_t Answers::pending() { return state().queue.size(); }

void Answers::clear() {
    state().queue.clear();
    state().feeder = nullptr;
}

}  // namespace cadhost
