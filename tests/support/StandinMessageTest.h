// A message being written in the stand-in Outlook, sent from an Exchange account: the
// fixture of tests of what an archive meets before it goes on the message.
#pragma once

#include <gtest/gtest.h>
#include <objbase.h>

#include "standin/ApplicationObjects.h"
#include "standin/MailObjects.h"

namespace testing_support {

class StandinMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        app = new standin::Application;
        mail = new standin::MailItem;
        mail->SetApplication(app->dispatch());
        account = new standin::Account(standin::olExchange);
        mail->SetAccount(account);
    }
    // Every object of the stand-in is let go by the end.
    void TearDown() override {
        standin::ClearFailures();
        account->Release();
        mail->Release();
        app->Release();
        EXPECT_EQ(0, standin::LiveObjects());
        CoUninitialize();
    }

    standin::Application* app = nullptr;
    standin::MailItem* mail = nullptr;
    standin::Account* account = nullptr;
};

}  // namespace testing_support
