// The stand-in's sizes are given at 96 DPI and drawn at the screen's, as Outlook draws.
#pragma once

#include "common/DpiAwareness.h"

namespace standin {

inline int Px(int value) { return parcelon::ScaleToDpi(value, parcelon::ScreenDpi()); }

}  // namespace standin
