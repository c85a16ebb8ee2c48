// Cuts a packed archive into parts that each fit one message.
#include "ArchiveSplit.h"

#include <windows.h>

#include "ChosenNames.h"
#include "common/FileSystemPath.h"

namespace parcelon {

namespace {
constexpr uint64_t kZip64EndBytes = 56 + 20;

uint64_t FileBytes(const std::string& utf8Path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(FileSystemPath(utf8Path).c_str(), GetFileExInfoStandard, &data)) return UINT64_MAX;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void DeleteAll(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) DeleteFileW(FileSystemPath(path).c_str());
}
}  // namespace

SplitPlan PlanSplit(const std::vector<ZipEntryInfo>& entries, uint64_t largestPart) {
    SplitPlan plan;
    uint64_t filled = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        uint64_t bytes = entries[i].ArchiveBytes();
        if (kEmptyArchiveBytes + bytes > largestPart) {
            plan.tooLarge.push_back(entries[i].name);
            continue;
        }
        // The 65,535th entry of a part brings the zip64 end records with it.
        auto withEntry = [&] { return bytes + (plan.parts.back().size() + 1 == 0xFFFF ? kZip64EndBytes : 0); };
        if (plan.parts.empty() || filled + withEntry() > largestPart) {
            plan.parts.emplace_back();
            filled = kEmptyArchiveBytes;
        }
        filled += withEntry();
        plan.parts.back().push_back(i);
    }
    if (!plan.tooLarge.empty()) plan.parts.clear();
    return plan;
}

std::string PartName(const std::string& archiveName, size_t part, size_t count) {
    return BeforeExtension(archiveName, " (" + std::to_string(part) + " of " + std::to_string(count) + ")");
}

std::vector<std::string> WriteParts(const ZipArchiveReader& archive, const SplitPlan& plan, const std::string& folder,
                                    const std::string& archiveName, uint64_t largestPart) {
    std::vector<std::string> written;
    for (size_t i = 0; i < plan.parts.size(); ++i) {
        std::string path = folder + PartName(archiveName, i + 1, plan.parts.size());
        bool fits = archive.CopyEntries(plan.parts[i], path) && FileBytes(path) <= largestPart;
        written.push_back(path);
        if (!fits) {
            DeleteAll(written);
            return {};
        }
    }
    return written;
}

}  // namespace parcelon
