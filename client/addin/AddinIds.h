// Identity of the add-in class: its CLSID, the LIBID of PARCELONLib and the dual
// interface IOutlookAddin. The same GUIDs are in Parcelon.idl and Parcelon.rgs.
#pragma once

#include <oaidl.h>
#include <ocidl.h>

namespace parcelon {

// {E9ACBD03-EE05-4A87-85D1-B020D0C02EC0}
inline constexpr CLSID CLSID_OutlookAddin = {
    0xE9ACBD03, 0xEE05, 0x4A87, {0x85, 0xD1, 0xB0, 0x20, 0xD0, 0xC0, 0x2E, 0xC0}};
// {6C883919-8F6C-49EC-9613-7E7A38630C26}
inline constexpr GUID LIBID_PARCELONLib = {
    0x6C883919, 0x8F6C, 0x49EC, {0x96, 0x13, 0x7E, 0x7A, 0x38, 0x63, 0x0C, 0x26}};
// {F8229C60-BD72-4A95-B75D-8E28FB5621CD}
inline constexpr IID IID_IOutlookAddin = {
    0xF8229C60, 0xBD72, 0x4A95, {0xB7, 0x5D, 0x8E, 0x28, 0xFB, 0x56, 0x21, 0xCD}};

inline constexpr const wchar_t* kProgId = L"Parcelon.OutlookAddin.1";
inline constexpr const wchar_t* kVersionIndependentProgId = L"Parcelon.OutlookAddin";

// Dual; its members are the ribbon callbacks, which the host finds by name.
struct IOutlookAddin : public IDispatch {
    // onAction of the ribbon button; `control` is the IRibbonControl.
    virtual HRESULT STDMETHODCALLTYPE OnRibbonButton(IDispatch* control) = 0;
    // getImage of the ribbon button.
    virtual HRESULT STDMETHODCALLTYPE GetRibbonImage(IDispatch* control, IPictureDisp** image) = 0;
};

}  // namespace parcelon
