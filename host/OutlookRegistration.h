// The registry entries of an installed Outlook's automation class: the ProgID
// "Outlook.Application" and its CLSID with a local server, written for parcelon-host serve.
#pragma once

#include <string>
#include <windows.h>

namespace host {

// {0006F03A-0000-0000-C000-000000000046}, the CLSID of Outlook's Application.
extern const CLSID kOutlookApplicationClsid;

// Registers `command` as the local server of Outlook's Application; false on failure.
bool RegisterOutlookServer(const std::wstring& command);
// Deletes those entries; true when none is left.
bool UnregisterOutlookServer();

}  // namespace host
