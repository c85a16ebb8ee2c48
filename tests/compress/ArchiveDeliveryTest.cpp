// The last step of packing against the stand-in: an archive under the limit goes on
// without a question, and a sending in parts that Outlook stops half way takes off again
// what it put on and leaves no file.
#include <gtest/gtest.h>

#include "client/compress/ArchiveDelivery.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/StandinMessageTest.h"

using namespace parcelon;
using testing_support::ScratchFolder;

namespace {
std::string RandomBytes(size_t n, unsigned seed) {
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    return bytes;
}

class ArchiveDeliveryTest : public testing_support::StandinMessageTest {
protected:
    void SetUp() override {
        StandinMessageTest::SetUp();
        account->SetDeliveryStore(&app->session().defaultStore());
        for (int i = 0; i < 3; ++i) folder.Write("Tree\\f" + std::to_string(i) + ".bin", RandomBytes(100000, i + 1));
        report.archivePath = folder.path("attach.zip");
        ZipArchiveWriter writer;
        ASSERT_TRUE(writer.Open(report.archivePath.c_str(), folder.path().c_str(), false));
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(writer.AddFile(folder.path("Tree\\f" + std::to_string(i) + ".bin").c_str(), false));
        ASSERT_TRUE(writer.Close());
    }
    void Deliver(SendChoice answer) {
        MailItem item(mail->dispatch());
        DeliverArchive(item, item.GetAttachments(), "attach.zip",
                       [&](const SendQuestion& question) {
                           asked.push_back(question.text);
                           return answer;
                       },
                       report);
    }
    bool FolderHoldsOnlyTheTree() {
        WIN32_FIND_DATAW found;
        int names = 0;
        UniqueFindHandle search(FindFirstFileW(WideFromUtf8(folder.path("*")).c_str(), &found));
        if (!search) return false;
        do ++names; while (FindNextFileW(search.get(), &found));
        return names == 3;  // ".", ".." and Tree
    }

    ScratchFolder folder;
    AttachReport report;
    std::vector<std::wstring> asked;
};
}  // namespace

TEST_F(ArchiveDeliveryTest, AnArchiveWithinTheLimitGoesOnWithoutAQuestion) {
    app->session().defaultStore().SetMaxSubmitKb(1024);
    Deliver(SendChoice::Back);
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(report.archiveAttached);
    ASSERT_EQ(1u, mail->attachments().items().size());
    EXPECT_TRUE(FolderHoldsOnlyTheTree());
}

TEST_F(ArchiveDeliveryTest, ASendingInPartsStoppedHalfWayTakesItsCopiesAndPartsOffAgain) {
    app->session().defaultStore().SetMaxSubmitKb(200);
    standin::FailMember(L"MailItem.Copy", [] {
        standin::Failure second = standin::Failing(E_FAIL, L"The operation failed.");
        second.skip = 1;
        return second;
    }());
    Deliver(SendChoice::Split);
    ASSERT_EQ(1u, asked.size());
    EXPECT_NE(std::wstring::npos, asked[0].find(L"Sent in 3 messages")) << asked[0].c_str();
    EXPECT_FALSE(report.archiveAttached);
    EXPECT_EQ("part 3 of 3 (98 KB) could not be attached: The operation failed", report.failure);
    ASSERT_EQ(1u, mail->copies().size());
    EXPECT_TRUE(mail->copies()[0]->deleted) << "the copy made is deleted again";
    EXPECT_EQ(0, mail->copies()[0]->displayed);
    EXPECT_TRUE(mail->attachments().items().empty());
    EXPECT_TRUE(FolderHoldsOnlyTheTree()) << "no archive and no part left";
}
