// Registering and unregistering the server: the registrar script kept as a "REGISTRY"
// resource, then the type library kept as resource TYPELIB 1.
#pragma once

#include <windows.h>

#include "RegistryScript.h"

namespace parcelon {

// Registering: ForceRemove keys are deleted with their subtree first, then every key and
// value is written. Unregistering: keys not marked NoRemove are removed deepest first
// with the values the script names; one that still holds keys the script does not know
// is kept (a ForceRemove key goes with its whole subtree).
HRESULT ApplyRegistryScript(const RegistryScript& script, bool registering);

// Parses resource `id` of type "REGISTRY" of `module`, with %MODULE% the module's full path.
HRESULT UpdateRegistryFromResource(HINSTANCE module, UINT id, bool registering);

// Registers or unregisters the type library in the module's resource TYPELIB 1.
HRESULT UpdateTypeLibrary(HINSTANCE module, bool registering);

// Full path of the module; empty when it cannot be had.
std::wstring ModulePath(HINSTANCE module);

}  // namespace parcelon
