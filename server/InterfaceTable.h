// Interface tables: the rows a COM object's QueryInterface walks, with the offset of each
// interface inside the object.
#pragma once

#include <cstddef>
#include <unknwn.h>

namespace parcelon {

struct InterfaceEntry {
    const IID* iid;  // null ends the table
    ptrdiff_t offset;
};

// Offset of the `Base` sub-object in a `Derived` object. Computed on a fake address
// rather than a real object, the usual way for tables of base offsets.
template <class Derived, class Base>
ptrdiff_t BaseOffset() {
    constexpr uintptr_t probe = 0x1000;
    Derived* derived = reinterpret_cast<Derived*>(probe);
    return reinterpret_cast<uintptr_t>(static_cast<Base*>(derived)) - probe;
}

// Walks the table in order; IID_IUnknown is answered by the first row. The interface
// handed out has been AddRef'd.
HRESULT InternalQueryInterface(void* object, const InterfaceEntry* table, REFIID iid, void** out);

// The interface of the first row: the object's identity.
inline IUnknown* IdentityOf(void* object, const InterfaceEntry* table) {
    return reinterpret_cast<IUnknown*>(static_cast<char*>(object) + table[0].offset);
}

}  // namespace parcelon
