// Collects what this process writes with OutputDebugString, the way a debug-output
// viewer does (the DBWIN_BUFFER shared section and its two events).
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

#include "common/UniqueResource.h"

namespace testing_support {

class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    bool ready() const { return ready_; }
    // Waits until at least `count` messages have arrived, then returns and forgets all of
    // them; fewer when the timeout passes.
    std::vector<std::string> Take(size_t count, DWORD timeoutMs = 5000);
    // Waits until the messages, joined, hold `text`, then returns and forgets all of them.
    // A line can come as several messages, its reports before it: counting messages would
    // stop early on a loaded machine. The timeout only bounds a failing test.
    std::vector<std::string> TakeUntil(const std::string& text, DWORD timeoutMs = 20000);

private:
    void Listen();
    std::vector<std::string> TakeWhen(const std::function<bool()>& enough, DWORD timeoutMs);

    parcelon::UniqueHandle mapping_, bufferReady_, dataReady_, stop_;
    void* view_ = nullptr;
    bool ready_ = false;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> messages_;
    std::thread listener_;
};

// All messages joined, for the checks of one report line.
std::string Joined(const std::vector<std::string>& messages);

}  // namespace testing_support
