// parcelon-host serve: the stand-in as the Outlook running on this prefix, for programs
// that reach Outlook from outside (GetActiveObject, CoCreateInstance by its ProgID).
//   serve --out MESSAGE.eml [--messages N] [--timeout-s S] [--send-limit-kb K]
//       Registers its Application as the active object of Outlook's CLSID and as the class
//       object of that CLSID, and shows a compose window for each new message displayed.
//       It ends once N messages made by CreateItem (1 unless told) have been displayed and
//       their windows closed, or deleted, or after S seconds (60 unless told; exit code 1),
//       and writes every message it ends with: MESSAGE.eml, MESSAGE-2.eml, ... New messages
//       go out through an Exchange account whose store takes at most K KB (no limit unless told).
//   serve --register --out MESSAGE.eml [--messages N] [--timeout-s S]
//       Registers "Outlook.Application" as a local server that runs serve with those
//       options, as an installed Outlook is registered; for test prefixes only.
//   serve --unregister
//       Takes that registration away again.
#pragma once

#include <string>
#include <vector>

namespace host {

// `arguments` follow the word "serve". Returns the process's exit code.
int RunServeCommand(const std::vector<std::string>& arguments);

}  // namespace host
