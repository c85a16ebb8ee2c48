// A thread that holds a reference to the module its code is in until its last
// instruction, so that a host unloading the module meanwhile cannot pull the code from
// under it.
#pragma once

#include <functional>
#include <windows.h>

#include "UniqueResource.h"

namespace parcelon {

// The module this code is linked into (Parcelon.dll, or a program of its own).
HMODULE ThisModule();

// Runs `work` on a new thread; no exception leaves it (one is written to the debugger
// output). The handle of the thread, or none when no thread could be had.
UniqueHandle StartModuleThread(std::function<void()> work);

}  // namespace parcelon
