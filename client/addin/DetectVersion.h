// The label the add-in gives a host version: "Outlook 98" to "Outlook 2003".
#pragma once

#include <string>

namespace parcelon {

// The label for a version text such as "11.0.5510", or empty when the major number
// (the text before the first ".", read the way atoi reads) is below 8 or missing.
std::string VersionLabelFor(const std::string& version);

}  // namespace parcelon
