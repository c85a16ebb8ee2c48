// One lock on the module for as long as its owner lives: DllCanUnloadNow answers S_FALSE
// meanwhile, so the host does not unload code that is still running or still to run.
#pragma once

#include "ServerModule.h"

namespace parcelon {

class ModuleLock {
public:
    ModuleLock() { serverModule.Lock(); }
    ~ModuleLock() { serverModule.Unlock(); }
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
};

}  // namespace parcelon
