// The action with its work on worker threads: Cancel before the first file, in the middle
// of a large file and between files; the calling thread answers window messages while the
// workers pack; the engine alone with one worker and with several.
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>

#include "client/compress/CompressAndAttach.h"
#include "client/compress/FolderWalk.h"
#include "client/compress/ParallelPacker.h"
#include "client/compress/SourceFile.h"
#include "client/dialog/DroppedEntry.h"
#include "common/UniqueResource.h"
#include "host/ZipListing.h"
#include "standin/MailObjects.h"
#include "tests/support/ScratchFolder.h"

using namespace parcelon;
using testing_support::ScratchFolder;

namespace {

// A file of `size` bytes that the file system need not store (it reads as zeros).
std::string LargeFile(const ScratchFolder& folder, const std::string& name, long long size) {
    std::string path = folder.Write(name, "");
    parcelon::UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER end;
    end.QuadPart = size;
    EXPECT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
    return path;
}

// The probe window of the message test, and what it saw.
PackProgress* watched = nullptr;
std::atomic<int> answeredBeforeTheEnd{0};
std::atomic<int> answered{0};

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message != WM_APP) return DefWindowProcW(window, message, w, l);
    ++answered;
    uint64_t total = watched->totalFiles.load();
    if (total > 0 && watched->doneFiles.load() < total) ++answeredBeforeTheEnd;
    return 42;
}

class PackingThreadsTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override {
        mail.reset();
        CoUninitialize();
    }

    std::vector<FileEntry> Rows(std::initializer_list<std::string> paths) {
        std::vector<FileEntry> rows;
        for (const std::string& p : paths)
            if (auto entry = MakeDroppedEntry(p)) rows.push_back(*entry);
        EXPECT_EQ(paths.size(), rows.size());
        return rows;
    }
    // Runs the action on this thread while `watch` looks at the progress from another.
    AttachReport RunWatched(const std::vector<FileEntry>& rows, PackProgress& progress,
                            const std::function<void()>& watch, int compress = 1) {
        AttachOptions options;
        options.compressAttachments = compress;
        PackObserver observer;
        observer.progress = &progress;
        std::thread watcher(watch);
        AttachReport report = CompressAndAttach(rows, MailItem(mail->dispatch()), options, observer);
        progress.cancel = true;  // ends a watcher still waiting
        watcher.join();
        return report;
    }
    // Waits (without a time limit of its own: the test's timeout is the limit) until the
    // condition holds or the work has been stopped.
    static void WaitFor(const PackProgress& progress, const std::function<bool()>& condition) {
        while (!condition() && !progress.cancelled()) Sleep(1);
    }
    void ExpectNothingLeft(const AttachReport& report) {
        EXPECT_TRUE(report.cancelled);
        EXPECT_TRUE(report.failure.empty()) << report.failure;
        EXPECT_FALSE(report.archiveAttached);
        EXPECT_TRUE(mail->attachments().items().empty()) << "nothing attached";
        EXPECT_TRUE(testing_support::WorkingFoldersLeft().empty()) << "the unfinished archive goes with its folder";
    }

    ScratchFolder folder;
    ComPtr<standin::MailItem> mail = ComPtr<standin::MailItem>::Attach(new standin::MailItem());
};
}  // namespace

TEST_F(PackingThreadsTest, CancelBeforeTheFirstFileMakesNoArchive) {
    auto rows = Rows({folder.Write("a.txt", "alpha"), folder.Write("Tree\\b.txt", "beta")});
    PackProgress progress;
    progress.cancel = true;
    AttachReport report = RunWatched(rows, progress, [] {});
    ExpectNothingLeft(report);
    EXPECT_EQ(0u, progress.doneFiles.load());
    EXPECT_EQ(0u, report.packedFiles);
}

TEST_F(PackingThreadsTest, CancelInTheMiddleOfALargeFileStopsItsReading) {
    const long long size = 1ll << 30;
    auto rows = Rows({LargeFile(folder, "large.bin", size)});
    PackProgress progress;
    AttachReport report = RunWatched(rows, progress, [&] {
        WaitFor(progress, [&] { return progress.doneBytes.load() > 0; });
        progress.cancel = true;
    });
    ExpectNothingLeft(report);
    EXPECT_LT(progress.doneBytes.load(), static_cast<uint64_t>(size)) << "stopped before the end of the file";
    EXPECT_EQ(0u, progress.doneFiles.load());
}

TEST_F(PackingThreadsTest, CancelBetweenFilesKeepsNothingOfWhatWasPacked) {
    for (int i = 0; i < 400; ++i) folder.Write("Tree\\" + std::to_string(i) + ".txt", std::string(20000, 'a' + i % 26));
    auto rows = Rows({folder.path("Tree")});
    PackProgress progress;
    AttachReport report = RunWatched(rows, progress, [&] {
        WaitFor(progress, [&] { return progress.doneFiles.load() >= 1; });
        progress.cancel = true;
    });
    ExpectNothingLeft(report);
    EXPECT_GE(progress.doneFiles.load(), 1u);
    EXPECT_LT(progress.doneFiles.load(), 400u);
}

TEST_F(PackingThreadsTest, CancelBetweenFilesAttachedOneByOneStopsBeforeTheNext) {
    auto rows = Rows({folder.Write("1.txt", "one"), folder.Write("2.txt", "two"), folder.Write("3.txt", "three")});
    PackProgress progress;
    // The flag is looked at between host calls; set before the first, it stops them all.
    progress.cancel = true;
    AttachReport report = RunWatched(rows, progress, [] {}, 0);
    EXPECT_TRUE(report.cancelled);
    EXPECT_TRUE(mail->attachments().items().empty());
}

TEST_F(PackingThreadsTest, CancelAfterFilesWereAttachedOneByOneTakesThemOffTheMessageAgain) {
    auto rows = Rows({folder.Write("1.txt", "one"), folder.Write("2.txt", "two"), folder.Write("3.txt", "three")});
    PackProgress progress;
    // The user cancels while the second file is being attached.
    mail->attachments().onAdded = [&] {
        if (mail->attachments().items().size() == 2) progress.cancel = true;
    };
    AttachReport report = RunWatched(rows, progress, [] {}, 0);
    mail->attachments().onAdded = nullptr;
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(2u, mail->attachments().addCalls().size()) << "the third file is not attached";
    EXPECT_TRUE(mail->attachments().items().empty()) << "the message is as it was";
    EXPECT_EQ(0u, report.attachedFiles);
}

// A window of this thread is sent messages from another thread while the action runs
// here; each answer records whether the packing had reported its end by then.
TEST_F(PackingThreadsTest, MessagesToTheCallingThreadAreAnsweredWhileItPacks) {
    for (int i = 0; i < 300; ++i)
        folder.Write("Tree\\" + std::to_string(i) + ".txt", std::string(60000 + i, 'a' + i % 26));
    LargeFile(folder, "Tree\\zzz-large.bin", 256ll << 20);
    auto rows = Rows({folder.path("Tree")});

    PackProgress progress;
    watched = &progress;
    answeredBeforeTheEnd = 0;
    answered = 0;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ProbeProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ParcelonPackingProbe";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    ASSERT_NE(nullptr, window);

    std::atomic<bool> actionReturned{false};
    std::atomic<int> answersSeenBeforeReturn{0};
    AttachReport report = RunWatched(rows, progress, [&] {
        WaitFor(progress, [&] { return progress.doneBytes.load() > 0; });
        for (int i = 0; i < 5 && !actionReturned; ++i) {
            DWORD_PTR result = 0;
            if (SendMessageTimeoutW(window, WM_APP, 0, 0, SMTO_NORMAL, 60000, &result) && result == 42 &&
                !actionReturned)
                ++answersSeenBeforeReturn;
        }
    });
    actionReturned = true;
    DestroyWindow(window);
    UnregisterClassW(windowClass.lpszClassName, windowClass.hInstance);

    EXPECT_FALSE(report.cancelled);
    EXPECT_TRUE(report.archiveAttached);
    EXPECT_EQ(301u, report.packedFiles);
    EXPECT_GE(answered.load(), 1);
    EXPECT_GE(answeredBeforeTheEnd.load(), 1) << "answered before the packing reported its end";
    EXPECT_GE(answersSeenBeforeReturn.load(), 1);
}

TEST(ParallelPacker, OneWorkerAndSeveralWriteTheSameArchive) {
    ScratchFolder folder;
    std::vector<std::string> archives;
    std::string text;
    for (int i = 0; i < 30000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + "\r\n";
    folder.Write("src\\text.txt", text);
    folder.Write("src\\empty.txt", "");
    for (unsigned workers : {1u, 2u, 5u}) {
        std::string archive = folder.path("w" + std::to_string(workers) + ".zip");
        ZipArchiveWriter writer(archive.c_str(), folder.path().c_str(), false);
        std::vector<EntrySource> sources(3);
        for (auto [i, name] : {std::pair{0, "src\\text.txt"}, {1, "src\\empty.txt"}, {2, "src\\missing.txt"}})
            ASSERT_EQ(AddFileResult::Added, writer.PrepareEntry(folder.path(name), false, sources[i]));
        PackSettings settings;
        settings.workers = workers;
        settings.chunkBytes = 4096;  // dozens of chunks
        PackProgress progress;
        PackResults results = PackEntries(writer, sources, settings, progress);
        ASSERT_TRUE(writer.Close());
        EXPECT_EQ((std::vector<AddFileResult>{AddFileResult::Added, AddFileResult::Added, AddFileResult::Missing}),
                  results.results);
        EXPECT_EQ(2u, writer.entryCount());
        EXPECT_EQ(3u, progress.doneFiles.load());
        EXPECT_EQ(text.size(), progress.doneBytes.load());
        archives.push_back(testing_support::ReadWholeFile(archive));
    }
    EXPECT_EQ(archives[0], archives[1]);
    EXPECT_EQ(archives[0], archives[2]);
    auto entries = host::ListZipEntries(std::vector<char>(archives[0].begin(), archives[0].end()));
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(2u, entries->size());
    EXPECT_EQ("src/text.txt", (*entries)[0].name);
    EXPECT_EQ(text.size(), (*entries)[0].size);
}

namespace {
// A read that blocks until it is cancelled, as one on a share that went away does: it
// waits on a pipe that nobody writes to.
HANDLE silentPipe = nullptr;
std::atomic<int> blockedReads{0};
BOOL WINAPI BlockingRead(HANDLE, LPVOID buffer, DWORD, LPDWORD read, LPOVERLAPPED) {
    ++blockedReads;
    return ReadFile(silentPipe, buffer, 1, read, nullptr);
}

// The first read of a file changes it, so that it is read once more; reading it once more
// runs out of memory.
std::string changedPath;
std::atomic<int> readsSeen{0};
BOOL WINAPI ChangingThenOutOfMemory(HANDLE file, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED at) {
    if (readsSeen.fetch_add(1) > 0) throw std::bad_alloc();
    BOOL ok = ReadFile(file, buffer, length, read, at);
    parcelon::UniqueFile writer(CreateFileA(changedPath.c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    DWORD written = 0;
    WriteFile(writer.get(), "!", 1, &written, nullptr);
    return ok;
}
}  // namespace

// Cancel ends reads that block on every worker thread, not only on the calling one.
TEST(ParallelPacker, CancelEndsTheReadsEachWorkerIsBlockedIn) {
    ScratchFolder folder;
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    parcelon::UniqueHandle pipeRead(readEnd), pipeWrite(writeEnd);
    silentPipe = readEnd;
    std::string archive = folder.path("blocked.zip");
    ZipArchiveWriter writer(archive.c_str(), folder.path().c_str(), false);
    std::vector<EntrySource> sources(3);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(AddFileResult::Added,
                  writer.PrepareEntry(folder.Write("f" + std::to_string(i) + ".txt", "on a share"), false, sources[i]));
    PackSettings settings;
    settings.workers = 3;
    PackProgress progress;
    sourceFileRead = &BlockingRead;
    std::atomic<bool> ended{false};
    PackResults results;
    std::thread packing([&] {
        results = PackEntries(writer, sources, settings, progress);
        ended = true;
    });
    while (blockedReads.load() < 3) Sleep(1);
    Sleep(100);  // into the reads
    progress.Cancel();
    for (int waited = 0; !ended && waited < 10000; waited += 10) Sleep(10);
    EXPECT_TRUE(ended.load()) << "a worker still waits on its read";
    pipeWrite.reset();  // lets a read the cancel missed end, so that the test does
    packing.join();
    sourceFileRead = &ReadFile;
    EXPECT_TRUE(results.cancelled);
}

// An exception on the write path, with the lock let go, leaves it held for the handler:
// the packing stops as a failed write, and a new one runs.
TEST(ParallelPacker, RunningOutOfMemoryWhileReadingOnceMoreStopsThePackingCleanly) {
    ScratchFolder folder;
    changedPath = folder.Write("changing.txt", "changes when read");
    std::string archive = folder.path("failed.zip");
    for (bool failing : {true, false}) {
        ZipArchiveWriter writer(archive.c_str(), folder.path().c_str(), false);
        std::vector<EntrySource> sources(1);
        ASSERT_EQ(AddFileResult::Added, writer.PrepareEntry(changedPath, false, sources[0]));
        PackSettings settings;
        settings.workers = 2;
        PackProgress progress;
        readsSeen = 0;
        sourceFileRead = failing ? &ChangingThenOutOfMemory : &ReadFile;
        PackResults results = PackEntries(writer, sources, settings, progress);
        sourceFileRead = &ReadFile;
        EXPECT_EQ(failing, results.writeFailed);
        if (!failing) {
            EXPECT_EQ(AddFileResult::Added, results.results.at(0));
        }
    }
}

// Sources are taken as the work in flight allows: the packer never holds more than a few
// per worker that are taken and not yet done, whatever their number. Sources left out
// before opening come back in their place with their reason.
TEST(ParallelPacker, TakesSourcesAsItGoesAndReportsEachInOrder) {
    ScratchFolder folder;
    const int kSources = 600;
    for (int i = 0; i < kSources; i += 3) folder.Write("f" + std::to_string(i) + ".txt", std::string(i + 1, 'x'));
    for (unsigned workers : {1u, 3u}) {
        std::string archive = folder.path("stream" + std::to_string(workers) + ".zip");
        ZipArchiveWriter writer(archive.c_str(), folder.path().c_str(), false);
        int given = 0;
        size_t mostHeld = 0;
        std::vector<std::pair<std::string, AddFileResult>> done;
        PackSettings settings;
        settings.workers = workers;
        PackProgress progress;
        PackResults results = PackEntries(
            writer,
            [&](EntrySource& source) {
                if (given == kSources) return false;
                int i = given++;
                source = EntrySource();
                // Every third source is a file, the others are missing or left out at once.
                EXPECT_EQ(AddFileResult::Added, writer.PrepareEntry(folder.path("f" + std::to_string(i) + ".txt"),
                                                                    false, source));
                if (i % 3 == 2) source.problem = AddFileResult::NoAccess;
                mostHeld = std::max(mostHeld, static_cast<size_t>(given) - done.size());
                return true;
            },
            settings, progress,
            [&](const EntrySource& source, AddFileResult result) { done.emplace_back(source.path, result); });
        ASSERT_TRUE(writer.Close());
        EXPECT_FALSE(results.writeFailed || results.cancelled);
        ASSERT_EQ(static_cast<size_t>(kSources), done.size());
        for (int i = 0; i < kSources; ++i) {
            EXPECT_EQ(folder.path("f" + std::to_string(i) + ".txt"), done[i].first);
            AddFileResult expected = i % 3 == 0 ? AddFileResult::Added
                                     : i % 3 == 1 ? AddFileResult::Missing
                                                  : AddFileResult::NoAccess;
            EXPECT_EQ(expected, done[i].second) << "source " << i;
        }
        EXPECT_EQ(static_cast<size_t>(kSources / 3), writer.entryCount());
        EXPECT_LE(mostHeld, workers + 6u) << workers << " workers";
    }
}

// The walk, taken a file at a time, lists a sub-folder where it meets it, and reports a
// chosen folder that is gone.
TEST(FolderWalkTest, ListsSubFoldersInPlaceAndReportsAFolderThatIsGone) {
    ScratchFolder folder;
    folder.Write("top\\a.txt", "a");
    folder.Write("top\\m\\inner.txt", "inner");
    folder.Write("top\\m\\deeper\\deepest.txt", "deepest");
    folder.Write("top\\z.txt", "z");
    folder.Write("single.txt", "12345");
    folder.MakeFolder("top\\empty");
    std::vector<FileEntry> rows(3);
    rows[0].path = folder.path("top\\");
    rows[0].attributes = FILE_ATTRIBUTE_DIRECTORY;
    rows[1].path = folder.path("gone\\");
    rows[1].attributes = FILE_ATTRIBUTE_DIRECTORY;
    rows[2].path = folder.path("single.txt");
    rows[2].attributes = FILE_ATTRIBUTE_ARCHIVE;
    auto walk = [&](bool recurse) {
        std::vector<std::string> met;
        FolderWalk walker(rows, recurse);
        WalkedFile file;
        while (walker.Next(file)) {
            met.push_back(file.path.substr(folder.path().size()));
            if (file.problem != AddFileResult::Added) met.back() += std::string(" ") + DescribeAddFileResult(file.problem);
            if (met.back() == "single.txt") {
                EXPECT_EQ(5u, file.size);
            }
        }
        return met;
    };
    // Wine lists a folder in name order; the sub-folder's files come where "m" is listed.
    EXPECT_EQ((std::vector<std::string>{"top\\a.txt", "top\\m\\deeper\\deepest.txt", "top\\m\\inner.txt", "top\\z.txt",
                                        "gone\\ missing", "single.txt"}),
              walk(true));
    EXPECT_EQ((std::vector<std::string>{"top\\a.txt", "top\\z.txt", "gone\\ missing", "single.txt"}), walk(false));
}
