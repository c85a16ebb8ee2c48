// Reads the signature and the exception stream of a minidump file, checking every offset.
#include "MinidumpFile.h"

#include <cstring>
#include <dbghelp.h>

namespace testing_support {

namespace {
template <typename T>
std::optional<T> ReadAt(const std::string& content, size_t offset) {
    if (offset > content.size() || content.size() - offset < sizeof(T)) return std::nullopt;
    T value;
    memcpy(&value, content.data() + offset, sizeof(T));
    return value;
}
}  // namespace

bool HasMinidumpSignature(const std::string& content) { return content.compare(0, 4, "MDMP") == 0; }

std::optional<DumpedException> ReadDumpedException(const std::string& content) {
    std::optional<MINIDUMP_HEADER> header = ReadAt<MINIDUMP_HEADER>(content, 0);
    if (!header || !HasMinidumpSignature(content)) return std::nullopt;
    for (ULONG32 i = 0; i < header->NumberOfStreams; ++i) {
        auto entry = ReadAt<MINIDUMP_DIRECTORY>(content, header->StreamDirectoryRva + i * sizeof(MINIDUMP_DIRECTORY));
        if (!entry) return std::nullopt;
        if (entry->StreamType != ExceptionStream) continue;
        auto stream = ReadAt<MINIDUMP_EXCEPTION_STREAM>(content, entry->Location.Rva);
        if (!stream) return std::nullopt;
        return DumpedException{stream->ThreadId, stream->ExceptionRecord.ExceptionCode};
    }
    return std::nullopt;
}

}  // namespace testing_support
