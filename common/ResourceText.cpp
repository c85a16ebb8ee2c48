// UTF-8 text resources.
#include "ResourceText.h"

#include "TextConversion.h"

namespace parcelon {

bool LoadResourceText(HINSTANCE module, int id, std::wstring& text) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes) return false;
    text = WideFromUtf8(std::string(bytes, SizeofResource(module, found)));
    return true;
}

}  // namespace parcelon
