// The activation context of a module's own manifest (resource 2), active while an owner
// lives: windows made meanwhile get the common controls the manifest names, whatever the
// host process activated.
#pragma once

#include <windows.h>

#include "UniqueResource.h"

namespace parcelon {

using UniqueActivationContext = UniqueResource<MinusOneIsInvalid<&::ReleaseActCtx>>;

class ModuleActivationScope {
public:
    explicit ModuleActivationScope(HMODULE module);
    ~ModuleActivationScope();
    ModuleActivationScope(const ModuleActivationScope&) = delete;
    ModuleActivationScope& operator=(const ModuleActivationScope&) = delete;

    // False when the module has no manifest or it could not be activated.
    bool active() const { return cookie_ != 0; }

private:
    UniqueActivationContext context_;
    ULONG_PTR cookie_ = 0;
};

}  // namespace parcelon
