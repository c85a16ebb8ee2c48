// parcelon-host: a small Outlook stand-in program. It loads the add-ins registered for
// Outlook the way Outlook does, shows a main window and a compose window, and writes the
// composed message as an .eml file.
//   parcelon-host compose [--attach PATH ...] [--no-compress] [--no-subfolders]
//                         [--archive NAME] [--addin PATH] [--outlook-version V]
//                         [--account-type exchange|imap] [--send-limit-kb N]
//                         [--answer split|anyway|back|leave-out|pack[,...]]
//                         [--shutdown fast|begin|while-packing|while-asking] [--inline]
//                         [--close-while-packing] [--attach-file PATH ...] [--inline-picture PATH ...]
//                         [--send] [--cancel-packing] [--fail Interface.Member ...] --out MESSAGE.eml
//   Every message it ends with is written: MESSAGE.eml, then MESSAGE-2.eml, ... for the
//   copies the add-in made. With --send, MESSAGE.eml only when its send went on.
//   --attach-file: attached before the window opens, as Outlook's own Attach File does;
//   --inline-picture: a picture of the body. --send: Send is pressed (after the dialog,
//   with --attach) and ItemSend raised; --cancel-packing: Cancel on the progress window of
//   "Pack and send"; --fail: that member of the stand-in fails once Send is pressed.
//   parcelon-host startup [--addin PATH] [--outlook-version V]   (the add-ins loaded, then unloaded)
//   parcelon-host session [--windows N] [--pack-every K] [--attach PATH] [--addin PATH]
//                         [--outlook-version V]   (see LongSession.h)
//   --inline: the message is an inline reply in the main window (Outlook 2013 and later).
//   --close-while-packing: the person closes the compose window while the dialog packs.
//   --shutdown fast: the process ends after the message without OnBeginShutdown or
//     OnDisconnection, as Outlook since 2010 ends; begin: OnBeginShutdown only, then the
//     same end; while-packing: the add-in is shut down while its dialog packs; while-asking:
//     while its first question before attaching is open.
//   parcelon-host pack --out ARCHIVE.zip [--threads N] PATH...   (see PackCommand.cpp)
//   parcelon-host serve --out MESSAGE.eml [--messages N] [--timeout-s S] [--register|--unregister]
//                                                                  (see ServeCommand.h)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>
#include <shellapi.h>

#include "AddinLoader.h"
#include "ComposeSession.h"
#include "LongSession.h"
#include "MessageFiles.h"
#include "PackCommand.h"
#include "SendingAccount.h"
#include "ServeCommand.h"
#include "client/addin/AddinIds.h"
#include "common/FileSystemPath.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "standin/StandInObject.h"

using namespace parcelon;

namespace {
struct Arguments {
    bool startupOnly = false;
    bool session = false;
    host::SessionOptions sessionOptions;
    host::ComposeOptions compose;
    host::AccountOptions account;
    std::string out;
    std::string addin;
    std::string outlookVersion = "16.0.0.0";  // what Application.Version answers
    std::string shutdown;  // empty: OnBeginShutdown and OnDisconnection once the window is closed
    bool closeWhilePacking = false;
};

int Usage() {
    fprintf(stderr,
            "usage: parcelon-host compose [--attach PATH ...] [--no-compress] [--no-subfolders]\n"
            "                             [--archive NAME] [--addin PATH] [--outlook-version V]\n"
            "                             [--account-type exchange|imap] [--send-limit-kb N]\n"
            "                             [--answer split|anyway|back|leave-out|pack[,...]]\n"
            "                             [--shutdown fast|begin|while-packing|while-asking] [--inline]\n"
            "                             [--close-while-packing] [--attach-file PATH ...]\n"
            "                             [--inline-picture PATH ...] [--send] [--cancel-packing]\n"
            "                             [--fail Interface.Member ...]\n"
            "                             --out MESSAGE.eml\n"
            "       parcelon-host startup [--addin PATH] [--outlook-version V]\n"
            "       parcelon-host session [--windows N] [--pack-every K] [--attach PATH] [--addin PATH]\n"
            "                             [--outlook-version V]\n");
    return 2;
}

// A comma-separated list of split, anyway, back, leave-out and pack.
bool ParseAnswers(const std::string& text, std::vector<std::string>& answers) {
    answers.clear();
    for (size_t start = 0; start <= text.size();) {
        size_t comma = text.find(',', start);
        std::string answer = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (answer != "split" && answer != "anyway" && answer != "back" && answer != "leave-out" && answer != "pack")
            return false;
        answers.push_back(answer);
        start = comma == std::string::npos ? text.size() + 1 : comma + 1;
    }
    return true;
}

bool Parse(const std::vector<std::string>& argv, Arguments& args) {
    if (argv.size() < 2 || (argv[1] != "compose" && argv[1] != "startup" && argv[1] != "session")) return false;
    args.startupOnly = argv[1] == "startup";
    args.session = argv[1] == "session";
    for (size_t i = 2; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        bool hasValue = i + 1 < argv.size();
        if (a == "--attach" && hasValue)
            args.compose.attach.push_back(argv[++i]);
        else if (a == "--windows" && hasValue && args.session)
            args.sessionOptions.windows = atoi(argv[++i].c_str());
        else if (a == "--pack-every" && hasValue && args.session)
            args.sessionOptions.packEvery = atoi(argv[++i].c_str());
        else if (a == "--out" && hasValue)
            args.out = argv[++i];
        else if (a == "--archive" && hasValue)
            args.compose.archiveName = argv[++i];
        else if (a == "--addin" && hasValue)
            args.addin = argv[++i];
        else if (a == "--outlook-version" && hasValue)
            args.outlookVersion = argv[++i];
        else if (a == "--account-type" && hasValue) {
            if (!host::ParseAccountType(argv[++i], args.account.type)) return false;
        } else if (a == "--answer" && hasValue) {
            if (!ParseAnswers(argv[++i], args.compose.answers)) return false;
        } else if (a == "--send-limit-kb" && hasValue)
            args.account.sendLimitKb = atol(argv[++i].c_str());
        else if (a == "--shutdown" && hasValue)
            args.shutdown = argv[++i];
        else if (a == "--no-compress")
            args.compose.compress = false;
        else if (a == "--close-while-packing")
            args.closeWhilePacking = true;
        else if (a == "--inline")
            args.compose.inlineReply = true;
        else if (a == "--no-subfolders")
            args.compose.subFolders = false;
        else if (a == "--attach-file" && hasValue)
            args.compose.attachFiles.push_back(argv[++i]);
        else if (a == "--inline-picture" && hasValue)
            args.compose.inlinePictures.push_back(argv[++i]);
        else if (a == "--fail" && hasValue)
            args.compose.failing.push_back(argv[++i]);
        else if (a == "--send")
            args.compose.send = true;
        else if (a == "--cancel-packing")
            args.compose.cancelPacking = true;
        else
            return false;
    }
    bool knownShutdown = args.shutdown.empty() || args.shutdown == "fast" || args.shutdown == "begin" ||
                         args.shutdown == "while-packing" || args.shutdown == "while-asking";
    if (args.session) {
        if (args.compose.attach.size() > 1) return false;
        if (!args.compose.attach.empty()) args.sessionOptions.attach = args.compose.attach.front();
        return args.sessionOptions.windows > 0 && args.sessionOptions.packEvery >= 0 && !args.outlookVersion.empty();
    }
    return knownShutdown && (args.startupOnly || !args.out.empty()) && !args.compose.archiveName.empty() &&
           !args.outlookVersion.empty();
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

// DllCanUnloadNow of the loaded Parcelon.dll: "yes", "no", or "unloaded".
std::string ParcelonUnloadable() {
    HMODULE module = GetModuleHandleW(host::RegisteredParcelonDll().c_str());
    if (!module) return "unloaded";
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    auto canUnload =
        reinterpret_cast<CanUnload>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DllCanUnloadNow")));
    return canUnload && canUnload() == S_OK ? "yes" : "no";
}

// The host ends its process with the add-ins still loaded; any call of theirs into the
// stand-in from here on is said on the standard error.
[[noreturn]] void EndProcess(int code) {
    fflush(stdout);
    standin::EndHost();
    ExitProcess(static_cast<UINT>(code));
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

// Many compose windows in one process, then the add-ins unloaded.
int Session(const Arguments& args) {
    if (!PrepareRegistration(args)) return 1;
    standin::Application* app = StartApplication(args);
    standin::AddinRibbons ribbons(app->version);
    printf("playing Outlook %s: %s\n", args.outlookVersion.c_str(),
           ribbons.enabled() ? "compose windows with a ribbon" : "compose windows with command bars");
    host::AddinLoader addins;
    addins.LoadAll(app->dispatch(), ribbons);
    bool parcelonLoaded = ParcelonLoaded(addins);
    bool kept = parcelonLoaded && host::RunLongSession(*app, ribbons, args.sessionOptions);
    ribbons.Clear();
    addins.UnloadAll();
    app->Release();
    if (!parcelonLoaded) fprintf(stderr, "parcelon-host: the Parcelon add-in could not be loaded\n");
    return kept ? 0 : 1;
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
    mail->to = L"Robin Example <robin@example.com>";
    host::SetUpSendingAccount(*app, *mail, args.account);
    host::ComposeOptions compose = args.compose;
    auto shutDown = [&addins, &ribbons](const char* when) {
        printf("shutting down while %s\n", when);
        addins.BeginShutdownAll();
        ribbons.Clear();
        addins.UnloadAll();
        printf("module can unload at once: %s\n", ParcelonUnloadable().c_str());
        fflush(stdout);
    };
    if (args.shutdown == "while-packing") compose.afterOk = [shutDown] { shutDown("the dialog packs"); };
    if (args.shutdown == "while-asking") compose.whileAsked = [shutDown] { shutDown("a question is open"); };
    if (args.closeWhilePacking) {
        compose.afterOk = [] {
            printf("closing the compose window while the dialog packs\n");
            fflush(stdout);
            SendMessageW(FindWindowW(nullptr, L"Untitled - Message"), WM_CLOSE, 0, 0);
            printf("compose window closed; module can unload at once: %s\n", ParcelonUnloadable().c_str());
        };
    }
    host::ComposeResult composed;
    if (parcelonLoaded) composed = host::RunCompose(*app, *mail, ribbons, compose);

    bool written = false;
    if (parcelonLoaded && compose.send && !composed.sent) {
        size_t index = 0;
        printf("message not sent: %s not written\n", args.out.c_str());
        written = host::WriteCopies(*mail, args.out, index);
    } else {
        written = parcelonLoaded && host::WriteMessages(*mail, args.out);
    }
    if (args.shutdown == "fast") EndProcess(written ? 0 : 1);
    if (args.shutdown == "begin") {
        addins.BeginShutdownAll();
        mail->Release();
        ribbons.Clear();
        app->Release();
        printf("stand-in objects held after OnBeginShutdown: %ld\n", standin::LiveObjects());
        EndProcess(written ? 0 : 1);
    }
    mail->Release();
    ribbons.Clear();
    addins.UnloadAll();
    app->Release();
    if (args.shutdown == "while-packing" || args.shutdown == "while-asking" || args.closeWhilePacking) {
        // A stopped packing may end a moment later: the module stays until it has.
        for (int waited = 0; ParcelonUnloadable() == "no" && waited < 10000; waited += 50) Sleep(50);
        printf("module can unload: %s\n", ParcelonUnloadable().c_str());
        CoFreeUnusedLibrariesEx(0, 0);  // COM lets a module go on its second look
        CoFreeUnusedLibrariesEx(0, 0);
        printf("module after freeing unused libraries: %s\n", ParcelonUnloadable().c_str());
    }

    if (!parcelonLoaded) {
        fprintf(stderr, "parcelon-host: the Parcelon add-in could not be loaded\n");
        return 1;
    }
    if (!written) return 1;
    return composed.buttonInstalled && composed.completed ? 0 : 1;
}
}  // namespace

int main() {
    // Every line goes out as it is printed: a host ended from outside (a test's time limit)
    // has then said everything it got to, where a buffer would have kept it.
    setvbuf(stdout, nullptr, _IONBF, 0);
    setvbuf(stderr, nullptr, _IONBF, 0);
    // Aware of the system's DPI, as Outlook is: at a high DPI the stand-in draws at full
    // size, and the add-in's per-monitor windows measure the same pixels as it does.
    SetProcessDPIAware();
    std::vector<std::string> argv = CommandLineArguments();
    if (argv.size() >= 2 && argv[1] == "pack") return host::RunPackCommand({argv.begin() + 2, argv.end()});
    if (argv.size() >= 2 && argv[1] == "serve") return host::RunServeCommand({argv.begin() + 2, argv.end()});
    Arguments args;
    if (!Parse(argv, args)) return Usage();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int result = args.startupOnly ? Startup(args) : args.session ? Session(args) : Compose(args);
    CoUninitialize();
    return result;
}
