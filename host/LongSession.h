// parcelon-host session: a long Outlook session in one process. Compose windows open and
// close one after another, every so often one packs a folder through the "Parcelon"
// button; the process's figures after the tenth window and after the last show what the
// add-in keeps of the windows it has seen.
#pragma once

#include <string>

#include "standin/AddinRibbons.h"
#include "standin/ApplicationObjects.h"

namespace host {

struct SessionOptions {
    int windows = 200;
    int packEvery = 10;   // every packEvery-th window packs `attach`
    std::string attach;   // a UTF-8 Windows path
};

// The add-ins are loaded and connected. Prints one "session:" line of figures after window
// 10 and after the last, and the growth between them. True when every packing window
// attached its archive and no window is held once closed.
bool RunLongSession(standin::Application& app, standin::AddinRibbons& ribbons, const SessionOptions& options);

}  // namespace host
