// The parts the packer is made of, each against a plain reference: the archive file's write
// buffer against the unbuffered file functions and a model of the file, a chunk packer
// kept from one chunk to the next against a new one for every chunk, and the store rule.
#include <gtest/gtest.h>

#include <random>

#include "client/compress/BufferedArchiveFile.h"
#include "client/compress/FolderWalk.h"
#include "client/compress/PackChunk.h"
#include "client/compress/SourceFile.h"
#include "client/compress/StoreDecision.h"
#include "client/compress/ZipArchiveWriter.h"
// After zip.h, which it needs.
#include <iowin32.h>

#include "common/FileSystemPath.h"
#include "common/UniqueResource.h"
#include "tests/support/ScratchFolder.h"

using namespace parcelon;
using testing_support::ReadWholeFile;
using testing_support::ScratchFolder;

namespace {
constexpr int kCreate = ZLIB_FILEFUNC_MODE_WRITE | ZLIB_FILEFUNC_MODE_CREATE;

// Text that deflate finds matches in, with some noise so the blocks differ.
std::string MixedText(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    static const char* words[] = {"packing ", "threads ", "archive ", "deflate ", "{\n    return ", "}\n"};
    std::string text;
    while (text.size() < size) {
        text += words[random() % 6];
        if (random() % 7 == 0) text += static_cast<char>('a' + random() % 26);
    }
    text.resize(size);
    return text;
}

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// Writes a small archive through `files`: entries of several sizes, so that the library
// seeks back to patch local headers both inside and behind what a buffer holds.
void WriteSample(const std::string& path, zlib_filefunc64_def files) {
    std::wstring fileSystemPath = FileSystemPath(path);
    zipFile zip = zipOpen2_64(fileSystemPath.c_str(), APPEND_STATUS_CREATE, nullptr, &files);
    ASSERT_NE(nullptr, zip);
    const size_t sizes[] = {0, 1, 100, 70000, 5, 300000};
    for (size_t i = 0; i < std::size(sizes); ++i) {
        std::string name = "entry" + std::to_string(i) + ".txt";
        std::string content = i % 2 && sizes[i] < 100000 ? MixedText(sizes[i], i) : RandomBytes(sizes[i], i);
        zip_fileinfo info = {};
        ASSERT_EQ(ZIP_OK, zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, "note", Z_DEFLATED,
                                                Z_DEFAULT_COMPRESSION, 0));
        ASSERT_EQ(ZIP_OK, zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size())));
        ASSERT_EQ(ZIP_OK, zipCloseFileInZip(zip));
    }
    ASSERT_EQ(ZIP_OK, zipClose(zip, "archive comment"));
}
}  // namespace

TEST(BufferedArchiveFile, WritesTheSameArchiveAsTheUnbufferedFunctions) {
    ScratchFolder folder;
    zlib_filefunc64_def plain = {};
    fill_win32_filefunc64W(&plain);
    WriteSample(folder.path("plain.zip"), plain);
    std::string expected = ReadWholeFile(folder.path("plain.zip"));
    ASSERT_GT(expected.size(), 300000u);
    // A buffer of an odd size, one smaller than most headers, one larger than the entries,
    // and the one the writer uses.
    for (size_t bufferBytes : {1u, 7u, 64u, 4096u, 1u << 20}) {
        zlib_filefunc64_def buffered = {};
        FillBufferedWin32FileFunctions(&buffered, bufferBytes);
        std::string path = folder.path("buffered" + std::to_string(bufferBytes) + ".zip");
        WriteSample(path, buffered);
        EXPECT_TRUE(ReadWholeFile(path) == expected) << "buffer of " << bufferBytes << " bytes";
    }
}

// Random writes, seeks and reads against a string standing for the file.
TEST(BufferedArchiveFile, FollowsAModelOfTheFileThroughSeeksReadsAndLargeWrites) {
    ScratchFolder folder;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::string path = folder.path("model" + std::to_string(seed) + ".bin");
        std::wstring fileSystemPath = FileSystemPath(path);
        zlib_filefunc64_def files = {};
        FillBufferedWin32FileFunctions(&files, 16);
        voidpf stream = files.zopen64_file(files.opaque, fileSystemPath.c_str(), kCreate | ZLIB_FILEFUNC_MODE_READ);
        ASSERT_NE(nullptr, stream);
        std::mt19937 random(seed);
        std::string model;
        size_t position = 0;
        for (int step = 0; step < 300; ++step) {
            switch (random() % 5) {
                case 0:
                case 1: {  // a write, now and then larger than the buffer
                    size_t length = random() % 4 == 0 ? 16 + random() % 50 : random() % 12;
                    std::string bytes = RandomBytes(length, random());
                    ASSERT_EQ(length, files.zwrite_file(files.opaque, stream, bytes.data(), length));
                    if (model.size() < position + length) model.resize(position + length);
                    model.replace(position, length, bytes);
                    position += length;
                    break;
                }
                case 2:  // back to patch, or forward again
                    position = model.empty() ? 0 : random() % (model.size() + 1);
                    ASSERT_EQ(0, files.zseek64_file(files.opaque, stream, position, ZLIB_FILEFUNC_SEEK_SET));
                    break;
                case 3:
                    ASSERT_EQ(0, files.zseek64_file(files.opaque, stream, 0, ZLIB_FILEFUNC_SEEK_END));
                    position = model.size();
                    break;
                case 4: {
                    char bytes[24] = {};
                    size_t want = random() % sizeof bytes;
                    size_t expected = std::min(want, model.size() - position);
                    ASSERT_EQ(expected, files.zread_file(files.opaque, stream, bytes, want));
                    ASSERT_EQ(model.substr(position, expected), std::string(bytes, expected)) << "step " << step;
                    position += expected;
                    break;
                }
            }
            ASSERT_EQ(position, files.ztell64_file(files.opaque, stream)) << "seed " << seed << ", step " << step;
        }
        EXPECT_EQ(0, files.zerror_file(files.opaque, stream));
        EXPECT_EQ(0, files.zclose_file(files.opaque, stream));
        EXPECT_TRUE(ReadWholeFile(path) == model) << "seed " << seed;
    }
}

// A handle opened for reading refuses writes: the buffer takes them, and the failure must
// still reach the library, at the latest when it closes the file.
TEST(BufferedArchiveFile, AWriteThatFailsLaterIsReportedOnCloseAndOnTheErrorCheck) {
    ScratchFolder folder;
    std::wstring path = FileSystemPath(folder.Write("read-only-handle.bin", "before"));
    const int readOnly = ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING;
    zlib_filefunc64_def files = {};
    FillBufferedWin32FileFunctions(&files, 64);

    voidpf stream = files.zopen64_file(files.opaque, path.c_str(), readOnly);
    ASSERT_NE(nullptr, stream);
    files.zwrite_file(files.opaque, stream, "abc", 3);
    EXPECT_NE(0, files.zclose_file(files.opaque, stream)) << "the buffered bytes could not be written";

    stream = files.zopen64_file(files.opaque, path.c_str(), readOnly);
    ASSERT_NE(nullptr, stream);
    std::string large(100, 'x');
    EXPECT_EQ(0u, files.zwrite_file(files.opaque, stream, large.data(), 100)) << "too large to buffer";
    EXPECT_NE(0, files.zerror_file(files.opaque, stream));
    EXPECT_EQ(0u, files.zwrite_file(files.opaque, stream, "a", 1)) << "nothing more after a failure";
    EXPECT_NE(0, files.zclose_file(files.opaque, stream));
    EXPECT_EQ("before", ReadWholeFile(folder.path("read-only-handle.bin")));
}

// One packer used for chunk after chunk of different files must give, for each, what a
// packer made for that chunk alone gives: nothing of a chunk may carry into the next
// (dictionary, the text or binary verdict, the store decision, the stream's end).
TEST(ChunkPackerTest, AKeptPackerGivesWhatANewOneGivesForEveryChunk) {
    ScratchFolder folder;
    struct Piece {
        std::string path;
        uint64_t offset, length;
        bool last;
        ChunkMethod method;
    };
    std::string text = folder.Write("text.txt", MixedText(300000, 1));
    std::string binary = folder.Write("binary.bin", RandomBytes(50000, 2));
    std::string small = folder.Write("small.txt", "a small text file\n");
    std::string empty = folder.Write("empty.txt", "");
    const std::vector<Piece> pieces = {
        {text, 100000, 100000, false, ChunkMethod::Deflate},  // a middle chunk: primed with a dictionary
        {binary, 0, 50000, true, ChunkMethod::Decide},        // binary after text, stored
        {small, 0, 18, true, ChunkMethod::Decide},            // text after binary, the whole file at once
        {text, 0, 100000, false, ChunkMethod::Decide},        // a first chunk ends with a sync flush
        {empty, 0, 0, true, ChunkMethod::Decide},
        {text, 200000, 100000, true, ChunkMethod::Deflate},   // the last chunk finishes the stream
        {binary, 20000, 30000, true, ChunkMethod::Store},
        {text, 0, 300000, true, ChunkMethod::Decide},         // deflated whole
    };
    std::atomic<bool> cancel{false};
    std::atomic<uint64_t> read{0};
    ChunkPacker kept;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        SourceFile one, other;
        ASSERT_EQ(AddFileResult::Added, OpenSourceFile(piece.path, one));
        PackedChunk reused =
            kept.Pack(one.handle->get(), piece.offset, piece.length, piece.last, piece.method, cancel, read);
        one.handle.reset();
        ASSERT_EQ(AddFileResult::Added, OpenSourceFile(piece.path, other));
        PackedChunk fresh =
            ChunkPacker().Pack(other.handle->get(), piece.offset, piece.length, piece.last, piece.method, cancel, read);
        EXPECT_EQ(AddFileResult::Added, reused.result) << "piece " << i;
        EXPECT_EQ(piece.length, reused.length) << "piece " << i;
        EXPECT_TRUE(fresh.data == reused.data) << "piece " << i;
        EXPECT_EQ(fresh.crc, reused.crc) << "piece " << i;
        EXPECT_EQ(fresh.text, reused.text) << "piece " << i;
        EXPECT_EQ(fresh.stored, reused.stored) << "piece " << i;
        EXPECT_EQ(piece.last, reused.endsStream) << "piece " << i;
    }
}

TEST(FolderWalkRule, OnlyAFolderThatIsAReparsePointIsALinkNotFollowed) {
    constexpr DWORD folder = FILE_ATTRIBUTE_DIRECTORY, link = FILE_ATTRIBUTE_REPARSE_POINT;
    EXPECT_TRUE(IsFolderLink(folder | link));                              // junction, symbolic link, mount point
    EXPECT_TRUE(IsFolderLink(folder | link | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));  // a profile's legacy links
    EXPECT_FALSE(IsFolderLink(folder));
    EXPECT_FALSE(IsFolderLink(FILE_ATTRIBUTE_ARCHIVE | link));  // a file that is a link is packed by its content
    EXPECT_FALSE(IsFolderLink(INVALID_FILE_ATTRIBUTES));
}

// Deflate is kept from a saving of 3 % on; the text bit follows zlib's own verdict.
TEST(StoreDecisionTest, DeflateIsKeptFromAThreePercentSavingAndTextIsJudgedLikeZlib) {
    EXPECT_TRUE(WorthDeflating(100, 97));
    EXPECT_FALSE(WorthDeflating(100, 98));
    EXPECT_TRUE(WorthDeflating(1000000, 970000));
    EXPECT_FALSE(WorthDeflating(1000000, 970001));
    EXPECT_FALSE(WorthDeflating(0, 0));
    auto text = [](const std::string& bytes) {
        return LooksLikeText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    };
    EXPECT_TRUE(text("line\r\n\ttabbed \x1b[0m caf\xc3\xa9"));
    EXPECT_FALSE(text(std::string("text with a nul\0", 16)));
    EXPECT_FALSE(text("\x01\x02"));
    EXPECT_FALSE(text("\a\b\v\f")) << "allowed controls alone are not text";
    EXPECT_FALSE(text(""));
}
