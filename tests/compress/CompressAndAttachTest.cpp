// The compress-and-attach action against the Outlook stand-in, on real files.
#include <gtest/gtest.h>

#include "client/compress/CompressAndAttach.h"
#include "client/dialog/DroppedEntry.h"
#include "common/FileSystemPath.h"
#include "common/SystemFolders.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "common/WorkingFolder.h"
#include "host/ZipListing.h"
#include "standin/MailObjects.h"
#include "tests/support/DebugOutputCapture.h"
#include "tests/support/ScratchFolder.h"

using namespace parcelon;
using testing_support::RemoveTree;
using testing_support::ScratchFolder;

namespace {
std::string Slashed(std::string s) {
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class CompressAndAttachTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        RemoveAbandonedWorkingFolders();  // what an earlier run that crashed left
    }
    void TearDown() override {
        standin::ClearFailures();
        mail.reset();
        EXPECT_EQ(0, standin::LiveObjects()) << "the action released every host object";
        EXPECT_EQ(std::vector<std::string>{}, testing_support::WorkingFoldersLeft()) << "no working folder stays";
        EXPECT_FALSE(Exists(rootArchive)) << "nothing is written to the system drive's root";
        CoUninitialize();
    }

    // Rows made the way a drop on the chosen list makes them.
    std::vector<FileEntry> Rows(std::initializer_list<std::string> paths) {
        std::vector<FileEntry> rows;
        for (const std::string& p : paths) {
            auto entry = MakeDroppedEntry(p);
            EXPECT_TRUE(entry.has_value()) << p;
            if (entry) rows.push_back(*entry);
        }
        return rows;
    }
    AttachReport Run(const std::vector<FileEntry>& rows, int compress = 1, int subFolders = 1) {
        AttachOptions o;
        o.compressAttachments = compress;
        o.includeSubFolders = subFolders;
        return CompressAndAttach(rows, MailItem(mail->dispatch()), o);
    }
    const std::vector<standin::Attachment*>& Attached() { return mail->attachments().items(); }
    std::vector<std::string> ArchiveNames(size_t index = 0) {
        std::vector<std::string> names;
        if (index >= Attached().size()) return names;
        auto entries = host::ListZipEntries(Attached()[index]->content());
        EXPECT_TRUE(entries.has_value());
        if (entries)
            for (const auto& e : *entries) names.push_back(e.name);
        return names;
    }
    // The entry name of a scratch file: the rows are chosen at the scratch folder's top, and
    // each stands under its own name.
    std::string Entry(const std::string& relative) { return Slashed(relative); }

    const std::string rootArchive = SystemDriveRoot() + "attach.zip";
    ScratchFolder folder;
    ComPtr<standin::MailItem> mail = ComPtr<standin::MailItem>::Attach(new standin::MailItem());
};
}  // namespace

TEST_F(CompressAndAttachTest, FolderIsPackedWithOrWithoutItsSubFolders) {
    folder.Write("Work\\a.txt", "alpha");
    folder.Write("Work\\Sub\\b.txt", "beta");
    folder.MakeFolder("Work\\Empty");
    auto rows = Rows({folder.path("Work")});
    ASSERT_EQ(folder.path("Work\\"), rows[0].path);

    AttachReport report = Run(rows);
    ASSERT_EQ(1u, Attached().size());
    EXPECT_EQ(L"attach.zip", Attached()[0]->fileName());
    std::vector<std::string> names = ArchiveNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{Entry("Work\\Sub\\b.txt"), Entry("Work\\a.txt")}), names);
    EXPECT_TRUE(report.leftOut.empty());
    EXPECT_TRUE(report.archiveAttached);
    EXPECT_FALSE(Exists(report.archivePath)) << "deleted after a good attach";

    // Made under its own name in a working folder of its own.
    const standin::AddCall call = mail->attachments().addCalls().at(0);
    std::wstring workingRoot = WideFromUtf8(WorkingFoldersRoot());
    EXPECT_EQ(0u, call.source.find(workingRoot)) << Utf8FromWide(call.source);
    ASSERT_EQ(call.source.size() - 11, call.source.find(L"\\attach.zip"));
    std::wstring own = call.source.substr(workingRoot.size(), call.source.size() - 11 - workingRoot.size());
    EXPECT_EQ(std::wstring::npos, own.find(L'\\')) << "a folder of its own below the root";
    EXPECT_EQ(VT_I4, call.typeVt);
    EXPECT_EQ(1, call.type);
    EXPECT_TRUE(call.positionOmitted && call.displayNameOmitted);

    Run(rows, 1, 0);
    EXPECT_EQ(std::vector<std::string>{Entry("Work\\a.txt")}, ArchiveNames(1));
    EXPECT_NE(call.source, mail->attachments().addCalls().at(1).source) << "no two packings share a path";
}

TEST_F(CompressAndAttachTest, WithoutCompressionEachFileIsAttachedByItself) {
    std::string a = folder.Write("Work\\a.txt", "alpha");
    folder.Write("Work\\Sub\\b.txt", "beta");
    AttachReport report = Run(Rows({folder.path("Work"), a}), 0, 1);
    std::vector<std::wstring> names;
    for (auto* item : Attached()) names.push_back(item->fileName());
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{L"a.txt", L"a.txt", L"b.txt"}), names) << "a file chosen twice comes twice";
    EXPECT_EQ(3u, report.attachedFiles);
    for (const standin::AddCall& call : mail->attachments().addCalls())
        EXPECT_EQ(0u, call.source.find(WideFromUtf8(folder.path()))) << "short paths are attached as they are";
    for (auto* item : Attached()) {
        if (item->fileName() == L"b.txt") {
            EXPECT_EQ(std::string("beta"), std::string(item->content().begin(), item->content().end()));
        }
    }
}

TEST_F(CompressAndAttachTest, ADriveRowIsWalkedAsAFolderAndOneThatCannotBeListedIsLeftOut) {
    std::string a = folder.Write("a.txt", "alpha");
    DWORD drives = GetLogicalDrives();
    char letter = 'Q';
    while (letter < 'Z' && (drives & (1u << (letter - 'A')))) ++letter;
    FileEntry drive;  // as the folder browser lists a drive: attributes 0
    drive.name = drive.path = std::string(1, letter) + ":\\";
    std::vector<FileEntry> rows = {drive, Rows({a})[0]};

    AttachReport packed = Run(rows);
    EXPECT_EQ(std::vector<std::string>{Entry("a.txt")}, ArchiveNames());
    ASSERT_EQ(1u, packed.leftOut.size());
    EXPECT_EQ(drive.path, packed.leftOut[0].path);

    AttachReport attached = Run(rows, 0);
    ASSERT_EQ(1u, attached.leftOut.size());
    EXPECT_EQ(drive.path, attached.leftOut[0].path);
    EXPECT_EQ(1u, attached.attachedFiles) << "the next row follows";
}

TEST_F(CompressAndAttachTest, AFailingAddIsReportedAndTheNextFileGoesOn) {
    auto rows = Rows({folder.Write("1.txt", "one"), folder.Write("2.txt", "two"), folder.Write("3.txt", "three")});
    standin::FailMember(L"Attachments.Add", {E_FAIL, L"Outlook", L"Disk is full", 1, 1});
    testing_support::DebugOutputCapture capture;
    AttachReport report = Run(rows, 0);
    EXPECT_EQ("_com_error exception - Source: Outlook, Error: -2147467259, Description: Disk is full, "
              "ErrorMessage: " + std::string(_com_error(E_FAIL).ErrorMessage()),
              capture.Take(2).at(0));
    ASSERT_EQ(1u, report.leftOut.size());
    EXPECT_EQ(folder.path("2.txt"), report.leftOut[0].path);
    ASSERT_EQ(2u, Attached().size());
    EXPECT_EQ(L"1.txt", Attached()[0]->fileName());
    EXPECT_EQ(L"3.txt", Attached()[1]->fileName());
}

TEST_F(CompressAndAttachTest, ReadingAttachmentsFailingStopsBeforeAnyArchive) {
    standin::FailMember(L"MailItem.Attachments", {E_ACCESSDENIED, L"Outlook", L"Item is locked"});
    testing_support::DebugOutputCapture capture;
    AttachReport report = Run(Rows({folder.Write("a.txt", "a")}));
    EXPECT_NE(std::string::npos, capture.Take(2).at(0).find("Description: Item is locked"));
    EXPECT_FALSE(report.failure.empty());
    EXPECT_TRUE(Attached().empty());
}

// The working folder, checked after each test, goes after a failed attach as well.
TEST_F(CompressAndAttachTest, AFailedArchiveAttachIsReportedWithItsSizeAndWhatOutlookSaidAndLeavesNothing) {
    standin::FailMember(L"Attachments.Add", {E_FAIL, L"Outlook", L"No room."});
    AttachReport report = Run(Rows({folder.Write("a.txt", "a")}));
    EXPECT_EQ("the archive attach.zip (1 KB) could not be attached: No room", report.failure);
    EXPECT_FALSE(report.archiveAttached);
    EXPECT_FALSE(Exists(report.archivePath));
}

TEST_F(CompressAndAttachTest, NoFileMeansAnEmptyArchive) {
    AttachReport report = Run(Rows({folder.MakeFolder("Empty")}));
    ASSERT_EQ(1u, Attached().size());
    EXPECT_EQ(22u, Attached()[0]->content().size());
    EXPECT_TRUE(report.leftOut.empty());
}

TEST_F(CompressAndAttachTest, WithNoWorkingFolderToBeHadNothingIsAttached) {
    std::string root = WorkingFoldersRoot();
    RemoveTree(root);
    testing_support::ScratchFolder(TemporaryFolder()).Write("..\\Parcelon", "a file where the folder goes");
    AttachReport report = Run(Rows({folder.Write("Work\\a.txt", "a")}));
    DeleteFileW(FileSystemPath(root.substr(0, root.size() - 1)).c_str());
    EXPECT_EQ("the archive attach.zip could not be created in " + root, report.failure);
    EXPECT_TRUE(mail->attachments().addCalls().empty());
}

TEST_F(CompressAndAttachTest, FilesThatCannotBePackedAreListed) {
    std::string locked = folder.Write("Work\\locked.txt", "held");
    std::string hidden = folder.Write("Work\\hidden.txt", "h");
    std::string readOnly = folder.Write("Work\\readonly.txt", "r");
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    std::string missing = folder.Write("gone.txt", "soon gone");
    auto rows = Rows({folder.path("Work"), missing});
    DeleteFileA(missing.c_str());
    UniqueFile holder(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(MakeDroppedEntry(locked).has_value()) << "a file held with no sharing can be dropped all the same";
    AttachReport report = Run(rows);
    holder.reset();

    std::vector<std::string> names = ArchiveNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{Entry("Work\\hidden.txt"), Entry("Work\\readonly.txt")}), names);
    ASSERT_EQ(2u, report.leftOut.size());
    EXPECT_EQ(locked, report.leftOut[0].path);
    EXPECT_EQ("locked by another program", report.leftOut[0].reason);
    EXPECT_EQ(missing, report.leftOut[1].path);
    EXPECT_EQ("missing", report.leftOut[1].reason);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(CompressAndAttachTest, AFileWithALongPathIsAttachedFromAShortCopyOfItsOwnName) {
    std::string deep = folder.MakeFolder(std::string(120, 'd') + "\\" + std::string(120, 'e') + "\\" + std::string(60, 'f'));
    std::string file = folder.Write(deep.substr(folder.path().size()) + "\\Offer 2027.txt", "the offer");
    ASSERT_GT(file.size(), 300u);
    AttachReport report = Run(Rows({file}), 0);
    ASSERT_EQ(1u, report.attachedFiles) << (report.leftOut.empty() ? "" : report.leftOut[0].reason);
    const standin::AddCall& call = mail->attachments().addCalls().at(0);
    EXPECT_LT(call.source.size(), size_t(MAX_PATH));
    EXPECT_EQ(0u, call.source.find(WideFromUtf8(WorkingFoldersRoot()))) << Utf8FromWide(call.source);
    EXPECT_EQ(L"Offer 2027.txt", Attached()[0]->fileName());
    EXPECT_EQ(std::string("the offer"), std::string(Attached()[0]->content().begin(), Attached()[0]->content().end()));
    EXPECT_FALSE(Exists(Utf8FromWide(call.source))) << "the copy is gone";
}
