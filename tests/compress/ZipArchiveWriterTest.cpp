// The zip writer on real files: results, entry names, limits, and the archive it leaves.
#include <gtest/gtest.h>

#include "client/compress/ZipArchiveWriter.h"
// After zip.h, which it needs.
#include <iowin32.h>

#include "common/FileSystemPath.h"
#include "common/UniqueResource.h"
#include "host/ZipListing.h"
#include "tests/support/ScratchFolder.h"

using namespace parcelon;
using testing_support::ReadWholeFile;
using testing_support::ScratchFolder;

namespace {
std::vector<char> Bytes(const std::string& s) { return std::vector<char>(s.begin(), s.end()); }

class ZipWriterTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    std::string archive = folder.path("out.zip");

    std::vector<host::ZipListingEntry> Entries() {
        auto entries = host::ListZipEntries(Bytes(ReadWholeFile(archive)));
        EXPECT_TRUE(entries.has_value());
        return entries.value_or(std::vector<host::ZipListingEntry>{});
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& e : Entries()) names.push_back(e.name);
        return names;
    }
};
}  // namespace

TEST_F(ZipWriterTest, OpenAndCloseWithoutEntriesLeavesTheEndRecordAlone) {
    ZipArchiveWriter writer;
    EXPECT_TRUE(writer.Close()) << "closing a closed writer";
    ASSERT_TRUE(writer.Open(archive.c_str(), nullptr, false));
    EXPECT_TRUE(writer.Close());
    EXPECT_TRUE(writer.Close()) << "closing twice";
    std::string bytes = ReadWholeFile(archive);
    ASSERT_EQ(22u, bytes.size());
    EXPECT_EQ(std::string("PK\x05\x06", 4), bytes.substr(0, 4));
}

TEST_F(ZipWriterTest, OpenReplacesAnExistingFileAndDerivesTheBaseFolder) {
    folder.Write("out.zip", std::string(1000, 'j'));
    ZipArchiveWriter writer(archive.c_str(), nullptr, false);
    ASSERT_TRUE(writer.isOpen());
    EXPECT_EQ(folder.path(), writer.baseFolder());
    writer.Close();
    EXPECT_EQ(22u, ReadWholeFile(archive).size());
    EXPECT_EQ("", writer.baseFolder()) << "closing empties the base folder";

    ASSERT_TRUE(writer.Open(archive.c_str(), "C:\\Docs", false));
    EXPECT_EQ("C:\\Docs\\", writer.baseFolder());
    ASSERT_TRUE(writer.Open(archive.c_str(), "C:\\Docs/", false));
    EXPECT_EQ("C:\\Docs/", writer.baseFolder());
    ASSERT_TRUE(writer.Open(archive.c_str(), "", false));
    EXPECT_EQ("", writer.baseFolder());
}

TEST_F(ZipWriterTest, OpenFailsWithoutAPathOrWhereNoFileCanBeMade) {
    ZipArchiveWriter writer;
    EXPECT_FALSE(writer.Open(nullptr, nullptr, false));
    EXPECT_FALSE(writer.Open("", nullptr, false));
    folder.MakeFolder("taken.zip");
    EXPECT_FALSE(writer.Open(folder.path("taken.zip").c_str(), nullptr, false));
    EXPECT_FALSE(writer.isOpen());
    EXPECT_FALSE(writer.AddFile(folder.Write("a.txt", "a").c_str(), false));
    EXPECT_EQ(AddFileResult::NotOpen, writer.lastAddResult());
}

TEST_F(ZipWriterTest, EntryNamesFollowTheBaseFolderWithForwardSlashes) {
    folder.Write("Docs\\Sub\\report.final.doc", "report");
    folder.Write("y.txt", "y");
    folder.Write("P.TXT", "p");
    std::string base = folder.path();
    {
        ZipArchiveWriter writer(archive.c_str(), base.c_str(), false);
        EXPECT_TRUE(writer.AddFile((base + "Docs\\Sub\\report.final.doc").c_str(), false));
        EXPECT_TRUE(writer.AddFile(".\\y.txt", false)) << "read from the base folder";
        EXPECT_TRUE(writer.AddFile("Docs\\Sub\\report.final.doc", false));
        EXPECT_TRUE(writer.AddFile((base + "Docs\\Sub\\report.final.doc").c_str(), true));
        // The base folder matches without regard to case; the name keeps the path's case.
        std::string upper = base;
        for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(writer.AddFile((upper + "p.txt").c_str(), false));
        EXPECT_FALSE(writer.AddFile("..\\y.txt", false));
        EXPECT_EQ(AddFileResult::Refused, writer.lastAddResult());
        EXPECT_TRUE(writer.Close());
    }
    EXPECT_EQ((std::vector<std::string>{"Docs/Sub/report.final.doc", "y.txt", "Docs/Sub/report.final.doc",
                                        "report.final.doc", "p.txt"}),
              Names());
}

TEST_F(ZipWriterTest, PathsOnAnotherRootAreNamedBelowTheirOwnRoot) {
    // P: and \\localhost\parcelon are folders of C: seen under other roots (see the test prefix).
    ScratchFolder driveP("C:\\parcelon-drive-p\\");
    ScratchFolder share("C:\\parcelon-unc\\");
    driveP.Write("Work\\a.txt", "on P");
    share.Write("x\\y.txt", "on the share");
    std::string pRelative = driveP.path().substr(strlen("C:\\parcelon-drive-p\\"));
    std::string shareRelative = share.path().substr(strlen("C:\\parcelon-unc\\"));
    {
        ZipArchiveWriter writer(archive.c_str(), "C:\\", false);
        EXPECT_TRUE(writer.AddFile(("P:\\" + pRelative + "Work\\a.txt").c_str(), false));
        EXPECT_TRUE(writer.AddFile(("\\\\localhost\\parcelon\\" + shareRelative + "x\\y.txt").c_str(), false));
        writer.Close();
    }
    auto slashed = [](std::string s) {
        for (char& c : s)
            if (c == '\\') c = '/';
        return s;
    };
    EXPECT_EQ((std::vector<std::string>{slashed(pRelative) + "Work/a.txt", slashed(shareRelative) + "x/y.txt"}),
              Names());
}

TEST_F(ZipWriterTest, FilesThatCannotBeReadAreRefusedWithTheirReason) {
    std::string locked = folder.Write("locked.txt", "held");
    std::string shared = folder.Write("shared.txt", "held for reading");
    folder.MakeFolder("sub");
    ZipArchiveWriter writer(archive.c_str(), nullptr, false);
    {
        parcelon::UniqueFile holder(CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
        parcelon::UniqueFile reader(CreateFileA(shared.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder && reader);
        EXPECT_FALSE(writer.AddFile(locked.c_str(), false));
        EXPECT_EQ(AddFileResult::Locked, writer.lastAddResult());
        EXPECT_TRUE(writer.AddFile(shared.c_str(), false)) << "a program that shares reading keeps no file out";
    }
    EXPECT_FALSE(writer.AddFile(folder.path("missing.txt").c_str(), false));
    EXPECT_EQ(AddFileResult::Missing, writer.lastAddResult());
    EXPECT_FALSE(writer.AddFile(folder.path("sub").c_str(), false));
    EXPECT_EQ(AddFileResult::CannotOpen, writer.lastAddResult());
    EXPECT_FALSE(writer.AddFile(("C:\\" + std::string(150, 'n') + "\\" + std::string(150, 'n')).c_str(), false));
    EXPECT_EQ(AddFileResult::Missing, writer.lastAddResult()) << "a long path is looked for like any other";
    // Only a name longer than the format's 16-bit length field is too long.
    EXPECT_FALSE(writer.AddFile(("C:\\" + std::string(0x10000, 'n')).c_str(), false));
    EXPECT_EQ(AddFileResult::TooLong, writer.lastAddResult());
    EXPECT_EQ(1u, writer.entryCount());
    writer.Close();
    EXPECT_EQ(std::vector<std::string>{Names().at(0)}, Names());
}

TEST_F(ZipWriterTest, TimesOutsideTheDosRangeAreClamped) {
    std::string old = folder.Write("old.txt", "1975");
    std::string usual = folder.Write("usual.txt", "2006");
    ASSERT_TRUE(testing_support::SetLocalWriteTime(old, 1975, 6, 1, 12, 0, 0));
    ASSERT_TRUE(testing_support::SetLocalWriteTime(usual, 2006, 3, 15, 14, 5, 7));
    ZipArchiveWriter writer(archive.c_str(), nullptr, false);
    writer.AddFile(old.c_str(), false);
    writer.AddFile(usual.c_str(), false);
    writer.Close();
    auto entries = Entries();
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ((0 << 9) | (1 << 5) | 1, entries[0].dosDate) << "1980-01-01";
    EXPECT_EQ(0, entries[0].dosTime);
    EXPECT_EQ((26 << 9) | (3 << 5) | 15, entries[1].dosDate);
    EXPECT_EQ((14 << 11) | (5 << 5) | 3, entries[1].dosTime) << "2-second resolution";
}

// The writer's file functions take UTF-16 paths; those of the same source file that take
// ANSI names are built to open nothing, so no ANSI file call is imported.
TEST(MinizipFileFunctions, OnlyTheWideOnesOpenFiles) {
    ScratchFolder folder;
    std::string path = folder.Write("\u0444\u0430\u0439\u043b.txt", "file");
    const int mode = ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING;
    zlib_filefunc64_def ansi = {}, wide = {};
    fill_win32_filefunc64A(&ansi);
    fill_win32_filefunc64W(&wide);
    std::string ascii = folder.Write("plain.txt", "plain");
    EXPECT_EQ(nullptr, ansi.zopen64_file(ansi.opaque, ascii.c_str(), mode));
    std::wstring fileSystemPath = FileSystemPath(path);
    voidpf stream = wide.zopen64_file(wide.opaque, fileSystemPath.c_str(), mode);
    ASSERT_NE(nullptr, stream);
    char text[8] = {};
    EXPECT_EQ(4u, wide.zread_file(wide.opaque, stream, text, sizeof text));
    EXPECT_STREQ("file", text);
    wide.zclose_file(wide.opaque, stream);
}
