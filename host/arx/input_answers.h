// Where the host's input functions get what the user typed: there is no keyboard, so answers
// are scripted. `cadhost run` pushes its answers up front; `cadhost script` installs a feeder
// that hands out the script's next line when asked; tests push answers directly.
//
// One answer serves one input call. An answer is the text typed before Enter ("" is Enter
// alone), or a cancel (Esc): the text "^C" pushed as an answer means cancel. When no answer is
// left and no feeder gives one, every further input call is cancelled.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace cadhost {

struct Answer {
    bool cancel = false;
    std::wstring text;  // empty for a cancel
};

class Answers {
public:
    // Hands out the next line of a script, or nothing when the script has ended.
    using Feeder = std::function<std::optional<std::wstring>()>;

    // Queues one answer; exactly "^C" queues a cancel.
    static void push(std::wstring text);
    static void pushCancel();

    // Asked only when the queue is empty; replaces any previous feeder (null removes it).
    static void setFeeder(Feeder feeder);

    // Takes the next answer: the queue first, then the feeder; a cancel when both are dry.
    static Answer next();

    // Answers still queued (the feeder is not asked).
    static size_t pending();

    // Drops the queued answers and the feeder.
    static void clear();

    static constexpr const wchar_t* kCancelText = L"^C";
};

}  // namespace cadhost
