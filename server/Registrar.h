// Registering and unregistering the server: the registrar script kept as a "REGISTRY"
// resource, then the type library kept as resource TYPELIB 1, for the machine or for the
// current user.
#pragma once

#include <windows.h>

#include "RegistryScript.h"
#include "common/UniqueResource.h"

namespace parcelon {

// Whose classes a registration goes to: the machine's (HKEY_LOCAL_MACHINE\Software\Classes,
// an administrator's) or the current user's (HKEY_CURRENT_USER\Software\Classes, which a
// standard user may write and Windows merges into HKEY_CLASSES_ROOT for that user).
enum class RegistrationScope { Machine, User };

// Opens the classes root of `scope`: for writing when registering (where a standard user
// meets ERROR_ACCESS_DENIED for the machine), for reading what there is to remove otherwise.
LONG OpenClassesRoot(RegistrationScope scope, bool registering, UniqueRegKey& key);

// Registering: ForceRemove keys are deleted with their subtree first, then every key and
// value is written. Unregistering: keys not marked NoRemove are removed deepest first
// with the values the script names; one that still holds keys the script does not know
// is kept (a ForceRemove key goes with its whole subtree). The script's HKCR keys go below
// `classesRoot`; NoRemove keys are only read.
HRESULT ApplyRegistryScript(const RegistryScript& script, HKEY classesRoot, bool registering);

// Parses resource `id` of type "REGISTRY" of `module`, with %MODULE% the module's full path,
// and applies it to the classes of `scope`.
HRESULT UpdateRegistryFromResource(HINSTANCE module, UINT id, RegistrationScope scope, bool registering);

// Registers the type library in the module's resource TYPELIB 1 for `scope`, or
// unregisters it there when that scope holds it.
HRESULT UpdateTypeLibrary(HINSTANCE module, RegistrationScope scope, bool registering);

// Full path of the module; empty when it cannot be had.
std::wstring ModulePath(HINSTANCE module);

}  // namespace parcelon
