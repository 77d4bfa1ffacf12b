// The host's user-input functions over scripted answers. Each call shows its prompt on the
// command line, takes one answer and echoes it as the user would see it; a prompt that is
// repeated (an invalid keyword, Enter where input is required) takes another answer, so a
// script that runs dry always ends in a cancel, never in a loop.
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>

#include "acedads.h"
#include "arx/command_line.h"
#include "arx/input_answers.h"
#include "arx/input_keywords.h"
#include "arx/input_sysvars.h"

namespace cadhost {
namespace {

constexpr std::wstring_view kCancelEcho = L"*Cancel*\n";
constexpr std::wstring_view kInvalidKeyword = L"Invalid option keyword.\n";
// What a dialog answer must be to press the dialog's "Type it" button.
constexpr std::wstring_view kTypeItAnswer = L"~";
constexpr int kDialogNoTypeIt = 2;

struct PendingInitGet {
    int flags = 0;
    std::wstring keywords;
};

PendingInitGet& pendingInitGet() {
    static PendingInitGet pending;
    return pending;
}

// acedInitGet applies to the next input call only, whichever it is.
PendingInitGet takeInitGet() {
    PendingInitGet taken = pendingInitGet();
    pendingInitGet() = PendingInitGet{};
    return taken;
}

void showPrompt(const ACHAR* prompt) {
    if (prompt != nullptr) CommandLine::write(prompt);
}

void echo(std::wstring_view text) {
    CommandLine::write(text);
    CommandLine::write(L"\n");
}

// A blank ends the input like Enter where blanks are not part of it.
std::wstring_view upToBlank(std::wstring_view text) {
    const size_t blank = text.find(L' ');
    return blank == std::wstring_view::npos ? text : text.substr(0, blank);
}

// Copies text into a caller's buffer; false when it had to be cut to fit.
bool copyOut(std::wstring_view text, ACHAR* result, size_t bufLen) {
    const size_t n = text.size() < bufLen ? text.size() : bufLen - 1;
    std::wmemcpy(result, text.data(), n);
    result[n] = L'\0';
    return n == text.size();
}

std::wstring dialogEchoPrefix(const ACHAR* title) {
    return L"[" + std::wstring(title != nullptr ? title : L"") + L"] ";
}

}  // namespace
}  // namespace cadhost

using cadhost::Answer;
using cadhost::Answers;

int acedGetVar(const ACHAR* sym, struct resbuf* result) {
    return cadhost::SystemVariables::get(sym, result);
}

int acedSetVar(const ACHAR* sym, const struct resbuf* val) {
    return cadhost::SystemVariables::set(sym, val);
}

int acedInitGet(int val, const ACHAR* kwl) {
    cadhost::pendingInitGet() = cadhost::PendingInitGet{val, kwl != nullptr ? kwl : L""};
    return RTNORM;
}

int acedGetString(int cronly, const ACHAR* prompt, ACHAR* result, size_t bufLen) {
    cadhost::takeInitGet();
    if (result == nullptr || bufLen == 0) return RTERROR;
    cadhost::showPrompt(prompt);
    const Answer answer = Answers::next();
    if (answer.cancel) {
        cadhost::CommandLine::write(cadhost::kCancelEcho);
        result[0] = L'\0';
        return RTCAN;
    }
    const std::wstring_view text =
        cronly != 0 ? std::wstring_view(answer.text) : cadhost::upToBlank(answer.text);
    cadhost::echo(text);
    return cadhost::copyOut(text, result, bufLen) ? RTNORM : RTINPUTTRUNCATED;
}

int acedGetKword(const ACHAR* prompt, ACHAR* result, size_t bufLen) {
    const cadhost::PendingInitGet init = cadhost::takeInitGet();
    if (result == nullptr || bufLen == 0) return RTERROR;
    const cadhost::KeywordList keywords = cadhost::KeywordList::parse(init.keywords);
    for (;;) {
        cadhost::showPrompt(prompt);
        const Answer answer = Answers::next();
        if (answer.cancel) {
            cadhost::CommandLine::write(cadhost::kCancelEcho);
            result[0] = L'\0';
            return RTCAN;
        }
        const std::wstring_view input = cadhost::upToBlank(answer.text);
        cadhost::echo(input);
        if (input.empty()) {
            if (init.flags & RSG_NONULL) continue;
            result[0] = L'\0';
            return RTNONE;
        }
        if (std::optional<std::wstring> keyword = keywords.match(input)) {
            return cadhost::copyOut(*keyword, result, bufLen) ? RTNORM : RTINPUTTRUNCATED;
        }
        if (init.flags & RSG_OTHER) {
            return cadhost::copyOut(input, result, bufLen) ? RTNORM : RTINPUTTRUNCATED;
        }
        cadhost::CommandLine::write(cadhost::kInvalidKeyword);
    }
}

int acedGetFileD(const ACHAR* title, const ACHAR* defawlt, const ACHAR* ext, int flags,
                 struct resbuf* result) {
    cadhost::takeInitGet();
    if (result == nullptr) return RTERROR;
    const std::wstring prefix = cadhost::dialogEchoPrefix(title);
    const std::wstring_view offered = defawlt != nullptr ? defawlt : L"";
    // The dialog stays open until a file is chosen, "Type it" is pressed or it is cancelled;
    // OK with an empty name field does nothing, as in the real dialog.
    for (;;) {
        const Answer answer = Answers::next();
        cadhost::CommandLine::write(prefix);
        if (answer.cancel) {
            cadhost::CommandLine::write(cadhost::kCancelEcho);
            return RTCAN;
        }
        if (answer.text == cadhost::kTypeItAnswer && !(flags & cadhost::kDialogNoTypeIt)) {
            cadhost::echo(L"*Type it*");
            result->rbnext = nullptr;
            result->restype = RTSHORT;
            result->resval.rint = 1;
            return RTNORM;
        }
        const std::wstring_view chosen = answer.text.empty() ? offered : answer.text;
        cadhost::echo(chosen);
        if (chosen.empty() || chosen == cadhost::kTypeItAnswer) continue;
        result->rbnext = nullptr;
        result->restype = RTSTR;
        result->resval.rstring = cadhost::newHostString(chosen);
        return RTNORM;
    }
}
