// The host's user-input functions: system variables, typed text, keywords and the file dialog.
// Each input function shows its prompt on the command line and waits for one answer; the
// answer is echoed after the prompt as the user sees it, ended by a line break ("*Cancel*"
// for Esc).
#pragma once

#include <cstddef>

#include "AdAChar.h"
#include "adscodes.h"
#include "adsdef.h"

// Reads a system variable into *result: RTSHORT (rint) or RTSTR (rstring, a new string that the
// caller releases: acutRelRb frees it with a buffer from acutNewRb, or free() it directly).
// RTNORM, or RTERROR for an unknown name (then *result is untouched). rbnext is left alone.
int acedGetVar(const ACHAR* sym, struct resbuf* result);

// Sets a system variable: RTNORM, or RTERROR for an unknown or read-only name, a value of the
// wrong type or out of the variable's limits.
int acedSetVar(const ACHAR* sym, const struct resbuf* val);

// Asks for text. cronly nonzero: blanks belong to the text and only Enter ends it; zero: a blank
// ends it as Enter does. The text goes into result (bufLen characters with the terminator).
// RTNORM (Enter alone gives ""), RTCAN for Esc, RTINPUTTRUNCATED when the text did not fit (result
// then holds what fits), RTERROR for a null or empty buffer.
int acedGetString(int cronly, const ACHAR* prompt, ACHAR* result, size_t bufLen);

// Sets the control bits (RSG_NONULL, RSG_OTHER ...) and the keyword list for the next input
// call only. The list: local words, then optionally "_" and the global words in the same order
// ("Nein Ja _No Yes"). Capitals in a word mark its shortest accepted abbreviation ("LType":
// LT), or a comma does ("LTYPE,LT"); a word without capitals must be typed in full.
// Returns RTNORM.
int acedInitGet(int val, const ACHAR* kwl);

// Asks for one of the keywords set by acedInitGet. RTNORM with the keyword in result (the global
// word for a list with a global part, typed as the local word or as the global word with a
// leading "_"; letter case ignored); RTNONE for Enter alone unless RSG_NONULL was set (then the
// prompt is repeated); "Invalid option keyword." and the prompt again for anything else (with
// RSG_OTHER the input itself is returned instead); RTCAN for Esc; RTINPUTTRUNCATED when the
// keyword did not fit into bufLen characters.
int acedGetKword(const ACHAR* prompt, ACHAR* result, size_t bufLen);

// The file dialog. RTNORM with result->restype RTSTR and result->resval.rstring the chosen path
// (a new string: acutRelRb frees it with a buffer from acutNewRb, or free() it directly), or
// result->restype RTSHORT when the user asked to type the name on the
// command line instead (flag 2 disables that choice); RTCAN when the dialog was cancelled.
// result->rbnext is set to null. title may be null; defawlt is the name offered (chosen by
// Enter); ext lists extensions separated by ";"; flags are the host's dialog flags
// (1 new file, 2 no "type it", 4 any extension, 8 library search, 16 folder, 32 no overwrite
// warning), of which the headless dialog uses only 2.
int acedGetFileD(const ACHAR* title, const ACHAR* defawlt, const ACHAR* ext, int flags,
                 struct resbuf* result);
