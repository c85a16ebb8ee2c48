// Parser of the registrar script language.
#include "RegistryScript.h"

#include <cerrno>
#include <cwchar>
#include <cwctype>

namespace parcelon {

namespace {
struct Token {
    enum Kind { End, Open, Close, Equals, Word } kind = End;
    std::wstring text;
    bool quoted = false;
    size_t line = 1;
};

struct RootName {
    const wchar_t* name;
    HKEY key;
};
const RootName kRoots[] = {
    {L"HKCR", HKEY_CLASSES_ROOT},          {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKCU", HKEY_CURRENT_USER},          {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKLM", HKEY_LOCAL_MACHINE},         {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKU", HKEY_USERS},                  {L"HKEY_USERS", HKEY_USERS},
};

class Parser {
public:
    Parser(const std::wstring& text, const Replacements& replacements) : text_(text), replacements_(replacements) {}

    bool Parse(RegistryScript& script, std::wstring& error) {
        bool ok = ParseScript(script);
        if (!ok) error = L"line " + std::to_wstring(token_.line) + L": " + error_;
        return ok;
    }

private:
    bool Fail(const std::wstring& what) {
        if (error_.empty()) error_ = what;
        return false;
    }

    bool IsKeyword(const Token& t, const wchar_t* word) const {
        return t.kind == Token::Word && !t.quoted && _wcsicmp(t.text.c_str(), word) == 0;
    }

    void SkipBlanks() {
        while (at_ < text_.size()) {
            wchar_t c = text_[at_];
            if (c == L'\n') ++line_;
            if (iswspace(c)) {
                ++at_;
            } else if (c == L'/' && at_ + 1 < text_.size() && text_[at_ + 1] == L'/') {
                while (at_ < text_.size() && text_[at_] != L'\n') ++at_;
            } else {
                break;
            }
        }
    }

    bool Next() {
        SkipBlanks();
        token_ = Token();
        token_.line = line_;
        if (at_ >= text_.size()) return true;
        wchar_t c = text_[at_];
        // A brace that runs on into other text is part of a name, as in {CLSID} keys.
        wchar_t after = at_ + 1 < text_.size() ? text_[at_ + 1] : L' ';
        bool brace = (c == L'{' || c == L'}') && (iswspace(after) || after == L'{' || after == L'}');
        if (brace || c == L'=') {
            token_.kind = c == L'{' ? Token::Open : c == L'}' ? Token::Close : Token::Equals;
            ++at_;
            return true;
        }
        token_.kind = Token::Word;
        std::wstring raw;
        if (c == L'\'') {
            token_.quoted = true;
            for (++at_;; ++at_) {
                if (at_ >= text_.size() || text_[at_] == L'\n') return Fail(L"unterminated quoted text");
                if (text_[at_] == L'\'') {
                    if (at_ + 1 < text_.size() && text_[at_ + 1] == L'\'') {
                        raw += L'\'';
                        ++at_;
                        continue;
                    }
                    ++at_;
                    break;
                }
                raw += text_[at_];
            }
        } else {
            while (at_ < text_.size() && !iswspace(text_[at_]) && text_[at_] != L'=' && text_[at_] != L'\'')
                raw += text_[at_++];
        }
        return Replace(raw, token_.text);
    }

    // %NAME% becomes its replacement, %% a single %.
    bool Replace(const std::wstring& raw, std::wstring& out) {
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != L'%') {
                out += raw[i];
                continue;
            }
            size_t end = raw.find(L'%', i + 1);
            if (end == std::wstring::npos) return Fail(L"unterminated %replacement%");
            std::wstring name = raw.substr(i + 1, end - i - 1);
            i = end;
            if (name.empty()) {
                out += L'%';
                continue;
            }
            bool known = false;
            for (const auto& r : replacements_)
                if (_wcsicmp(r.first.c_str(), name.c_str()) == 0) {
                    out += r.second;
                    known = true;
                    break;
                }
            if (!known) return Fail(L"unknown replacement %" + name + L"%");
        }
        return true;
    }

    bool ParseScript(RegistryScript& script) {
        if (!Next()) return false;
        while (token_.kind != Token::End) {
            ScriptRoot root;
            for (const RootName& r : kRoots)
                if (IsKeyword(token_, r.name)) root.root = r.key;
            if (!root.root) return Fail(L"root key expected, found '" + token_.text + L"'");
            if (!Next()) return false;
            if (token_.kind != Token::Open) return Fail(L"'{' expected after the root key");
            if (!ParseKeys(root.keys)) return false;
            script.roots.push_back(std::move(root));
            if (!Next()) return false;
        }
        return true;
    }

    // Reads up to and including the closing brace.
    bool ParseKeys(std::vector<ScriptKey>& keys) {
        if (!Next()) return false;
        while (token_.kind != Token::Close) {
            if (token_.kind == Token::End) return Fail(L"'}' missing");
            if (IsKeyword(token_, L"val")) return Fail(L"'val' outside a key");
            ScriptKey key;
            if (!ParseKey(key)) return false;
            keys.push_back(std::move(key));
        }
        return true;
    }

    // Leaves the token after the key (and its block) in token_.
    bool ParseKey(ScriptKey& key) {
        for (;;) {
            if (IsKeyword(token_, L"NoRemove"))
                key.noRemove = true;
            else if (IsKeyword(token_, L"ForceRemove"))
                key.forceRemove = true;
            else
                break;
            if (!Next()) return false;
        }
        if (token_.kind != Token::Word || token_.text.empty()) return Fail(L"key name expected");
        key.name = token_.text;
        if (!Next()) return false;
        if (token_.kind == Token::Equals) {
            if (!ParseValue(key.defaultValue)) return false;
            key.hasDefault = true;
        }
        if (token_.kind != Token::Open) return true;
        if (!Next()) return false;
        while (token_.kind != Token::Close) {
            if (token_.kind == Token::End) return Fail(L"'}' missing after key '" + key.name + L"'");
            if (IsKeyword(token_, L"val")) {
                ScriptValue value;
                if (!Next()) return false;
                if (token_.kind != Token::Word) return Fail(L"value name expected");
                value.name = token_.text;
                if (!Next()) return false;
                if (token_.kind != Token::Equals) return Fail(L"'=' expected after value '" + value.name + L"'");
                if (!ParseValue(value)) return false;
                key.values.push_back(std::move(value));
            } else {
                ScriptKey subkey;
                if (!ParseKey(subkey)) return false;
                key.subkeys.push_back(std::move(subkey));
            }
        }
        return Next();
    }

    // At '=': reads the type letter and the data; leaves the following token in token_.
    bool ParseValue(ScriptValue& value) {
        if (!Next()) return false;
        bool text = IsKeyword(token_, L"s");
        bool number = IsKeyword(token_, L"d");
        if (!text && !number) return Fail(L"value type 's' or 'd' expected");
        if (!Next()) return false;
        if (token_.kind != Token::Word) return Fail(L"value data expected");
        if (text) {
            value.type = REG_SZ;
            value.text = token_.text;
        } else {
            value.type = REG_DWORD;
            const wchar_t* digits = token_.text.c_str();
            wchar_t* end = nullptr;
            errno = 0;
            unsigned long long n = wcstoull(digits, &end, 0);
            if (token_.text.empty() || *end || errno || n > 0xFFFFFFFFull || digits[0] == L'-')
                return Fail(L"bad DWORD '" + token_.text + L"'");
            value.number = static_cast<DWORD>(n);
        }
        return Next();
    }

    const std::wstring& text_;
    const Replacements& replacements_;
    size_t at_ = 0;
    size_t line_ = 1;
    Token token_;
    std::wstring error_;
};
}  // namespace

bool ParseRegistryScript(const std::wstring& text, const Replacements& replacements, RegistryScript& script,
                         std::wstring& error) {
    script = RegistryScript();
    return Parser(text, replacements).Parse(script, error);
}

}  // namespace parcelon
