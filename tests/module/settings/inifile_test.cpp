// CIniFile: the lookup rules, the key and section lists, bad files, and huge files.
#include "settings/inifile.h"

#include <gtest/gtest.h>
#include <testing_input.h>

#include <sys/stat.h>

#include <random>
#include <string>
#include <vector>

#include "module/docdata/pdm_test_files.h"

namespace {

using pdmtest::contains;
using pdmtest::Names;
using pdmtest::TempDir;

// Loads text (bytes) into a fresh quiet CIniFile.
struct LoadedIni {
    TempDir dir;
    CIniFile ini{nullptr, TRUE};
    explicit LoadedIni(const std::string& bytes) {
        EXPECT_TRUE(ini.Load(pdmtest::wide(dir.write("s.ini", bytes)).c_str()));
    }
};

using pdmtest::strings;

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
        {"blank inside a key", "[S]\nk k=2\n", L"k k", L"S", true, L"2"},
        {"empty section name", "[]\nk=1\n", L"k", L"", true, L"1"},
        {"bracket inside a header", "[A]]\nk=1\n", L"k", L"A]", true, L"1"},
        {"header line read as a key line", "[A]k=9\n", L"[A]k", L"A", true, L"9"},
        {"Latin-1 key case folded", "[S]\n\xc4 = 2\n", L"\u00e4", L"S", true, L"2"},
        {"code page bytes, section case folded", "[\xC4RGER]\nName=M\xFCller \xE4\xF6\xFC\n",
         L"NAME", L"\u00e4rger", true, L"M\u00fcller \u00e4\u00f6\u00fc"},
    };
    for (const LookupCase& c : cases) {
        SCOPED_TRACE(c.what);
        LoadedIni file(c.file);
        CString value = L"before";
        EXPECT_EQ(file.ini.GetString(value, c.key, c.section, -1, -1) != FALSE, c.found);
        EXPECT_EQ(std::wstring(value.view()), c.found ? std::wstring(c.value) : L"before");
    }
}

TEST(CIniFileTest, FailedLookupClearsOnlyWhenAsked) {
    LoadedIni file("[S]\nk=1\n");
    for (const auto& [clear, after] :
         {std::pair(0, L"kept"), std::pair(-1, L"kept"), std::pair(1, L"")}) {
        CString value = L"kept";
        EXPECT_FALSE(file.ini.GetString(value, L"x", L"S", clear, 1));
        EXPECT_EQ(value, after) << clear;
    }
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
    EXPECT_TRUE(
        contains(session.commandLine(), L"[CIniFile::_Get]\nCoud not find key x\nin section S"));
    session.clearCommandLine();
    loud.GetString(value, L"x", L"none", -1, 1);
    loud.GetKeyNames(keys, L"none");
    EXPECT_EQ(session.commandLine(), L"");
    loud.GetString(value, L"x", L"none", -1, 0);
    EXPECT_TRUE(
        contains(session.commandLine(), L"[CIniFile::_FindSection]\nCoud not find section [NONE]"));
}

TEST(CIniFileTest, KeyNamesListEveryLineOfTheSection) {
    LoadedIni file(
        "[A]\nfirst=1\n;comment=2\n  indented=3\n\n   \nnovalue   \n=starts\ntrail  =4\n"
        " [notaheader]\n[B]\nother=5\n");
    CStringArray keys;
    EXPECT_EQ(file.ini.GetKeyNames(keys, L"a"), 7);
    EXPECT_EQ(strings(keys), (Names{L"first", L";comment", L"  indented", L"novalue", L"=starts",
                                    L"trail", L" [notaheader]"}));
    EXPECT_EQ(file.ini.GetKeyNames(keys, L"B"), 1);
    EXPECT_EQ(file.ini.GetKeyNames(keys, L"C"), 0);
    EXPECT_EQ(keys.GetSize(), 0);
}

TEST(CIniFileTest, SectionNamesInFileOrderAsWritten) {
    LoadedIni file("[One]\na=1\n[two] x\n[One]\n [no]\n[open\nb=2\n]rest\n");
    CStringArray names;
    EXPECT_EQ(file.ini.GetSectionNames(names), 4);
    // A header without its "]" runs to the next "]" anywhere, line ends included.
    EXPECT_EQ(strings(names), (Names{L"One", L"two", L"One", L"open\nb=2\n"}));
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

TEST(CIniFileTest, HugeFilesAreAnsweredWithoutRescanning) {
    // Tens of megabytes: many sections, one huge section, repeated headers, and header
    // openings without a closing bracket. Reading every key of every section must finish.
    std::string text;
    text.reserve(24u << 20);
    // Lines are built by appending: GCC 12 at -O3 warns falsely about "a" + std::to_string(b).
    for (int s = 0; s < 20000; ++s) {
        text.append("[SECTION").append(std::to_string(s)).append("]\n");
        for (int k = 0; k < 20; ++k)
            text.append("key")
                .append(std::to_string(k))
                .append(" = value ")
                .append(std::to_string(s))
                .append("\n");
    }
    text += "[BIG]\n";
    for (int k = 0; k < 200000; ++k)
        text.append("k")
            .append(std::to_string(k))
            .append("=")
            .append(std::to_string(k))
            .append("\n");
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
