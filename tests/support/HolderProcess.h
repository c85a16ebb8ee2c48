// Starts file-holder (FileHolder.cpp), another program that holds a file or a working
// folder, and waits until it does; stops it again when it goes.
#pragma once

#include <string>

#include "common/UniqueResource.h"

namespace testing_support {

class HolderProcess {
public:
    // `mode` and `path` as file-holder takes them; `ready()` tells whether it holds.
    HolderProcess(const std::string& mode, const std::string& path);
    ~HolderProcess();
    HolderProcess(const HolderProcess&) = delete;
    HolderProcess& operator=(const HolderProcess&) = delete;

    bool ready() const { return ready_; }
    // Tells it to let go, and waits until it has ended.
    void Stop();
    // Ends it at once, as a crash ends Outlook: it lets go of nothing itself.
    void Kill();

private:
    parcelon::UniqueHandle process_, readyEvent_, stopEvent_;
    bool ready_ = false;
};

}  // namespace testing_support
