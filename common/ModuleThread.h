// A thread that holds a reference to the module its code is in until its last
// instruction, so that a host unloading the module meanwhile cannot pull the code from
// under it.
#pragma once

#include <functional>

#include "UniqueResource.h"

namespace parcelon {

// Runs `work` on a new thread; no exception leaves it (one is written to the debugger
// output). The handle of the thread, or none when no thread could be had.
UniqueHandle StartModuleThread(std::function<void()> work);

}  // namespace parcelon
