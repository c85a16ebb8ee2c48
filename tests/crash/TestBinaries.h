// Windows paths of the programs and DLLs the crash tests run, as built beside them.
#pragma once

#include <string>

namespace testing_support {

std::string ParcelonDllPath();
std::string CrashChildPath();
std::string OldDbghelpPath();      // a DBGHELP.DLL without MiniDumpWriteDump
std::string FailingDbghelpPath();  // one whose MiniDumpWriteDump fails with ERROR_DISK_FULL

}  // namespace testing_support
