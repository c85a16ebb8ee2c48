// A run of crash-child.exe whose message boxes the test finds and answers.
#include "CrashingChild.h"

#include "common/TextConversion.h"

#include <cstring>
#include <tlhelp32.h>

namespace testing_support {

namespace {
constexpr const char* kCaption = "Parcelon";
// Long enough for a slow start under Wine; a child that hangs fails the test, not the run.
constexpr int kPolls = 1200;
constexpr DWORD kPollMs = 50;

std::string NameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

// This process's environment with `changes` applied, as a block for CreateProcess.
std::string EnvironmentBlock(const std::vector<std::string>& changes) {
    std::string block;
    if (char* strings = GetEnvironmentStringsA()) {
        for (const char* entry = strings; *entry; entry += strlen(entry) + 1) {
            bool replaced = false;
            for (const std::string& change : changes)
                replaced = replaced || lstrcmpiA(NameOf(entry).c_str(), NameOf(change).c_str()) == 0;
            if (!replaced) block.append(entry).push_back('\0');
        }
        FreeEnvironmentStringsA(strings);
    }
    for (const std::string& change : changes) block.append(change).push_back('\0');
    block.push_back('\0');
    return block;
}

// The box's text as UTF-8, whatever its length.
BOOL CALLBACK CollectStaticText(HWND child, LPARAM found) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    std::wstring text(GetWindowTextLengthW(child) + 1, L'\0');
    text.resize(GetWindowTextW(child, &text[0], static_cast<int>(text.size())));
    auto* result = reinterpret_cast<std::string*>(found);
    if (lstrcmpiA(className, "Static") == 0 && !text.empty() && result->empty())
        *result = parcelon::Utf8FromWide(text);
    return TRUE;
}
}  // namespace

CrashingChild::CrashingChild(const std::string& executable, const std::string& dllPath,
                             const std::vector<std::string>& environment) {
    std::string commandLine = "\"" + executable + "\" \"" + dllPath + "\"";
    std::string block = EnvironmentBlock(environment);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(executable.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, &block[0], nullptr,
                        &startup, &info))
        return;
    process_.reset(info.hProcess);
    parcelon::UniqueHandle thread(info.hThread);
    processId_ = info.dwProcessId;
    mainThreadId_ = info.dwThreadId;
}

CrashingChild::~CrashingChild() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), INFINITE);
    }
}

HWND CrashingChild::FindBox() const {
    for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", kCaption); window;
         window = FindWindowExA(nullptr, window, "#32770", kCaption)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        // A box that was answered may stay a moment, hidden, before it goes.
        if (owner == processId_ && window != answered_ && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

std::optional<ChildMessageBox> CrashingChild::NextMessageBox() {
    if (!process_) return std::nullopt;
    for (int poll = 0; poll < kPolls; ++poll) {
        if (HWND window = FindBox()) {
            ChildMessageBox box;
            box.window = window;
            box.threadId = GetWindowThreadProcessId(window, nullptr);
            EnumChildWindows(window, CollectStaticText, reinterpret_cast<LPARAM>(&box.text));
            return box;
        }
        if (WaitForSingleObject(process_.get(), kPollMs) == WAIT_OBJECT_0) return std::nullopt;
    }
    return std::nullopt;
}

bool CrashingChild::Press(const ChildMessageBox& box, int buttonId) {
    HWND button = GetDlgItem(box.window, buttonId);
    if (!button) return false;
    answered_ = box.window;
    SendMessageA(button, BM_CLICK, 0, 0);
    return true;
}

std::string CrashingChild::Answer(int buttonId) {
    std::optional<ChildMessageBox> box = NextMessageBox();
    return box && Press(*box, buttonId) ? box->text : "";
}

std::vector<std::string> CrashingChild::LoadedModules() const {
    std::vector<std::string> paths;
    parcelon::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId_));
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    if (snapshot && Module32First(snapshot.get(), &entry)) {
        do paths.push_back(entry.szExePath);
        while (Module32Next(snapshot.get(), &entry));
    }
    return paths;
}

DWORD CrashingChild::WaitForExit() {
    DWORD code = STILL_ACTIVE;
    if (process_ && WaitForSingleObject(process_.get(), kPolls * kPollMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process_.get(), &code);
    return code;
}

}  // namespace testing_support
