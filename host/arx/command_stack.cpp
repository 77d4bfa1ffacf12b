// The command stack: groups of commands, searched from the most recently added group down.
#include <algorithm>
#include <vector>

#include "accmd.h"
#include "arx/case_fold.h"

namespace {

struct Group {
    std::wstring name;
    std::vector<std::unique_ptr<AcEdCommand>> commands;  // in the order they were added
};

bool isEmpty(const ACHAR* text) { return text == nullptr || *text == L'\0'; }

}  // namespace

struct AcEdCommandStack::Impl {
    std::vector<Group> groups;  // front is the top of the stack

    std::vector<Group>::iterator findGroup(const ACHAR* name) {
        return std::find_if(groups.begin(), groups.end(), [&](const Group& g) {
            return cadhost::names::equalNoCase(g.name, name);
        });
    }

    template <class NameOf>
    AcEdCommand* find(const ACHAR* name, NameOf nameOf) {
        if (name == nullptr) return nullptr;
        for (Group& group : groups)
            for (auto& command : group.commands)
                if (cadhost::names::equalNoCase(nameOf(*command), name)) return command.get();
        return nullptr;
    }
};

AcEdCommandStack::AcEdCommandStack() : m_impl(std::make_unique<Impl>()) {}
AcEdCommandStack::~AcEdCommandStack() = default;

Acad::ErrorStatus AcEdCommandStack::addCommand(const ACHAR* cmdGroupName,
                                               const ACHAR* cmdGlobalName,
                                               const ACHAR* cmdLocalName, std::int32_t commandFlags,
                                               AcRxFunctionPtr functionAddr,
                                               AcEdUIContext* UIContext, int fcode,
                                               void* hResourceHandle, AcEdCommand** cmdPtrRet) {
    if (isEmpty(cmdGroupName) || isEmpty(cmdGlobalName) || functionAddr == nullptr)
        return Acad::eInvalidInput;
    auto group = m_impl->findGroup(cmdGroupName);
    if (group != m_impl->groups.end()) {
        for (const auto& command : group->commands)
            if (cadhost::names::equalNoCase(command->m_globalName, cmdGlobalName))
                return Acad::eDuplicateKey;
    } else {
        m_impl->groups.insert(m_impl->groups.begin(), Group{cmdGroupName, {}});
        group = m_impl->groups.begin();
    }
    std::unique_ptr<AcEdCommand> command(new AcEdCommand);
    command->m_groupName = group->name;
    command->m_globalName = cmdGlobalName;
    command->m_localName = isEmpty(cmdLocalName) ? cmdGlobalName : cmdLocalName;
    command->m_flags = commandFlags;
    command->m_function = functionAddr;
    command->m_uiContext = UIContext;
    command->m_functionCode = fcode;
    command->m_resourceHandle = hResourceHandle;
    if (cmdPtrRet != nullptr) *cmdPtrRet = command.get();
    group->commands.push_back(std::move(command));
    return Acad::eOk;
}

AcEdCommand* AcEdCommandStack::lookupGlobalCmd(const ACHAR* cmdName) {
    return m_impl->find(cmdName, [](const AcEdCommand& c) { return c.globalName(); });
}

AcEdCommand* AcEdCommandStack::lookupLocalCmd(const ACHAR* cmdName) {
    return m_impl->find(cmdName, [](const AcEdCommand& c) { return c.localName(); });
}

AcEdCommand* AcEdCommandStack::lookupCmd(const ACHAR* cmdName, bool globalFlag) {
    return globalFlag ? lookupGlobalCmd(cmdName) : lookupLocalCmd(cmdName);
}

Acad::ErrorStatus AcEdCommandStack::removeCmd(const ACHAR* cmdGroupName,
                                              const ACHAR* cmdGlobalName) {
    if (isEmpty(cmdGroupName) || isEmpty(cmdGlobalName)) return Acad::eInvalidInput;
    auto group = m_impl->findGroup(cmdGroupName);
    if (group == m_impl->groups.end()) return Acad::eKeyNotFound;
    auto& commands = group->commands;
    auto it = std::find_if(commands.begin(), commands.end(), [&](const auto& c) {
        return cadhost::names::equalNoCase(c->m_globalName, cmdGlobalName);
    });
    if (it == commands.end()) return Acad::eKeyNotFound;
    commands.erase(it);
    if (commands.empty()) m_impl->groups.erase(group);
    return Acad::eOk;
}

Acad::ErrorStatus AcEdCommandStack::removeGroup(const ACHAR* groupName) {
    if (isEmpty(groupName)) return Acad::eInvalidInput;
    auto group = m_impl->findGroup(groupName);
    if (group == m_impl->groups.end()) return Acad::eKeyNotFound;
    m_impl->groups.erase(group);
    return Acad::eOk;
}

Acad::ErrorStatus AcEdCommandStack::popGroupToTop(const ACHAR* groupName) {
    if (isEmpty(groupName)) return Acad::eInvalidInput;
    auto group = m_impl->findGroup(groupName);
    if (group == m_impl->groups.end()) return Acad::eKeyNotFound;
    std::rotate(m_impl->groups.begin(), group, group + 1);
    return Acad::eOk;
}
