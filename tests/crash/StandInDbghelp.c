/* Test DLLs placed as DBGHELP.DLL where the crash handler looks for it: without
   MiniDumpWriteDump (an old one), or with one that fails as on a full disk. */
#include <windows.h>

#ifdef WITH_FAILING_MINIDUMPWRITEDUMP
__declspec(dllexport) BOOL WINAPI MiniDumpWriteDump(HANDLE process, DWORD processId, HANDLE file, int type,
                                                    void* exception, void* userStreams, void* callback) {
    (void)process, (void)processId, (void)file, (void)type, (void)exception, (void)userStreams, (void)callback;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}
#endif

__declspec(dllexport) DWORD WINAPI ImagehlpApiVersion(void) { return 4; }
