// parcelon-host: runs the compress-and-attach action against the Outlook stand-in and
// writes the resulting message as an .eml file.
//   parcelon-host compose --attach PATH [--attach PATH ...] [--no-compress]
//                         [--no-subfolders] --out MESSAGE.eml
//   parcelon-host pack --out ARCHIVE.zip [--threads N] PATH...   (see PackCommand.cpp)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>
#include <shellapi.h>

#include "MimeMessage.h"
#include "PackCommand.h"
#include "ZipListing.h"
#include "client/compress/CompressAndAttach.h"
#include "client/dialog/DroppedEntry.h"
#include "common/FileSystemPath.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "standin/MailObjects.h"

using namespace parcelon;

namespace {
struct Arguments {
    std::vector<std::string> attach;
    std::string out;
    bool compress = true;
    bool subFolders = true;
};

int Usage() {
    fprintf(stderr,
            "usage: parcelon-host compose --attach PATH [--attach PATH ...] [--no-compress]\n"
            "                             [--no-subfolders] --out MESSAGE.eml\n");
    return 2;
}

// The arguments as UTF-8, read from the wide command line so that any path comes through.
std::vector<std::string> CommandLineArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    UniqueHLocal owner(reinterpret_cast<HLOCAL>(argv));
    for (int i = 0; argv && i < count; ++i) arguments.push_back(Utf8FromWide(argv[i]));
    return arguments;
}

bool Parse(const std::vector<std::string>& argv, Arguments& args) {
    size_t argc = argv.size();
    if (argc < 2 || argv[1] != "compose") return false;
    for (size_t i = 2; i < argc; ++i) {
        const std::string& a = argv[i];
        if (a == "--attach" && i + 1 < argc)
            args.attach.push_back(argv[++i]);
        else if (a == "--out" && i + 1 < argc)
            args.out = argv[++i];
        else if (a == "--no-compress")
            args.compress = false;
        else if (a == "--no-subfolders")
            args.subFolders = false;
        else
            return false;
    }
    return !args.attach.empty() && !args.out.empty();
}

std::string SystemMessage(DWORD error) {
    char text[512] = {};
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                        sizeof text, nullptr))
        snprintf(text, sizeof text, "error %lu", error);
    std::string s = text;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

bool WriteFileContent(const std::string& path, const std::string& content) {
    UniqueFile file(CreateFileW(FileSystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size();
}

void PrintAttachment(const standin::Attachment& a) {
    std::string name = Utf8FromWide(a.fileName());
    printf("attachment: %s (%zu bytes)\n", name.c_str(), a.content().size());
    if (name.size() < 4 || _stricmp(name.c_str() + name.size() - 4, ".zip") != 0) return;
    auto entries = host::ListZipEntries(a.content());
    if (!entries) {
        printf("  (not a readable zip archive)\n");
        return;
    }
    for (const auto& e : *entries) printf("  %s (%u bytes, %u packed)\n", e.name.c_str(), e.size, e.compressedSize);
}

int Compose(const Arguments& args) {
    std::vector<FileEntry> rows;
    std::vector<LeftOutFile> notChosen;
    for (const std::string& path : args.attach) {
        if (auto entry = MakeDroppedEntry(path))
            rows.push_back(*entry);
        else
            notChosen.push_back({path, SystemMessage(GetLastError())});
    }

    AttachOptions options = attachOptions;
    options.compressAttachments = args.compress ? 1 : 0;
    options.includeSubFolders = args.subFolders ? 1 : 0;

    auto* mail = new standin::MailItem();
    AttachReport report;
    if (!rows.empty()) report = CompressAndAttach(rows, MailItem(mail->dispatch()), options);

    std::vector<host::MimeAttachment> parts;
    for (const standin::Attachment* a : mail->attachments().items()) {
        PrintAttachment(*a);
        parts.push_back({Utf8FromWide(a->fileName()), a->content()});
    }
    for (const LeftOutFile& f : notChosen) printf("left out: %s (%s)\n", f.path.c_str(), f.reason.c_str());
    for (const LeftOutFile& f : report.leftOut) printf("left out: %s (%s)\n", f.path.c_str(), f.reason.c_str());
    if (!report.failure.empty()) printf("stopped: %s\n", report.failure.c_str());

    std::string body = "Sent with Parcelon.";
    bool written = WriteFileContent(args.out, host::ComposeMime(Utf8FromWide(mail->subject), body, parts));
    mail->Release();
    if (!written) {
        fprintf(stderr, "parcelon-host: cannot write %s: %s\n", args.out.c_str(), SystemMessage(GetLastError()).c_str());
        return 1;
    }
    printf("message: %s\n", args.out.c_str());
    return report.failure.empty() ? 0 : 1;
}
}  // namespace

int main() {
    std::vector<std::string> argv = CommandLineArguments();
    if (argv.size() >= 2 && argv[1] == "pack") return host::RunPackCommand({argv.begin() + 2, argv.end()});
    Arguments args;
    if (!Parse(argv, args)) return Usage();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int result = Compose(args);
    CoUninitialize();
    return result;
}
