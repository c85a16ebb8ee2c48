// UTF-8 text kept in a module as an RCDATA resource (help text, ribbon markup).
#pragma once

#include <string>
#include <windows.h>

namespace parcelon {

// The resource's text as wide characters; false when the module does not hold it.
bool LoadResourceText(HINSTANCE module, int id, std::wstring& text);

}  // namespace parcelon
