// The registrar script parser, and scripts applied to the real registry of the prefix.
#include <gtest/gtest.h>

#include "server/Registrar.h"
#include "server/RegistryScript.h"
#include "tests/server/ComTestSupport.h"

using namespace parcelon;
using namespace testing_support;

namespace {
const wchar_t* const kScratch = L"Software\\Kestrelbay\\ParcelonScriptTests";

RegistryScript Parsed(const std::wstring& text, const Replacements& replacements = {}) {
    RegistryScript script;
    std::wstring error;
    EXPECT_TRUE(ParseRegistryScript(text, replacements, script, error)) << std::string(error.begin(), error.end());
    return script;
}

std::wstring ErrorOf(const std::wstring& text) {
    RegistryScript script;
    std::wstring error;
    EXPECT_FALSE(ParseRegistryScript(text, {{L"MODULE", L"C:\\x.dll"}}, script, error));
    return error;
}

// A script over the scratch key under HKCU.
std::wstring UnderScratch(const std::wstring& body) {
    return L"HKCU { NoRemove Software { NoRemove Kestrelbay { NoRemove ParcelonScriptTests {\n" + body +
           L"\n} } } }";
}

std::wstring Scratch(const std::wstring& path) { return std::wstring(kScratch) + L"\\" + path; }

class ScriptInRegistry : public ::testing::Test {
protected:
    void SetUp() override { DeleteTree(HKEY_CURRENT_USER, kScratch); }
    void TearDown() override { DeleteTree(HKEY_CURRENT_USER, kScratch); }
    HRESULT Apply(const std::wstring& body, bool registering) {
        return ApplyRegistryScript(Parsed(UnderScratch(body)), HKEY_CLASSES_ROOT, registering);
    }
};
}  // namespace

TEST(RegistryScript, ReadsKeysValuesMarksAndReplacements) {
    RegistryScript script = Parsed(
        L"// a comment\n"
        L"HKCR\n{\n  NoRemove CLSID\n  {\n    ForceRemove {1-2} = s 'It''s %MODULE%'\n    {\n"
        L"      'Programmable'\n      InprocServer32 = s '%MODULE%'\n      {\n"
        L"        val ThreadingModel = s 'Apartment'\n        val Count = d '3'\n        val Mask = d '0x10'\n"
        L"      }\n    }\n  }\n}\nHKCU { Plain }",
        {{L"MODULE", L"C:\\p\\Parcelon.dll"}});
    ASSERT_EQ(2u, script.roots.size());
    EXPECT_EQ(HKEY_CLASSES_ROOT, script.roots[0].root);
    EXPECT_EQ(HKEY_CURRENT_USER, script.roots[1].root);
    ASSERT_EQ(1u, script.roots[0].keys.size());
    const ScriptKey& clsid = script.roots[0].keys[0];
    EXPECT_TRUE(clsid.noRemove);
    EXPECT_FALSE(clsid.hasDefault);
    ASSERT_EQ(1u, clsid.subkeys.size());
    const ScriptKey& cls = clsid.subkeys[0];
    EXPECT_EQ(L"{1-2}", cls.name);
    EXPECT_TRUE(cls.forceRemove);
    EXPECT_FALSE(cls.noRemove);
    ASSERT_TRUE(cls.hasDefault);
    EXPECT_EQ(L"It's C:\\p\\Parcelon.dll", cls.defaultValue.text);
    ASSERT_EQ(2u, cls.subkeys.size());
    EXPECT_EQ(L"Programmable", cls.subkeys[0].name);
    EXPECT_FALSE(cls.subkeys[0].hasDefault);
    const ScriptKey& server = cls.subkeys[1];
    EXPECT_EQ(L"C:\\p\\Parcelon.dll", server.defaultValue.text);
    ASSERT_EQ(3u, server.values.size());
    EXPECT_EQ(L"ThreadingModel", server.values[0].name);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), server.values[0].type);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), server.values[1].type);
    EXPECT_EQ(3u, server.values[1].number);
    EXPECT_EQ(16u, server.values[2].number);
    EXPECT_EQ(L"Plain", script.roots[1].keys[0].name);
}

TEST(RegistryScript, QuotedKeywordIsAKeyName) {
    RegistryScript script = Parsed(L"HKCU { 'NoRemove' { 'val' } }");
    const ScriptKey& key = script.roots[0].keys[0];
    EXPECT_EQ(L"NoRemove", key.name);
    EXPECT_FALSE(key.noRemove);
    ASSERT_EQ(1u, key.subkeys.size());
    EXPECT_EQ(L"val", key.subkeys[0].name);
}

TEST(RegistryScript, RejectsMalformedScriptsWithTheLine) {
    EXPECT_NE(std::wstring::npos, ErrorOf(L"HKXX { A }").find(L"root key expected"));
    EXPECT_NE(std::wstring::npos, ErrorOf(L"HKCU { A {\n B }").find(L"'}' missing"));
    EXPECT_NE(std::wstring::npos, ErrorOf(L"HKCU {\n\n A = x 'y' }").find(L"line 3"));
    EXPECT_NE(std::wstring::npos, ErrorOf(L"HKCU { A { val N = d '12z' } }").find(L"bad DWORD"));
    EXPECT_NE(std::wstring::npos, ErrorOf(L"HKCU { A { val N = d '4294967296' } }").find(L"bad DWORD"));
    EXPECT_NE(std::wstring::npos, ErrorOf(L"HKCU { A { val N = d '-1' } }").find(L"bad DWORD"));
    EXPECT_NE(std::wstring::npos, ErrorOf(L"HKCU { A = s 'open }").find(L"unterminated"));
    EXPECT_NE(std::wstring::npos, ErrorOf(L"HKCU { A = s '%OTHER%' }").find(L"unknown replacement"));
    EXPECT_NE(std::wstring::npos, ErrorOf(L"HKCU { val A = s 'x' }").find(L"'val' outside a key"));
    EXPECT_NE(std::wstring::npos, ErrorOf(L"HKCU { A { val N s 'x' } }").find(L"'=' expected"));
}

TEST_F(ScriptInRegistry, RegisteringWritesEveryKeyAndValue) {
    ASSERT_EQ(S_OK, Apply(L"App = s 'Text' { Sub { val Name = s 'v' val Number = d '7' } Empty }", true));
    std::wstring text;
    DWORD number = 0;
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, Scratch(L"App"), L"", text));
    EXPECT_EQ(L"Text", text);
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, Scratch(L"App\\Sub"), L"Name", text));
    EXPECT_EQ(L"v", text);
    EXPECT_TRUE(ReadDword(HKEY_CURRENT_USER, Scratch(L"App\\Sub"), L"Number", number));
    EXPECT_EQ(7u, number);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Scratch(L"App\\Empty")));
}

TEST_F(ScriptInRegistry, ForceRemoveClearsTheOldSubtreeFirstAndPlainKeysKeepIt) {
    ASSERT_EQ(S_OK, Apply(L"Forced { Old { Deeper } } Plain { Old }", true));
    ASSERT_EQ(S_OK, Apply(L"ForceRemove Forced { New } Plain { New }", true));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Scratch(L"Forced\\Old")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Scratch(L"Forced\\New")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Scratch(L"Plain\\Old")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Scratch(L"Plain\\New")));
}

TEST_F(ScriptInRegistry, UnregisteringRemovesOwnKeysDeepestFirstAndKeepsNoRemove) {
    const std::wstring body = L"NoRemove Shared { Own = s 'x' { Inner { val V = s 'y' } } }";
    ASSERT_EQ(S_OK, Apply(body, true));
    ASSERT_EQ(S_OK, Apply(body, false));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Scratch(L"Shared")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Scratch(L"Shared\\Own")));
    // Nothing left to remove is no failure.
    EXPECT_EQ(S_OK, Apply(body, false));
}

TEST_F(ScriptInRegistry, UnregisteringKeepsAKeyThatHoldsForeignKeysButDropsItsNamedValues) {
    ASSERT_EQ(S_OK, Apply(L"Own { val Mine = s 'x' }", true));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, Scratch(L"Own\\Foreign").c_str(), nullptr, REG_SZ,
                                             L"", sizeof(wchar_t)));
    ASSERT_EQ(S_OK, Apply(L"Own { val Mine = s 'x' } ForceRemove Forced", true));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, Scratch(L"Forced\\Foreign").c_str(), nullptr,
                                             REG_SZ, L"", sizeof(wchar_t)));
    ASSERT_EQ(S_OK, Apply(L"Own { val Mine = s 'x' } ForceRemove Forced", false));
    std::wstring text;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Scratch(L"Own\\Foreign")));
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, Scratch(L"Own"), L"Mine", text));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Scratch(L"Forced")));
}
