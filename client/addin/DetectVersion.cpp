// What the add-in reads from a host version.
#include "DetectVersion.h"

#include <cstdlib>

namespace parcelon {

int MajorVersionOf(const std::string& version) {
    std::string major = version.substr(0, version.find('.'));
    return major.empty() ? 0 : atoi(major.c_str());
}

std::string VersionLabelFor(const std::string& version) {
    int number = MajorVersionOf(version);
    if (number >= 11) return "Outlook 2003";
    if (number == 10) return "Outlook 2002";
    if (number == 9) return "Outlook 2000";
    if (number == 8) return "Outlook 98";
    return std::string();
}

}  // namespace parcelon
