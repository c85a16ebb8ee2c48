// The label the add-in gives a host version.
#include "DetectVersion.h"

#include <cstdlib>

namespace parcelon {

std::string VersionLabelFor(const std::string& version) {
    std::string major = version.substr(0, version.find('.'));
    if (major.empty()) return std::string();
    int number = atoi(major.c_str());
    if (number >= 11) return "Outlook 2003";
    if (number == 10) return "Outlook 2002";
    if (number == 9) return "Outlook 2000";
    if (number == 8) return "Outlook 98";
    return std::string();
}

}  // namespace parcelon
