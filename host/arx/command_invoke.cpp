// Runs module commands behind the host's guard.
#include "arx/command_invoke.h"

#include "arx/module_guard.h"
#include "rxregsvc.h"
#include "win/code_page.h"

namespace cadhost {

AcEdCommand* findCommand(const std::wstring& name) {
    AcEdCommandStack* stack = acedRegCmds;
    if (stack == nullptr) return nullptr;
    if (AcEdCommand* cmd = stack->lookupGlobalCmd(name.c_str())) return cmd;
    return stack->lookupLocalCmd(name.c_str());
}

bool invokeCommand(AcEdCommand* cmd) {
    if (cmd == nullptr || cmd->functionAddr() == nullptr) return false;
    // Copied first: the command may remove itself (and its record) while it runs.
    const AcRxFunctionPtr function = cmd->functionAddr();
    return guardedCall("command " + toUtf8(cmd->globalName()), [&] { function(); });
}

}  // namespace cadhost
