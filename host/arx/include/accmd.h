// The host's command stack: commands registered by modules, in named groups. A command has a
// global name (the same in every language) and a local name; both are looked up with letter
// case ignored. The most recently added group is searched first.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "AdAChar.h"
#include "acadstrc.h"
#include "rxobject.h"

typedef void (*AcRxFunctionPtr)();
class AcEdUIContext;

// Command flags; the numbers are the host's.
#define ACRX_CMD_MODAL 0x00000000
#define ACRX_CMD_TRANSPARENT 0x00000001
#define ACRX_CMD_USEPICKSET 0x00000002
#define ACRX_CMD_REDRAW 0x00000004
#define ACRX_CMD_NOPERSPECTIVE 0x00000008
#define ACRX_CMD_NOMULTIPLE 0x00000010
#define ACRX_CMD_NOTILEMODE 0x00000020
#define ACRX_CMD_NOPAPERSPACE 0x00000040
#define ACRX_CMD_PLOTONLY 0x00000080
#define ACRX_CMD_NOOEM 0x00000100
#define ACRX_CMD_UNDEFINED 0x00000200
#define ACRX_CMD_INPROGRESS 0x00000400
#define ACRX_CMD_DEFUN 0x00000800
#define ACRX_CMD_LISPASCMD 0x00001000
#define ACRX_CMD_NONEWSTACK 0x00010000
#define ACRX_CMD_NOINTERNALLOCK 0x00020000
#define ACRX_CMD_DOCREADLOCK 0x00080000
#define ACRX_CMD_DOCEXCLUSIVELOCK 0x00100000
#define ACRX_CMD_SESSION 0x00200000  // runs in the application context, not a document's
#define ACRX_CMD_INTERRUPTIBLE 0x00400000
#define ACRX_CMD_NOHISTORY 0x00800000
#define ACRX_CMD_NO_UNDO_MARKER 0x01000000
#define ACRX_CMD_NOBEDIT 0x02000000

class AcEdCommand : public AcRxObject {
  public:
    ACRX_DECLARE_MEMBERS(AcEdCommand);

    AcRxFunctionPtr functionAddr() const { return m_function; }
    std::int32_t commandFlags() const { return m_flags; }
    const ACHAR* globalName() const { return m_globalName.c_str(); }
    const ACHAR* localName() const { return m_localName.c_str(); }
    const ACHAR* groupName() const { return m_groupName.c_str(); }
    AcEdUIContext* UIContext() const { return m_uiContext; }
    int functionCode() const { return m_functionCode; }
    void* resourceHandle() const { return m_resourceHandle; }

  private:
    friend class AcEdCommandStack;
    AcEdCommand() = default;

    std::wstring m_groupName;
    std::wstring m_globalName;
    std::wstring m_localName;
    std::int32_t m_flags = 0;
    AcRxFunctionPtr m_function = nullptr;
    AcEdUIContext* m_uiContext = nullptr;
    int m_functionCode = -1;
    void* m_resourceHandle = nullptr;
};

class AcEdCommandStack : public AcRxObject {
  public:
    ACRX_DECLARE_MEMBERS(AcEdCommandStack);

    AcEdCommandStack();
    ~AcEdCommandStack() override;
    AcEdCommandStack(const AcEdCommandStack&) = delete;
    AcEdCommandStack& operator=(const AcEdCommandStack&) = delete;

    // Adds a command to a group (made on first use). A null local name takes the global name.
    // eInvalidInput for a null or empty group or global name or a null function;
    // eDuplicateKey when the group already has that global name (case ignored). On success
    // *cmdPtrRet (if given) receives the command, which lives until it is removed.
    Acad::ErrorStatus addCommand(const ACHAR* cmdGroupName, const ACHAR* cmdGlobalName,
                                 const ACHAR* cmdLocalName, std::int32_t commandFlags,
                                 AcRxFunctionPtr functionAddr, AcEdUIContext* UIContext = nullptr,
                                 int fcode = -1, void* hResourceHandle = nullptr,
                                 AcEdCommand** cmdPtrRet = nullptr);

    // Null when no group has the name.
    AcEdCommand* lookupGlobalCmd(const ACHAR* cmdName);
    AcEdCommand* lookupLocalCmd(const ACHAR* cmdName);
    // By global name when globalFlag is set, else by local name.
    AcEdCommand* lookupCmd(const ACHAR* cmdName, bool globalFlag);

    // eKeyNotFound when the group or the command is missing. Removing the last command of a
    // group removes the group.
    Acad::ErrorStatus removeCmd(const ACHAR* cmdGroupName, const ACHAR* cmdGlobalName);
    Acad::ErrorStatus removeGroup(const ACHAR* groupName);

    // Moves a group to the top, so that its names win over equal names of other groups.
    Acad::ErrorStatus popGroupToTop(const ACHAR* groupName);

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

#define ACRX_COMMAND_DOCK L"ACAD_REGISTERED_COMMANDS"
#define acedRegCmds AcEdCommandStack::cast(acrxSysRegistry()->at(ACRX_COMMAND_DOCK))
