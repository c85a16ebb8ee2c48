// A run of crash-child.exe whose message boxes the test finds and answers as a user would.
#pragma once

#include <optional>
#include <string>
#include <vector>
#include <windows.h>

#include "common/UniqueResource.h"

namespace testing_support {

// A visible message box of the child, captioned "Parcelon".
struct ChildMessageBox {
    HWND window = nullptr;
    std::string text;
    DWORD threadId = 0;  // the thread that shows it
};

class CrashingChild {
public:
    // Starts `executable` on `dllPath`; `environment` entries "NAME=value" replace or add.
    CrashingChild(const std::string& executable, const std::string& dllPath,
                  const std::vector<std::string>& environment = {});
    ~CrashingChild();
    CrashingChild(const CrashingChild&) = delete;
    CrashingChild& operator=(const CrashingChild&) = delete;

    bool started() const { return static_cast<bool>(process_); }
    DWORD processId() const { return processId_; }
    DWORD mainThreadId() const { return mainThreadId_; }
    // The next box not answered yet; none when the child ends without showing one.
    std::optional<ChildMessageBox> NextMessageBox();
    // Presses the box's button with this id (IDYES, IDNO, IDOK) the way a click does.
    bool Press(const ChildMessageBox& box, int buttonId);
    // Answers the next box with `buttonId` and returns its text ("" when none came).
    std::string Answer(int buttonId);
    // Paths of the modules loaded in the child now.
    std::vector<std::string> LoadedModules() const;
    DWORD WaitForExit();

private:
    HWND FindBox() const;

    parcelon::UniqueHandle process_;
    DWORD processId_ = 0;
    DWORD mainThreadId_ = 0;
    HWND answered_ = nullptr;
};

}  // namespace testing_support
