// The add-in's sink on the host's Application events.
#include "ItemSendSink.h"

#include <oleidl.h>

#include "HostInterfaces.h"
#include "OutlookAddin.h"
#include "SendCheck.h"
#include "common/ComErrorReport.h"
#include "common/DiagnosticLog.h"
#include "common/Policy.h"
#include "server/EventTrampoline.h"
#include "server/ModuleLock.h"

namespace parcelon {

namespace {
// The window the user sends from: the compose window, or the main window for an inline
// reply; none when the host cannot say.
HWND SendingWindow(const Application& app) {
    try {
        HostObject window = app.GetObject(L"ActiveWindow", IID_IDispatch);
        ComPtr<IOleWindow> oleWindow;
        HWND handle = nullptr;
        if (window && SUCCEEDED(window.dispatch()->QueryInterface(IID_IOleWindow, oleWindow.putVoid())) &&
            oleWindow && SUCCEEDED(oleWindow->GetWindow(&handle)))
            return handle;
    } catch (const _com_error& error) {
        ReportComError(error);
    }
    return nullptr;
}
}  // namespace

ItemSendSink::ItemSendSink(IDispatch* application, OutlookAddin* addin)
    : CollectionSink(IID_ApplicationEvents11, application), m_addin(addin) {}

const EventSinkEntry* ItemSendSink::EventTable() {
    static const EventSinkEntry table[] = {
        EventRow<ItemSendSink, DispEventSinkOf<1, ItemSendSink>, &ItemSendSink::OnItemSend>(IID_ApplicationEvents11,
                                                                                           DISPID_ItemSend),
        {},
    };
    return table;
}

void ItemSendSink::OnItemSend(IDispatch* item, VARIANT_BOOL* cancel) {
    if (!cancel || *cancel != VARIANT_FALSE) return;  // another add-in stopped it already
    std::optional<DWORD> checkOnSend = ReadPolicyInRange(L"CheckOnSend", 0, 1);
    if (checkOnSend && *checkOnSend == 0) return;
    // The questions run message loops in which the host may disconnect the add-in.
    ModuleLock moduleHeld;
    ComPtr<IUnknown> addinHeld(m_addin->identity());
    try {
        MailItem mail(HostObject::Query(item, IID_OutlookMailItem));
        if (!mail) {
            PARCELON_LOG_ERROR("Sending: the item is no mail item; it goes unchecked");
            return;
        }
        HWND owner = SendingWindow(m_addin->app());
        AskUser ask = [owner](const SendQuestion& question) { return AskSendChoice(owner, question); };
        // Nothing of this object is used after the questions: a shutdown while one is open
        // destroys the sink under this frame.
        if (CheckMessageOnSend(mail, owner, ask) == SendVerdict::Cancel) *cancel = VARIANT_TRUE;
    } catch (const _com_error& error) {
        ReportComError(error);
        PARCELON_LOG_ERROR("Sending: the check could not finish (0x%08lX); the message goes as it is",
                           static_cast<unsigned long>(error.Error()));
    } catch (const std::exception& error) {
        PARCELON_LOG_ERROR("Sending: the check could not finish (%s); the message goes as it is", error.what());
    }
}

}  // namespace parcelon
