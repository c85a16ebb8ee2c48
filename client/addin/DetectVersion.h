// What the add-in reads from a host version: its major number, its label ("Outlook 98" to
// "Outlook 2003") and whether its compose windows have a ribbon.
#pragma once

#include <string>

namespace parcelon {

// The number before the first "." of a version text such as "16.0.0.0", read the way
// atoi reads; 0 when there is none.
int MajorVersionOf(const std::string& version);

// Outlook 2007 (12) and later show command-bar buttons only on an extra tab of the
// compose window's ribbon, so they get a ribbon button instead.
inline bool HasComposeRibbon(int majorVersion) { return majorVersion >= 12; }

// Outlook 2007 reads ribbon markup only in the first customUI namespace (2006/01); 2010
// (14) and later read the 2009/07 one the markup is kept in.
inline bool ReadsOnlyFirstCustomUINamespace(int majorVersion) { return majorVersion >= 12 && majorVersion < 14; }

// The label for a version text such as "11.0.5510", or empty when the major number
// (the text before the first ".", read the way atoi reads) is below 8 or missing.
std::string VersionLabelFor(const std::string& version);

}  // namespace parcelon
