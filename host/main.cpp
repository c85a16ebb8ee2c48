// parcelon-host: a small Outlook stand-in program. It loads the add-ins registered for
// Outlook the way Outlook does, shows a main window and a compose window, and writes the
// composed message as an .eml file.
//   parcelon-host compose [--attach PATH ...] [--no-compress] [--no-subfolders]
//                         [--archive NAME] [--addin PATH] [--outlook-version V]
//                         [--account-type exchange|imap] [--send-limit-kb N]
//                         [--answer split|anyway|back|leave-out[,...]] --out MESSAGE.eml
//   Every message it ends with is written: MESSAGE.eml, then MESSAGE-2.eml, ... for the
//   copies the add-in made.
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
#include "MessageFiles.h"
#include "PackCommand.h"
#include "SendingAccount.h"
#include "ServeCommand.h"
#include "client/addin/AddinIds.h"
#include "common/FileSystemPath.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

using namespace parcelon;

namespace {
struct Arguments {
    host::ComposeOptions compose;
    host::AccountOptions account;
    std::string out;
    std::string addin;
    std::string outlookVersion = "16.0.0.0";  // what Application.Version answers
};

int Usage() {
    fprintf(stderr,
            "usage: parcelon-host compose [--attach PATH ...] [--no-compress] [--no-subfolders]\n"
            "                             [--archive NAME] [--addin PATH] [--outlook-version V]\n"
            "                             [--account-type exchange|imap] [--send-limit-kb N]\n"
            "                             [--answer split|anyway|back|leave-out[,...]]\n"
            "                             --out MESSAGE.eml\n");
    return 2;
}

// A comma-separated list of split, anyway, back and leave-out.
bool ParseAnswers(const std::string& text, std::vector<std::string>& answers) {
    answers.clear();
    for (size_t start = 0; start <= text.size();) {
        size_t comma = text.find(',', start);
        std::string answer = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (answer != "split" && answer != "anyway" && answer != "back" && answer != "leave-out") return false;
        answers.push_back(answer);
        start = comma == std::string::npos ? text.size() + 1 : comma + 1;
    }
    return true;
}

bool Parse(const std::vector<std::string>& argv, Arguments& args) {
    if (argv.size() < 2 || argv[1] != "compose") return false;
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
        else if (a == "--account-type" && hasValue) {
            if (!host::ParseAccountType(argv[++i], args.account.type)) return false;
        } else if (a == "--answer" && hasValue) {
            if (!ParseAnswers(argv[++i], args.compose.answers)) return false;
        } else if (a == "--send-limit-kb" && hasValue)
            args.account.sendLimitKb = atol(argv[++i].c_str());
        else if (a == "--no-compress")
            args.compose.compress = false;
        else if (a == "--no-subfolders")
            args.compose.subFolders = false;
        else
            return false;
    }
    return !args.out.empty() && !args.compose.archiveName.empty() && !args.outlookVersion.empty();
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

int Compose(const Arguments& args) {
    if (!PrepareRegistration(args)) return 1;
    auto* app = new standin::Application;
    app->version = WideFromUtf8(args.outlookVersion);
    standin::AddinRibbons ribbons(app->version);
    ribbons.report = [](const std::string& line) { printf("%s\n", line.c_str()); };
    printf("playing Outlook %s: %s\n", args.outlookVersion.c_str(),
           ribbons.enabled() ? "compose windows with a ribbon" : "compose windows with command bars");
    app->activeExplorer().frame().body = L"Inbox";
    app->activeExplorer().frame().Show();
    app->explorers().FireNewExplorer(app->activeExplorer().dispatch());
    host::AddinLoader addins;
    addins.LoadAll(app->dispatch(), ribbons);
    bool parcelonLoaded = addins.Loaded(kVersionIndependentProgId) || addins.Loaded(kProgId);

    auto* mail = new standin::MailItem();
    mail->to = L"Robin Example <robin@example.com>";
    host::SetUpSendingAccount(*app, *mail, args.account);
    host::ComposeResult composed;
    if (parcelonLoaded) composed = host::RunCompose(*app, *mail, ribbons, args.compose);

    bool written = parcelonLoaded && host::WriteMessages(*mail, args.out);
    mail->Release();
    ribbons.Clear();
    addins.UnloadAll();
    app->Release();

    if (!parcelonLoaded) {
        fprintf(stderr, "parcelon-host: the Parcelon add-in could not be loaded\n");
        return 1;
    }
    if (!written) return 1;
    return composed.buttonInstalled && composed.completed ? 0 : 1;
}
}  // namespace

int main() {
    // Aware of the system's DPI, as Outlook is: at a high DPI the stand-in draws at full
    // size, and the add-in's per-monitor windows measure the same pixels as it does.
    SetProcessDPIAware();
    std::vector<std::string> argv = CommandLineArguments();
    if (argv.size() >= 2 && argv[1] == "pack") return host::RunPackCommand({argv.begin() + 2, argv.end()});
    if (argv.size() >= 2 && argv[1] == "serve") return host::RunServeCommand({argv.begin() + 2, argv.end()});
    Arguments args;
    if (!Parse(argv, args)) return Usage();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int result = Compose(args);
    CoUninitialize();
    return result;
}
