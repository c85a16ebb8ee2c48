// ParcelonSend.exe PATH...: what Explorer's "Send to > Parcelon" runs. The chosen files and
// folders are packed into one archive on a new Outlook message, which opens for the user
// to address and send. Exit codes: see SendPaths.h.
#include <string>
#include <vector>
#include <windows.h>
#include <shellapi.h>

#include "SendPaths.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "common/WorkingFolder.h"

namespace {
// The paths as UTF-8, read from the wide command line so that any path comes through.
std::vector<std::string> PathArguments() {
    std::vector<std::string> paths;
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    parcelon::UniqueHLocal owner(reinterpret_cast<HLOCAL>(argv));
    for (int i = 1; argv && i < count; ++i) paths.push_back(parcelon::Utf8FromWide(argv[i]));
    return paths;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    SetProcessDPIAware();
    // What a ParcelonSend or an Outlook that ended during a packing left, as the add-in
    // clears it when Outlook starts: a send may come with no Outlook start for a long time.
    parcelon::RemoveAbandonedWorkingFolders();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return parcelon::kSendOutlookFailed;
    int code = parcelon::SendPaths(instance, PathArguments());
    CoUninitialize();
    return code;
}
