// What the packing threads tell the user-interface thread while they work, and the flag
// with which the user stops them.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>
#include <windows.h>

#include "common/SlimLock.h"
#include "common/UniqueResource.h"

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

    // Stops the packing: sets the flag, and cancels the reads the reading threads are
    // blocked in (a share that went away answers no read). Called again, it cancels again,
    // for a thread that had looked at the flag just before and began a read after.
    void Cancel() {
        cancel = true;
        std::lock_guard<SlimLock> lock(readersLock_);
        for (HANDLE reader : readers_) CancelSynchronousIo(reader);
    }

    // Makes the calling thread's reads cancellable by Cancel while it lives.
    class Reader {
    public:
        explicit Reader(PackProgress& progress) : progress_(progress) {
            HANDLE thread = nullptr;
            // CancelSynchronousIo asks for the right to end the thread.
            DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, THREAD_TERMINATE,
                            FALSE, 0);
            thread_.reset(thread);
            if (!thread_) return;
            std::lock_guard<SlimLock> lock(progress_.readersLock_);
            progress_.readers_.push_back(thread_.get());
        }
        ~Reader() {
            if (!thread_) return;
            std::lock_guard<SlimLock> lock(progress_.readersLock_);
            auto& readers = progress_.readers_;
            readers.erase(std::remove(readers.begin(), readers.end(), thread_.get()), readers.end());
        }
        Reader(const Reader&) = delete;
        Reader& operator=(const Reader&) = delete;

    private:
        PackProgress& progress_;
        UniqueHandle thread_;
    };

private:
    mutable SlimLock nameLock_;
    std::string currentFile_;
    SlimLock readersLock_;
    std::vector<HANDLE> readers_;
};

}  // namespace parcelon
