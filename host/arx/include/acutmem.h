// Host strings: text the host hands to modules as newly allocated strings.
#pragma once

#include "AdAChar.h"
#include "acadstrc.h"

// Copies src into a new string (new ACHAR[]); for null src newStr becomes null.
Acad::ErrorStatus acutNewString(const ACHAR* src, ACHAR*& newStr);
// Frees a string made by acutNewString or handed out by the host as a new string.
void acutDelString(ACHAR*& str);
