// One run of the host: the modules it loaded, the drawings open as documents, and the three
// jobs of cadhost (open and save drawings, run one command, run a command script). cadhost is
// a thin shell of options around it; tests drive it in-process.
//
// The host's own messages (errors, what was saved) are one line each, "cadhost: <text>", and go
// to the message sink (standard error unless replaced). Everything modules and prompts write
// goes to the command line (cadhost::CommandLine), never to the message sink.
//
// The session works on the host's process-wide state (document manager, command stack, answer
// queue, system variables): only one session may live at a time.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "acdocman.h"

namespace cadhost {

class LoadedModule;

// Exit statuses of cadhost.
enum ExitStatus : int {
    kExitOk = 0,
    kExitFailed = 1,  // a drawing could not be read or saved, a module failed to load ...
    kExitUsage = 2,   // bad options, an unknown command
};

class HostSession {
  public:
    // Receives one message without its line break, already prefixed with "cadhost: ".
    using MessageSink = std::function<void(const std::string& line)>;

    HostSession();
    // Ends the session (end()) if that was not done.
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Replaces where host messages go; null restores standard error.
    void setMessageSink(MessageSink sink);
    // Sends "cadhost: " + text as one message; line breaks inside text become blanks.
    void report(std::string_view text);

    // ---- Modules ----
    // Loads the module at path and sends it the initialisation message. A path already loaded
    // is not loaded again (true). On failure (also when the module fails its initialisation)
    // reports one line naming the file and the reason and returns false; nothing stays loaded.
    bool loadModule(const std::string& path);
    std::size_t moduleCount() const { return m_modules.size(); }

    // ---- Documents ----
    // Reads the drawing at path into a new database and makes it a document, named by its full
    // path (relative paths are taken from the current folder), and the current document; then
    // sends every module the drawing-load message. A drawing that is already open is only made
    // current. A drawing that cannot be read is reported (file and reason) and gives null.
    // A module that fails on the load message is reported and the document is marked
    // (loadFailed), so that it is not saved.
    AcApDocument* openDrawing(const std::wstring& path);
    bool loadFailed(const AcApDocument* doc) const;

    // Saves the document's drawing over its own file, keeping the previous file as NAME.bak.
    // A drawing without changes leaves its file alone. "saved <path>" is reported when the
    // file was written; a failure is reported with the file and the reason and gives false.
    bool saveDrawing(AcApDocument* doc);
    // Saves the drawing as path (made full, as for openDrawing; an existing file there is kept
    // as NAME.bak); the document is named by the new path from then on.
    bool saveDrawingAs(AcApDocument* doc, const std::wstring& path);

    // Sends every module the drawing-unload message, then destroys the document without
    // saving (the document manager announces it). If it was current, the most recently opened
    // document that is left becomes current. False when doc is not open.
    bool closeDrawing(AcApDocument* doc);
    // Closes every document, the most recently opened first.
    void closeAllDrawings();
    // Null when no document is open.
    AcApDocument* currentDocument() const;
    AcApDocument* findDocument(const std::wstring& fullPath) const;

    // ---- The jobs of cadhost; each returns the exit status ----
    // Opens every drawing in order; then, with save, saves every drawing that was read (and
    // whose load went well) over its own file. kExitFailed when any drawing could not be read
    // or saved, or a module failed on its load; the others are still processed.
    int openDrawings(const std::vector<std::wstring>& paths, bool save);
    // Runs a registered command found by global name (with "_") or local name, letter case
    // ignored, the answers feeding its prompts in order ("" is Enter, "^C" cancels; when they
    // run out any further prompt is cancelled). kExitUsage for an unknown command, else
    // kExitOk (also when the command threw: the guard reports it).
    int runCommand(const std::wstring& name, const std::vector<std::wstring>& answers);
    // Runs the command script in the file at path (see host_script.h).
    int runScript(const std::string& path);

    // Closes every document, sends every module the unload message and unloads the modules,
    // the last loaded first. Idempotent.
    void end();

    // The full path for a path given by a user: '\' read as '/', relative to the current
    // folder, "." and ".." resolved.
    static std::wstring fullPath(const std::wstring& path);

  private:
    void documentBecameCurrent(AcApDocument* doc);
    bool save(AcApDocument* doc, const std::wstring& target);

    MessageSink m_sink;
    std::vector<std::unique_ptr<LoadedModule>> m_modules;
    std::vector<const AcApDocument*> m_loadFailed;
    bool m_ended = false;
};

}  // namespace cadhost
