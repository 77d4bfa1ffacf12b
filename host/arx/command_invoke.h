// Finding and running registered commands for cadhost and the tests.
#pragma once

#include <string>

#include "accmd.h"

namespace cadhost {

// A command by global name, else by local name, letter case ignored; null when unknown.
AcEdCommand* findCommand(const std::wstring& name);

// Runs the command's function, guarded: an exception out of it is reported on standard error.
// False when cmd is null or the command threw.
bool invokeCommand(AcEdCommand* cmd);

}  // namespace cadhost
