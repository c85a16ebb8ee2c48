// One compose window of parcelon-host: the window with its ribbon or its command bars, the
// add-in's events raised on it, and, with paths to attach, a robot that plays the user.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "standin/AddinRibbons.h"
#include "standin/ApplicationObjects.h"
#include "standin/MailObjects.h"

namespace host {

struct ComposeOptions {
    std::vector<std::string> attach;  // UTF-8 Windows paths; none: a person uses the window
    bool compress = true;
    bool subFolders = true;
    std::string archiveName = "attach.zip";
    // How the robot answers the add-in's questions before attaching, one per question in
    // turn (the last for any further): split, anyway, back or leave-out.
    std::vector<std::string> answers = {"anyway"};
    bool inlineReply = false;  // the message is an inline reply in the main window
    // Without paths to attach: the window is closed as soon as it is shown, not by a person.
    bool closeAtOnce = false;
    // Run on the window's thread once the robot has pressed OK, while the dialog is open.
    std::function<void()> afterOk;
    // Run on the window's thread in place of answering the first question, while it is open.
    std::function<void()> whileAsked;
    // Attached before the window opens, as Outlook's own Attach File does (by value).
    std::vector<std::string> attachFiles;
    // Pictures of the body: attached by value with a content id, as Outlook keeps them.
    std::vector<std::string> inlinePictures;
    // The user presses Send (after the dialog, when there is one): ItemSend is raised,
    // its questions answered by `answers`.
    bool send = false;
    // Cancel is pressed on the progress window of "Pack and send" as its packing starts.
    bool cancelPacking = false;
    // "Interface.Member" of the stand-in that fails from the moment Send is pressed.
    std::vector<std::string> failing;
};

struct ComposeResult {
    bool buttonInstalled = false;  // on the ribbon or on a command bar
    bool dialogOpened = false;
    bool completed = false;  // the path ran through (attachments made when asked)
    bool sent = false;       // Send was pressed and no add-in cancelled it
};

// Runs until the compose window is closed; the mail item keeps what was attached.
ComposeResult RunCompose(standin::Application& app, standin::MailItem& mail, standin::AddinRibbons& ribbons,
                         const ComposeOptions& options);

}  // namespace host
