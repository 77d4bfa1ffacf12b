// The host's user interface language: which text of a module's string table LoadStringW
// hands out (cadhost --lang sets it).
#pragma once

#include <windows.h>

namespace cadhost {

// 0x409 (English, United States) unless changed; 0x407 is German.
void setUiLanguage(LANGID language);
LANGID uiLanguage();

}  // namespace cadhost
