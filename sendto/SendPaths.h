// What ParcelonSend does with the paths it was given: a new Outlook message with them
// packed into one archive, shown for the user to address and send.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

namespace parcelon {

// The program's exit codes.
enum SendExitCode : int {
    kSendShown = 0,        // the message is open with the archive attached
    kSendCancelled = 1,    // the user stopped it; no message is left
    kSendUsage = 2,        // no path given
    kSendNoOutlook = 3,    // no Outlook is installed
    kSendOutlookFailed = 4,  // Outlook could not be reached or refused a call
    kSendNotAttached = 5,  // nothing could be packed or attached; no message is left
};

// The text of the message box shown when no Outlook is installed.
extern const wchar_t kNoOutlookText[];

// `resources` holds the windows' templates. Never throws.
int SendPaths(HINSTANCE resources, const std::vector<std::string>& paths);

}  // namespace parcelon
