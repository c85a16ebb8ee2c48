// parcelon-host: a small Outlook stand-in program. It loads the add-ins registered for
// Outlook the way Outlook does, shows a main window and a compose window, and writes the
// composed message as an .eml file.
//   parcelon-host compose [--attach PATH ...] [--no-compress] [--no-subfolders]
//                         [--archive NAME] [--addin PATH] [--outlook-version V] --out MESSAGE.eml
//   parcelon-host startup [--addin PATH] [--outlook-version V]   (the add-ins loaded, then unloaded)
//   parcelon-host pack --out ARCHIVE.zip [--threads N] PATH...   (see PackCommand.cpp)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>
#include <shellapi.h>

#include "AddinLoader.h"
#include "ComposeSession.h"
#include "MimeMessage.h"
#include "PackCommand.h"
#include "ZipListing.h"
#include "client/addin/AddinIds.h"
#include "common/FileSystemPath.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

using namespace parcelon;

namespace {
struct Arguments {
    bool startupOnly = false;
    host::ComposeOptions compose;
    std::string out;
    std::string addin;
    std::string outlookVersion = "16.0.0.0";  // what Application.Version answers
};

int Usage() {
    fprintf(stderr,
            "usage: parcelon-host compose [--attach PATH ...] [--no-compress] [--no-subfolders]\n"
            "                             [--archive NAME] [--addin PATH] [--outlook-version V]\n"
            "                             --out MESSAGE.eml\n"
            "       parcelon-host startup [--addin PATH] [--outlook-version V]\n");
    return 2;
}

bool Parse(const std::vector<std::string>& argv, Arguments& args) {
    if (argv.size() < 2 || (argv[1] != "compose" && argv[1] != "startup")) return false;
    args.startupOnly = argv[1] == "startup";
    for (size_t i = 2; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        bool hasValue = i + 1 < argv.size();
        if (a == "--attach" && hasValue)
            args.compose.attach.push_back(argv[++i]);
        else if (a == "--out" && hasValue)
            args.out = argv[++i];
        else if (a == "--archive" && hasValue)
            args.compose.archiveName = argv[++i];
        else if (a == "--addin" && hasValue)
            args.addin = argv[++i];
        else if (a == "--outlook-version" && hasValue)
            args.outlookVersion = argv[++i];
        else if (a == "--no-compress")
            args.compose.compress = false;
        else if (a == "--no-subfolders")
            args.compose.subFolders = false;
        else
            return false;
    }
    return (args.startupOnly || !args.out.empty()) && !args.compose.archiveName.empty() && !args.outlookVersion.empty();
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

void PrintAttachment(const standin::Attachment& a) {
    std::string name = Utf8FromWide(a.fileName());
    printf("attachment: %s (%zu bytes)\n", name.c_str(), a.content().size());
    if (name.size() < 4 || _stricmp(name.c_str() + name.size() - 4, ".zip") != 0) return;
    auto entries = host::ListZipEntries(a.content());
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

// --addin PATH registers that DLL; otherwise, without a Parcelon add-in registered for
// this program's bitness, the Parcelon.dll of this build is registered.
bool PrepareRegistration(const Arguments& args) {
    std::wstring path = args.addin.empty() ? host::RegisteredParcelonDll() : WideFromUtf8(args.addin);
    if (!args.addin.empty() || path.empty()) {
        if (path.empty()) path = host::OwnBuildParcelonDll();
        std::string message;
        if (!host::RegisterServerDll(path, message)) {
            fprintf(stderr, "parcelon-host: cannot register the add-in: %s\n", message.c_str());
            return false;
        }
        printf("registered: %s%s\n", Utf8FromWide(path).c_str(),
               args.addin.empty() ? " (no Parcelon add-in was registered; this build's)" : "");
    }
    return true;
}

// The stand-in Outlook of the given version with its main window shown, as add-ins find
// it when they are loaded.
standin::Application* StartApplication(const Arguments& args) {
    auto* app = new standin::Application;
    app->version = WideFromUtf8(args.outlookVersion);
    app->activeExplorer().frame().body = L"Inbox";
    app->activeExplorer().frame().Show();
    app->explorers().FireNewExplorer(app->activeExplorer().dispatch());
    return app;
}

bool ParcelonLoaded(const host::AddinLoader& addins) {
    return addins.Loaded(kVersionIndependentProgId) || addins.Loaded(kProgId);
}

// Loads and connects the add-ins, then unloads them: the start-up alone, for the bench.
int Startup(const Arguments& args) {
    if (!PrepareRegistration(args)) return 1;
    standin::Application* app = StartApplication(args);
    standin::AddinRibbons ribbons(app->version);
    host::AddinLoader addins;
    addins.LoadAll(app->dispatch(), ribbons);
    bool parcelonLoaded = ParcelonLoaded(addins);
    ribbons.Clear();
    addins.UnloadAll();
    app->Release();
    return parcelonLoaded ? 0 : 1;
}

int Compose(const Arguments& args) {
    if (!PrepareRegistration(args)) return 1;
    standin::Application* app = StartApplication(args);
    standin::AddinRibbons ribbons(app->version);
    ribbons.report = [](const std::string& line) { printf("%s\n", line.c_str()); };
    printf("playing Outlook %s: %s\n", args.outlookVersion.c_str(),
           ribbons.enabled() ? "compose windows with a ribbon" : "compose windows with command bars");
    host::AddinLoader addins;
    addins.LoadAll(app->dispatch(), ribbons);
    bool parcelonLoaded = ParcelonLoaded(addins);

    auto* mail = new standin::MailItem();
    host::ComposeResult composed;
    if (parcelonLoaded) composed = host::RunCompose(*app, *mail, ribbons, args.compose);

    std::vector<host::MimeAttachment> parts;
    for (const standin::Attachment* a : mail->attachments().items()) {
        PrintAttachment(*a);
        parts.push_back({Utf8FromWide(a->fileName()), &a->content()});
    }
    std::string body = "Sent with Parcelon.";
    bool written = parcelonLoaded && WriteFileContent(args.out, host::ComposeMime(Utf8FromWide(mail->subject), body, parts));
    parts.clear();
    mail->Release();
    ribbons.Clear();
    addins.UnloadAll();
    app->Release();

    if (!parcelonLoaded) {
        fprintf(stderr, "parcelon-host: the Parcelon add-in could not be loaded\n");
        return 1;
    }
    if (!written) {
        fprintf(stderr, "parcelon-host: cannot write %s (error %lu)\n", args.out.c_str(), GetLastError());
        return 1;
    }
    printf("message: %s\n", args.out.c_str());
    return composed.buttonInstalled && composed.completed ? 0 : 1;
}
}  // namespace

int main() {
    std::vector<std::string> argv = CommandLineArguments();
    if (argv.size() >= 2 && argv[1] == "pack") return host::RunPackCommand({argv.begin() + 2, argv.end()});
    Arguments args;
    if (!Parse(argv, args)) return Usage();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int result = args.startupOnly ? Startup(args) : Compose(args);
    CoUninitialize();
    return result;
}
