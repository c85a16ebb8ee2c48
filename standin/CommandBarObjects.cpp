// The stand-in's Office command bars.
#include "CommandBarObjects.h"

#include <algorithm>
#include <ocidl.h>
#include <olectl.h>

#include "ResultValues.h"
#include "client/addin/HostInterfaces.h"

namespace standin {

namespace {
enum : DISPID {
    kId = 0x60030010,
    kType = 0x60030011,
    kCaption = 0x60030012,
    kEnabled = 0x60030013,
    kStyle = 0x60030014,
    kTag = 0x60030015,
    kTooltipText = 0x60030016,
    kVisible = 0x60030017,
    kPicture = 0x60030018,
    kFaceId = 0x60030019,
    kPasteFace = 0x6003001A,
    kCount = 0x60030001,
    kItem = 0,
    kAdd = 0x60030002,
    kName = 0x60030003,
    kControls = 0x60030004,
    kDelete = 0x60030005,
};
constexpr GUID IID_CommandBarControl = parcelon::HostIid(0x000C0308);

bool IsGet(WORD flags) { return (flags & DISPATCH_PROPERTYGET) != 0; }
bool IsPut(WORD flags) { return (flags & DISPATCH_PROPERTYPUT) != 0; }

HRESULT ReadLong(const VARIANT* value, long& out) {
    VARIANT converted;
    VariantInit(&converted);
    if (!value || FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(value), 0, VT_I4)))
        return DISP_E_TYPEMISMATCH;
    out = converted.lVal;
    return S_OK;
}

HRESULT ReadText(const VARIANT* value, std::wstring& out) {
    if (!value || value->vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    out = value->bstrVal ? std::wstring(value->bstrVal, SysStringLen(value->bstrVal)) : std::wstring();
    return S_OK;
}

HRESULT ReadBool(const VARIANT* value, bool& out) {
    long number = 0;
    HRESULT hr = ReadLong(value, number);
    out = number != 0;
    return hr;
}

void PutLong(VARIANT* out, long value) {
    out->vt = VT_I4;
    out->lVal = value;
}

// The one-based index argument of Item.
HRESULT IndexArgument(const DISPPARAMS* params, size_t count, size_t& index) {
    long number = 0;
    if (FAILED(ReadLong(Argument(params, 0), number))) return DISP_E_TYPEMISMATCH;
    if (number < 1 || static_cast<size_t>(number) > count) return DISP_E_BADINDEX;
    index = static_cast<size_t>(number) - 1;
    return S_OK;
}

// Count, Item(index) and Add of a collection whose entries may be empty.
template <class Entry, class AddFunction>
HRESULT InvokeCollection(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result,
                         const std::vector<Entry*>& entries, AddFunction add) {
    switch (id) {
        case kCount:
            if (!IsGet(flags)) break;
            PutLong(result, static_cast<long>(entries.size()));
            return S_OK;
        case kItem: {
            size_t index = 0;
            HRESULT hr = IndexArgument(params, entries.size(), index);
            if (SUCCEEDED(hr)) PutDispatch(result, entries[index] ? entries[index]->dispatch() : nullptr);
            return hr;
        }
        case kAdd:
            return (flags & DISPATCH_METHOD) ? add() : DISP_E_MEMBERNOTFOUND;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HBITMAP CopyBitmap(HBITMAP bitmap) {
    return static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}
}  // namespace

CommandBarControl::CommandBarControl(long type, long id, std::wstring caption)
    : EventSource(L"CommandBarButton", type == 1 ? parcelon::IID_OfficeCommandBarButton : IID_CommandBarControl,
                  {{L"Id", kId},
                   {L"Type", kType},
                   {L"Caption", kCaption},
                   {L"Enabled", kEnabled},
                   {L"Style", kStyle},
                   {L"Tag", kTag},
                   {L"TooltipText", kTooltipText},
                   {L"Visible", kVisible},
                   {L"Picture", kPicture},
                   {L"FaceId", kFaceId},
                   {L"PasteFace", kPasteFace}},
                  parcelon::IID_CommandBarButtonEvents),
      caption(std::move(caption)),
      type_(type),
      id_(id) {}

STDMETHODIMP CommandBarControl::QueryInterface(REFIID iid, void** out) {
    if (!isButton() && (iid == parcelon::IID_OfficeCommandBarButton || iid == IID_IConnectionPointContainer)) {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    return EventSource::QueryInterface(iid, out);
}

HRESULT CommandBarControl::Click(VARIANT_BOOL* cancelDefault) {
    VARIANT button;
    VariantInit(&button);
    button.vt = VT_DISPATCH;
    button.pdispVal = dispatch();
    VARIANT cancel;
    VariantInit(&cancel);
    cancel.vt = VT_BOOL | VT_BYREF;
    cancel.pboolVal = cancelDefault;
    return point().FireWith(parcelon::DISPID_ButtonClick, {button, cancel});
}

HRESULT CommandBarControl::InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) {
    if (id == kPasteFace) return (flags & DISPATCH_METHOD) ? PasteFace() : DISP_E_MEMBERNOTFOUND;
    if (IsPut(flags)) return Put(id, Argument(params, 0));
    if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    switch (id) {
        case kId: PutLong(result, id_); return S_OK;
        case kType: PutLong(result, type_); return S_OK;
        case kCaption: return PutString(result, caption);
        case kEnabled: PutBool(result, enabled); return S_OK;
        case kStyle: PutLong(result, style); return S_OK;
        case kTag: return PutString(result, tag);
        case kTooltipText: return PutString(result, tooltip);
        case kVisible: PutBool(result, visible); return S_OK;
        case kFaceId: PutLong(result, faceId); return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT CommandBarControl::Put(DISPID id, const VARIANT* value) {
    HRESULT hr = DISP_E_MEMBERNOTFOUND;
    const wchar_t* name = L"";
    switch (id) {
        case kCaption: name = L"Caption"; hr = ReadText(value, caption); break;
        case kEnabled: name = L"Enabled"; hr = ReadBool(value, enabled); break;
        case kStyle: name = L"Style"; hr = ReadLong(value, style); break;
        case kTag: name = L"Tag"; hr = ReadText(value, tag); break;
        case kTooltipText: name = L"TooltipText"; hr = ReadText(value, tooltip); break;
        case kVisible: name = L"Visible"; hr = ReadBool(value, visible); break;
        case kFaceId:
            name = L"FaceId";
            hr = ReadLong(value, faceId);
            if (SUCCEEDED(hr)) {
                face.reset();
                faceFrom.clear();
            }
            break;
        case kPicture: name = L"Picture"; hr = SetPicture(value); break;
    }
    if (SUCCEEDED(hr)) writes.push_back(name);
    return hr;
}

HRESULT CommandBarControl::SetPicture(const VARIANT* value) {
    if (!value || value->vt != VT_DISPATCH || !value->pdispVal) return DISP_E_TYPEMISMATCH;
    IPicture* picture = nullptr;
    if (FAILED(value->pdispVal->QueryInterface(IID_IPicture, reinterpret_cast<void**>(&picture))) || !picture)
        return DISP_E_TYPEMISMATCH;
    short kind = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    picture->get_Type(&kind);
    picture->get_Handle(&handle);
    picture->Release();
    HBITMAP copy = kind == PICTYPE_BITMAP ? CopyBitmap(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle))) : nullptr;
    if (!copy) {
        Describe(L"The picture holds no bitmap.");
        return E_INVALIDARG;
    }
    face.reset(copy);
    faceFrom = L"Picture";
    return S_OK;
}

HRESULT CommandBarControl::PasteFace() {
    HBITMAP copy = nullptr;
    if (OpenClipboard(nullptr)) {
        if (HANDLE bitmap = GetClipboardData(CF_BITMAP)) copy = CopyBitmap(static_cast<HBITMAP>(bitmap));
        CloseClipboard();
    }
    if (!copy) {
        Describe(L"The clipboard holds no picture.");
        return E_FAIL;
    }
    face.reset(copy);
    faceFrom = L"PasteFace";
    writes.push_back(L"PasteFace");
    return pasteFaceResult;
}

AddArguments::AddArguments(const DISPPARAMS* params) {
    for (UINT i = 0; params && i < params->cArgs; ++i) {
        VARIANT copy;
        VariantInit(&copy);
        VariantCopy(&copy, const_cast<VARIANT*>(Argument(params, i)));
        arguments.push_back(copy);
    }
}

AddArguments::AddArguments(const AddArguments& other) {
    for (const VARIANT& v : other.arguments) {
        VARIANT copy;
        VariantInit(&copy);
        VariantCopy(&copy, const_cast<VARIANT*>(&v));
        arguments.push_back(copy);
    }
}

AddArguments::~AddArguments() {
    for (VARIANT& v : arguments) VariantClear(&v);
}

bool AddArguments::Omitted(size_t index) const {
    return index >= arguments.size() || IsOmitted(&arguments[index]);
}

long AddArguments::Long(size_t index) const {
    long value = -99999;
    if (index < arguments.size() && !Omitted(index)) ReadLong(&arguments[index], value);
    return value;
}

CommandBarControls::CommandBarControls()
    : StandInObject(L"CommandBarControls", parcelon::IID_OfficeCommandBarControls,
                    {{L"Count", kCount}, {L"Item", kItem}, {L"Add", kAdd}}) {}

CommandBarControls::~CommandBarControls() {
    for (CommandBarControl* c : items_) c->Release();
}

CommandBarControl* CommandBarControls::Append(long type, long id, const std::wstring& caption) {
    items_.push_back(new CommandBarControl(type, id, caption));
    return items_.back();
}

HRESULT CommandBarControls::InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) {
    return InvokeCollection(id, flags, params, result, items_, [&] { return Add(params, result); });
}

// Add(Type, Id, Parameter, Before, Temporary)
HRESULT CommandBarControls::Add(const DISPPARAMS* params, VARIANT* result) {
    AddArguments call(params);
    addCalls_.push_back(call);
    long type = call.Omitted(0) ? 1 : call.Long(0);
    size_t position = items_.size();
    if (!call.Omitted(3)) {
        long before = call.Long(3);
        if (before < 1 || static_cast<size_t>(before) > items_.size() + 1) {
            Describe(L"Invalid position for the new control.");
            return E_INVALIDARG;
        }
        position = static_cast<size_t>(before) - 1;
    }
    if (addGivesNothing) {
        PutDispatch(result, nullptr);
        return S_OK;
    }
    auto* control = new CommandBarControl(addType ? addType : type, call.Omitted(1) ? 1 : call.Long(1), L"");
    control->pasteFaceResult = pasteFaceResult;
    items_.insert(items_.begin() + static_cast<ptrdiff_t>(position), control);
    PutDispatch(result, control->dispatch());
    return S_OK;
}

CommandBar::CommandBar(CommandBars* owner, std::wstring name, bool visible)
    : StandInObject(L"CommandBar", parcelon::IID_OfficeCommandBar,
                    {{L"Name", kName}, {L"Visible", kVisible}, {L"Controls", kControls}, {L"Delete", kDelete}}),
      visible(visible),
      owner_(owner),
      name_(std::move(name)),
      controls_(new CommandBarControls) {}

CommandBar::~CommandBar() { controls_->Release(); }

HRESULT CommandBar::InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) {
    switch (id) {
        case kName:
            return IsGet(flags) ? PutString(result, name_) : DISP_E_MEMBERNOTFOUND;
        case kVisible:
            if (IsPut(flags)) {
                HRESULT hr = ReadBool(Argument(params, 0), visible);
                if (SUCCEEDED(hr)) writes.push_back(L"Visible");
                return hr;
            }
            if (!IsGet(flags)) break;
            PutBool(result, visible);
            return S_OK;
        case kControls:
            if (!IsGet(flags)) break;
            PutDispatch(result, hasControls ? controls_->dispatch() : nullptr);
            return S_OK;
        case kDelete:
            if (!(flags & DISPATCH_METHOD)) break;
            deleted = true;
            writes.push_back(L"Delete");
            if (owner_) owner_->Remove(this);  // may release this bar's last reference
            return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

CommandBars::CommandBars()
    : StandInObject(L"CommandBars", parcelon::IID_OfficeCommandBars, {{L"Count", kCount}, {L"Item", kItem}, {L"Add", kAdd}}) {}

CommandBars::~CommandBars() {
    for (CommandBar* bar : bars_) {
        if (!bar) continue;
        bar->Orphan();
        bar->Release();
    }
}

CommandBar* CommandBars::AddBar(const std::wstring& name, bool visible) {
    bars_.push_back(new CommandBar(this, name, visible));
    return bars_.back();
}

void CommandBars::AddComposeBars() {
    CommandBar* menu = AddBar(L"Menu Bar", true);
    for (const wchar_t* caption : {L"&File", L"&Edit", L"&View", L"&Insert", L"F&ormat", L"&Tools"})
        menu->controls().Append(10, 30002, caption);  // pop-ups: no buttons
    CommandBar* standard = AddBar(L"Standard", true);
    const std::pair<long, const wchar_t*> buttons[] = {
        {2617, L"&Send"}, {3, L"&Save"}, {21, L"Cu&t"}, {22, L"&Paste"}, {1079, L"Insert &File"}, {361, L"Chec&k Names"}};
    for (const auto& b : buttons) standard->controls().Append(1, b.first, b.second);
    CommandBar* formatting = AddBar(L"Formatting", true);
    formatting->controls().Append(3, 1728, L"&Font:");  // a combo box
    formatting->controls().Append(1, 113, L"&Bold");
    formatting->controls().Append(1, 114, L"&Italic");
}

CommandBar* CommandBars::Find(const std::wstring& name) const {
    for (CommandBar* bar : bars_)
        if (bar && bar->name() == name) return bar;
    return nullptr;
}

void CommandBars::Remove(CommandBar* bar) {
    auto found = std::find(bars_.begin(), bars_.end(), bar);
    if (found == bars_.end()) return;
    bars_.erase(found);
    bar->Orphan();
    bar->Release();
}

HRESULT CommandBars::InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) {
    return InvokeCollection(id, flags, params, result, bars_, [&] { return Add(params, result); });
}

// Add(Name, Position, MenuBar, Temporary)
HRESULT CommandBars::Add(const DISPPARAMS* params, VARIANT* result) {
    AddArguments call(params);
    addCalls_.push_back(call);
    std::wstring name;
    if (!call.Omitted(0) && FAILED(ReadText(&call.arguments[0], name))) return DISP_E_TYPEMISMATCH;
    if (!name.empty() && Find(name)) {
        Describe(L"A command bar of that name exists already.");
        return E_INVALIDARG;
    }
    CommandBar* bar = AddBar(name.empty() ? L"Custom 1" : name, false);  // new bars start hidden
    PutDispatch(result, bar->dispatch());
    return S_OK;
}

}  // namespace standin
