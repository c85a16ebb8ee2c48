/* iowin32.c holds, beside the wide file functions Parcelon uses, functions that open files
   by ANSI name. They are compiled to call this instead of CreateFileA, so that no ANSI file
   call is imported; should one ever be used, it fails instead of losing characters. */
#include <windows.h>

HANDLE WINAPI MinizipAnsiFileNamesRefused(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                          DWORD disposition, DWORD flags, HANDLE model) {
    (void)name, (void)access, (void)share, (void)security, (void)disposition, (void)flags, (void)model;
    SetLastError(ERROR_NOT_SUPPORTED);
    return INVALID_HANDLE_VALUE;
}
