// Read access to an INI-style settings file, with the lookup rules that the PDM administrators'
// settings files rely on: sections found by "[NAME]" at the start of a line (letter case
// ignored, first one wins), keys found only at the start of a line, the first line of the
// section that gives a non-empty value wins, values between double quotes lose the quotes.
//
// The file is untrusted input: any bytes, any size. Answers come from indexes built once per
// Load, so that a settings file of tens of megabytes is read in linear time; they are the
// answers a plain search of the text would give.
#pragma once

#include <afx.h>

#include <cstdint>
#include <memory>

class CIniFile {
  public:
    // Reads nothing. A null path gives an empty stored path. quiet is the default of the
    // message switch of every read.
    explicit CIniFile(const wchar_t* path = nullptr, BOOL quiet = FALSE);
    CIniFile(const CIniFile&) = delete;
    CIniFile& operator=(const CIniFile&) = delete;

    // Writes the buffer back first when the modified flag is set (nothing sets it).
    virtual ~CIniFile();
    // Reads the whole file; a null or empty path means the stored path, any other path is
    // stored first. FALSE when the file cannot be opened: the buffer is then empty and the
    // next read tries again.
    virtual BOOL Load(const wchar_t* path = nullptr);
    // Writes the buffer to path (null or empty: the stored path) in text mode. False when the
    // file cannot be opened for writing.
    virtual bool Save(const wchar_t* path = nullptr);

    // Each fills the array from empty and returns its size. Section names keep the letter
    // case as written; key names are the whole text before "=" (comment lines and leading
    // blanks included).
    int GetSectionNames(CStringArray& names);
    int GetKeyNames(CStringArray& keys, const wchar_t* section);
    // TRUE with the value in value. On failure value keeps its text unless clearOnFailure is
    // 1 (or -1 with the object's clear-on-failure default set). quiet: 1 never shows a
    // message, 0 always, -1 when the object is not quiet.
    BOOL GetString(CString& value, const wchar_t* key, const wchar_t* section,
                   short clearOnFailure = -1, short quiet = -1);

  protected:
    bool _Get(CString& value, const wchar_t* key, const wchar_t* section, short quiet);
    // header: "[NAME]", upper-cased. Sets the section position (-1 when not found).
    bool _FindSection(const CString& header, short quiet);
    static CString _Bracket(const wchar_t* section);

  private:
    struct Index;
    bool showMessage(short quiet) const;
    Index& index();

    CString m_path;
    CString m_buffer;
    std::int32_t m_sectionPos = -1;
    std::int32_t m_keyPos = -1;
    BOOL m_needsLoad = TRUE;
    BOOL m_modified = FALSE;
    BOOL m_clearOnFailure = FALSE;
    BOOL m_quiet = FALSE;
    // Built on first use after each Load, dropped by the next Load.
    std::unique_ptr<Index> m_index;
};
