// The host's command scripts, as users of the host write them (.scr files).
//
// A script is read as typed at the command line, one input per line. At the command prompt a
// line is split into words at blanks (a word in double quotes keeps its blanks, the quotes
// go); the first word is the input at the prompt and each further word is the next input, as
// if a blank were Enter. Lines that answer a command's prompts are taken whole, so that a
// text prompt gets its blanks. A line that starts with ";" is a comment wherever it stands.
//
// At the command prompt an input names, in this order of precedence:
//   - one of the host's own commands: OPEN path, QSAVE, SAVEAS path, CLOSE, QUIT (letter case
//     ignored; the prefixes "_", "." and "-" are allowed, as in the host);
//   - a registered command by global name (with "_") or local name; the lines that follow
//     answer its prompts under the rules of the answer queue (an empty line is Enter, "^C"
//     cancels; when the script runs dry every prompt is cancelled);
//   - a system variable: the next input is its new value (Enter keeps it; a refused value
//     shows the host's reason and asks again); a read-only one shows its value;
// anything else is an unknown command. An empty line at the command prompt does nothing:
// unlike the interactive host it does not repeat the last command, so that a stray blank line
// cannot run a batch step twice.
//
// The command line shows what the host shows: "Command: " and the input, the prompts and the
// echoed answers. OPEN makes the drawing the current document (modules get the drawing-load
// message); QSAVE saves it over its own file keeping NAME.bak; SAVEAS saves it under a new
// name, which the document keeps; CLOSE closes it without saving; QUIT ends the script.
// Drawings still open at the end are closed without saving.
//
// Script files are untrusted input: any bytes end in a message or an unknown command, never
// a crash. Text is UTF-8 (with or without a byte order mark) when it is valid UTF-8, else in
// the host's ANSI code page; CR LF and LF end lines.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cadhost {

class HostSession;

class ScriptRunner {
  public:
    // The session must outlive the runner.
    explicit ScriptRunner(HostSession& session) : m_session(session) {}

    // Reads the script file and runs it. kExitFailed when the file cannot be read (reported,
    // nothing run), or when any step failed: a drawing that could not be read or saved, an
    // unknown command, QSAVE / SAVEAS / CLOSE without a drawing. Else kExitOk.
    int runFile(const std::string& path);
    // Runs script text; name stands for the script in host messages ("name:line: ...").
    int runText(std::wstring_view text, const std::string& name);

    // Splits a command-prompt line into words (see above).
    static std::vector<std::wstring> splitWords(std::wstring_view line);
    // The script file's bytes as text (see above).
    static std::wstring decode(std::string_view bytes);

  private:
    // The next line that is not a comment, or nothing at the end of the script.
    std::optional<std::wstring> nextLine();
    // The next input at the command prompt: a word left over from the last command line, or
    // the first word of the next line (the rest is queued). Nothing at the end of the script.
    std::optional<std::wstring> nextCommandInput();

    void dispatch(const std::wstring& input);
    void fail(const std::string& what);

    void doOpen();
    void doQsave();
    void doSaveAs();
    void doClose();
    void doSystemVariable(const std::wstring& name);

    HostSession& m_session;
    std::string m_name;
    std::vector<std::wstring> m_lines;
    std::size_t m_next = 0;  // index of the next line to read
    bool m_failed = false;
    bool m_quit = false;
};

}  // namespace cadhost
