// A managed document for the update-run tests: a companion file and a settings file written
// into a private folder and read into a CDocData, as the drawing-load hook does.
#pragma once

#include <dbapserv.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "docdata/docdata.h"
#include "module/docdata/pdm_test_files.h"

namespace updatetest {

using Props = std::vector<std::pair<std::string, std::string>>;

struct Relation {
    Props properties;
    std::vector<Props> revisions;
};

inline std::string xmlAttributes(const Props& props) {
    std::string out;
    for (const auto& [name, value] : props) out += " " + name + "=\"" + value + "\"";
    return out;
}

inline std::string xmlRevisions(const std::vector<Props>& revisions) {
    if (revisions.empty()) return "";
    std::string out = "<revisions>";
    for (const Props& r : revisions) out += "<revision" + xmlAttributes(r) + "/>";
    return out + "</revisions>";
}

// One revision as the PDM writes it.
inline Props revision(int number, const std::string& comment = "") {
    const std::string n = std::to_string(number);
    Props r{{"dm_revisionno", n},
            {"dm_revlabel", "R" + n},
            {"dm_statusat", "2024-0" + n},
            {"dm_statusby", "u" + n}};
    if (!comment.empty()) r.emplace_back("dm_comment", comment);
    return r;
}

struct ManagedDocSpec {
    Props settings;
    Props document{{"dm_title", "P-100"}};
    std::vector<Props> revisions;
    std::vector<Relation> relations;
    // Settings file lines after the sections' headers.
    std::string titleBlocks = "1=SCHRIFTFELD\n2=TB_DYN\n";
    std::string attributeMap;
    std::string revisionBlocks = "1=REVTABLE\n";
};

// Writes <stem>.ini and the companion file <stem>.qdx (naming the settings file) into dir.
inline void writeCompanionFiles(const pdmtest::TempDir& dir, const ManagedDocSpec& setup,
                                const std::string& stem = "plan") {
    std::string ini = "[TITLE_BLOCK]\n" + setup.titleBlocks + "[ATTRIBUTE_MAP]\n" +
                      setup.attributeMap + "[REVISION_BLOCK]\n" + setup.revisionBlocks;
    const std::filesystem::path iniPath = dir.write(stem + ".ini", ini);
    std::string qdx = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<pdm>\n<config>" +
                      iniPath.string() + "</config>\n<settings" + xmlAttributes(setup.settings) +
                      "/>\n<document" + xmlAttributes(setup.document) + ">" +
                      xmlRevisions(setup.revisions) + "</document>\n<relations>";
    for (const Relation& r : setup.relations)
        qdx += "<relation" + xmlAttributes(r.properties) + ">" + xmlRevisions(r.revisions) +
               "</relation>";
    qdx += "</relations>\n</pdm>\n";
    dir.write(stem + ".qdx", qdx);
}

// Writes plan.qdx and plan.ini into a fresh folder and loads them into a CDocData.
class ManagedDoc {
  public:
    explicit ManagedDoc(const ManagedDocSpec& setup) {
        writeCompanionFiles(m_dir, setup);
        const std::wstring drawing = m_dir.path("plan.dxf").wstring();
        // Needs a database to load against: construct it after the TestDrawing.
        m_data.load(acdbHostApplicationServices()->workingDatabase(), drawing.c_str(), 1, 1);
        EXPECT_TRUE(m_data.isManaged());
    }

    CDocData& data() { return m_data; }

  private:
    pdmtest::TempDir m_dir;
    CDocData m_data;
};

}  // namespace updatetest
