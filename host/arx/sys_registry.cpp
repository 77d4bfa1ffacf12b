// The system registry and the runtime classes of the host's application services.
#include <map>
#include <string>

#include "accmd.h"
#include "rxregsvc.h"

ACRX_DEFINE_MEMBERS(AcRxDictionary, AcRxObject)
ACRX_DEFINE_MEMBERS(AcRxDynamicLinker, AcRxObject)
ACRX_DEFINE_MEMBERS(AcEdCommand, AcRxObject)
ACRX_DEFINE_MEMBERS(AcEdCommandStack, AcRxObject)

namespace {

class SystemRegistry final : public AcRxDictionary {
  public:
    AcRxObject* at(const ACHAR* key) const override {
        if (key == nullptr) return nullptr;
        auto it = m_entries.find(key);
        return it == m_entries.end() ? nullptr : it->second;
    }

    AcRxObject* atPut(const ACHAR* key, AcRxObject* object) override {
        if (key == nullptr) return nullptr;
        AcRxObject*& slot = m_entries[key];
        AcRxObject* previous = slot;
        slot = object;
        return previous;
    }

    AcRxObject* remove(const ACHAR* key) override {
        if (key == nullptr) return nullptr;
        auto it = m_entries.find(key);
        if (it == m_entries.end()) return nullptr;
        AcRxObject* object = it->second;
        m_entries.erase(it);
        return object;
    }

    bool has(const ACHAR* key) const override { return at(key) != nullptr; }
    std::uint32_t numEntries() const override {
        return static_cast<std::uint32_t>(m_entries.size());
    }

  private:
    std::map<std::wstring, AcRxObject*> m_entries;
};

}  // namespace

AcRxDictionary* acrxSysRegistry() {
    // Never destroyed: modules' static data may ask for the registry while the process ends.
    static SystemRegistry* const registry = [] {
        auto* r = new SystemRegistry;
        r->atPut(ACRX_DYNAMIC_LINKER, new AcRxDynamicLinker);
        r->atPut(ACRX_COMMAND_DOCK, new AcEdCommandStack);
        return r;
    }();
    return registry;
}
