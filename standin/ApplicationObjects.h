// The stand-in's Application (the source of ApplicationEvents_11: ItemSend) with its
// Explorers and Inspectors collections (event sources for NewExplorer and NewInspector)
// and the windows they announce.
#pragma once

#include <functional>
#include <string>

#include "AccountObjects.h"
#include "MailObjects.h"
#include "EventSource.h"
#include "WindowObjects.h"
#include "StandInObject.h"

namespace standin {

// An Explorer or Inspector window; only its caption is asked for.
class Window : public StandInObject {
public:
    Window(const wchar_t* interfaceName, const IID& iid, std::wstring caption);

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    std::wstring caption_;
};

// A window collection that is a connection-point container for its events.
class WindowCollection : public EventSource {
public:
    WindowCollection(const wchar_t* interfaceName, const IID& eventIid, DISPID newWindowId);

    // Announces a new window to every connected sink; see ConnectionPoint::Fire.
    HRESULT FireNewWindow(IDispatch* window, bool withResult = true);
    long windowsAnnounced() const { return announced_; }

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    DISPID newWindowId_;
    long announced_ = 0;
};

class Explorers final : public WindowCollection {
public:
    Explorers();
    HRESULT FireNewExplorer(IDispatch* explorer, bool withResult = true) { return FireNewWindow(explorer, withResult); }
};

class Inspectors final : public WindowCollection {
public:
    Inspectors();
    HRESULT FireNewInspector(IDispatch* inspector, bool withResult = true) {
        return FireNewWindow(inspector, withResult);
    }
};

class Application final : public EventSource {
public:
    Application();
    ~Application() override;

    // Raises ItemSend(item, Cancel) as Outlook does when the user sends: Cancel goes by
    // reference, false, and is true afterwards when a sink cancelled the send.
    HRESULT FireItemSend(IDispatch* item, bool& cancelled);
    // Application.ActiveWindow: the window the user works in (an Inspector or an Explorer);
    // not counted, so the one who sets it clears it before the window goes. None: Nothing.
    IDispatch* activeWindow = nullptr;

    Explorers& explorers() { return *explorers_; }
    Explorer& activeExplorer() { return *activeExplorer_; }
    Inspectors& inspectors() { return *inspectors_; }
    Session& session() { return *session_; }

    std::wstring version = L"11.0.5510";
    // False: the property answers Nothing, as the host can.
    bool hasExplorers = true;
    bool hasInspectors = true;
    bool hasActiveExplorer = true;
    // Application.CreateItem(olMailItem) makes a new MailItem, hands it here (the caller
    // holds it for as long as it needs it) and answers it; null: CreateItem is refused.
    std::function<void(MailItem&)> onNewMail;

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    HRESULT CreateItem(const DISPPARAMS* params, VARIANT* result);

    Explorers* explorers_;
    Inspectors* inspectors_;
    Explorer* activeExplorer_;
    Session* session_;
};

}  // namespace standin
