// The host's editor interface as modules see it: the command stack and the table of
// functions a module offers to the host's LISP interpreter.
#pragma once

#include "AdAChar.h"
#include "accmd.h"
#include "adscodes.h"
#include "rxregsvc.h"

// Defines the LISP function sname under code funcnumber for the calling module. RTNORM, or
// RTERROR for a null or empty name or a negative code.
int acedDefun(const ACHAR* sname, int funcnumber);
// Undefines it again; RTERROR when the name is not defined under that code.
int acedUndef(const ACHAR* sname, int funcnumber);
// Registers the function that runs for code fcode. RTNORM, or RTERROR for a negative code.
int acedRegFunc(int (*fhdl)(), int fcode);
// The code of the LISP function being invoked, or -1 outside an invocation.
int acedGetFunCode();
