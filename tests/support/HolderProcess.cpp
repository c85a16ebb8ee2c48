// Starts another program that holds a file or a working folder.
#include "HolderProcess.h"

#include <algorithm>
#include <atomic>
#include <windows.h>

#include "common/TextConversion.h"

namespace testing_support {

namespace {
std::atomic<int> holders{0};

std::string HolderPath() {
    std::string path = FILE_HOLDER_PATH;  // the build's Linux path, seen through drive Z:
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}
}  // namespace

HolderProcess::HolderProcess(const std::string& mode, const std::string& path) {
    std::string name = "parcelon-holder-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(holders++);
    readyEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, (name + "-ready").c_str()));
    stopEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, (name + "-stop").c_str()));
    std::wstring command = parcelon::WideFromUtf8("\"" + HolderPath() + "\" " + mode + " \"" + path + "\" " + name +
                                                  "-ready " + name + "-stop");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!readyEvent_ || !stopEvent_ ||
        !CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return;
    CloseHandle(started.hThread);
    process_.reset(started.hProcess);
    HANDLE either[] = {readyEvent_.get(), process_.get()};
    ready_ = WaitForMultipleObjects(2, either, FALSE, 30000) == WAIT_OBJECT_0;
}

HolderProcess::~HolderProcess() { Stop(); }

void HolderProcess::Stop() {
    if (!process_) return;
    SetEvent(stopEvent_.get());
    WaitForSingleObject(process_.get(), 30000);
    process_.reset();
}

void HolderProcess::Kill() {
    if (!process_) return;
    TerminateProcess(process_.get(), 9);
    WaitForSingleObject(process_.get(), 30000);
    process_.reset();
}

}  // namespace testing_support
