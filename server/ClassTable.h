// The class table of Parcelon.dll: one row, for OutlookAddin.
#pragma once

#include "ServerModule.h"

namespace parcelon {

extern ObjectMapEntry classTable[];

}  // namespace parcelon
