// Host calls through IDispatch against the stand-in: names, arguments, results, and the
// _com_error each kind of failure raises.
#include <gtest/gtest.h>
#include <thread>

#include "client/addin/MailItem.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "standin/MailObjects.h"
#include "tests/support/ScratchFolder.h"

using namespace parcelon;

namespace {
class HostObjectTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override {
        standin::ClearFailures();
        mail.reset();
        EXPECT_EQ(0, standin::LiveObjects());
        CoUninitialize();
    }
    std::string DescriptionOf(const _com_error& e) {
        ComPtr<IErrorInfo> info = ComPtr<IErrorInfo>::Attach(e.ErrorInfo());
        if (!info) return "(none)";
        UniqueBstr text;
        info->GetDescription(text.put());
        return AnsiFromWide(text.get());
    }
    ComPtr<standin::MailItem> mail = ComPtr<standin::MailItem>::Attach(new standin::MailItem(true, false));
};
}  // namespace

TEST_F(HostObjectTest, PropertiesAndMethodsGoThroughIDispatch) {
    MailItem item(mail->dispatch());
    EXPECT_TRUE(item.UnRead());
    EXPECT_FALSE(item.Sent());
    testing_support::ScratchFolder folder;
    std::string file = folder.Write("note.txt", "note");
    Attachments attachments = item.GetAttachments();
    attachments.Add(file);
    EXPECT_EQ(1, attachments.GetLong(L"count")) << "names are resolved without regard to case";
    HostObject first = HostObject::FromVariant(attachments.GetIndexed(L"Item", Variant::Long(1)), IID_IDispatch);
    EXPECT_EQ(L"note.txt", first.GetString(L"FileName"));
    const standin::AddCall& call = mail->attachments().addCalls().at(0);
    EXPECT_EQ(std::wstring(file.begin(), file.end()), call.source);
    EXPECT_TRUE(call.positionOmitted);
    EXPECT_TRUE(call.displayNameOmitted);
}

TEST_F(HostObjectTest, AnObjectWithoutTheInterfaceIsRefused) {
    try {
        HostObject(mail->dispatch(), IID_OutlookInspector);
        FAIL() << "no _com_error";
    } catch (const _com_error& e) {
        EXPECT_EQ(E_NOINTERFACE, e.Error());
    }
}

// A proxy to the object from another apartment, as a program outside Outlook holds: no
// marshaler is registered for the host's own interfaces, and its IDispatch serves for them.
TEST_F(HostObjectTest, AProxyWithoutTheTypedInterfaceIsCalledThroughItsIDispatch) {
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, CoMarshalInterThreadInterfaceInStream(IID_IDispatch, mail->dispatch(), &stream));
    HRESULT typed = S_OK;
    bool unread = false;
    std::string failure;
    UniqueHandle ended(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread caller([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ComPtr<IDispatch> proxy;
        CoGetInterfaceAndReleaseStream(stream, IID_IDispatch, proxy.putVoid());
        ComPtr<IUnknown> direct;
        typed = proxy->QueryInterface(IID_OutlookMailItem, direct.putVoid());
        try {
            unread = MailItem(proxy.get()).UnRead();
        } catch (const _com_error& e) {
            failure = std::to_string(e.Error());
        }
        proxy.reset();
        direct.reset();
        CoUninitialize();
        SetEvent(ended.get());
    });
    // The object's apartment answers the calls meanwhile.
    HANDLE handles[] = {ended.get()};
    DWORD index = 0;
    CoWaitForMultipleHandles(COWAIT_DISPATCH_CALLS, INFINITE, 1, handles, &index);
    caller.join();
    EXPECT_TRUE(FAILED(typed)) << "a marshaler for _MailItem is registered: the test shows nothing";
    EXPECT_EQ("", failure);
    EXPECT_TRUE(unread);
}

TEST_F(HostObjectTest, AnUnknownNameRaisesWithoutErrorInformation) {
    MailItem item(mail->dispatch());
    try {
        item.Get(L"NoSuchMember");
        FAIL() << "no _com_error";
    } catch (const _com_error& e) {
        EXPECT_EQ(DISP_E_UNKNOWNNAME, e.Error());
        EXPECT_EQ("(none)", DescriptionOf(e));
    }
}

TEST_F(HostObjectTest, AFailingMemberRaisesWithItsSourceAndDescription) {
    standin::FailMember(L"MailItem.UnRead", {static_cast<HRESULT>(0x80040201), L"Outlook", L"Item was moved"});
    MailItem item(mail->dispatch());
    try {
        item.UnRead();
        FAIL() << "no _com_error";
    } catch (const _com_error& e) {
        EXPECT_EQ(static_cast<HRESULT>(0x80040201), e.Error());
        EXPECT_EQ("Item was moved", DescriptionOf(e));
        EXPECT_EQ(std::string("IDispatch error #1"), e.ErrorMessage());
    }
}

TEST_F(HostObjectTest, ThreadErrorInformationIsTakenOnlyForSupportedInterfaces) {
    auto failWith = [&](const IID& iid) {
        ComPtr<ICreateErrorInfo> create;
        CreateErrorInfo(create.put());
        create->SetDescription(const_cast<LPOLESTR>(L"set by the object"));
        SetErrorInfo(0, create.query<IErrorInfo>(IID_IErrorInfo).get());
        try {
            RaiseHostError(E_FAIL, mail->dispatch(), iid);
        } catch (const _com_error& e) {
            SetErrorInfo(0, nullptr);
            return DescriptionOf(e);
        }
        return std::string("no throw");
    };
    EXPECT_EQ("set by the object", failWith(IID_OutlookMailItem));
    EXPECT_EQ("(none)", failWith(IID_OutlookAttachments));
}

TEST_F(HostObjectTest, CopiesKeepTheMessageAndOutlookRefusesWhatPassesItsLimit) {
    testing_support::ScratchFolder folder;
    mail->to = L"robin@example.com";
    mail->attachments().maximumAttachmentSizeKb = 1;
    MailItem item(mail->dispatch());
    Attachments attachments = item.GetAttachments();
    attachments.Add(folder.Write("small.txt", std::string(600, 's')));
    try {
        attachments.Add(folder.Write("large.txt", std::string(600, 'l')));
        FAIL() << "the two together pass 1 KB";
    } catch (const _com_error& e) {
        EXPECT_EQ("The file you're attaching is bigger than the server allows. Try putting the file in a shared "
                  "location and sending a link instead.",
                  DescriptionOf(e));
    }
    MailItem copy(HostObject::FromVariant(item.Call(L"Copy"), IID_OutlookMailItem));
    copy.Put(L"Subject", Variant::String(L"Files (2 of 2)"));
    copy.Call(L"Display");
    ASSERT_EQ(1u, mail->copies().size());
    const standin::MailItem& made = *mail->copies()[0];
    EXPECT_EQ(L"robin@example.com", made.to);
    EXPECT_EQ(mail->body, made.body);
    EXPECT_EQ(L"Files (2 of 2)", made.subject);
    EXPECT_EQ(L"Files from Parcelon", mail->subject);
    EXPECT_EQ(1, made.displayed);
    EXPECT_EQ(1u, const_cast<standin::MailItem&>(made).attachments().items().size());
    standin::FailMember(L"MailItem.Copy", standin::Failing(E_FAIL, L"no copy"));
    EXPECT_THROW(item.Call(L"Copy"), _com_error);
}
