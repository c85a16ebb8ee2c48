// The stand-in's Office command bars: the CommandBars collection of a window, its bars,
// their controls, and the buttons with their Click event. What the add-in writes is
// recorded for the tests; the compose window draws the bars from it.
#pragma once

#include <string>
#include <vector>

#include "EventSource.h"
#include "common/UniqueResource.h"

namespace standin {

// A control of a bar. Type 1 is a button (it answers _CommandBarButton and raises Click);
// any other type (a combo box, a pop-up) answers only as a plain control.
class CommandBarControl final : public EventSource {
public:
    CommandBarControl(long type, long id, std::wstring caption);
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

    bool isButton() const { return type_ == 1; }
    long id() const { return id_; }
    // Raises Click at every connected sink with CancelDefault by reference; the value the
    // sinks left in it is returned in `cancelDefault`.
    HRESULT Click(VARIANT_BOOL* cancelDefault);

    std::wstring caption, tag, tooltip;
    bool enabled = true;
    bool visible = true;
    long style = 0;    // 0 automatic, 1 icon, 2 caption, 3 icon and caption
    long faceId = 0;
    parcelon::UniqueGdiObject face;  // from Picture or PasteFace: a copy of its own
    std::wstring faceFrom;           // L"Picture", L"PasteFace" or empty
    std::vector<std::wstring> writes;  // names of the properties written, in order
    HRESULT pasteFaceResult = S_OK;    // what PasteFace answers after taking the face

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    HRESULT Put(DISPID id, const VARIANT* value);
    HRESULT SetPicture(const VARIANT* value);
    HRESULT PasteFace();

    long type_;
    long id_;
};

// What one CommandBarControls.Add or CommandBars.Add received.
struct AddArguments {
    std::vector<VARIANT> arguments;  // in declaration order; copies owned by this record
    AddArguments() = default;
    explicit AddArguments(const DISPPARAMS* params);
    AddArguments(const AddArguments& other);
    AddArguments& operator=(const AddArguments&) = delete;
    ~AddArguments();
    bool Omitted(size_t index) const;
    long Long(size_t index) const;  // -99999 when absent or not a number
};

class CommandBarControls final : public StandInObject {
public:
    CommandBarControls();
    ~CommandBarControls() override;

    CommandBarControl* Append(long type, long id, const std::wstring& caption);
    const std::vector<CommandBarControl*>& items() const { return items_; }
    const std::vector<AddArguments>& addCalls() const { return addCalls_; }
    bool addGivesNothing = false;  // Add answers Nothing, as a host may
    long addType = 0;              // when set, Add makes a control of this type whatever was asked
    HRESULT pasteFaceResult = S_OK;  // for the buttons Add makes

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    HRESULT Add(const DISPPARAMS* params, VARIANT* result);

    std::vector<CommandBarControl*> items_;  // each holds one reference
    std::vector<AddArguments> addCalls_;
};

class CommandBars;

class CommandBar final : public StandInObject {
public:
    CommandBar(CommandBars* owner, std::wstring name, bool visible);
    ~CommandBar() override;

    const std::wstring& name() const { return name_; }
    CommandBarControls& controls() { return *controls_; }
    bool visible;
    bool hasControls = true;  // false: Controls answers Nothing
    bool deleted = false;
    std::vector<std::wstring> writes;

    void Orphan() { owner_ = nullptr; }

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    CommandBars* owner_;  // not counted: the collection owns its bars
    std::wstring name_;
    CommandBarControls* controls_;
};

class CommandBars final : public StandInObject {
public:
    CommandBars();
    ~CommandBars() override;

    CommandBar* AddBar(const std::wstring& name, bool visible);
    void AddEmptyEntry() { bars_.push_back(nullptr); }
    // The bars of a compose window: a menu bar, "Standard" (visible, Insert File with
    // Id 1079 at index 5) and "Formatting".
    void AddComposeBars();
    CommandBar* Find(const std::wstring& name) const;
    void Remove(CommandBar* bar);

    const std::vector<CommandBar*>& bars() const { return bars_; }
    const std::vector<AddArguments>& addCalls() const { return addCalls_; }

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    HRESULT Add(const DISPPARAMS* params, VARIANT* result);

    std::vector<CommandBar*> bars_;  // each holds one reference; null is an empty entry
    std::vector<AddArguments> addCalls_;
};

}  // namespace standin
