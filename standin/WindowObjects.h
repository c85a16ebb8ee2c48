// The stand-in's Inspector (a compose or read window: its item, its command bars, a real
// window behind IOleWindow, and InspectorEvents) and Explorer (the main window).
#pragma once

#include <memory>
#include <string>

#include "CommandBarObjects.h"
#include "EventSource.h"
#include "FrameWindow.h"
#include "OleWindow.h"

namespace standin {

class Inspector final : public EventSource {
public:
    // `item` may be any item object (mail, appointment, contact) or none.
    Inspector(IDispatch* item, std::wstring caption = L"Untitled - Message");
    ~Inspector() override;

    void SetCurrentItem(IDispatch* item);
    IDispatch* currentItem() const { return item_; }
    CommandBars& commandBars() { return *bars_; }
    FrameWindow& frame() { return frame_; }

    HRESULT FireActivate();
    // Raises Close, then destroys the window, as the host does when the user closes it.
    HRESULT Close();

    // Windows not yet destroyed in this process: after a window has closed and the host
    // let go of it, one still counted is held by an add-in.
    static long Alive();

    bool hasCommandBars = true;   // false: CommandBars answers Nothing
    bool offersOleWindow = true;  // false: no IOleWindow

protected:
    void* QueryExtra(REFIID iid) override;
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    IDispatch* item_;  // counted
    std::wstring caption_;
    CommandBars* bars_;
    FrameWindow frame_;
    OleWindow oleWindow_;
};

class Explorer final : public StandInObject {
public:
    Explorer();
    ~Explorer() override;
    FrameWindow& frame() { return frame_; }
    bool offersOleWindow = true;
    // The reply or forward being written in the reading pane (Outlook 2013 and later), or
    // none; ActiveInlineResponse answers it. A reference is kept.
    void SetInlineResponse(IDispatch* item);
    IDispatch* inlineResponse() const { return inlineResponse_; }

protected:
    void* QueryExtra(REFIID iid) override;
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    FrameWindow frame_;
    OleWindow oleWindow_;
    IDispatch* inlineResponse_ = nullptr;
};

// Items that are not mail: their windows get no button.
class OtherItem final : public StandInObject {
public:
    enum Kind { Appointment, Contact };
    explicit OtherItem(Kind kind);

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    Kind kind_;
};

}  // namespace standin
