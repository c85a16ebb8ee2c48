// Base of every object of the Outlook stand-in: IDispatch over a table of member
// names, ISupportErrorInfo, failures on demand, and a count of live objects.
#pragma once

#include <oaidl.h>
#include <string>
#include <vector>

namespace standin {

struct Member {
    const wchar_t* name;
    DISPID id;
};

// Makes a member fail: `skip` calls go through first, then `times` calls fail (-1: all).
struct Failure {
    HRESULT hr = E_FAIL;
    std::wstring source;
    std::wstring description;
    int skip = 0;
    int times = -1;
};

// A failure of every call, with the error information a host gives.
inline Failure Failing(HRESULT hr, const wchar_t* description, const wchar_t* source = L"Microsoft Outlook") {
    Failure failure;
    failure.hr = hr;
    failure.source = source;
    failure.description = description;
    return failure;
}

// Failures by "Interface.Member", for example L"Attachments.Add" or L"MailItem.Attachments".
void FailMember(const std::wstring& qualifiedName, Failure failure);
void ClearFailures();
// For members outside IDispatch (connection points): counts the call like Invoke does and
// gives the HRESULT it is to fail with, or S_OK.
HRESULT TakeFailureResult(const std::wstring& qualifiedName);

// Objects of the stand-in alive now.
long LiveObjects();
// The host is gone (its process is ending): every later call into a stand-in object is a
// fault, and is said on the standard error.
void EndHost();
// Calls through IDispatch.Invoke of any stand-in object so far.
long InvokeCalls();

// Arguments of a call in declaration order (DISPPARAMS holds them last first).
const VARIANT* Argument(const DISPPARAMS* params, UINT index);
bool IsOmitted(const VARIANT* argument);

class StandInObject : public IDispatch, public ISupportErrorInfo {
public:
    StandInObject(const wchar_t* interfaceName, const IID& iid, std::vector<Member> members);
    virtual ~StandInObject();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* badArgument) override;
    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

    const IID& iid() const { return iid_; }
    IDispatch* dispatch() { return static_cast<IDispatch*>(this); }
    // References held now, by the host and by the add-ins together.
    long references() const { return refs_; }

protected:
    // Runs one member; a failing result is turned into EXCEPINFO and error information,
    // using the description set with Describe when the member gave one.
    virtual HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) = 0;
    void Describe(const std::wstring& description) { description_ = description; }
    // Extra interfaces a derived object answers (connection points and the like).
    virtual void* QueryExtra(REFIID) { return nullptr; }

private:
    const wchar_t* MemberName(DISPID id) const;
    HRESULT RaiseFailure(HRESULT hr, const std::wstring& source, const std::wstring& description,
                         EXCEPINFO* exception);

    long refs_ = 1;
    const wchar_t* interfaceName_;
    IID iid_;
    std::vector<Member> members_;
    std::wstring description_;
};

}  // namespace standin
