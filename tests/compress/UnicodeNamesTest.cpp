// Files named outside the ANSI code page and files at long paths, chosen, walked, packed and
// attached through the real file system of the prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <windows.h>
#include <shlobj.h>

#include "client/compress/CompressAndAttach.h"
#include "client/dialog/DroppedEntry.h"
#include "common/FileSystemPath.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "host/ZipListing.h"
#include "standin/MailObjects.h"
#include "tests/support/ScratchFolder.h"

using namespace parcelon;
using testing_support::ReadWholeFile;
using testing_support::ScratchFolder;

namespace {
// One name per script, an emoji (a surrogate pair in UTF-16) and a combining accent.
const std::vector<std::string> kNames = {
    "\u041e\u0442\u0447\u0451\u0442.txt",                  // Cyrillic
    "\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac.txt",  // Greek
    "\u65e5\u672c\u8a9e\u306e\u6587\u66f8.txt",              // CJK
    "\u05de\u05e1\u05de\u05da.txt",                          // Hebrew
    "\U0001F4E6 parcel.txt",                                 // emoji
    "Cafe\u0301.txt",                                        // e and a combining acute accent
};
const std::string kFolderName = "\u041f\u0430\u043f\u043a\u0430 \u03a9";  // Cyrillic and Greek

std::string Slashed(std::string s) {
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

bool Exists(const std::string& path) {
    return GetFileAttributesW(FileSystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A path below `base` of exactly `length` UTF-16 units, in folders of at most 200 characters.
std::string PathOfLength(const std::string& base, size_t length) {
    std::string path = base;
    auto units = [&] { return WideFromUtf8(path).size(); };
    while (length - units() > 201) path += std::string(200, 'p') + "\\";
    size_t rest = length - units();
    if (rest > 101) {
        path += std::string(rest - 101, 'q') + "\\";
        rest = 100;
    }
    return path + std::string(rest - 4, 'f') + ".txt";
}

class UnicodeNamesTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override {
        mail.reset();
        EXPECT_EQ(0, standin::LiveObjects());
        CoUninitialize();
    }
    FileEntry Row(const std::string& path) {
        auto entry = MakeDroppedEntry(path);
        EXPECT_TRUE(entry.has_value()) << path << ": error " << GetLastError();
        return entry.value_or(FileEntry{});
    }
    AttachReport Run(const std::vector<FileEntry>& rows, int compress) {
        AttachOptions options;
        options.compressAttachments = compress;
        return CompressAndAttach(rows, MailItem(mail->dispatch()), options);
    }
    const std::vector<standin::Attachment*>& Attached() { return mail->attachments().items(); }
    std::vector<host::ZipListingEntry> ArchiveEntries() {
        if (Attached().empty()) return {};
        return host::ListZipEntries(Attached().back()->content()).value_or(std::vector<host::ZipListingEntry>{});
    }
    // The entry name of a file below a row chosen at the scratch folder's top.
    std::string Entry(const std::string& path) { return Slashed(path.substr(folder.path().size())); }

    ScratchFolder folder;
    ComPtr<standin::MailItem> mail = ComPtr<standin::MailItem>::Attach(new standin::MailItem());
};
}  // namespace

TEST_F(UnicodeNamesTest, NamesOutsideTheCodePageArePackedAndAttachedWhole) {
    std::map<std::string, std::string> contents;  // path -> content
    for (const std::string& name : kNames) {
        std::string content = "content of " + name;
        contents[folder.Write(kFolderName + "\\" + name, content)] = content;
    }
    contents[folder.Write(kFolderName + "\\\u5b50\u30d5\u30a9\u30eb\u30c0\\" + kNames[0], "nested")] = "nested";
    ASSERT_EQ(kNames.size() + 1, contents.size());
    for (const auto& file : contents) ASSERT_EQ(file.second, ReadWholeFile(file.first)) << file.first;

    FileEntry row = Row(folder.path(kFolderName));
    EXPECT_EQ(kFolderName, row.name);
    EXPECT_EQ(folder.path(kFolderName + "\\"), row.path);

    AttachReport packed = Run({row}, 1);
    EXPECT_TRUE(packed.leftOut.empty()) << packed.leftOut.size() << " left out, first: "
                                        << (packed.leftOut.empty() ? "" : packed.leftOut[0].reason);
    ASSERT_TRUE(packed.archiveAttached) << packed.failure;
    std::map<std::string, uint32_t> entries;
    for (const auto& e : ArchiveEntries()) {
        EXPECT_EQ(0x800, e.flags & 0x800) << e.name << ": the UTF-8 flag";
        entries[e.name] = e.size;
    }
    std::map<std::string, uint32_t> expected;
    for (const auto& file : contents) expected[Entry(file.first)] = static_cast<uint32_t>(file.second.size());
    EXPECT_EQ(expected, entries);

    AttachReport single = Run({row}, 0);
    EXPECT_TRUE(single.leftOut.empty());
    EXPECT_EQ(contents.size(), single.attachedFiles);
    std::map<std::wstring, std::string> attached;
    for (const standin::Attachment* a : Attached())
        if (a->fileName() != L"attach.zip") attached[a->fileName()] = std::string(a->content().begin(), a->content().end());
    std::map<std::wstring, std::string> expectedAttached;
    for (const auto& file : contents) {
        std::wstring name = WideFromUtf8(file.first.substr(file.first.rfind('\\') + 1));
        expectedAttached[name] = file.second;
    }
    EXPECT_EQ(expectedAttached, attached) << "every file by its full name, with its content";
    std::vector<std::wstring> sources;
    for (const standin::AddCall& call : mail->attachments().addCalls()) sources.push_back(call.source);
    for (const auto& file : contents)
        EXPECT_NE(sources.end(), std::find(sources.begin(), sources.end(), WideFromUtf8(file.first)))
            << "the exact path reaches Attachments.Add: " << file.first;
}

TEST_F(UnicodeNamesTest, LongPathsAreWalkedPackedAndAttached) {
    std::string chosen = folder.MakeFolder("Long " + kNames[4].substr(0, 4)) + "\\";
    std::string at300 = folder.Write(PathOfLength(chosen, 300).substr(folder.path().size()), "three hundred");
    std::string at1000 = folder.Write(PathOfLength(chosen, 1000).substr(folder.path().size()), "one thousand");
    ASSERT_EQ(300u, WideFromUtf8(at300).size());
    ASSERT_EQ(1000u, WideFromUtf8(at1000).size());
    // A folder nested deeper than 260 characters, with a file named outside the code page.
    std::string deepFolder = chosen + std::string(150, 'd') + "\\" + std::string(150, 'e') + "\\";
    std::string deep = folder.Write(deepFolder.substr(folder.path().size()) + kNames[3], "deep");
    ASSERT_EQ("deep", ReadWholeFile(deep));

    AttachReport packed = Run({Row(chosen)}, 1);
    EXPECT_TRUE(packed.leftOut.empty()) << packed.leftOut.size() << " left out, first: "
                                        << (packed.leftOut.empty() ? "" : packed.leftOut[0].reason);
    std::vector<std::string> names;
    for (const auto& e : ArchiveEntries()) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = {Entry(at300), Entry(at1000), Entry(deep)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, names);
    for (const std::string& name : names) EXPECT_EQ(std::string::npos, name.find('?')) << "no \\\\?\\ prefix";

    // With the chosen folder as the base, names are relative to it.
    std::string archive = folder.path("relative.zip");
    {
        ZipArchiveWriter writer(archive.c_str(), chosen.c_str(), false);
        for (const std::string& path : {at300, at1000, deep}) EXPECT_TRUE(writer.AddFile(path.c_str(), false)) << path;
        EXPECT_TRUE(writer.Close());
    }
    std::string bytes = ReadWholeFile(archive);
    auto relative = host::ListZipEntries(std::vector<char>(bytes.begin(), bytes.end()));
    ASSERT_TRUE(relative.has_value());
    ASSERT_EQ(3u, relative->size());
    EXPECT_EQ(Slashed(at300.substr(chosen.size())), (*relative)[0].name);
    EXPECT_EQ(Slashed(at1000.substr(chosen.size())), (*relative)[1].name);
    EXPECT_EQ(Slashed(deep.substr(chosen.size())), (*relative)[2].name);
    EXPECT_EQ(4u, (*relative)[2].size);

    AttachReport single = Run({Row(at1000), Row(deep)}, 0);
    EXPECT_TRUE(single.leftOut.empty());
    ASSERT_EQ(3u, Attached().size());
    EXPECT_EQ(WideFromUtf8(at1000.substr(at1000.rfind('\\') + 1)), Attached()[1]->fileName());
    EXPECT_EQ("one thousand", std::string(Attached()[1]->content().begin(), Attached()[1]->content().end()));
    EXPECT_EQ(WideFromUtf8(kNames[3]), Attached()[2]->fileName());
}

TEST_F(UnicodeNamesTest, DroppedEntriesKeepNamesAndPathsOfAnyLength) {
    std::string emoji = folder.Write(kNames[4], "12345");
    FileEntry file = Row(emoji);
    EXPECT_EQ(kNames[4], file.name);
    EXPECT_EQ(emoji, file.path);
    EXPECT_EQ(5u, file.size);
    EXPECT_FALSE(file.isFolder());

    std::string longFile = folder.Write(PathOfLength(folder.path(kFolderName + "\\"), 1000).substr(folder.path().size()),
                                        "x");
    FileEntry distant = Row(longFile);
    EXPECT_EQ(longFile, distant.path);
    EXPECT_EQ(longFile.substr(longFile.rfind('\\') + 1), distant.name);
    std::string longFolder = longFile.substr(0, longFile.rfind('\\'));
    FileEntry farFolder = Row(longFolder);
    EXPECT_TRUE(farFolder.isFolder());
    EXPECT_EQ(longFolder + "\\", farFolder.path);

    EXPECT_FALSE(MakeDroppedEntry(folder.path(kNames[0])).has_value()) << "not there";
    EXPECT_FALSE(MakeDroppedEntry("C:\\" + std::string(kMaxFileSystemPathUnits, 'x')).has_value());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());

    // A drop as the shell makes it: a wide DROPFILES block.
    std::wstring list = WideFromUtf8(emoji) + L'\0' + WideFromUtf8(longFile) + L'\0' + L'\0';
    UniqueHGlobal memory(GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t)));
    ASSERT_TRUE(memory);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory.get()));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory.get());
    EXPECT_EQ((std::vector<std::string>{emoji, longFile}), DroppedPaths(static_cast<HDROP>(memory.get())));
}

TEST_F(UnicodeNamesTest, TheWorkingFolderGoesBelowATemporaryFolderNamedOutsideTheCodePage) {
    std::string temp = folder.MakeFolder("\u0412\u0440\u0435\u043c\u0435\u043d\u043d\u0430\u044f " + kNames[2]) + "\\";
    wchar_t oldTmp[32767] = {}, oldTemp[32767] = {};
    GetEnvironmentVariableW(L"TMP", oldTmp, 32767);
    GetEnvironmentVariableW(L"TEMP", oldTemp, 32767);
    SetEnvironmentVariableW(L"TMP", WideFromUtf8(temp).c_str());
    SetEnvironmentVariableW(L"TEMP", WideFromUtf8(temp).c_str());

    std::string file = folder.Write("Work\\" + kNames[5], "accent");
    AttachReport report = Run({Row(file)}, 1);

    SetEnvironmentVariableW(L"TMP", oldTmp);
    SetEnvironmentVariableW(L"TEMP", oldTemp);

    ASSERT_TRUE(report.archiveAttached) << report.failure;
    EXPECT_EQ(0u, report.archivePath.find(temp + "Parcelon\\")) << report.archivePath;
    ASSERT_EQ(WideFromUtf8(report.archivePath), mail->attachments().addCalls().at(0).source);
    auto entries = ArchiveEntries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(kNames[5], entries[0].name) << "a chosen file under its own name";
    EXPECT_FALSE(Exists(report.archivePath.substr(0, report.archivePath.rfind('\\')))) << "the working folder is gone";
}

TEST_F(UnicodeNamesTest, AnArchiveInAFolderNamedOutsideTheCodePageIsWritten) {
    std::string archive = folder.MakeFolder(kNames[4].substr(0, 4) + " " + kFolderName) + "\\" + kNames[1] + ".zip";
    std::string source = folder.Write(kNames[0], "source");
    {
        ZipArchiveWriter writer;
        ASSERT_TRUE(writer.Open(archive.c_str(), nullptr, false));
        EXPECT_EQ(folder.path(), writer.baseFolder().substr(0, folder.path().size()));
        EXPECT_TRUE(writer.AddFile(source.c_str(), true));
        EXPECT_TRUE(writer.Close());
    }
    std::string bytes = ReadWholeFile(archive);
    auto entries = host::ListZipEntries(std::vector<char>(bytes.begin(), bytes.end()));
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(1u, entries->size());
    EXPECT_EQ(kNames[0], (*entries)[0].name);
    EXPECT_EQ(0x800, (*entries)[0].flags & 0x800);
}

TEST(FileSystemPathTest, LongPathsGetThePrefixThatIsNeverShown) {
    EXPECT_EQ(L"C:\\short\\a.txt", FileSystemPath(std::string("C:\\short\\a.txt")));
    std::string longPath = "C:\\" + std::string(200, 'a') + "\\" + std::string(100, 'b');
    EXPECT_EQ(L"\\\\?\\" + WideFromUtf8(longPath), FileSystemPath(longPath));
    EXPECT_EQ(WideFromUtf8(longPath), DisplayPath(FileSystemPath(longPath)));
    std::string share = "\\\\server\\share\\" + std::string(300, 'c');
    EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\" + std::wstring(300, L'c'), FileSystemPath(share));
    EXPECT_EQ(WideFromUtf8(share), DisplayPath(FileSystemPath(share)));
    std::wstring prefixed = L"\\\\?\\C:\\x";
    EXPECT_EQ(prefixed, FileSystemPath(prefixed)) << "a prefixed path is taken as it is";
    EXPECT_EQ(L"\\\\?\\" + WideFromUtf8("C:\\" + kNames[4] + std::string(300, 'e')),
              FileSystemPath("C:\\" + kNames[4] + std::string(300, 'e')));
}
