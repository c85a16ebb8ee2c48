// The boundary of every call the host makes into the add-in: nothing thrown inside may
// reach the host, which would end its process. What was caught goes to the debugger output.
#pragma once

#include <windows.h>

namespace parcelon {

// Inside a catch block: writes one line naming `entry` and what was thrown to the
// debugger output; a _com_error gets its usual report line instead.
void ReportEntryException(const char* entry) noexcept;

// Runs `body`; whatever it throws is reported and `onFailure` is returned instead.
template <class Result, class Body>
Result GuardedEntry(const char* entry, Result onFailure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        ReportEntryException(entry);
    }
    return onFailure;
}

// The same for a call that answers nothing.
template <class Body>
void GuardedCall(const char* entry, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        ReportEntryException(entry);
    }
}

}  // namespace parcelon
