// Packing files that other programs hold open or write meanwhile, each program in a
// process of its own.
#include <gtest/gtest.h>
#include <thread>
#include <zlib.h>

#include "client/compress/CompressAndAttach.h"
#include "client/compress/PackChunk.h"
#include "client/compress/ParallelPacker.h"
#include "client/compress/SourceFile.h"
#include "client/dialog/DroppedEntry.h"
#include "host/ZipListing.h"
#include "standin/MailObjects.h"
#include "tests/support/HolderProcess.h"
#include "tests/support/ScratchFolder.h"

using namespace parcelon;
using testing_support::HolderProcess;
using testing_support::ReadWholeFile;

namespace {
std::string Mixed(size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 12345;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245 + 12345;
        bytes[i] = (i / 4096) % 2 ? static_cast<char>(state >> 24) : "document "[i % 9];
    }
    return bytes;
}

uint32_t Crc(const std::string& bytes, size_t length) {
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(length)));
}

class OtherProgramsTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override {
        mail.reset();
        EXPECT_EQ(std::vector<std::string>{}, testing_support::WorkingFoldersLeft());
        CoUninitialize();
    }
    // The rows packed in chunks of 256 KiB, so that a file of a few MiB is read by several
    // workers; the attached archive's entries.
    std::vector<host::ZipListingEntry> Pack(std::initializer_list<std::string> paths, AttachReport& report) {
        std::vector<FileEntry> rows;
        for (const std::string& path : paths) rows.push_back(MakeDroppedEntry(path).value());
        PackProgress progress;
        PackObserver observer;
        observer.progress = &progress;
        observer.settings.chunkBytes = 256 * 1024;
        report = CompressAndAttach(rows, MailItem(mail->dispatch()), AttachOptions(), observer);
        const auto& attached = mail->attachments().items();
        if (attached.size() != 1) return {};
        auto entries = host::ListZipEntries(attached[0]->content());
        EXPECT_TRUE(entries.has_value()) << "a readable archive";
        return entries.value_or(std::vector<host::ZipListingEntry>{});
    }
    testing_support::ScratchFolder folder;
    ComPtr<standin::MailItem> mail = ComPtr<standin::MailItem>::Attach(new standin::MailItem());
};
}  // namespace

TEST_F(OtherProgramsTest, ADocumentHeldAsWordHoldsItIsPackedWholeAndOneSharedWithNobodyIsLocked) {
    std::string content = Mixed(3 * 1024 * 1024 + 17);
    std::string document = folder.Write("Offer.docx", content);
    std::string sheet = folder.Write("Budget.xlsx", "figures");
    HolderProcess word("shared", document), other("exclusive", sheet);
    ASSERT_TRUE(word.ready() && other.ready());

    AttachReport report;
    auto entries = Pack({document, sheet}, report);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("Offer.docx", entries[0].name.substr(entries[0].name.rfind('/') + 1));
    EXPECT_EQ(content.size(), entries[0].size);
    EXPECT_EQ(Crc(content, content.size()), entries[0].crc32) << "byte for byte as it stands on disk";
    ASSERT_EQ(1u, report.leftOut.size());
    EXPECT_EQ(sheet, report.leftOut[0].path);
    EXPECT_EQ("locked by another program", report.leftOut[0].reason);
}

// The other program appends a block every few milliseconds, far more often than the file
// can be read and deflated, so both readings see it change.
TEST_F(OtherProgramsTest, AFileAppendedToWhileItIsReadTwiceIsLeftOutAsChangedAndTheArchiveStaysWhole) {
    const size_t initial = 6 * 1024 * 1024;
    std::string log = folder.Write("growing.log", Mixed(initial));
    std::string after = folder.Write("after.txt", "packed after it");
    AttachReport report;
    std::vector<host::ZipListingEntry> entries;
    {
        HolderProcess writer("append", log);
        ASSERT_TRUE(writer.ready());
        entries = Pack({log, after}, report);
    }
    ASSERT_GT(ReadWholeFile(log).size(), initial) << "the other program wrote while it was read";
    ASSERT_EQ(1u, report.leftOut.size());
    EXPECT_EQ(log, report.leftOut[0].path);
    EXPECT_EQ("changed while it was read", report.leftOut[0].reason);
    ASSERT_EQ(1u, entries.size()) << "none of what was read of it stays";
    EXPECT_EQ("after.txt", entries[0].name.substr(entries[0].name.rfind('/') + 1));
    EXPECT_EQ(Crc("packed after it", 15), entries[0].crc32);
    EXPECT_EQ(0u, report.failure.size());
}

// Written to once, early in the reading: the second reading finds it settled and packs the
// file as it then stands.
TEST_F(OtherProgramsTest, AFileThatChangesOnceWhileItIsReadIsReadOnceMoreAndPackedAsItThenIs) {
    std::string content = Mixed(6 * 1024 * 1024);
    std::string path = folder.Write("settling.log", content);
    std::string archive = folder.path("settling.zip");
    ZipArchiveWriter writer(archive.c_str(), "C:\\", false);
    EntrySource source;
    ASSERT_EQ(AddFileResult::Added, writer.PrepareEntry(path, false, source));
    PackProgress progress;
    PackSettings settings;
    settings.chunkBytes = 64 * 1024;
    std::thread other([&] {
        while (progress.doneBytes.load() == 0) Sleep(0);
        parcelon::UniqueFile file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), "one more line\r\n", 15, &written, nullptr);
    });
    PackResults packed = PackEntries(writer, {source}, settings, progress);
    other.join();
    ASSERT_TRUE(writer.Close());
    content += "one more line\r\n";
    EXPECT_EQ(AddFileResult::Added, packed.results.at(0));
    std::string bytes = ReadWholeFile(archive);
    auto entries = host::ListZipEntries(std::vector<char>(bytes.begin(), bytes.end()));
    ASSERT_TRUE(entries && entries->size() == 1);
    EXPECT_EQ(content.size(), (*entries)[0].size) << "the version after the change";
    EXPECT_EQ(Crc(content, content.size()), (*entries)[0].crc32);
}

namespace {
// Reads of a file whose size is odd fail at its middle, after what comes before it was
// read (a share that drops); a size of 2 mod 4 ends early at its middle instead, as if the
// file were shorter than its size.
BOOL WINAPI FailingAtTheMiddle(HANDLE file, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED at) {
    LARGE_INTEGER size = {}, position = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart % 4 == 0) return ReadFile(file, buffer, length, read, at);
    if (at)
        position.QuadPart = (static_cast<LONGLONG>(at->OffsetHigh) << 32) | at->Offset;
    else
        SetFilePointerEx(file, LARGE_INTEGER{}, &position, FILE_CURRENT);
    LONGLONG middle = size.QuadPart / 2;
    if (position.QuadPart + length <= middle) return ReadFile(file, buffer, length, read, at);
    DWORD before = static_cast<DWORD>(std::max<LONGLONG>(0, middle - position.QuadPart));
    if (!ReadFile(file, buffer, before, read, at)) return FALSE;
    if (size.QuadPart % 4 == 2) return TRUE;
    SetLastError(ERROR_NETNAME_DELETED);
    return FALSE;
}

// The 32 KiB a chunk is primed with read differently from the bytes of the chunk before
// it: always for a file of a size of 1 mod 4, the first time for one of 2 mod 4.
std::atomic<int> primersChanged{0};
BOOL WINAPI PrimerChanging(HANDLE file, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED at) {
    LARGE_INTEGER size = {};
    BOOL ok = ReadFile(file, buffer, length, read, at);
    bool primer = at && length == kPrimerBytes && (at->Offset != 0 || at->OffsetHigh != 0);
    if (!ok || !primer || !GetFileSizeEx(file, &size) || size.QuadPart % 4 == 0 || size.QuadPart % 4 == 3) return ok;
    if (size.QuadPart % 4 == 2 && primersChanged.fetch_add(1) > 0) return ok;
    static_cast<char*>(buffer)[length / 2] ^= 0x55;
    return ok;
}

struct ReadsThrough {
    explicit ReadsThrough(ReadFileCall call) { sourceFileRead = call; }
    ~ReadsThrough() { sourceFileRead = &ReadFile; }
};
}  // namespace

TEST_F(OtherProgramsTest, AFileWhoseReadFailsPartWayOrEndsEarlyIsLeftOutWithNoEntryAndReported) {
    ReadsThrough failing(&FailingAtTheMiddle);
    std::string good = folder.Write("good.txt", Mixed(3 * 1024 * 1024));
    std::string chunked = folder.Write("share.doc", Mixed(3 * 1024 * 1024 + 1));  // several chunks
    std::string whole = folder.Write("cloud.txt", Mixed(100 * 1000 + 1));       // one chunk
    std::string shorter = folder.Write("short.txt", Mixed(3 * 1024 * 1024 + 2));
    AttachReport report;
    auto entries = Pack({chunked, whole, good, shorter}, report);
    ASSERT_EQ(1u, entries.size()) << "nothing of what was read of the others stays";
    EXPECT_EQ("good.txt", entries[0].name.substr(entries[0].name.rfind('/') + 1));
    EXPECT_EQ(Crc(Mixed(3 * 1024 * 1024), 3 * 1024 * 1024), entries[0].crc32);
    ASSERT_EQ(3u, report.leftOut.size());
    std::vector<std::string> paths = {chunked, whole, shorter};
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(paths[i], report.leftOut[i].path);
        EXPECT_EQ("could not be read completely", report.leftOut[i].reason);
    }
}

TEST_F(OtherProgramsTest, AChunkPrimedWithBytesUnlikeTheChunkBeforeIsReadOnceMoreThenLeftOutAsChanged) {
    ReadsThrough changing(&PrimerChanging);
    primersChanged = 0;
    std::string always = folder.Write("mapped.db", Mixed(2 * 1024 * 1024 + 1));
    std::string content = Mixed(2 * 1024 * 1024 + 2);
    std::string once = folder.Write("once.db", content);
    AttachReport report;
    auto entries = Pack({always, once}, report);
    ASSERT_EQ(1u, report.leftOut.size());
    EXPECT_EQ(always, report.leftOut[0].path);
    EXPECT_EQ("changed while it was read", report.leftOut[0].reason);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(content.size(), entries[0].size) << "read once more, whole";
    EXPECT_EQ(Crc(content, content.size()), entries[0].crc32);
    EXPECT_GT(primersChanged.load(), 0);
}
