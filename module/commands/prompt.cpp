// Command-line and file-dialog prompts of the batch commands.
#include "commands/prompt.h"

#include <acedads.h>
#include <acutads.h>
#include <acutbuild.h>
#include <shlwapi.h>
#include <tchar.h>

#include <vector>

namespace {

constexpr size_t kKeywordBufferLength = 512;
constexpr size_t kExtensionBufferLength = 256;
constexpr size_t kTypedNameLength = 260;
// Names up to this length are too short to carry a drive, a name and an extension worth
// checking; they always get the default extension.
constexpr int kShortNameLength = 4;

bool isGiven(LPCTSTR text) { return text != nullptr && *text != L'\0'; }

// The ";"-separated entries of an extension list, read from a working copy of its first 255
// characters; empty entries are skipped.
std::vector<CString> splitExtensions(const CString& extensions) {
    wchar_t buffer[kExtensionBufferLength];
    wcsncpy_s(buffer, kExtensionBufferLength, extensions, _TRUNCATE);
    std::vector<CString> entries;
    const CString list(buffer);
    int position = 0;
    for (CString entry = list.Tokenize(L";", position); position != -1;
         entry = list.Tokenize(L";", position)) {
        entries.push_back(entry);
    }
    return entries;
}

// A typed name keeps an extension of the list (letter case ignored); otherwise the default
// extension is appended, so "plan.txt" asked with ".dwg" becomes "plan.txt.dwg".
CString completeExtension(const CString& typed, const std::vector<CString>& extensions) {
    if (typed.GetLength() > kShortNameLength) {
        // Parts as large as the whole name, so that no part can be too long to split.
        wchar_t drive[kTypedNameLength], dir[kTypedNameLength], name[kTypedNameLength],
            ext[kTypedNameLength];
        if (_wsplitpath_s(typed, drive, kTypedNameLength, dir, kTypedNameLength, name,
                          kTypedNameLength, ext, kTypedNameLength) == 0) {
            for (const CString& entry : extensions) {
                if (_wcsicmp(ext, entry) == 0) return typed;
            }
        }
    }
    if (extensions.empty()) return typed;
    return typed + extensions.front();
}

bool filediaIsOne() {
    resbuf value{};
    return acedGetVar(L"FILEDIA", &value) == RTNORM && value.restype == RTSHORT &&
           value.resval.rint == 1;
}

}  // namespace

CPrompt::CPrompt(LPCTSTR prompt, int32_t flags, LPCTSTR localKeywords, LPCTSTR globalKeywords)
    : m_prompt(prompt), m_flags(flags), m_lastStatus(RTNORM) {
    if (isGiven(localKeywords) && isGiven(globalKeywords)) {
        m_keywords.Format(L"%s _%s", localKeywords, globalKeywords);
    } else if (isGiven(localKeywords)) {
        m_keywords.Format(L"%s", localKeywords);
    } else if (isGiven(globalKeywords)) {
        // Global words alone still have to be typeable without the underscore.
        m_keywords.Format(L"%s _%s", globalKeywords, globalKeywords);
    }
}

CPromptKeyWord::CPromptKeyWord(LPCTSTR prompt, LPCTSTR localKeywords, LPCTSTR globalKeywords)
    : CPrompt(prompt, RSG_NONULL, localKeywords, globalKeywords) {}

CPromptKeyWordDef::CPromptKeyWordDef(LPCTSTR prompt, LPCTSTR defaultKeyword, LPCTSTR localKeywords,
                                     LPCTSTR globalKeywords)
    : CPromptKeyWord(prompt, localKeywords, globalKeywords), m_default(defaultKeyword) {
    // Enter must reach us to select the default.
    m_flags = 0;
}

int32_t CPromptKeyWordDef::DoPrompt() {
    CString display;
    display.Format(L"%s<%s>: ", m_prompt.GetString(), m_default.GetString());
    acedInitGet(m_flags, m_keywords);
    wchar_t keyword[kKeywordBufferLength] = {};
    m_lastStatus = acedGetKword(display, keyword, kKeywordBufferLength);
    if (m_lastStatus == RTNORM) {
        m_result = keyword;
        return kPromptOk;
    }
    if (m_lastStatus != RTNONE) return kPromptFailed;

    // Enter: the first word of the list that begins with the default, compared exactly. The
    // word opening the global part is compared without its underscore.
    const int n = m_default.GetLength();
    bool globalPartOpened = false;
    int position = 0;
    for (CString word = m_keywords.Tokenize(L" ", position); position != -1;
         word = m_keywords.Tokenize(L" ", position)) {
        if (!globalPartOpened && word[0] == L'_') {
            globalPartOpened = true;
            word.Delete(0);
        }
        if (word.Left(n) == m_default) {
            m_result = word;
            return kPromptOk;
        }
    }
    return kPromptFailed;
}

CPromptFile::CPromptFile(int32_t flags, LPCTSTR dialogTitle, LPCTSTR prompt, LPCTSTR defaultName,
                         LPCTSTR extensions)
    : CPrompt(prompt, flags, nullptr, nullptr),
      m_defaultName(defaultName),
      m_extensions(extensions),
      m_dialogTitle(dialogTitle) {}

int32_t CPromptFile::DoPrompt() {
    bool dialogMode = filediaIsOne();
    const std::vector<CString> extensions = splitExtensions(m_extensions);

    // Every pass through this loop takes one user input, so a cancel always ends it.
    for (;;) {
        if (dialogMode) {
            resbuf* chosen = acutNewRb(RTSTR);
            if (chosen == nullptr) return kPromptFailed;
            m_lastStatus =
                acedGetFileD(m_dialogTitle, m_defaultName, m_extensions, m_flags, chosen);
            if (m_lastStatus != RTNORM) {
                acutRelRb(chosen);
                return kPromptFailed;
            }
            if (chosen->restype == RTSHORT) {
                acutRelRb(chosen);
                dialogMode = false;
                continue;
            }
            // No extension completion and no overwrite question after a dialog: the dialog
            // has its own.
            m_result = chosen->resval.rstring;
            acutRelRb(chosen);
            return kPromptOk;
        }

        wchar_t typed[kTypedNameLength] = {};
        m_lastStatus = acedGetString(1, m_prompt, typed, kTypedNameLength);
        if (m_lastStatus != RTNORM) return kPromptFailed;
        if (wcscmp(typed, L"~") == 0) {
            dialogMode = true;
            continue;
        }

        const CString name = completeExtension(typed, extensions);
        if (!(m_flags & kAskOverwrite) || !PathFileExistsW(name)) {
            m_result = name;
            return kPromptOk;
        }
        acutPrintf(L" A file with this name already exists.");
        CPromptKeyWordDef question(L"Do you want to replace it? <N>", L"No", L"Nein Ja", L"No Yes");
        if (question.DoPrompt() != kPromptOk) return kPromptFailed;
        if (_wcsicmp(question.GetResult(), L"Yes") == 0) {
            m_result = name;
            return kPromptOk;
        }
        // Anything but Yes (Enter included): ask for another name.
    }
}
