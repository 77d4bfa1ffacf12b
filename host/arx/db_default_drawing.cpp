// The complete empty drawing a new database starts from (R2018, CR LF, as AutoCAD writes DXF):
// header, the LAYOUT class, the nine tables with their standard records, model and paper space
// with their blocks and layouts, and the named-object dictionary.
#include <string>

namespace cadhost::db {

namespace {

// Handles of the standard objects; $HANDSEED is above all of them.
const char kTemplate[] =
    "  0\nSECTION\n  2\nHEADER\n"
    "  9\n$ACADVER\n  1\nAC1032\n"
    "  9\n$ACADMAINTVER\n 90\n0\n"
    "  9\n$DWGCODEPAGE\n  3\nANSI_1252\n"
    "  9\n$INSBASE\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
    "  9\n$EXTMIN\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
    "  9\n$EXTMAX\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
    "  9\n$LIMMIN\n 10\n0.0\n 20\n0.0\n"
    "  9\n$LIMMAX\n 10\n420.0\n 20\n297.0\n"
    "  9\n$TILEMODE\n 70\n     1\n"
    "  9\n$CLAYER\n  8\n0\n"
    "  9\n$CELTYPE\n  6\nByLayer\n"
    "  9\n$TEXTSTYLE\n  7\nStandard\n"
    "  9\n$DIMSTYLE\n  2\nStandard\n"
    "  9\n$INSUNITS\n 70\n     4\n"
    "  9\n$MEASUREMENT\n 70\n     1\n"
    "  9\n$HANDSEED\n  5\n30\n"
    "  0\nENDSEC\n"
    "  0\nSECTION\n  2\nCLASSES\n"
    "  0\nCLASS\n  1\nLAYOUT\n  2\nAcDbLayout\n  3\nObjectDBX Classes\n 90\n0\n 91\n2\n280\n     0\n281\n     0\n"
    "  0\nENDSEC\n"
    "  0\nSECTION\n  2\nTABLES\n"
    "  0\nTABLE\n  2\nVPORT\n  5\n8\n330\n0\n100\nAcDbSymbolTable\n 70\n     1\n"
    "  0\nVPORT\n  5\n29\n330\n8\n100\nAcDbSymbolTableRecord\n100\nAcDbViewportTableRecord\n  2\n*Active\n 70\n     0\n"
    " 10\n0.0\n 20\n0.0\n 11\n1.0\n 21\n1.0\n 12\n210.0\n 22\n148.5\n 13\n0.0\n 23\n0.0\n 14\n10.0\n 24\n10.0\n"
    " 15\n10.0\n 25\n10.0\n 16\n0.0\n 26\n0.0\n 36\n1.0\n 17\n0.0\n 27\n0.0\n 37\n0.0\n 40\n297.0\n 41\n1.414\n"
    " 42\n50.0\n 43\n0.0\n 44\n0.0\n 50\n0.0\n 51\n0.0\n 71\n     0\n 72\n   100\n 73\n     1\n 74\n     3\n"
    " 75\n     0\n 76\n     0\n 77\n     0\n 78\n     0\n281\n     0\n 65\n     1\n110\n0.0\n120\n0.0\n130\n0.0\n"
    "111\n1.0\n121\n0.0\n131\n0.0\n112\n0.0\n122\n1.0\n132\n0.0\n 79\n     0\n146\n0.0\n"
    "  0\nENDTAB\n"
    "  0\nTABLE\n  2\nLTYPE\n  5\n5\n330\n0\n100\nAcDbSymbolTable\n 70\n     3\n"
    "  0\nLTYPE\n  5\n14\n330\n5\n100\nAcDbSymbolTableRecord\n100\nAcDbLinetypeTableRecord\n  2\nByBlock\n 70\n     0\n"
    "  3\n\n 72\n    65\n 73\n     0\n 40\n0.0\n"
    "  0\nLTYPE\n  5\n15\n330\n5\n100\nAcDbSymbolTableRecord\n100\nAcDbLinetypeTableRecord\n  2\nByLayer\n 70\n     0\n"
    "  3\n\n 72\n    65\n 73\n     0\n 40\n0.0\n"
    "  0\nLTYPE\n  5\n16\n330\n5\n100\nAcDbSymbolTableRecord\n100\nAcDbLinetypeTableRecord\n  2\nContinuous\n 70\n     0\n"
    "  3\nSolid line\n 72\n    65\n 73\n     0\n 40\n0.0\n"
    "  0\nENDTAB\n"
    "  0\nTABLE\n  2\nLAYER\n  5\n2\n330\n0\n100\nAcDbSymbolTable\n 70\n     1\n"
    "  0\nLAYER\n  5\n10\n330\n2\n100\nAcDbSymbolTableRecord\n100\nAcDbLayerTableRecord\n  2\n0\n 70\n     0\n"
    " 62\n     7\n  6\nContinuous\n370\n    -3\n"
    "  0\nENDTAB\n"
    "  0\nTABLE\n  2\nSTYLE\n  5\n3\n330\n0\n100\nAcDbSymbolTable\n 70\n     1\n"
    "  0\nSTYLE\n  5\n11\n330\n3\n100\nAcDbSymbolTableRecord\n100\nAcDbTextStyleTableRecord\n  2\nStandard\n 70\n     0\n"
    " 40\n0.0\n 41\n1.0\n 50\n0.0\n 71\n     0\n 42\n2.5\n  3\ntxt\n  4\n\n"
    "  0\nENDTAB\n"
    "  0\nTABLE\n  2\nVIEW\n  5\n6\n330\n0\n100\nAcDbSymbolTable\n 70\n     0\n"
    "  0\nENDTAB\n"
    "  0\nTABLE\n  2\nUCS\n  5\n7\n330\n0\n100\nAcDbSymbolTable\n 70\n     0\n"
    "  0\nENDTAB\n"
    "  0\nTABLE\n  2\nAPPID\n  5\n9\n330\n0\n100\nAcDbSymbolTable\n 70\n     1\n"
    "  0\nAPPID\n  5\n12\n330\n9\n100\nAcDbSymbolTableRecord\n100\nAcDbRegAppTableRecord\n  2\nACAD\n 70\n     0\n"
    "  0\nENDTAB\n"
    "  0\nTABLE\n  2\nDIMSTYLE\n  5\nA\n330\n0\n100\nAcDbSymbolTable\n 70\n     1\n100\nAcDbDimStyleTable\n 71\n     0\n"
    "  0\nDIMSTYLE\n105\n27\n330\nA\n100\nAcDbSymbolTableRecord\n100\nAcDbDimStyleTableRecord\n  2\nStandard\n 70\n     0\n"
    "  0\nENDTAB\n"
    "  0\nTABLE\n  2\nBLOCK_RECORD\n  5\n1\n330\n0\n100\nAcDbSymbolTable\n 70\n     2\n"
    "  0\nBLOCK_RECORD\n  5\n1F\n330\n1\n100\nAcDbSymbolTableRecord\n100\nAcDbBlockTableRecord\n  2\n*Model_Space\n"
    "340\n22\n 70\n     0\n280\n     1\n281\n     0\n"
    "  0\nBLOCK_RECORD\n  5\n1B\n330\n1\n100\nAcDbSymbolTableRecord\n100\nAcDbBlockTableRecord\n  2\n*Paper_Space\n"
    "340\n1E\n 70\n     0\n280\n     1\n281\n     0\n"
    "  0\nENDTAB\n"
    "  0\nENDSEC\n"
    "  0\nSECTION\n  2\nBLOCKS\n"
    "  0\nBLOCK\n  5\n20\n330\n1F\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockBegin\n  2\n*Model_Space\n 70\n     0\n"
    " 10\n0.0\n 20\n0.0\n 30\n0.0\n  3\n*Model_Space\n  1\n\n"
    "  0\nENDBLK\n  5\n21\n330\n1F\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockEnd\n"
    "  0\nBLOCK\n  5\n1C\n330\n1B\n100\nAcDbEntity\n 67\n     1\n  8\n0\n100\nAcDbBlockBegin\n  2\n*Paper_Space\n"
    " 70\n     0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n  3\n*Paper_Space\n  1\n\n"
    "  0\nENDBLK\n  5\n1D\n330\n1B\n100\nAcDbEntity\n 67\n     1\n  8\n0\n100\nAcDbBlockEnd\n"
    "  0\nENDSEC\n"
    "  0\nSECTION\n  2\nENTITIES\n"
    "  0\nENDSEC\n"
    "  0\nSECTION\n  2\nOBJECTS\n"
    "  0\nDICTIONARY\n  5\nC\n330\n0\n100\nAcDbDictionary\n281\n     1\n  3\nACAD_GROUP\n350\nD\n"
    "  3\nACAD_LAYOUT\n350\n1A\n"
    "  0\nDICTIONARY\n  5\nD\n102\n{ACAD_REACTORS\n330\nC\n102\n}\n330\nC\n100\nAcDbDictionary\n281\n     1\n"
    "  0\nDICTIONARY\n  5\n1A\n102\n{ACAD_REACTORS\n330\nC\n102\n}\n330\nC\n100\nAcDbDictionary\n281\n     1\n"
    "  3\nLayout1\n350\n1E\n  3\nModel\n350\n22\n"
    "LAYOUTS"
    "  0\nENDSEC\n"
    "  0\nEOF\n";

// A LAYOUT object: plot settings for an A3 sheet, then the layout itself.
std::string layout(const char* handle, const char* name, int flags, int tab, const char* blockRecord) {
    std::string s = std::string("  0\nLAYOUT\n  5\n") + handle + "\n102\n{ACAD_REACTORS\n330\n1A\n102\n}\n330\n1A\n" +
                    "100\nAcDbPlotSettings\n  1\n\n  2\nnone_device\n  4\nISO_A3_(420.00_x_297.00_MM)\n  6\n\n"
                    " 40\n7.5\n 41\n20.0\n 42\n7.5\n 43\n20.0\n 44\n420.0\n 45\n297.0\n 46\n0.0\n 47\n0.0\n"
                    " 48\n0.0\n 49\n0.0\n140\n0.0\n141\n0.0\n142\n1.0\n143\n1.0\n 70\n   688\n 72\n     1\n"
                    " 73\n     1\n 74\n     5\n  7\n\n 75\n    16\n 76\n     0\n 77\n     2\n 78\n   300\n"
                    "147\n1.0\n148\n0.0\n149\n0.0\n"
                    "100\nAcDbLayout\n  1\n" + name + "\n 70\n     " + std::to_string(flags) + "\n 71\n     " +
                    std::to_string(tab) + "\n 10\n0.0\n 20\n0.0\n 11\n420.0\n 21\n297.0\n 12\n0.0\n 22\n0.0\n 32\n0.0\n"
                    " 14\n0.0\n 24\n0.0\n 34\n0.0\n 15\n0.0\n 25\n0.0\n 35\n0.0\n146\n0.0\n 13\n0.0\n 23\n0.0\n 33\n0.0\n"
                    " 16\n1.0\n 26\n0.0\n 36\n0.0\n 17\n0.0\n 27\n1.0\n 37\n0.0\n 76\n     0\n330\n" + blockRecord + "\n";
    return s;
}

}  // namespace

std::string defaultDrawingText() {
    std::string text = kTemplate;
    text.replace(text.find("LAYOUTS"), 7, layout("1E", "Layout1", 1, 1, "1B") + layout("22", "Model", 1, 0, "1F"));
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return crlf;
}

}  // namespace cadhost::db
