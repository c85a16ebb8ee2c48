// The last step of packing: the finished archive checked and put on the message.
#include "ArchiveDelivery.h"

#include <windows.h>

#include "ArchiveSplit.h"
#include "BlockedTypes.h"
#include "ZipArchiveReader.h"
#include "client/addin/MessageSizeLimit.h"
#include "client/dialog/SendQuestionText.h"
#include "common/ComErrorReport.h"
#include "common/FileSystemPath.h"
#include "common/Policy.h"
#include "common/TextConversion.h"

namespace parcelon {

namespace {
void Delete(const std::string& path) { DeleteFileW(FileSystemPath(path).c_str()); }

uint64_t FileBytes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(FileSystemPath(path).c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// What Outlook said, else the system's text for the code; without a closing full stop.
std::string HostText(const _com_error& error) {
    _bstr_t description = error.Description();
    std::string text = description.length() ? Utf8FromWide(static_cast<const wchar_t*>(description))
                                            : std::string(error.ErrorMessage() ? error.ErrorMessage() : "");
    while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n')) text.pop_back();
    return text;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of("\\/") + 1); }

// Where an entry's file lies: entries are named below the system drive's root.
std::string SourcePathOf(std::string entryName) {
    for (char& c : entryName)
        if (c == '/') c = '\\';
    return SystemDriveRoot() + entryName;
}

void AttachWhole(const Attachments& attachments, const std::string& archiveName, AttachReport& report) {
    uint64_t size = FileBytes(report.archivePath);
    try {
        attachments.Add(report.archivePath);
        report.archiveAttached = true;
    } catch (const _com_error& error) {
        ReportComError(error);
        report.failure = "the archive " + archiveName + " (" + Utf8FromWide(ByteSizeText(size, true)) +
                         ") could not be attached: " + HostText(error);
    }
}

void DeleteQuietly(const HostObject& made) {
    if (!made) return;
    try {
        made.Call(L"Delete");
    } catch (const _com_error& error) {
        ReportComError(error);
    }
}

// Part 1 on this message; parts 2 to N on copies of it made first (so they do not carry
// part 1), each subject marked with its part, each shown and none sent.
void SendInParts(const MailItem& mail, const Attachments& attachments, const std::vector<std::string>& parts,
                 AttachReport& report) {
    std::vector<MailItem> copies;
    HostObject firstPart;
    size_t count = parts.size();
    size_t at = 1;
    try {
        std::wstring subject = mail.GetString(L"Subject");
        for (at = 2; at <= count; ++at) {
            MailItem copy(HostObject::FromVariant(mail.Call(L"Copy"), IID_OutlookMailItem));
            if (!copy) throw _com_error(E_POINTER);
            copies.push_back(copy);
            copy.Put(L"Subject", Variant::String(subject + L" (" + std::to_wstring(at) + L" of " +
                                                 std::to_wstring(count) + L")"));
            copy.GetAttachments().Add(parts[at - 1]);
        }
        at = 1;
        firstPart = attachments.Add(parts[0]);
        for (const MailItem& copy : copies) copy.Call(L"Display");
        report.archiveAttached = true;
        report.inParts = true;
    } catch (const _com_error& error) {
        ReportComError(error);
        // What a failed sending in parts put on is taken off again.
        DeleteQuietly(firstPart);
        for (const MailItem& copy : copies) DeleteQuietly(copy);
        report.failure = "part " + std::to_string(at) + " of " + std::to_string(count) + " (" +
                         Utf8FromWide(ByteSizeText(FileBytes(parts[at - 1]), true)) +
                         ") could not be attached: " + HostText(error);
    }
}

// What the administrator's BlockedTypes policy makes of refused types; Ask without one.
enum class BlockedTypesPolicy : DWORD { Ask = 0, LeaveOut = 1, Allow = 2 };

BlockedTypesPolicy ReadBlockedTypesPolicy() {
    return static_cast<BlockedTypesPolicy>(ReadPolicyInRange(L"BlockedTypes", 0, 2).value_or(0));
}

// Whether the user may attach an archive over the limit: unless AttachOverLimit is 0.
bool AttachOverLimitAllowed() { return ReadPolicyInRange(L"AttachOverLimit", 0, 1).value_or(1) == 1; }

// The refused types named and, when the user or the policy says so, taken out. False: go
// no further.
bool CheckBlockedTypes(const AskUser& ask, AttachReport& report) {
    BlockedTypesPolicy policy = ReadBlockedTypesPolicy();
    if (policy == BlockedTypesPolicy::Allow) return true;
    std::vector<size_t> blocked;
    std::vector<std::string> names;
    {
        ZipArchiveReader archive;
        if (!archive.Open(report.archivePath)) return true;  // then the size decides alone
        blocked = BlockedEntries(archive.entries());
        for (size_t i : blocked) names.push_back(archive.entries()[i].name);
    }
    if (blocked.empty()) return true;
    SendChoice choice =
        policy == BlockedTypesPolicy::LeaveOut ? SendChoice::LeaveOut : ask(BlockedTypesQuestion(names));
    if (choice == SendChoice::Back) {
        report.cancelled = true;
        return false;
    }
    if (choice != SendChoice::LeaveOut) return true;
    if (!LeaveOutEntries(report.archivePath, blocked)) {
        report.failure = "the files of refused types could not be taken out of the archive";
        return false;
    }
    for (const std::string& name : names) report.LeaveOut(SourcePathOf(name), "a type mail systems refuse");
    report.packedFiles -= names.size() < report.packedFiles ? names.size() : report.packedFiles;
    return true;
}
}  // namespace

void DeliverArchive(const MailItem& mail, const Attachments& attachments, const std::string& archiveName,
                    const AskUser& ask, AttachReport& report) {
    bool goOn = false;
    try {
        goOn = CheckBlockedTypes(ask, report);
    } catch (const std::exception& error) {
        report.failure = error.what();
    }
    if (goOn)
        DeliverWithinLimit(mail, attachments, archiveName, ask, report);
    else
        Delete(report.archivePath);
}

void DeliverWithinLimit(const MailItem& mail, const Attachments& attachments, const std::string& archiveName,
                        const AskUser& ask, AttachReport& report) {
    std::vector<std::string> parts;
    try {
        MessageSizeLimit limit = ReadMessageSizeLimit(mail);
        uint64_t size = FileBytes(report.archivePath);
        SendChoice choice = SendChoice::Anyway;
        if (!limit.Admits(size)) {
            ZipArchiveReader archive;
            SplitPlan plan;
            if (archive.Open(report.archivePath)) plan = PlanSplit(archive.entries(), limit.LargestArchive());
            choice = ask(SizeLimitQuestion(size, limit.TighterLimit(), plan.parts.size(), plan.tooLarge,
                                           AttachOverLimitAllowed()));
            if (choice == SendChoice::Split && plan.tooLarge.empty()) {
                parts = WriteParts(archive, plan, FolderOf(report.archivePath), archiveName, limit.LargestArchive());
                if (parts.empty()) report.failure = "the archive could not be cut into parts";
            }
        }
        if (choice == SendChoice::Back) report.cancelled = true;
        else if (!parts.empty()) SendInParts(mail, attachments, parts, report);
        else if (report.failure.empty()) AttachWhole(attachments, archiveName, report);
    } catch (const std::exception& error) {
        report.failure = error.what();
    }
    for (const std::string& part : parts) Delete(part);
    Delete(report.archivePath);
}

}  // namespace parcelon
