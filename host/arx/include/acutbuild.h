// Building and freeing result-buffer lists.
//
// Memory: each item is allocated by acutNewRb/acutBuildList; string values are allocated with
// malloc (so that free() releases them) and binary chunks with new char[] (delete[]).
// acutRelRb frees the items and every value still attached; a value the caller freed itself
// must have its pointer cleared first.
#pragma once

#include "AdAChar.h"
#include "adsdef.h"

// A new item of that type with a zero value.
struct resbuf* acutNewRb(int type);
// Frees a whole chain (null is fine). Returns RTNORM.
int acutRelRb(struct resbuf* rb);
// Builds a chain from (type, value) pairs ended by 0 (or RTNONE): group codes 0-9, 100-109,
// 300-309, 410-419, 999, 1000-1009 and RTSTR take a const ACHAR*; 10-19, 110-119, 1010-1019
// and RTPOINT/RT3DPOINT an ads_point (const double*); 38-59, 140-149, 1040-1042, RTREAL and
// RTANG a double; 60-79, 170-175, 280-289, 370-389, 1070 and RTSHORT an int; 90-99, 1071 and
// RTLONG an int (32-bit); 1004 and 310-319 a struct ads_binary*. Null for an unknown type.
struct resbuf* acutBuildList(int rtype, ...);
