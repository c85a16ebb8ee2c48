// The limit of a message, read from the sending store, the default store and Outlook's
// own setting in Wine's registry, with each source missing or failing.
#include <gtest/gtest.h>

#include "client/addin/MessageSizeLimit.h"
#include "common/UniqueResource.h"
#include "tests/support/DebugOutputCapture.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/StandinMessageTest.h"

using namespace parcelon;

namespace {
constexpr uint64_t kNone = MessageSizeLimit::kNone;
const wchar_t* kPolicyKey = L"Software\\Policies\\Microsoft\\Office\\16.0\\Outlook\\Preferences";
const wchar_t* kPreferencesKey = L"Software\\Microsoft\\Office\\16.0\\Outlook\\Preferences";

void SetKb(const wchar_t* keyPath, DWORD kb) {
    UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                             key.put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), L"MaximumAttachmentSize", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&kb), sizeof kb));
}

void RemoveKb(const wchar_t* keyPath) {
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
        RegDeleteValueW(key.get(), L"MaximumAttachmentSize");
}

class MessageSizeLimitTest : public testing_support::StandinMessageTest {
protected:
    void SetUp() override {
        StandinMessageTest::SetUp();
        app->version = L"16.0.0.0";
        for (const wchar_t* key : {kPolicyKey, kPreferencesKey}) RemoveKb(key);
    }
    void TearDown() override {
        for (const wchar_t* key : {kPolicyKey, kPreferencesKey}) RemoveKb(key);
        StandinMessageTest::TearDown();
    }
    MessageSizeLimit Read() { return ReadMessageSizeLimit(MailItem(mail->dispatch())); }
    // Reads with one failure switched on; the limit and whether a fallback was written out.
    MessageSizeLimit ReadFailing(const wchar_t* member, bool& reported) {
        testing_support::DebugOutputCapture capture;
        standin::FailMember(member, standin::Failing(E_FAIL, L"not now"));
        MessageSizeLimit limit = Read();
        standin::ClearFailures();
        const std::string fallback = "falling back";
        reported = testing_support::Joined(capture.TakeUntil(fallback)).find(fallback) != std::string::npos;
        return limit;
    }
};
}  // namespace

TEST_F(MessageSizeLimitTest, TheSendingStoreNamesTheServerLimitElseTheDefaultStore) {
    auto* delivery = new standin::Store;
    delivery->SetMaxSubmitKb(35 * 1024);
    app->session().defaultStore().SetMaxSubmitKb(10 * 1024);
    account->SetDeliveryStore(delivery);
    MessageSizeLimit limit = Read();
    EXPECT_EQ(35u * 1024 * 1024, limit.serverBytes);
    EXPECT_EQ(kNone, limit.attachmentBytes) << "Exchange: Outlook's own limit does not apply";

    account->SetDeliveryStore(nullptr);
    EXPECT_EQ(10u * 1024 * 1024, Read().serverBytes) << "no delivery store: the default store";
    bool reported = false;
    EXPECT_EQ(10u * 1024 * 1024, ReadFailing(L"MailItem.SendUsingAccount", reported).serverBytes);
    EXPECT_TRUE(reported);
    EXPECT_NE(kNone, ReadFailing(L"MailItem.SendUsingAccount", reported).attachmentBytes)
        << "an account that cannot be read is not taken for Exchange";
    delivery->Release();
}

TEST_F(MessageSizeLimitTest, AMissingFailingMinusOneOrZeroPropertyNamesNone) {
    EXPECT_EQ(kNone, Read().serverBytes) << "no property on the store";
    for (long none : {-1L, 0L}) {
        app->session().defaultStore().SetMaxSubmitKb(none);
        EXPECT_EQ(kNone, Read().serverBytes) << none;
    }
    app->session().defaultStore().SetMaxSubmitKb(2048);
    for (const wchar_t* member : {L"PropertyAccessor.GetProperty", L"Store.PropertyAccessor", L"Session.DefaultStore",
                                  L"Application.Session", L"MailItem.Application"}) {
        bool reported = false;
        EXPECT_EQ(kNone, ReadFailing(member, reported).serverBytes) << member;
        EXPECT_TRUE(reported) << member;
    }
    EXPECT_EQ(2048u * 1024, Read().serverBytes);
}

TEST_F(MessageSizeLimitTest, OutlookOwnLimitComesFromThePolicyThenThePreferencesThenTheDefault) {
    account->type = standin::olImap;
    EXPECT_EQ(20480u * 1024, Read().attachmentBytes);
    SetKb(kPreferencesKey, 10240);
    EXPECT_EQ(10240u * 1024, Read().attachmentBytes);
    SetKb(kPolicyKey, 5120);
    EXPECT_EQ(5120u * 1024, Read().attachmentBytes);
    SetKb(kPolicyKey, 0);
    EXPECT_EQ(kNone, Read().attachmentBytes) << "0 means none";
    app->version = L"15.0.4569";
    EXPECT_EQ(20480u * 1024, Read().attachmentBytes) << "the keys of Outlook 2013 are 15.0";
    bool reported = false;
    EXPECT_EQ(20480u * 1024, ReadFailing(L"Application.Version", reported).attachmentBytes);
    EXPECT_TRUE(reported);
}

TEST_F(MessageSizeLimitTest, TheTighterLimitAppliesWithTheMessageAttachmentsCounted) {
    testing_support::ScratchFolder folder;
    mail->attachments().maximumAttachmentSizeKb = 0;
    MailItem(mail->dispatch()).GetAttachments().Add(folder.Write("carried.bin", std::string(300000, 'x')));
    account->type = standin::olImap;
    app->session().defaultStore().SetMaxSubmitKb(35 * 1024);
    MessageSizeLimit limit = Read();
    EXPECT_EQ(300000u, limit.existingAttachmentBytes);
    EXPECT_EQ(20480u * 1024 - 300000, limit.LargestArchive()) << "Outlook's 20 MB is tighter than 35 MB sent";
    EXPECT_EQ(20480u * 1024, limit.TighterLimit());

    SetKb(kPreferencesKey, 0);
    limit = Read();
    uint64_t largest = limit.LargestArchive();
    EXPECT_LE(TransferSize(largest) + TransferSize(300000), 35u * 1024 * 1024) << "grown in transfer, it fits";
    EXPECT_GT(TransferSize(largest + 4) + TransferSize(300000), 35u * 1024 * 1024) << "and nothing larger does";
    EXPECT_NEAR(35.0 * 1024 * 1024 / 1.37, static_cast<double>(largest), 35.0 * 1024 * 1024 * 0.01);
    EXPECT_EQ(35u * 1024 * 1024, limit.TighterLimit());

    bool reported = false;
    EXPECT_EQ(0u, ReadFailing(L"Attachment.Size", reported).existingAttachmentBytes);
    EXPECT_TRUE(reported);
}
