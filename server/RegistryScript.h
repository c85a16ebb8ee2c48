// The registrar script language, as far as Parcelon's script uses it: root keys, keys
// with an optional default value, named REG_SZ and REG_DWORD values ("val"), the NoRemove
// and ForceRemove marks and %NAME% replacements.
#pragma once

#include <windows.h>
#include <string>
#include <utility>
#include <vector>

namespace parcelon {

struct ScriptValue {
    std::wstring name;  // empty for the key's default value
    DWORD type = REG_SZ;
    std::wstring text;  // REG_SZ
    DWORD number = 0;   // REG_DWORD
};

struct ScriptKey {
    std::wstring name;
    bool noRemove = false;
    bool forceRemove = false;
    bool hasDefault = false;
    ScriptValue defaultValue;
    std::vector<ScriptValue> values;
    std::vector<ScriptKey> subkeys;
};

struct ScriptRoot {
    HKEY root = nullptr;  // never removed
    std::vector<ScriptKey> keys;
};

struct RegistryScript {
    std::vector<ScriptRoot> roots;
};

using Replacements = std::vector<std::pair<std::wstring, std::wstring>>;  // "MODULE" -> path

// False on a syntax error, an unknown replacement or a bad number; `error` then says
// what and where.
bool ParseRegistryScript(const std::wstring& text, const Replacements& replacements, RegistryScript& script,
                         std::wstring& error);

}  // namespace parcelon
