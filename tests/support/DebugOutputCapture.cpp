// Collects what this process writes with OutputDebugString.
#include "DebugOutputCapture.h"

#include <chrono>

namespace testing_support {

namespace {
struct DbWinBuffer {
    DWORD processId;
    char text[4096 - sizeof(DWORD)];
};
}  // namespace

DebugOutputCapture::DebugOutputCapture() {
    mapping_.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DbWinBuffer),
                                      "DBWIN_BUFFER"));
    bufferReady_.reset(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY"));
    dataReady_.reset(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY"));
    stop_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!mapping_ || !bufferReady_ || !dataReady_ || !stop_) return;
    view_ = MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0);
    if (!view_) return;
    ready_ = true;
    listener_ = std::thread([this] { Listen(); });
    SetEvent(bufferReady_.get());
}

DebugOutputCapture::~DebugOutputCapture() {
    if (listener_.joinable()) {
        SetEvent(stop_.get());
        listener_.join();
    }
    if (view_) UnmapViewOfFile(view_);
}

void DebugOutputCapture::Listen() {
    HANDLE waits[] = {dataReady_.get(), stop_.get()};
    const auto* buffer = static_cast<const DbWinBuffer*>(view_);
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        if (buffer->processId == GetCurrentProcessId()) {
            std::string text(buffer->text, strnlen(buffer->text, sizeof buffer->text));
            std::lock_guard<std::mutex> lock(mutex_);
            messages_.push_back(std::move(text));
            arrived_.notify_all();
        }
        SetEvent(bufferReady_.get());
    }
}

std::vector<std::string> DebugOutputCapture::TakeWhen(const std::function<bool()>& enough, DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), enough);
    return std::exchange(messages_, {});
}

std::vector<std::string> DebugOutputCapture::Take(size_t count, DWORD timeoutMs) {
    return TakeWhen([&] { return messages_.size() >= count; }, timeoutMs);
}

std::vector<std::string> DebugOutputCapture::TakeUntil(const std::string& text, DWORD timeoutMs) {
    return TakeWhen([&] { return Joined(messages_).find(text) != std::string::npos; }, timeoutMs);
}

std::string Joined(const std::vector<std::string>& messages) {
    std::string all;
    for (const std::string& m : messages) all += m;
    return all;
}

}  // namespace testing_support
