// The referenced-document replacement command: redirects the external references of a drawing
// on disk as a replacements file says, stores the new paths relative to the drawing's folder
// and saves the drawing over itself, keeping a backup, when a path changed.
#include <acutads.h>
#include <afx.h>
#include <dbmain.h>
#include <dbsymtb.h>
#include <shlwapi.h>
#include <tchar.h>

#include <cwchar>
#include <memory>
#include <string>

#include "commands/command_paths.h"
#include "commands/commands.h"
#include "commands/prompt.h"
#include "commands/replacements.h"
#include "drawing/blocktablewalk.h"
#include "frame/error_report.h"

namespace {

constexpr const wchar_t* kSource = BRAKON_SOURCE_NAME;

// The reference's stored path as a full path: a relative one is combined with the drawing's
// folder. False, with a line naming it, for a path beyond the path buffers.
bool resolveReference(const wchar_t* folder, const wchar_t* stored, wchar_t (&path)[MAX_PATH]) {
    if (!pathFitsBuffer(stored)) return false;
    if (!PathIsRelativeW(stored)) {
        std::wcscpy(path, stored);
        return true;
    }
    if (PathCombineW(path, folder, stored) != nullptr) return true;
    acutPrintf(L"\nReference %ls in folder %ls gives a path too long; left unchanged.", stored,
               folder);
    return false;
}

// Redirects the references of the drawing read into db. Host failures are raised as error
// reports for the command's boundary. Returns the number of paths stored.
int redirectReferences(AcDbDatabase* db, const CString& drawingPath, const wchar_t* folder,
                       const CReplacementTable& table, bool fullPaths) {
    int changes = 0;
    walkBlockTable(db, kSource, __LINE__, [&](AcDbBlockTableRecord* record) {
        if (!record->isFromExternalReference()) return true;
        const ACHAR* stored = nullptr;
        const Acad::ErrorStatus es = record->pathName(stored);
        if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
        wchar_t referencePath[MAX_PATH];
        if (!resolveReference(folder, stored != nullptr ? stored : L"", referencePath)) {
            return true;
        }
        std::wstring newPath;
        if (!findReplacement(drawingPath.GetString(), table, fullPaths, referencePath, newPath)) {
            return true;
        }
        if (record->upgradeOpen() != Acad::eOk) return true;
        // An empty or made-up path must never be stored: without a relative path (another
        // root, a value that is not a full path, a result beyond the buffer) the reference
        // keeps what it has. A value holding a NUL character is no path either; only the text
        // in front of the NUL would reach the path functions.
        wchar_t relativePath[MAX_PATH];
        if (newPath.find(L'\0') != std::wstring::npos || !pathFitsBuffer(newPath.c_str()) ||
            !PathRelativePathToW(relativePath, folder, FILE_ATTRIBUTE_DIRECTORY, newPath.c_str(),
                                 FILE_ATTRIBUTE_NORMAL)) {
            acutPrintf(L"\nNo relative path from %ls to %ls; reference %ls left unchanged.", folder,
                       newPath.c_str(), referencePath);
            return true;
        }
        if (record->setPathName(relativePath) == Acad::eOk) ++changes;
        return true;
    });
    return changes;
}

// Reads the drawing, redirects its references and saves it when a path changed. A drawing that
// cannot be read is left alone; a failing host call ends the command through the caller's
// boundary before anything is saved.
void replaceIn(const CString& drawingPath, const CReplacementTable& table, bool fullPaths) {
    // The drawing is read for writing, to be saved over itself. A read-only file cannot be opened
    // that way on the platform, whatever rights the process has: it is left alone like any
    // drawing that cannot be read.
    const DWORD attributes = GetFileAttributesW(drawingPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return;
    }
    std::unique_ptr<AcDbDatabase> db(new AcDbDatabase(false, true));
    if (db->readDwgFile(drawingPath, AcDbDatabase::kForReadAndWriteNoShare, false, nullptr) !=
        Acad::eOk) {
        return;
    }
    wchar_t folder[MAX_PATH];
    std::wcscpy(folder, drawingPath);
    PathRemoveFileSpecW(folder);
    if (redirectReferences(db.get(), drawingPath, folder, table, fullPaths) == 0) return;
    const Acad::ErrorStatus es = db->saveAs(drawingPath, true, AcDb::kDHL_1032, nullptr);
    if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
}

}  // namespace

void replaceReferencedDocumentCommand() {
    CPromptFile drawingPrompt(0, L"Select drawing file", L"Enter drawing file:", L"", L".dwg");
    const int32_t drawingStatus = drawingPrompt.DoPrompt();
    CPromptFile replacementsPrompt(0, L"Select replacements file", L"Enter replacements file:", L"",
                                   L".txt");
    const int32_t replacementsStatus = replacementsPrompt.DoPrompt();
    CPromptKeyWordDef fullPathPrompt(L"Fullpath (Yes/No) [Y]:", L"Yes", L"Yes No", L"Yes No");
    const int32_t fullPathStatus = fullPathPrompt.DoPrompt();
    if (drawingStatus != kPromptOk || replacementsStatus != kPromptOk ||
        fullPathStatus != kPromptOk) {
        return;
    }

    const CString drawingPath = drawingPrompt.GetResult();
    const CString replacementsPath = replacementsPrompt.GetResult();
    if (drawingPath.IsEmpty() || replacementsPath.IsEmpty()) return;
    if (!pathFitsBuffer(drawingPath)) return;
    if (!PathFileExistsW(drawingPath) || !PathFileExistsW(replacementsPath)) return;
    const bool fullPaths = _wcsicmp(fullPathPrompt.GetResult(), L"Yes") == 0;

    // This command's boundary stays silent, for error reports and anything else alike: it only
    // lets go of what the command holds. Nothing is saved after a failure.
    silentBoundary([&] {
        CReplacementTable table;
        readReplacements(table, replacementsPath);
        replaceIn(drawingPath, table, fullPaths);
    });
}
