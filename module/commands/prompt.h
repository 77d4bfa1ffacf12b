// Prompt objects through which the batch commands ask for a file name (on the command line or
// in the host's file dialog) or for one of a few keywords. Each object is built with its texts,
// run once with DoPrompt, and read with GetResult after DoPrompt returned kPromptOk.
// Prompt objects live on the caller's stack for one command; they own all their strings.
#pragma once

#include <afx.h>

#include <cstdint>

// What DoPrompt returns: a value was obtained (kPromptOk), or the user cancelled or an input
// call failed (kPromptFailed; the result is then not to be used). Callers test for 3 exactly.
constexpr int32_t kPromptOk = 3;
constexpr int32_t kPromptFailed = 0;

// State shared by every prompt; no virtual operations.
class CPrompt {
public:
    // localKeywords / globalKeywords: blank-separated words, null or empty when absent. The
    // keyword list becomes "local _global" when both are given, "local" with only local words,
    // "global _global" with only global words, and empty with neither.
    CPrompt(LPCTSTR prompt, int32_t flags, LPCTSTR localKeywords, LPCTSTR globalKeywords);

    // The value obtained (a file name or the chosen keyword); empty until a prompt succeeds.
    // Valid while the prompt object lives.
    LPCTSTR GetResult() const { return m_result; }

protected:
    CString m_prompt;      // shown on the command line
    CString m_keywords;    // handed to acedInitGet; empty for file prompts
    int32_t m_flags;       // acedInitGet bits, or the file dialog's flags
    int32_t m_lastStatus;  // host code of the last input call; RTNORM until one ran
    CString m_result;
};

// A file name from the file dialog or typed on the command line, as the host variable FILEDIA
// says (1: dialog). Typing "~" opens the dialog; the dialog's "type it" returns to typing.
// A typed name without one of the listed extensions gets the first of them appended; with
// flag kAskOverwrite, typing the name of an existing file asks whether to replace it.
class CPromptFile : public CPrompt {
public:
    static constexpr int32_t kAskOverwrite = 0x20;

    // extensions: entries separated by ";", each with its dot (".dwg;.dxf"); only the first 255
    // characters count.
    CPromptFile(int32_t flags, LPCTSTR dialogTitle, LPCTSTR prompt, LPCTSTR defaultName,
                LPCTSTR extensions);

    // kPromptOk with the path in GetResult, or kPromptFailed (cancel, failed input, or a failed
    // overwrite question).
    virtual int32_t DoPrompt();

protected:
    CString m_defaultName;
    CString m_extensions;
    CString m_dialogTitle;
};

// The keyword prompt without a default (Enter refused: flags RSG_NONULL). Only a base.
class CPromptKeyWord : public CPrompt {
public:
    CPromptKeyWord(LPCTSTR prompt, LPCTSTR localKeywords, LPCTSTR globalKeywords);
};

// A keyword prompt shown as "prompt<default>: "; Enter selects the default, which is completed
// to the first word of the keyword list that begins with it (exact case).
class CPromptKeyWordDef : public CPromptKeyWord {
public:
    CPromptKeyWordDef(LPCTSTR prompt, LPCTSTR defaultKeyword, LPCTSTR localKeywords,
                      LPCTSTR globalKeywords);

    // kPromptOk with the keyword in GetResult (the global word when the list has a global
    // part), or kPromptFailed (cancel, failed input, or a default that matches no word).
    virtual int32_t DoPrompt();

protected:
    CString m_default;
};
