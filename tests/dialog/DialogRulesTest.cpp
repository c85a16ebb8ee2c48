// The dialog's rules that need no window: archive names, the order of rows, the parent
// folder of "..", and the text shown after OK.
#include <gtest/gtest.h>

#include "client/dialog/ArchiveName.h"
#include "client/dialog/AttachReportText.h"
#include "client/dialog/EntryOrder.h"
#include "client/dialog/FolderBrowserList.h"
#include "client/dialog/ListRows.h"

using namespace parcelon;

TEST(ArchiveNameTest, TrimsAddsZipAndRefusesWhatWindowsCannotName) {
    EXPECT_EQ("report.zip", CheckArchiveName(L" \treport\t ").name);
    EXPECT_EQ("report.ZIP", CheckArchiveName(L"report.ZIP").name);
    EXPECT_EQ("report.zip.zip", CheckArchiveName(L"report.zip.zip").name);
    EXPECT_EQ("old.tar.zip", CheckArchiveName(L"old.tar").name);
    EXPECT_EQ("CONSOLE.zip", CheckArchiveName(L"CONSOLE").name);
    EXPECT_EQ("COM10.zip", CheckArchiveName(L"COM10").name);
    EXPECT_EQ("\xC3\x9C" "bersicht.zip", CheckArchiveName(L"\u00DCbersicht").name);
    for (const wchar_t* refused : {L"", L"  ", L"a/b", L"a\\b", L"c:x", L"*", L"what?", L"\"q\"", L"<", L">", L"|",
                                   L"bell\a", L"nul", L"Aux.zip", L"prn.txt", L"COM1", L"lpt9.tar.gz", L"con .zip"}) {
        ArchiveNameCheck check = CheckArchiveName(refused);
        EXPECT_FALSE(check.problem.empty()) << check.name;
        EXPECT_TRUE(check.name.empty());
    }
}

namespace {
FileEntry Entry(const std::string& name, uint32_t attributes = 0, uint64_t size = 0, uint64_t modified = 0) {
    FileEntry e;
    e.attributes = attributes;
    e.name = name;
    e.path = "C:\\x\\" + name;
    e.size = size;
    e.modified = modified;
    return e;
}
}  // namespace

TEST(EntryOrderTest, DotDotBeforeNamelessDrivesLastFoldersFirstThenTheKey) {
    FileEntry nameless = Entry("", kFolderAttribute), dotDot = Entry("..", kFolderAttribute);
    EXPECT_GT(CompareEntries(nameless, dotDot, SortKey::Name), 0);
    EXPECT_LT(CompareEntries(dotDot, nameless, SortKey::Name), 0);
    FileEntry drive = Entry("C:\\"), folder = Entry("zz", kFolderAttribute), file = Entry("aa", 0, 5);
    EXPECT_GT(CompareEntries(drive, file, SortKey::Name), 0);
    EXPECT_LT(CompareEntries(file, drive, SortKey::Size), 0);
    EXPECT_LT(CompareEntries(folder, file, SortKey::Name), 0);
    EXPECT_FALSE(IsDriveRow(Entry("C")));
    EXPECT_TRUE(IsDriveRow(Entry("D:\\")));
    // Names ignore case; "." sorts after "!" and "-", before letters and digits.
    EXPECT_EQ(0, CompareEntries(Entry("Readme.TXT"), Entry("readme.txt"), SortKey::Name));
    EXPECT_LT(CompareNames("!x", "."), 0);
    EXPECT_LT(CompareNames("-x", "."), 0);
    EXPECT_LT(CompareNames(".", "0"), 0);
    EXPECT_LT(CompareNames("_a", "b"), 0);
    EXPECT_EQ(0, CompareNames("\xC3\x84pfel", "\xC3\xA4PFEL"));
    EXPECT_LT(CompareNames("abc", "abcd"), 0);
    // Sizes and times as unsigned numbers.
    EXPECT_LT(CompareEntries(Entry("a", 0, 0x7FFFFFFF), Entry("b", 0, 0x80000000u), SortKey::Size), 0);
    EXPECT_LT(CompareEntries(Entry("a", 0, 3ull << 30), Entry("b", 0, 5ull << 30), SortKey::Size), 0);
    EXPECT_LT(CompareEntries(Entry("a", 0, 0, 1), Entry("b", 0, 0, 0x8000000000000000ull), SortKey::Modified), 0);
    EXPECT_EQ(0, CompareItemData(0, reinterpret_cast<LPARAM>(&file), SortKey::Name));
}

TEST(FolderBrowserTest, ParentFolderKeepsItsBackslash) {
    EXPECT_EQ("C:\\a.b\\", ParentFolder("C:\\a.b\\c\\"));
    EXPECT_EQ("C:\\", ParentFolder("C:\\a\\"));
    EXPECT_EQ("\\\\server\\share\\", ParentFolder("\\\\server\\share\\dir\\"));
}

TEST(ListTextTest, DateInUtcWithTwoBlanksAndSizeUnsigned) {
    SYSTEMTIME utc = {2006, 3, 0, 15, 14, 5, 59, 0};
    FILETIME time = {};
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
    EXPECT_EQ(L"03/15/2006  14:05", DateText((uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime));
    EXPECT_EQ(L"01/01/1601  00:00", DateText(0));
    EXPECT_EQ(L"4294967295", SizeText(0xFFFFFFFFu));
    EXPECT_EQ(L"5368709120", SizeText(5ull << 30));
}

TEST(AttachReportTextTest, ListsEveryLeftOutFileWithItsReasonAndExplainsAStop) {
    AttachReport report;
    report.packedFiles = 3;
    report.archiveAttached = true;
    EXPECT_EQ(L"", DescribeAttachStop(report));

    report.LeaveOut("C:\\a.txt", "could not be opened");
    for (int i = 0; i < 21; ++i) report.LeaveOut("C:\\f" + std::to_string(i), "missing");
    ReportContent content = LeftOutReport(report);
    EXPECT_EQ(L"22 of 25 files were left out:", content.summary);
    EXPECT_EQ((std::vector<std::wstring>{L"File", L"Reason"}), content.columns);
    ASSERT_EQ(22u, content.rows.size());
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\a.txt", L"could not be opened"}), content.rows[0]);
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\f20", L"missing"}), content.rows[21]);
    std::wstring firstTwo = L"C:\\a.txt\tcould not be opened\r\nC:\\f0\tmissing\r\n";
    EXPECT_EQ(firstTwo, ReportRowsAsText(content).substr(0, firstTwo.size()));
    EXPECT_EQ(L"", DescribeAttachStop(report));
    report.archivePath = "C:\\Temp\\Parcelon\\1f-2\\attach.zip";
    EXPECT_EQ(L"22 of 25 files were left out:", LeftOutReport(report).summary) << "no working folder told";
    report.renamed = {{"D:\\Old\\notes.txt", "notes (2).txt"}};
    content = LeftOutReport(report);
    EXPECT_EQ(L"22 of 25 files were left out; 1 chosen item was renamed in the archive, since an item chosen before "
              L"had the same name:",
              content.summary);
    EXPECT_EQ((std::vector<std::wstring>{L"D:\\Old\\notes.txt", L"packed as \"notes (2).txt\""}), content.rows.back());

    AttachReport stopped;
    stopped.failure = "the archive attach.zip could not be created";
    EXPECT_EQ(L"Attaching stopped: the archive attach.zip could not be created.\nNothing was attached to the message.",
              DescribeAttachStop(stopped));
    stopped.attachedFiles = 1;
    EXPECT_EQ(L"Attaching stopped: the archive attach.zip could not be created.\nOnly 1 file was attached before it stopped.",
              DescribeAttachStop(stopped));
}
