// Reading a replacements file and choosing the replacement for one external reference.
// The replacements file comes from outside (the PDM system or a user): any bytes, any line
// length, lines without "=", are taken as they come and never trusted to be well formed.
#include "commands/replacements.h"

#include <acutads.h>
#include <afx.h>
#include <shlwapi.h>
#include <tchar.h>

#include <cwchar>

namespace {

// Letter case ignored as the platform ignores it. Text read from a file may hold NUL characters,
// so the comparison runs piece by piece between them instead of stopping at the first one.
bool equalNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i <= a.size();) {
        if (_wcsicmp(a.c_str() + i, b.c_str() + i) != 0) return false;
        i += std::wcslen(a.c_str() + i) + 1;
    }
    return true;
}

// The last component. Text after a NUL character stays part of it, so that such a key can never
// pass for the plain name in front of the NUL.
std::wstring fileNameOf(const std::wstring& path) {
    return path.substr(static_cast<std::size_t>(PathFindFileNameW(path.c_str()) - path.c_str()));
}

}  // namespace

std::size_t readReplacements(CReplacementTable& table, const wchar_t* filePath) {
    CStdioFile file;
    if (filePath == nullptr || !file.Open(filePath, CFile::modeRead | CFile::typeText)) {
        return table.size();
    }
    try {
        CString line;
        while (file.ReadString(line)) {
            const std::wstring text(line.GetString(), static_cast<std::size_t>(line.GetLength()));
            const std::size_t equals = text.find(L'=');
            if (equals == std::wstring::npos) {
                table.emplace(std::wstring(), text);
            } else {
                table.emplace(text.substr(0, equals), text.substr(equals + 1));
            }
        }
    } catch (CFileException* error) {
        wchar_t message[512] = L"";
        error->GetErrorMessage(message, sizeof message / sizeof message[0]);
        error->Delete();
        table.clear();
        acutPrintf(L"\nThe replacements file was not read: %ls", message);
    }
    return table.size();
}

bool findReplacement(std::wstring drawingPath, const CReplacementTable& table, bool fullPaths,
                     std::wstring referencePath, std::wstring& newPath) {
    const std::wstring fullReference = referencePath;
    if (!fullPaths) referencePath = fileNameOf(referencePath);
    bool matched = false;
    for (const auto& [oldDocument, newDocument] : table) {
        newPath = newDocument;
        if (equalNoCase(oldDocument, newDocument)) continue;
        if (equalNoCase(oldDocument, drawingPath)) continue;
        const std::wstring key = fullPaths ? oldDocument : fileNameOf(oldDocument);
        // Lines without "=" and blank lines give empty keys: they never name a reference, also
        // not one whose path ends in a separator and so has an empty file name.
        if (key.empty()) continue;
        if (equalNoCase(referencePath, key)) {
            matched = true;
            break;
        }
    }
    if (!matched) return false;
    // Without full paths the reduced name is compared with the value as well, so that a value
    // given as a bare name is recognised; the full comparison catches a reference that already
    // points at a value given as a full path, which would otherwise be set and saved again.
    if (equalNoCase(referencePath, newPath) || equalNoCase(fullReference, newPath)) return false;
    return true;
}
