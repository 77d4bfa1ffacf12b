// A run of the host: modules, documents and the jobs of cadhost.
#include "arx/host_session.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "acestext.h"
#include "arx/command_invoke.h"
#include "arx/doc_manager.h"
#include "arx/host_script.h"
#include "arx/input_answers.h"
#include "arx/input_sysvars.h"
#include "arx/module_guard.h"
#include "arx/module_loader.h"
#include "dbmain.h"
#include "win/code_page.h"
#include "win/file_path.h"

namespace cadhost {
namespace {

void writeToStderr(const std::string& line) {
    std::fputs((line + "\n").c_str(), stderr);
    std::fflush(stderr);
}

// What identifies one version of a file on disk: a save renames a new file into place, so
// the inode changes; a save that changes nothing leaves all of it alone.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long mtimeNs = 0;

    static FileStamp of(const std::string& path) {
        FileStamp stamp;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return stamp;
        stamp.exists = true;
        stamp.device = st.st_dev;
        stamp.inode = st.st_ino;
        stamp.size = st.st_size;
        stamp.mtimeNs =
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
        return stamp;
    }
    bool operator==(const FileStamp&) const = default;
};

std::string statusName(Acad::ErrorStatus es) { return "Acad::" + toUtf8(acadErrorStatusText(es)); }

// The database's own reason names the file as a rule; where it does not (or gives none), the
// file is put in front so that every failure line says which drawing it is about.
std::string failureLine(const std::wstring& path, const char* what, Acad::ErrorStatus es,
                        const ACHAR* reason) {
    const std::string file = toUtf8(path);
    const std::string text = reason != nullptr ? toUtf8(reason) : std::string();
    if (text.empty()) return file + ": " + what + " (" + statusName(es) + ")";
    if (text.find(file) != std::string::npos) return text;
    return file + ": " + text;
}

Document* hostDocument(AcApDocument* doc) { return static_cast<Document*>(doc); }

}  // namespace

HostSession::HostSession() : m_sink(writeToStderr) {
    DocumentManager::start();
    Answers::clear();
}

HostSession::~HostSession() { end(); }

void HostSession::setMessageSink(MessageSink sink) {
    m_sink = sink ? std::move(sink) : MessageSink(writeToStderr);
}

void HostSession::report(std::string_view text) {
    std::string line = "cadhost: ";
    line += text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    m_sink(line);
}

// ---- Modules ----

bool HostSession::loadModule(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec).lexically_normal();
    const std::string modulePath = ec ? path : full.string();
    for (const auto& module : m_modules)
        if (module->path() == modulePath) return true;
    std::string error;
    std::unique_ptr<LoadedModule> module = LoadedModule::load(modulePath, error);
    if (!module) {
        report(error);
        return false;
    }
    // As the host does, a module that fails its initialisation is not kept: its commands
    // and reactors may be half registered, and the unload message lets it take them back.
    if (module->initialize() != AcRx::kRetOK) {
        report(modulePath + ": the module failed to initialise and was unloaded");
        module->unload();
        return false;
    }
    m_modules.push_back(std::move(module));
    return true;
}

// ---- Documents ----

std::wstring HostSession::fullPath(const std::wstring& path) {
    const std::string given = fileSystemPath(path);
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(given, ec);
    if (ec) return fromUtf8(given);
    return fromUtf8(full.lexically_normal().string());
}

AcApDocument* HostSession::findDocument(const std::wstring& full) const {
    DocumentManager* manager = DocumentManager::instance();
    if (manager == nullptr) return nullptr;
    std::unique_ptr<AcApDocumentIterator> it(manager->newAcApDocumentIterator());
    for (; !it->done(); it->step())
        if (full == it->document()->fileName()) return it->document();
    return nullptr;
}

AcApDocument* HostSession::currentDocument() const {
    DocumentManager* manager = DocumentManager::instance();
    return manager != nullptr ? manager->curDocument() : nullptr;
}

bool HostSession::loadFailed(const AcApDocument* doc) const {
    return std::find(m_loadFailed.begin(), m_loadFailed.end(), doc) != m_loadFailed.end();
}

void HostSession::documentBecameCurrent(AcApDocument* doc) {
    const std::wstring path = doc->fileName();
    const size_t slash = path.find_last_of(L'/');
    SystemVariables::setByHost(L"DWGNAME", doc->docTitle());
    SystemVariables::setByHost(L"DWGPREFIX",
                               slash == std::wstring::npos ? L"" : path.substr(0, slash + 1));
    SystemVariables::setByHost(L"DWGTITLED", L"1");
}

AcApDocument* HostSession::openDrawing(const std::wstring& path) {
    DocumentManager* manager = DocumentManager::instance();
    if (path.empty()) {
        report("\"\": cannot read the drawing: the file name is empty");
        return nullptr;
    }
    const std::wstring full = fullPath(path);
    if (manager == nullptr) {
        report(toUtf8(full) + ": cannot open: the document manager is shut down");
        return nullptr;
    }
    if (AcApDocument* open = findDocument(full)) {
        manager->makeCurrent(open);
        documentBecameCurrent(open);
        return open;
    }
    auto db = std::make_unique<AcDbDatabase>(false, false);
    Acad::ErrorStatus es = Acad::eOk;
    try {
        es = db->readDwgFile(full.c_str());
    } catch (...) {
        report(toUtf8(full) + ": cannot read the drawing: " + describeCurrentException());
        return nullptr;
    }
    if (es != Acad::eOk) {
        report(failureLine(full, "cannot read the drawing", es, db->lastErrorText()));
        return nullptr;
    }
    AcApDocument* doc = manager->createDocument(db.release(), full);
    manager->makeCurrent(doc);
    documentBecameCurrent(doc);
    for (const auto& module : m_modules) {
        // A module may close documents while it handles the message; then the others are not
        // told about a document that is gone.
        if (!manager->isOpen(doc)) return nullptr;
        if (module->drawingLoaded(doc) != AcRx::kRetOK && !loadFailed(doc))
            m_loadFailed.push_back(doc);
    }
    return manager->isOpen(doc) ? doc : nullptr;
}

bool HostSession::save(AcApDocument* doc, const std::wstring& target) {
    const std::string file = fileSystemPath(target);
    const FileStamp before = FileStamp::of(file);
    AcDbDatabase* db = doc->database();
    Acad::ErrorStatus es = Acad::eOk;
    try {
        es = db->saveAs(target.c_str(), true);
    } catch (...) {
        report(toUtf8(target) + ": cannot save the drawing: " + describeCurrentException());
        return false;
    }
    if (es != Acad::eOk) {
        report(failureLine(target, "cannot save the drawing", es, db->lastErrorText()));
        return false;
    }
    if (!(FileStamp::of(file) == before)) report("saved " + toUtf8(target));
    return true;
}

bool HostSession::saveDrawing(AcApDocument* doc) {
    DocumentManager* manager = DocumentManager::instance();
    if (manager == nullptr || !manager->isOpen(doc)) return false;
    return save(doc, doc->fileName());
}

bool HostSession::saveDrawingAs(AcApDocument* doc, const std::wstring& path) {
    DocumentManager* manager = DocumentManager::instance();
    if (manager == nullptr || !manager->isOpen(doc)) return false;
    const std::wstring full = fullPath(path);
    if (!save(doc, full)) return false;
    hostDocument(doc)->setFileName(full);
    if (doc == manager->curDocument()) documentBecameCurrent(doc);
    return true;
}

bool HostSession::closeDrawing(AcApDocument* doc) {
    DocumentManager* manager = DocumentManager::instance();
    if (manager == nullptr || !manager->isOpen(doc)) return false;
    for (const auto& module : m_modules) {
        if (!manager->isOpen(doc)) break;
        module->drawingUnloaded(doc);
    }
    manager->destroyDocument(doc);
    m_loadFailed.erase(std::remove(m_loadFailed.begin(), m_loadFailed.end(), doc),
                       m_loadFailed.end());
    if (manager->curDocument() == nullptr && manager->documentCount() > 0) {
        AcApDocument* last = nullptr;
        std::unique_ptr<AcApDocumentIterator> it(manager->newAcApDocumentIterator());
        for (; !it->done(); it->step()) last = it->document();
        manager->makeCurrent(last);
        documentBecameCurrent(last);
    }
    return true;
}

void HostSession::closeAllDrawings() {
    DocumentManager* manager = DocumentManager::instance();
    if (manager == nullptr) return;
    while (manager->documentCount() > 0) {
        AcApDocument* last = nullptr;
        std::unique_ptr<AcApDocumentIterator> it(manager->newAcApDocumentIterator());
        for (; !it->done(); it->step()) last = it->document();
        if (!closeDrawing(last)) break;
    }
}

// ---- Jobs ----

int HostSession::openDrawings(const std::vector<std::wstring>& paths, bool save) {
    int status = kExitOk;
    std::vector<AcApDocument*> opened;
    for (const std::wstring& path : paths) {
        AcApDocument* doc = openDrawing(path);
        if (doc == nullptr) {
            status = kExitFailed;
            continue;
        }
        if (std::find(opened.begin(), opened.end(), doc) == opened.end()) opened.push_back(doc);
    }
    DocumentManager* manager = DocumentManager::instance();
    for (AcApDocument* doc : opened) {
        if (manager == nullptr || !manager->isOpen(doc)) continue;
        if (loadFailed(doc)) {
            report(toUtf8(doc->fileName()) +
                   ": a module failed while the drawing loaded; it was not saved");
            status = kExitFailed;
            continue;
        }
        if (save && !saveDrawing(doc)) status = kExitFailed;
    }
    return status;
}

int HostSession::runCommand(const std::wstring& name, const std::vector<std::wstring>& answers) {
    Answers::clear();
    AcEdCommand* cmd = findCommand(name);
    if (cmd == nullptr) {
        report("unknown command \"" + toUtf8(name) + "\"");
        return kExitUsage;
    }
    for (const std::wstring& answer : answers) Answers::push(answer);
    invokeCommand(cmd);
    if (const size_t left = Answers::pending(); left > 0) {
        report(std::to_string(left) + (left == 1 ? " answer was" : " answers were") +
               " not used by " + toUtf8(name));
    }
    Answers::clear();
    return kExitOk;
}

int HostSession::runScript(const std::string& path) {
    ScriptRunner runner(*this);
    return runner.runFile(path);
}

void HostSession::end() {
    if (m_ended) return;
    m_ended = true;
    closeAllDrawings();
    while (!m_modules.empty()) {
        m_modules.back()->unload();
        m_modules.pop_back();
    }
    Answers::clear();
}

}  // namespace cadhost
