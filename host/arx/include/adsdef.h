// The host's result buffer: one item of a linked list of typed values (extended data,
// system variables, input results). restype is a DXF group code or an RT* type code.
#pragma once

#include "AdAChar.h"

typedef double ads_real;
typedef ads_real ads_point[3];
typedef long long ads_name[2];

struct ads_binary {
    short clen;
    char* buf;
};

union ads_u_val {
    ads_real rreal;
    ads_real rpoint[3];
    short rint;
    ACHAR* rstring;
    long long rlname[2];
    int rlong;
    long long mnLongPtr;
    long long mnInt64;
    struct ads_binary rbinary;
    unsigned char ihandle[8];
};

struct resbuf {
    struct resbuf* rbnext;
    short restype;
    union ads_u_val resval;
};
