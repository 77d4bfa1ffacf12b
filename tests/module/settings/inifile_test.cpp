// CIniFile: the lookup rules, the key and section lists, bad files, and a check that the
// indexed lookups give exactly the answers of a plain search of the text.
#include "settings/inifile.h"

#include <gtest/gtest.h>
#include <testing_input.h>

#include <sys/stat.h>

#include <random>
#include <string>
#include <vector>

#include "module/docdata/pdm_test_files.h"

namespace {

using pdmtest::TempDir;

// Loads text (bytes) into a fresh quiet CIniFile.
struct LoadedIni {
    TempDir dir;
    CIniFile ini{nullptr, TRUE};
    explicit LoadedIni(const std::string& bytes) {
        EXPECT_TRUE(ini.Load(pdmtest::wide(dir.write("s.ini", bytes)).c_str()));
    }
};

std::vector<std::wstring> toVector(const CStringArray& array) {
    std::vector<std::wstring> out;
    for (INT_PTR i = 0; i < array.GetSize(); ++i) out.emplace_back(array[i].view());
    return out;
}

struct LookupCase {
    const char* what;
    const char* file;
    const wchar_t* key;
    const wchar_t* section;
    bool found;
    const wchar_t* value;
};

TEST(CIniFileTest, LookupRules) {
    const LookupCase cases[] = {
        {"header on the first line", "[S]\nk=1\n", L"k", L"S", true, L"1"},
        {"blank line before the header", "\n[S]\nk=1\n", L"k", L"S", true, L"1"},
        {"header letter case ignored", "[Title_Block]\nA=X\n", L"a", L"TITLE_BLOCK", true, L"X"},
        {"indented header is no header", " [TITLE_BLOCK]\nA=X\n", L"A", L"TITLE_BLOCK", false, L""},
        {"text after the header", "[S] old settings\nk=1\n", L"k", L"S", true, L"1"},
        {"other name is another section", "[titleblock]\nA=X\n", L"A", L"TITLE_BLOCK", false, L""},
        {"second section of a name unread", "[S]\na=1\n[S]\nb=2\n", L"b", L"S", false, L""},
        {"first section of a name read", "[S]\na=1\n[S]\na=2\n", L"a", L"S", true, L"1"},
        {"key ends at the next header", "[S]\n[T]\nk=1\n", L"k", L"S", false, L""},
        {"indented header does not end it", "[S]\n [T]\nk=1\n", L"k", L"S", true, L"1"},
        {"key in the following section", "[S]\nk=1\n[T]\nk=2\n", L"k", L"T", true, L"2"},
        {"blanks around both sides", "[S]\nKEY   =   value   \n", L"KEY", L"S", true, L"value"},
        {"empty value does not count", "[S]\nKEY=\nKEY=x\n", L"KEY", L"S", true, L"x"},
        {"blank value does not count", "[S]\nKEY=   \n", L"KEY", L"S", false, L""},
        {"key without =", "[S]\nKEY\n", L"KEY", L"S", false, L""},
        {"second piece names the key", "[S]\nNAME2=NAME=x\n", L"NAME", L"S", true, L"x"},
        {"further = kept in the value", "[S]\nK=a=b\n", L"K", L"S", true, L"a=b"},
        {"empty piece stops the line", "[S]\nKA==K=x\n", L"K", L"S", false, L""},
        {"key letter case ignored", "[S]\nPath=c:\\temp\n", L"PATH", L"s", true, L"c:\\temp"},
        {"quoted value", "[S]\nK=\"a b\"\n", L"K", L"S", true, L"a b"},
        {"quote only opened", "[S]\nK=\"abc\n", L"K", L"S", true, L"ab"},
        {"single quote character", "[S]\nK=\"\n", L"K", L"S", true, L""},
        {"comment line", "[S]\n;K=1\n", L"K", L"S", false, L""},
        {"comment key itself", "[S]\n;K=1\n", L";K", L"S", true, L"1"},
        {"indented key unreadable", "[S]\n  K=1\n", L"K", L"S", false, L""},
        {"indented key by its listed name", "[S]\n  K=1\n", L"  K", L"S", false, L""},
        {"key is a prefix of another", "[S]\nKEY2=2\nKEY=1\n", L"KEY", L"S", true, L"1"},
        {"line must start with the key", "[S]\nX=K=1\n", L"K", L"S", false, L""},
        {"missing section", "[S]\nk=1\n", L"k", L"T", false, L""},
        {"empty file", "", L"k", L"S", false, L""},
        {"CR LF line ends", "[S]\r\nk = 1\r\n", L"k", L"S", true, L"1"},
        {"tab is white space", "[S]\nk\t=\t1\t\n", L"k", L"S", true, L"1"},
        {"value ends at the line end", "[S]\nk=1\nj=2\n", L"k", L"S", true, L"1"},
    };
    for (const LookupCase& c : cases) {
        LoadedIni file(c.file);
        CString value = L"before";
        BOOL found = file.ini.GetString(value, c.key, c.section, -1, -1);
        EXPECT_EQ(found != FALSE, c.found) << c.what;
        EXPECT_EQ(std::wstring(value.view()), c.found ? std::wstring(c.value) : L"before")
            << c.what;
    }
}

TEST(CIniFileTest, FailedLookupClearsOnlyWhenAsked) {
    LoadedIni file("[S]\nk=1\n");
    CString value = L"kept";
    EXPECT_FALSE(file.ini.GetString(value, L"x", L"S", 0, 1));
    EXPECT_EQ(value, L"kept");
    EXPECT_FALSE(file.ini.GetString(value, L"x", L"S", -1, 1));
    EXPECT_EQ(value, L"kept");
    EXPECT_FALSE(file.ini.GetString(value, L"x", L"S", 1, 1));
    EXPECT_TRUE(value.IsEmpty());
}

TEST(CIniFileTest, MessagesShowOnlyWhenTheSwitchSaysSo) {
    TempDir dir;
    const std::wstring path = pdmtest::wide(dir.write("s.ini", "[S]\nk=1\n"));
    cadhost::testing::InputSession session;
    CString value;
    CStringArray keys;

    CIniFile quiet(nullptr, TRUE);
    ASSERT_TRUE(quiet.Load(path.c_str()));
    quiet.GetString(value, L"x", L"S", -1, -1);
    quiet.GetString(value, L"x", L"none", -1, -1);
    EXPECT_EQ(session.commandLine(), L"");

    CIniFile loud(nullptr, FALSE);
    ASSERT_TRUE(loud.Load(path.c_str()));
    loud.GetString(value, L"x", L"S", -1, -1);
    EXPECT_NE(session.commandLine().find(L"[CIniFile::_Get]\nCoud not find key x\nin section S"),
              std::wstring::npos)
        << CStringA(session.commandLine().c_str());
    session.clearCommandLine();
    loud.GetString(value, L"x", L"none", -1, 1);
    loud.GetKeyNames(keys, L"none");
    EXPECT_EQ(session.commandLine(), L"");
    loud.GetString(value, L"x", L"none", -1, 0);
    EXPECT_NE(session.commandLine().find(L"[CIniFile::_FindSection]\nCoud not find section [NONE]"),
              std::wstring::npos);
}

TEST(CIniFileTest, KeyNamesListEveryLineOfTheSection) {
    LoadedIni file(
        "[A]\nfirst=1\n;comment=2\n  indented=3\n\n   \nnovalue   \n=starts\ntrail  =4\n"
        " [notaheader]\n[B]\nother=5\n");
    CStringArray keys;
    EXPECT_EQ(file.ini.GetKeyNames(keys, L"a"), 7);
    EXPECT_EQ(toVector(keys),
              (std::vector<std::wstring>{L"first", L";comment", L"  indented", L"novalue",
                                         L"=starts", L"trail", L" [notaheader]"}));
    EXPECT_EQ(file.ini.GetKeyNames(keys, L"B"), 1);
    EXPECT_EQ(file.ini.GetKeyNames(keys, L"C"), 0);
    EXPECT_EQ(keys.GetSize(), 0);
}

TEST(CIniFileTest, SectionNamesInFileOrderAsWritten) {
    LoadedIni file("[One]\na=1\n[two] x\n[One]\n [no]\n[open\nb=2\n]rest\n");
    CStringArray names;
    EXPECT_EQ(file.ini.GetSectionNames(names), 4);
    // A header without its "]" runs to the next "]" anywhere, line ends included.
    EXPECT_EQ(toVector(names), (std::vector<std::wstring>{L"One", L"two", L"One", L"open\nb=2\n"}));
}

TEST(CIniFileTest, HeaderWithoutClosingBracketIsFoundByItsListedName) {
    LoadedIni file("[open\nk=1\n]\nj=2\n");
    CStringArray names;
    ASSERT_EQ(file.ini.GetSectionNames(names), 1);
    CStringArray keys;
    // The header line is "[open"; the walk starts on the line after it.
    EXPECT_EQ(file.ini.GetKeyNames(keys, names[0]), 3);
    CString value;
    EXPECT_TRUE(file.ini.GetString(value, L"j", names[0], -1, 1));
    EXPECT_EQ(value, L"2");
}

TEST(CIniFileTest, ReadRetriesTheStoredPathUntilALoadSucceeds) {
    TempDir dir;
    CIniFile ini(pdmtest::wide(dir.path("late.ini")).c_str(), TRUE);
    CString value;
    EXPECT_FALSE(ini.GetString(value, L"k", L"S", -1, -1));
    dir.write("late.ini", "[S]\nk=now\n");
    EXPECT_TRUE(ini.GetString(value, L"k", L"S", -1, -1));
    EXPECT_EQ(value, L"now");
}

TEST(CIniFileTest, AnsiBytesAreDecodedWithTheCodePage) {
    LoadedIni file("[\xC4RGER]\nName=M\xFCller \xE4\xF6\xFC\n");
    CString value;
    // Section and key names fold letter case beyond ASCII as well.
    EXPECT_TRUE(file.ini.GetString(value, L"NAME", L"\u00e4rger", -1, 1));
    EXPECT_EQ(std::wstring(value.view()), L"M\u00fcller \u00e4\u00f6\u00fc");
}

TEST(CIniFileTest, BadBytesNeverCrash) {
    std::string bytes = "[S]\nk=1\n";
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) bytes.push_back(static_cast<char>(random() & 0xFF));
    bytes += "\n[T]\nk=\0x\n";
    bytes.push_back('\0');
    bytes += "\n[U]\nk=2\n";
    LoadedIni file(bytes);
    CStringArray list;
    file.ini.GetSectionNames(list);
    for (INT_PTR i = 0; i < list.GetSize(); ++i) {
        CStringArray keys;
        file.ini.GetKeyNames(keys, list[i]);
        for (INT_PTR k = 0; k < keys.GetSize(); ++k) {
            CString value;
            file.ini.GetString(value, keys[k], list[i], -1, -1);
        }
    }
    CString value;
    EXPECT_TRUE(file.ini.GetString(value, L"k", L"S", -1, -1));
    EXPECT_EQ(value, L"1");
}

// The lookup rules, written as the plain searches of the text that define them.
class PlainSearch {
  public:
    explicit PlainSearch(const std::string& ascii) {
        std::string line;
        for (std::size_t i = 0; i <= ascii.size(); ++i) {
            if (i == ascii.size() || ascii[i] == '\n') {
                if (i == ascii.size() && line.empty()) break;
                if (!line.empty() && line.back() == '\r') line.pop_back();
                for (char c : line) m_buffer.push_back(static_cast<unsigned char>(c));  // Latin-1
                m_buffer.push_back(L'\n');
                line.clear();
            } else {
                line.push_back(ascii[i]);
            }
        }
        if (!m_buffer.empty() && m_buffer[0] == L'[') m_buffer.insert(0, 1, L'\n');
    }

    bool get(const std::wstring& key, const std::wstring& section, std::wstring& value) const {
        const std::wstring upper = up(m_buffer);
        const std::size_t sectionPos = upper.find(L"\n" + up(L"[" + section + L"]"));
        if (sectionPos == std::wstring::npos) return false;
        std::size_t end = upper.find(L"\n[", sectionPos + 3);
        if (end == std::wstring::npos) end = upper.size();
        const std::wstring search = L"\n" + up(key);
        for (std::size_t at = upper.find(search, sectionPos); at != std::wstring::npos && at < end;
             at = upper.find(search, at + 1)) {
            std::size_t stop = m_buffer.find(L'\n', at + 1);
            std::wstring rest = m_buffer.substr(at + 1, stop - at - 1);
            std::wstring found;
            for (;;) {
                std::size_t eq = rest.find(L'=');
                std::wstring piece = rest.substr(0, eq);
                if (piece.empty()) break;
                if (CString(trim(piece).c_str()).CompareNoCase(key.c_str()) == 0) {
                    if (eq != std::wstring::npos) found = trim(rest.substr(eq + 1));
                    break;
                }
                if (eq == std::wstring::npos) break;
                rest = rest.substr(eq + 1);
            }
            if (found.empty()) continue;
            if (found[0] == L'"')
                found = found.size() < 2 ? L"" : found.substr(1, found.size() - 2);
            value = found;
            return true;
        }
        return false;
    }

    std::vector<std::wstring> keys(const std::wstring& section) const {
        std::vector<std::wstring> out;
        const std::size_t sectionPos = up(m_buffer).find(L"\n" + up(L"[" + section + L"]"));
        if (sectionPos == std::wstring::npos) return out;
        std::size_t begin = m_buffer.find(L'\n', sectionPos + 1);
        while (begin != std::wstring::npos && begin + 1 < m_buffer.size()) {
            std::size_t stop = m_buffer.find(L'\n', begin + 1);
            std::wstring line = trimRight(m_buffer.substr(begin + 1, stop - begin - 1));
            begin = stop;
            if (line.empty()) continue;
            if (line[0] == L'[') break;
            std::size_t eq = line.find(L'=');
            if (eq != std::wstring::npos && eq > 0) line = trimRight(line.substr(0, eq));
            if (!line.empty()) out.push_back(line);
        }
        return out;
    }

  private:
    static std::wstring up(const std::wstring& s) {
        CString c(s.c_str());
        c.MakeUpper();
        return std::wstring(c.view());
    }
    static bool blank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; }
    static std::wstring trimRight(std::wstring s) {
        while (!s.empty() && blank(s.back())) s.pop_back();
        return s;
    }
    static std::wstring trim(std::wstring s) {
        s = trimRight(s);
        std::size_t i = 0;
        while (i < s.size() && blank(s[i])) ++i;
        return s.substr(i);
    }

    std::wstring m_buffer;
};

TEST(CIniFileTest, AnswersEqualThePlainSearchOnGeneratedFiles) {
    const char* lines[] = {"[A]",    "[a]",    "[B] note", " [A]", "[A",     "]",        "[]",
                           "[A]k=9", "k=v",    "K = w ",   "k=",   "k",      ";k=1",     "  k=1",
                           "k2=k=x", "k=a=b",  "k=\"q\"",  "k=\"", "=x",     "k==x",     "a==k=x",
                           "a=k=y",  "",       "   ",      "kk=1", "k k=2",  "k\t=\tt",  "A]x=3",
                           "x=[A]",  "K=\"\"", "k =  ",    "b=1",  "\xe4=1", "\xc4 = 2", "[\xe4]",
                           "\xff=3", "[B",     "x]",       "[A]]"};
    const wchar_t* keys[] = {L"k",    L"K",   L"k2", L"a",      L"  k",    L";k",
                             L"[A]k", L"",    L"=x", L"kk",     L"k k",    L"x",
                             L"b",    L"A]x", L"k ", L"\u00e4", L"\u00c4", L"\u00ff"};
    const std::vector<std::wstring> fixedSections = {L"A",       L"a", L"B",      L"",  L"A]x",
                                                     L"b] note", L"C", L"\u00c4", L"A]"};
    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const int count = 1 + static_cast<int>(random() % 25);
        for (int i = 0; i < count; ++i) {
            text += lines[random() % (sizeof(lines) / sizeof(lines[0]))];
            text += (random() % 5 == 0) ? "\r\n" : "\n";
        }
        LoadedIni file(text);
        PlainSearch plain(text);
        // Also every name the file lists, multi-line names of unclosed headers included.
        std::vector<std::wstring> sections = fixedSections;
        CStringArray listedSections;
        file.ini.GetSectionNames(listedSections);
        for (const std::wstring& name : toVector(listedSections)) sections.push_back(name);
        for (const std::wstring& sectionName : sections) {
            const wchar_t* section = sectionName.c_str();
            CStringArray listed;
            file.ini.GetKeyNames(listed, section);
            ASSERT_EQ(toVector(listed), plain.keys(section)) << text;
            for (const wchar_t* key : keys) {
                std::wstring expected;
                const bool expectFound = plain.get(key, section, expected);
                CString value;
                const bool found = file.ini.GetString(value, key, section, -1, 1) != FALSE;
                ASSERT_EQ(found, expectFound) << text << "key [" << CStringA(key) << "] section ["
                                              << CStringA(section) << "]";
                if (found) {
                    ASSERT_EQ(std::wstring(value.view()), expected) << text;
                }
            }
        }
    }
}

TEST(CIniFileTest, HugeFilesAreAnsweredWithoutRescanning) {
    // Tens of megabytes: many sections, one huge section, repeated headers, and header
    // openings without a closing bracket. Reading every key of every section must finish.
    std::string text;
    text.reserve(24u << 20);
    for (int s = 0; s < 20000; ++s) {
        text += "[SECTION" + std::to_string(s) + "]\n";
        for (int k = 0; k < 20; ++k)
            text += "key" + std::to_string(k) + " = value " + std::to_string(s) + "\n";
    }
    text += "[BIG]\n";
    for (int k = 0; k < 200000; ++k)
        text += "k" + std::to_string(k) + "=" + std::to_string(k) + "\n";
    for (int s = 0; s < 100000; ++s) text += "[BIG]\nk=dup\n";
    for (int s = 0; s < 500000; ++s) text += "[\n";
    text += "]\n";
    LoadedIni file(text);
    CStringArray sections;
    EXPECT_EQ(file.ini.GetSectionNames(sections), 20000 + 1 + 100000 + 1);
    long long found = 0;
    for (INT_PTR s = 0; s < 20001; ++s) {
        CStringArray keys;
        file.ini.GetKeyNames(keys, sections[s]);
        for (INT_PTR k = 0; k < keys.GetSize(); ++k) {
            CString value;
            found += file.ini.GetString(value, keys[k], sections[s], -1, 1);
        }
    }
    EXPECT_EQ(found, 20000 * 20 + 200000);
    CString value;
    EXPECT_TRUE(file.ini.GetString(value, L"k199999", L"big", -1, 1));
    EXPECT_EQ(value, L"199999");
}

TEST(CIniFileTest, OnlyPlainFilesAreRead) {
    // A missing file, a folder, an endless device and a pipe without writer are not settings
    // files: they read as a file without sections.
    pdmtest::TempDir dir;
    std::filesystem::create_directories(dir.path("folder.ini"));
    ASSERT_EQ(::mkfifo(dir.path("pipe.ini").c_str(), 0600), 0);
    for (const std::wstring& path :
         {pdmtest::wide(dir.path("missing.ini")), pdmtest::wide(dir.path("folder.ini")),
          std::wstring(L"/dev/zero"), pdmtest::wide(dir.path("pipe.ini"))}) {
        CIniFile ini(nullptr, TRUE);
        EXPECT_FALSE(ini.Load(path.c_str())) << CStringA(path.c_str());
        CStringArray list;
        EXPECT_EQ(ini.GetSectionNames(list), 0);
        EXPECT_EQ(ini.GetKeyNames(list, L"S"), 0);
        CString value;
        EXPECT_FALSE(ini.GetString(value, L"k", L"S", -1, -1));
    }
    // Either separator reaches a plain file.
    dir.write("plain.ini", "[S]\nk=1\n");
    CIniFile ini(nullptr, TRUE);
    EXPECT_TRUE(ini.Load((pdmtest::wide(dir.root()) + L"\\plain.ini").c_str()));
}

TEST(CIniFileTest, SaveWritesTheBufferInTextMode) {
    pdmtest::TempDir dir;
    CIniFile ini(nullptr, TRUE);
    ASSERT_TRUE(ini.Load(pdmtest::wide(dir.write("in.ini", "[S]\nk=1")).c_str()));
    ASSERT_TRUE(ini.Save(pdmtest::wide(dir.path("out.ini")).c_str()));
    std::ifstream in(dir.path("out.ini"), std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The buffer as built: the line break put before a first-line header is written too.
    EXPECT_EQ(saved, "\r\n[S]\r\nk=1\r\n");
    EXPECT_FALSE(ini.Save(pdmtest::wide(dir.path("no/such/folder/x.ini")).c_str()));
}

}  // namespace
