// The module's string table, in English and German; the host hands out the text of its user
// interface language.
#include <windows.h>

#include "frame/resource.h"

namespace {

const CADHOST_STRING_RESOURCE kStrings[] = {
    {IDS_FILE_NOT_MANAGED, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
     L"The file [%s] is not managed by PDM."},
    {IDS_FILE_NOT_MANAGED, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN),
     L"Die Datei [%s] ist nicht vom PDM verwaltet."},
    {0, 0, nullptr}};

CADHOST_STRING_TABLE(kStrings);

}  // namespace
