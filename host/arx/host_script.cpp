// The command-script interpreter of the host. Reads untrusted files: every line is checked as
// input, nothing in a script is trusted to be well formed.
#include "arx/host_script.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "acedads.h"
#include "arx/command_invoke.h"
#include "arx/command_line.h"
#include "arx/host_session.h"
#include "arx/input_answers.h"
#include "arx/input_sysvars.h"
#include "win/code_page.h"

namespace cadhost {
namespace {

// Long enough for any path the file system takes.
constexpr size_t kInputBufferSize = 8192;

bool isValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        size_t extra = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            c = lead & 0x07;
        } else {
            return false;
        }
        if (i + extra >= bytes.size()) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)) ||
            (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::wstring upperAscii(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return out;
}

// "_.open", "-open" and ".OPEN" all name OPEN.
std::wstring withoutPrefixes(std::wstring_view input) {
    size_t i = 0;
    while (i < input.size() && (input[i] == L'_' || input[i] == L'.' || input[i] == L'-')) ++i;
    return std::wstring(input.substr(i));
}

// The "." and "-" prefixes of a command name, not its "_" (global names start with one).
std::wstring withoutDotAndDash(std::wstring_view input) {
    std::wstring out;
    size_t i = 0;
    for (; i < input.size() && (input[i] == L'_' || input[i] == L'.' || input[i] == L'-'); ++i)
        if (input[i] == L'_') out += L'_';
    out.append(input.substr(i));
    return out;
}

std::wstring withoutQuotes(std::wstring text) {
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"')
        return text.substr(1, text.size() - 2);
    return text;
}

// Asks one host prompt; nothing when it was cancelled. truncated is set when the answer did not
// fit.
std::optional<std::wstring> ask(const std::wstring& prompt, bool blanksBelong, bool& truncated) {
    std::vector<ACHAR> buffer(kInputBufferSize);
    const int rc =
        acedGetString(blanksBelong ? 1 : 0, prompt.c_str(), buffer.data(), buffer.size());
    truncated = rc == RTINPUTTRUNCATED;
    if (rc != RTNORM) return std::nullopt;
    return std::wstring(buffer.data());
}

class FeederScope {
  public:
    explicit FeederScope(Answers::Feeder feeder) {
        Answers::clear();
        Answers::setFeeder(std::move(feeder));
    }
    ~FeederScope() { Answers::clear(); }
    FeederScope(const FeederScope&) = delete;
    FeederScope& operator=(const FeederScope&) = delete;
};

}  // namespace

std::vector<std::wstring> ScriptRunner::splitWords(std::wstring_view line) {
    std::vector<std::wstring> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
        if (i == line.size()) break;
        std::wstring word;
        bool quoted = false;
        for (; i < line.size(); ++i) {
            const wchar_t c = line[i];
            if (c == L'"') {
                quoted = !quoted;
            } else if (!quoted && (c == L' ' || c == L'\t')) {
                break;
            } else {
                word += c;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::wstring ScriptRunner::decode(std::string_view bytes) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (bytes.substr(0, kBom.size()) == kBom) return fromUtf8(bytes.substr(kBom.size()));
    if (isValidUtf8(bytes)) return fromUtf8(bytes);
    return ansiToWide(bytes);
}

int ScriptRunner::runFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        m_session.report(path + ": cannot read the script: " + std::strerror(errno));
        return kExitFailed;
    }
    std::string bytes;
    char chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) {
        m_session.report(path + ": cannot read the script: " + std::strerror(error));
        return kExitFailed;
    }
    return runText(decode(bytes), path);
}

int ScriptRunner::runText(std::wstring_view text, const std::string& name) {
    m_name = name;
    m_lines.clear();
    m_next = 0;
    m_failed = false;
    m_quit = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring_view::npos) end = text.size();
        std::wstring_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
        m_lines.emplace_back(line);
        start = end + 1;
    }

    FeederScope feeder([this] { return nextLine(); });
    while (!m_quit) {
        const std::optional<std::wstring> input = nextCommandInput();
        if (!input) break;
        CommandLine::write(L"Command: ");
        if (*input == Answers::kCancelText) {
            CommandLine::write(L"*Cancel*\n");
            continue;
        }
        CommandLine::write(*input);
        CommandLine::write(L"\n");
        if (!input->empty()) dispatch(*input);
    }
    return m_failed ? kExitFailed : kExitOk;
}

std::optional<std::wstring> ScriptRunner::nextLine() {
    while (m_next < m_lines.size()) {
        const std::wstring& line = m_lines[m_next++];
        if (!line.empty() && line.front() == L';') continue;
        return line;
    }
    return std::nullopt;
}

std::optional<std::wstring> ScriptRunner::nextCommandInput() {
    // Words left over from the last command line come first, as typed-ahead input would.
    if (Answers::pending() > 0) {
        const Answer answer = Answers::next();
        return answer.cancel ? std::wstring(Answers::kCancelText) : answer.text;
    }
    const std::optional<std::wstring> line = nextLine();
    if (!line) return std::nullopt;
    std::vector<std::wstring> words = splitWords(*line);
    if (words.empty()) return std::wstring();
    for (size_t i = 1; i < words.size(); ++i) Answers::push(words[i]);
    return words.front();
}

void ScriptRunner::fail(const std::string& what) {
    m_failed = true;
    m_session.report(m_name + ":" + std::to_string(m_next) + ": " + what);
}

void ScriptRunner::dispatch(const std::wstring& input) {
    const std::wstring hostName = upperAscii(withoutPrefixes(input));
    if (hostName == L"OPEN") return doOpen();
    if (hostName == L"QSAVE") return doQsave();
    if (hostName == L"SAVEAS") return doSaveAs();
    if (hostName == L"CLOSE") return doClose();
    if (hostName == L"QUIT") {
        m_quit = true;
        return;
    }
    AcEdCommand* cmd = findCommand(input);
    if (cmd == nullptr) cmd = findCommand(withoutDotAndDash(input));
    if (cmd == nullptr) cmd = findCommand(withoutPrefixes(input));
    if (cmd != nullptr) {
        invokeCommand(cmd);
        return;
    }
    if (SystemVariables::exists(hostName)) return doSystemVariable(hostName);
    CommandLine::write(L"Unknown command \"" + upperAscii(input) + L"\".  Press F1 for help.\n");
    fail("unknown command \"" + toUtf8(input) + "\"");
}

void ScriptRunner::doOpen() {
    bool truncated = false;
    const std::optional<std::wstring> answer =
        ask(L"Enter name of drawing to open: ", true, truncated);
    if (truncated) return fail("OPEN: the file name is too long");
    if (!answer) return;
    const std::wstring path = withoutQuotes(*answer);
    if (path.empty()) return;
    if (m_session.openDrawing(path) == nullptr) m_failed = true;
}

void ScriptRunner::doQsave() {
    AcApDocument* doc = m_session.currentDocument();
    if (doc == nullptr) return fail("QSAVE: no drawing is open");
    if (!m_session.saveDrawing(doc)) m_failed = true;
}

void ScriptRunner::doSaveAs() {
    AcApDocument* doc = m_session.currentDocument();
    if (doc == nullptr) return fail("SAVEAS: no drawing is open");
    const std::wstring current = doc->fileName();
    bool truncated = false;
    const std::optional<std::wstring> answer =
        ask(L"Save drawing as <" + current + L">: ", true, truncated);
    if (truncated) return fail("SAVEAS: the file name is too long");
    if (!answer) return;
    std::wstring path = withoutQuotes(*answer);
    if (path.empty()) path = current;
    if (!m_session.saveDrawingAs(doc, path)) m_failed = true;
}

void ScriptRunner::doClose() {
    AcApDocument* doc = m_session.currentDocument();
    if (doc == nullptr) return fail("CLOSE: no drawing is open");
    m_session.closeDrawing(doc);
}

void ScriptRunner::doSystemVariable(const std::wstring& name) {
    resbuf value{};
    if (acedGetVar(name.c_str(), &value) != RTNORM) return;
    const bool isText = value.restype == RTSTR;
    std::wstring shown;
    if (isText) {
        shown = L"\"" + std::wstring(value.resval.rstring ? value.resval.rstring : L"") + L"\"";
        std::free(value.resval.rstring);
    } else {
        shown = std::to_wstring(value.resval.rint);
    }
    // Asking whether the current value may be written again tells a read-only variable
    // without changing anything.
    const std::wstring current = SystemVariables::valueText(name).value_or(L"");
    if (SystemVariables::setFromText(name, current).status == SystemVariables::Status::kReadOnly) {
        CommandLine::write(name + L" = " + shown + L" (read only)\n");
        return;
    }
    for (;;) {
        bool truncated = false;
        const std::optional<std::wstring> answer =
            ask(L"Enter new value for " + name + L" <" + shown + L">: ", isText, truncated);
        if (truncated) return fail(toUtf8(name) + ": the value is too long");
        if (!answer || answer->empty()) return;
        const SystemVariables::SetResult result = SystemVariables::setFromText(name, *answer);
        if (result.ok()) return;
        CommandLine::write(result.message + L"\n");
    }
}

}  // namespace cadhost
