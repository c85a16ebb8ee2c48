// Windows paths of the crash tests' binaries; the build gives their Linux paths, seen
// through Wine's drive Z:.
#include "TestBinaries.h"

#include <algorithm>

namespace testing_support {

namespace {
std::string FromBuild(std::string linuxPath) {
    std::replace(linuxPath.begin(), linuxPath.end(), '/', '\\');
    return "Z:" + linuxPath;
}
}  // namespace

std::string ParcelonDllPath() { return FromBuild(PARCELON_DLL_PATH); }
std::string CrashChildPath() { return FromBuild(CRASH_CHILD_PATH); }
std::string OldDbghelpPath() { return FromBuild(OLD_DBGHELP_PATH); }
std::string FailingDbghelpPath() { return FromBuild(FAILING_DBGHELP_PATH); }

}  // namespace testing_support
