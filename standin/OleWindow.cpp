// IOleWindow of a stand-in window object.
#include "OleWindow.h"

#include "StandInObject.h"

namespace standin {

STDMETHODIMP OleWindow::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = nullptr;
    HRESULT hr = TakeFailureResult(name_ + L".GetWindow");
    if (FAILED(hr)) return hr;
    *window = handle_();
    return *window ? S_OK : E_FAIL;
}

}  // namespace standin
