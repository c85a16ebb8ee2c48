// Interface tables walked by QueryInterface.
#include "InterfaceTable.h"

namespace parcelon {

HRESULT InternalQueryInterface(void* object, const InterfaceEntry* table, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!object || !table || !table[0].iid) return E_NOINTERFACE;
    const InterfaceEntry* found = nullptr;
    if (iid == IID_IUnknown) {
        found = table;
    } else {
        for (const InterfaceEntry* row = table; row->iid && !found; ++row)
            if (*row->iid == iid) found = row;
    }
    if (!found) return E_NOINTERFACE;
    auto* unknown = reinterpret_cast<IUnknown*>(static_cast<char*>(object) + found->offset);
    unknown->AddRef();
    *out = unknown;
    return S_OK;
}

}  // namespace parcelon
