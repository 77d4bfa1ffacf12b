// libFuzzer target: any bytes as a drawing's companion file (NAME.qdx). CDocData::load must
// read it, and the settings file it may name, without crashing, hanging or leaking; the data
// that it took in is then read back through the model's accessors and value builders.
//
// A settings file lies at a fixed path (kSettingsPath) so that seeds can name it in <config>.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "dbmain.h"
#include "docdata/docdata.h"
#include "fuzz_support.h"

namespace {

constexpr const char* kSettingsPath = "/dev/shm/brakon-fuzz-settings.ini";

constexpr char kSettings[] =
    "; settings named by the seeds' <config>\r\n"
    "[GENERAL]\r\nVersion=4\r\n"
    "[TITLE_BLOCK]\r\n1=SCHRIFTFELD*\r\n2=AMTITLE\r\n"
    "[ATTRIBUTE_MAP]\r\ndm_name = BENENNUNG*, GEN-TITLE-DES1\r\ndm_documentno = ZEICHNUNGSNR; "
    "NR\r\n"
    "massstab = GEN-TITLE-SCA\r\n"
    "[REVISION_BLOCK]\r\n1=REV*\r\n"
    "[REVISION_ATTRIBUTE_MAP]\r\ndm_revlabel = REV_LABEL\r\n";

// Written through a rename, so that two fuzzing processes never see a half-written file.
void writeSettings() {
    const std::string temp = fuzz::scratchPath("settings.ini");
    fuzz::writeFile(temp, reinterpret_cast<const std::uint8_t*>(kSettings), sizeof kSettings - 1);
    if (std::rename(temp.c_str(), kSettingsPath) != 0) std::perror(kSettingsPath);
}

void readBack(CDocData& data) {
    data.isManaged();
    data.isMajorVersion();
    data.getVariantType();
    data.getSetting(L"autocad.multilayout", nullptr);
    data.getSettingInt(L"autocad.revision.count", 3);
    data.getSettingInt(L"autocad.titlebordermode", -1);
    data.getSettingLong(L"autocad.updatealltitleblock", 1);
    CString value;
    data.getDocProperty(L"dm_title", value);

    DocumentRecord record;
    data.findRelation(record, L"1");
    data.findRelation(record, L"");
    CMapStringToString values;
    data.buildRevisionValues(data.document(), values);
    for (const DocumentRecord& relation : data.relations()) {
        values.RemoveAll();
        data.buildRevisionValues(relation, values);
    }
    values.RemoveAll();
    data.buildTitleBlockValues(data.document().properties, values, data.getSettings());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silenceCommandLine();
    writeSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static AcDbDatabase db(false, true);
    static const std::wstring drawing = fuzz::wide(fuzz::scratchPath("drawing.dxf"));
    fuzz::writeFile(fuzz::scratchPath("drawing.qdx"), data, size);

    CDocData docData;
    docData.load(&db, drawing.c_str(), 0, 0);
    readBack(docData);
    // A second load adds to what the first one read.
    docData.load(&db, drawing.c_str(), 0, 0);
    readBack(docData);
    return 0;
}
