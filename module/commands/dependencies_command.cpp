// The dependency listing command: which documents a drawing references as external references,
// optionally through nested references, written into a text file for the PDM system.
#include <acutads.h>
#include <afx.h>
#include <dbmain.h>
#include <shlwapi.h>
#include <tchar.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "commands/command_paths.h"
#include "commands/commands.h"
#include "commands/prompt.h"
#include "drawing/arxdatabase.h"
#include "frame/error_report.h"

namespace {

constexpr const wchar_t* kSource = BRAKON_SOURCE_NAME;

// A drawing as the chain of references knows it: "." and ".." resolved, one separator, letter
// case ignored, as the platform the PDM system runs on treats paths. Two spellings of one file
// must meet here, or a cycle written with both would never be noticed.
std::wstring drawingKey(const wchar_t* path) {
    wchar_t resolved[MAX_PATH];
    CString key(path);
    if (std::wcslen(path) < MAX_PATH && PathCombineW(resolved, nullptr, path) != nullptr) {
        key = resolved;
    }
    key.Replace(L'/', L'\\');
    key.MakeUpper();
    return std::wstring(key.GetString());
}

struct Walk {
    CStringArray& list;
    bool fullPaths;
    bool traverse;
    INT_PTR start;  // entries the list held before the walk
    std::int64_t maxEntries;
    bool abandoned = false;
    // The drawings from the top one down to the one being read.
    std::vector<std::wstring> chain;
};

void collect(Walk& walk, const wchar_t* drawingPath) {
    CStringArray references;
    {
        std::unique_ptr<AcDbDatabase> db(new AcDbDatabase(false, true));
        if (db->readDwgFile(drawingPath, AcDbDatabase::kForReadAndReadShare, false, nullptr) !=
            Acad::eOk) {
            return;
        }
        CArxDatabase(db.get()).getExternalReferences(references);
    }  // released before a nested drawing is read: one drawing in memory at a time
    for (INT_PTR i = 0; i < references.GetSize(); ++i) {
        const CString& reference = references[i];
        walk.list.Add(walk.fullPaths ? reference : CString(PathFindFileNameW(reference)));
    }
    // Duplicates are kept, so drawings that share references level after level multiply the
    // list without any cycle; past the limit the walk stops rather than run for hours.
    if (walk.list.GetSize() - walk.start > walk.maxEntries) {
        walk.abandoned = true;
        return;
    }
    if (!walk.traverse) return;
    for (INT_PTR i = 0; i < references.GetSize() && !walk.abandoned; ++i) {
        const CString& reference = references[i];
        std::wstring key = drawingKey(reference);
        if (std::find(walk.chain.begin(), walk.chain.end(), key) != walk.chain.end()) {
            acutPrintf(L"\nCyclic reference skipped: %ls", reference.GetString());
            continue;
        }
        walk.chain.push_back(std::move(key));
        collect(walk, reference);
        walk.chain.pop_back();
    }
}

void printNotWritten(const CFileException& error, const wchar_t* entry) {
    wchar_t message[1024] = L"";
    error.GetErrorMessage(message, sizeof message / sizeof message[0]);
    if (entry != nullptr) {
        acutPrintf(L"\nThe dependency list was not written. %ls Entry: %ls", message, entry);
    } else {
        acutPrintf(L"\nThe dependency list was not written. %ls", message);
    }
}

// Creates or empties the file and writes one entry per line. The file class writes through a
// temporary file that replaces the target only when complete, so a failure (a path the code
// page cannot represent, a full disk) leaves the target as it was; it is reported here.
void writeList(const CString& outputPath, const CStringArray& list) {
    // A read-only target is refused as the platform refuses it, also to a process whose rights
    // would let it replace the file anyway.
    const DWORD attributes = GetFileAttributesW(outputPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        printNotWritten(
            CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, outputPath), nullptr);
        return;
    }
    CStdioFile file;
    CFileException openError;
    if (!file.Open(outputPath, CFile::modeCreate | CFile::modeWrite | CFile::typeText,
                   &openError)) {
        printNotWritten(openError, nullptr);
        return;
    }
    INT_PTR i = 0;
    try {
        for (; i < list.GetSize(); ++i) {
            file.WriteString(list[i]);
            file.WriteString(L"\n");
        }
        file.Close();
    } catch (CFileException* error) {
        printNotWritten(*error, i < list.GetSize() ? list[i].GetString() : nullptr);
        error->Delete();
        file.Abort();
    } catch (...) {
        // Anything else (out of memory) must not let the file's destructor commit a partial list.
        file.Abort();
        throw;
    }
}

bool isYes(const CPrompt& prompt) { return _wcsicmp(prompt.GetResult(), L"Yes") == 0; }

void runGetDependencies() {
    CPromptFile drawingPrompt(0, L"Select drawing file", L"Enter drawing file:", L"", L".dwg");
    const int32_t drawingStatus = drawingPrompt.DoPrompt();
    CPromptFile outputPrompt(0, L"Select output file", L"Enter output file:", L"", L".txt");
    const int32_t outputStatus = outputPrompt.DoPrompt();
    CPromptKeyWordDef fullPathPrompt(L"Fullpath (Yes/No)", L"Yes", L"Yes No", L"Yes No");
    const int32_t fullPathStatus = fullPathPrompt.DoPrompt();
    CPromptKeyWordDef traversePrompt(L"Traverse (Yes/No)", L"No", L"No Yes", L"No Yes");
    const int32_t traverseStatus = traversePrompt.DoPrompt();
    if (drawingStatus != kPromptOk || outputStatus != kPromptOk || fullPathStatus != kPromptOk ||
        traverseStatus != kPromptOk) {
        return;
    }

    const CString drawingPath = drawingPrompt.GetResult();
    const CString outputPath = outputPrompt.GetResult();
    if (drawingPath.IsEmpty() || outputPath.IsEmpty()) return;
    if (!pathFitsBuffer(drawingPath) || !pathFitsBuffer(outputPath)) return;
    if (!PathFileExistsW(drawingPath)) return;

    CStringArray list;
    if (collectDependencies(list, drawingPath, isYes(fullPathPrompt), isYes(traversePrompt)) == 0) {
        return;  // nothing to list: no file, and an existing one stays as it is
    }
    writeList(outputPath, list);
}

}  // namespace

std::int64_t collectDependencies(CStringArray& list, const wchar_t* drawingPath, bool fullPaths,
                                 bool traverse) {
    return collectDependencies(list, drawingPath, fullPaths, traverse, kMaxDependencies);
}

std::int64_t collectDependencies(CStringArray& list, const wchar_t* drawingPath, bool fullPaths,
                                 bool traverse, std::int64_t maxEntries) {
    if (drawingPath == nullptr) return list.GetSize();
    Walk walk{
        list, fullPaths, traverse, list.GetSize(), maxEntries, false, {drawingKey(drawingPath)}};
    collect(walk, drawingPath);
    if (walk.abandoned) {
        list.SetSize(walk.start);
        acutPrintf(L"\nMore than %lld dependencies: nothing listed.",
                   static_cast<long long>(maxEntries));
    }
    return list.GetSize();
}

void getDependenciesCommand() { reportingBoundary(kSource, __LINE__, runGetDependencies); }
