// Reports an exception caught at an entry point of the add-in.
#include "EntryGuard.h"

#include <cstdio>
#include <exception>

#include "ComErrorReport.h"

namespace parcelon {

void ReportEntryException(const char* entry) noexcept {
    char line[512];
    try {
        throw;
    } catch (const _com_error& error) {
        try {
            ReportComError(error);  // the host's own account says what happened
            return;
        } catch (...) {  // no memory left for that report: the line below still goes out
        }
        snprintf(line, sizeof line, "Parcelon: %s ended by a failed host call\n", entry);
    } catch (const std::exception& error) {
        snprintf(line, sizeof line, "Parcelon: %s ended by an exception: %s\n", entry, error.what());
    } catch (...) {
        snprintf(line, sizeof line, "Parcelon: %s ended by an unknown exception\n", entry);
    }
    OutputDebugStringA(line);
}

}  // namespace parcelon
