// The messages parcelon-host ends with, as .eml files.
#include "MessageFiles.h"

#include <cstdio>
#include <cstring>
#include <vector>
#include <windows.h>

#include "MimeMessage.h"
#include "ZipListing.h"
#include "common/FileSystemPath.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

using namespace parcelon;

namespace host {

namespace {
bool WriteFileContent(const std::string& path, const std::string& content) {
    UniqueFile file(CreateFileW(FileSystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    const char* data = content.data();
    size_t left = content.size();
    while (file && left > 0) {  // large blocks, each below the 4 GiB a single write takes
        DWORD written = 0;
        DWORD block = static_cast<DWORD>(left < (64u << 20) ? left : (64u << 20));
        if (!WriteFile(file.get(), data, block, &written, nullptr) || written == 0) return false;
        data += written;
        left -= written;
    }
    return static_cast<bool>(file);
}
}  // namespace

void PrintAttachment(const standin::Attachment& a) {
    std::string name = Utf8FromWide(a.fileName());
    printf("attachment: %s (%zu bytes)\n", name.c_str(), a.content().size());
    if (name.size() < 4 || _stricmp(name.c_str() + name.size() - 4, ".zip") != 0) return;
    auto entries = ListZipEntries(a.content());
    if (!entries) {
        printf("  (not a readable zip archive)\n");
        return;
    }
    // One write for the whole list: a printf per entry costs more than packing them.
    std::string listing;
    for (const auto& e : *entries) {
        char sizes[64];
        snprintf(sizes, sizeof sizes, " (%u bytes, %u packed)\n", e.size, e.compressedSize);
        listing += "  " + e.name + sizes;
    }
    fwrite(listing.data(), 1, listing.size(), stdout);
}

std::string MessagePath(const std::string& first, size_t index) {
    if (index == 0) return first;
    size_t dot = first.find_last_of('.');
    size_t slash = first.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = first.size();
    return first.substr(0, dot) + "-" + std::to_string(index + 1) + first.substr(dot);
}

bool WriteMessage(standin::MailItem& mail, const std::string& path) {
    std::vector<MimeAttachment> parts;
    for (const standin::Attachment* a : mail.attachments().items()) {
        PrintAttachment(*a);
        parts.push_back({Utf8FromWide(a->fileName()), &a->content()});
    }
    std::string text =
        ComposeMime(Utf8FromWide(mail.to), Utf8FromWide(mail.subject), Utf8FromWide(mail.body), parts);
    if (!WriteFileContent(path, text)) {
        fprintf(stderr, "parcelon-host: cannot write %s (error %lu)\n", path.c_str(), GetLastError());
        return false;
    }
    printf("message: %s (subject \"%s\"%s)\n", path.c_str(), Utf8FromWide(mail.subject).c_str(),
           mail.displayed ? ", shown" : "");
    return true;
}

bool WriteMessages(standin::MailItem& mail, const std::string& first, size_t firstIndex, size_t* count) {
    size_t index = firstIndex;
    bool written = WriteMessage(mail, MessagePath(first, index));
    written = WriteCopies(mail, first, index) && written;
    if (count) *count = index + 1 - firstIndex;
    return written;
}

bool WriteCopies(standin::MailItem& mail, const std::string& first, size_t& index) {
    bool written = true;
    for (standin::MailItem* copy : mail.copies())
        if (!copy->deleted) written = WriteMessage(*copy, MessagePath(first, ++index)) && written;
    return written;
}


}  // namespace host
