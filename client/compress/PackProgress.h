// What the packing threads tell the user-interface thread while they work, and the flag
// with which the user stops them.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "common/SlimLock.h"

namespace parcelon {

struct PackProgress {
    std::atomic<bool> cancel{false};
    std::atomic<uint64_t> totalBytes{0};
    std::atomic<uint64_t> doneBytes{0};
    std::atomic<uint64_t> totalFiles{0};
    std::atomic<uint64_t> doneFiles{0};

    void SetCurrentFile(const std::string& path) {
        std::lock_guard<SlimLock> lock(nameLock_);
        currentFile_ = path;
    }
    std::string CurrentFile() const {
        std::lock_guard<SlimLock> lock(nameLock_);
        return currentFile_;
    }
    bool cancelled() const { return cancel.load(); }

private:
    mutable SlimLock nameLock_;
    std::string currentFile_;
};

}  // namespace parcelon
