// parcelon-host serve: the stand-in's Application reached from other processes.
#include "ServeCommand.h"

#include <cstdio>
#include <cstdlib>
#include <windows.h>

#include "MessageFiles.h"
#include "OutlookRegistration.h"
#include "SendingAccount.h"
#include "common/SystemFolders.h"
#include "common/TextConversion.h"
#include "standin/ApplicationObjects.h"
#include "standin/WindowObjects.h"

namespace host {

namespace {
constexpr UINT_PTR kTimeoutTimer = 1;

struct ServeOptions {
    std::string out;
    long messages = 1;
    long timeoutSeconds = 60;
    AccountOptions account;
    bool registerServer = false;
    bool unregisterServer = false;
};

bool Parse(const std::vector<std::string>& arguments, ServeOptions& options) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        bool hasValue = i + 1 < arguments.size();
        if (a == "--out" && hasValue)
            options.out = arguments[++i];
        else if (a == "--messages" && hasValue)
            options.messages = atol(arguments[++i].c_str());
        else if (a == "--timeout-s" && hasValue)
            options.timeoutSeconds = atol(arguments[++i].c_str());
        else if (a == "--send-limit-kb" && hasValue)
            options.account.sendLimitKb = atol(arguments[++i].c_str());
        else if (a == "--register")
            options.registerServer = true;
        else if (a == "--unregister")
            options.unregisterServer = true;
        else if (a == "-Embedding" || a == "/Embedding")
            continue;  // COM starting the local server
        else
            return false;
    }
    if (options.unregisterServer) return !options.registerServer;
    return !options.out.empty() && options.messages > 0 && options.timeoutSeconds > 0;
}

std::wstring Quoted(const std::string& text) { return L"\"" + parcelon::WideFromUtf8(text) + L"\""; }

// The class object COM hands out for Outlook's CLSID: always the one Application.
class ApplicationFactory final : public IClassFactory {
public:
    explicit ApplicationFactory(IDispatch* application) : application_(application) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = (iid == IID_IUnknown || iid == IID_IClassFactory) ? static_cast<IClassFactory*>(this) : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    // Lives on the serving thread's stack for as long as it is registered.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        return application_->QueryInterface(iid, out);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    IDispatch* application_;
};

// The messages made by CreateItem and the compose windows they were displayed in.
struct NewMessages {
    std::vector<standin::MailItem*> items;  // each held by a reference
    std::vector<standin::Inspector*> windows;  // likewise
    long ended = 0;                         // displayed and closed, or deleted
    long wanted = 1;

    void EndOne() {
        if (++ended >= wanted) PostQuitMessage(0);
    }
    ~NewMessages() {
        for (standin::Inspector* window : windows) window->Release();
        for (standin::MailItem* item : items) item->Release();
    }
};

void ShowComposeWindow(standin::Application& app, standin::MailItem& mail, NewMessages& messages) {
    auto* inspector = new standin::Inspector(mail.dispatch(), L"Untitled - Message");
    inspector->commandBars().AddComposeBars();
    std::wstring attached;
    for (const standin::Attachment* a : mail.attachments().items())
        attached += L"\r\nAttached: " + a->fileName() + L" (" + std::to_wstring(a->content().size()) + L" bytes)";
    inspector->frame().body = L"To: " + mail.to + L"\r\nSubject: " + mail.subject + attached + L"\r\n\r\n" + mail.body;
    inspector->frame().onClose = [inspector, &messages] {
        inspector->Close();
        messages.EndOne();
    };
    messages.windows.push_back(inspector);
    inspector->frame().Show();
    app.inspectors().FireNewInspector(inspector->dispatch());
}

bool WriteAll(const NewMessages& messages, const std::string& out) {
    bool written = true;
    size_t index = 0;
    for (standin::MailItem* item : messages.items) {
        if (item->deleted) continue;
        size_t count = 0;
        written = WriteMessages(*item, out, index, &count) && written;
        index += count;
    }
    if (index == 0) printf("no message left\n");
    return written;
}

int Serve(const ServeOptions& options) {
    auto* app = new standin::Application;
    app->version = L"16.0.0.0";
    NewMessages messages;
    messages.wanted = options.messages;
    app->onNewMail = [&](standin::MailItem& mail) {
        mail.AddRef();
        messages.items.push_back(&mail);
        SetUpSendingAccount(*app, mail, options.account);
        printf("new message %zu\n", messages.items.size());
        mail.onDisplay = [&, item = &mail] {
            if (item->displayed == 1) ShowComposeWindow(*app, *item, messages);
        };
        mail.onDelete = [&] { messages.EndOne(); };
    };
    DWORD activeObject = 0, classObject = 0;
    ApplicationFactory factory(app->dispatch());
    HRESULT active = RegisterActiveObject(app->dispatch(), kOutlookApplicationClsid, ACTIVEOBJECT_STRONG, &activeObject);
    HRESULT registered = CoRegisterClassObject(kOutlookApplicationClsid, &factory, CLSCTX_LOCAL_SERVER,
                                               REGCLS_MULTIPLEUSE, &classObject);
    if (FAILED(active) || FAILED(registered)) {
        fprintf(stderr, "parcelon-host: cannot serve Outlook's Application (0x%08lX, 0x%08lX)\n",
                static_cast<unsigned long>(active), static_cast<unsigned long>(registered));
        if (SUCCEEDED(active)) RevokeActiveObject(activeObject, nullptr);
        if (SUCCEEDED(registered)) CoRevokeClassObject(classObject);
        app->Release();
        return 1;
    }
    printf("serving Outlook.Application\n");
    fflush(stdout);
    bool timedOut = false;
    SetTimer(nullptr, kTimeoutTimer, static_cast<UINT>(options.timeoutSeconds * 1000), nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr) {
            timedOut = true;
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    CoRevokeClassObject(classObject);
    RevokeActiveObject(activeObject, nullptr);
    if (timedOut) printf("timed out after %ld s with %ld of %ld messages ended\n", options.timeoutSeconds,
                         messages.ended, messages.wanted);
    bool written = WriteAll(messages, options.out);
    app->onNewMail = nullptr;
    app->Release();
    return written && !timedOut ? 0 : 1;
}
}  // namespace

int RunServeCommand(const std::vector<std::string>& arguments) {
    ServeOptions options;
    if (!Parse(arguments, options)) {
        fprintf(stderr, "usage: parcelon-host serve [--register] --out MESSAGE.eml [--messages N] [--timeout-s S]\n"
                        "       parcelon-host serve --unregister\n");
        return 2;
    }
    if (options.unregisterServer) return UnregisterOutlookServer() ? 0 : 1;
    if (options.registerServer) {
        std::wstring command = Quoted(parcelon::ModulePath(nullptr)) + L" serve --out " + Quoted(options.out) +
                               L" --messages " + std::to_wstring(options.messages) + L" --timeout-s " +
                               std::to_wstring(options.timeoutSeconds);
        if (!RegisterOutlookServer(command)) {
            fprintf(stderr, "parcelon-host: cannot register Outlook.Application\n");
            return 1;
        }
        printf("registered: Outlook.Application as %s\n", parcelon::Utf8FromWide(command).c_str());
        return 0;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int result = Serve(options);
    CoUninitialize();
    return result;
}

}  // namespace host
