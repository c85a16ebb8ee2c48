// The IRibbonControl the stand-in passes to an add-in's ribbon callbacks: the control's
// Id and Tag from the markup, and its Context, the window it sits in.
#pragma once

#include "StandInObject.h"

namespace standin {

class RibbonControl final : public StandInObject {
public:
    // `context` may be null; a reference is kept.
    RibbonControl(std::wstring id, std::wstring tag, IDispatch* context);
    ~RibbonControl() override;

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    std::wstring id_;
    std::wstring tag_;
    IDispatch* context_;
};

// Calls the add-in's member `name` with the control as its one argument, found by name
// through GetIDsOfNames and called through Invoke, as Office calls ribbon callbacks.
HRESULT CallRibbonCallback(IDispatch* addin, const std::wstring& name, IDispatch* control, VARIANT* result);

}  // namespace standin
