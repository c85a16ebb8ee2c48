// Another program, in a process of its own: it holds a file the way desktop programs do,
// or a working folder as a running packing holds it, until told to stop or killed.
//   file-holder MODE PATH READY-EVENT STOP-EVENT
//   shared          reading and writing, sharing both (as Word and Excel hold a document)
//   exclusive       reading and writing, sharing nothing
//   append          shared, appending blocks of 64 KiB (block n all of letter n mod 26)
//   working-folder  a working folder of its own; its path is written to PATH
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "common/FileSystemPath.h"
#include "common/UniqueResource.h"
#include "common/WorkingFolder.h"

using parcelon::UniqueFile;
using parcelon::UniqueHandle;

namespace {
constexpr DWORD kBlock = 64 * 1024;
constexpr int kMostBlocks = 1500;  // the file stays below 100 MB whatever happens

UniqueFile Open(const std::string& path, DWORD share) {
    return UniqueFile(CreateFileW(parcelon::FileSystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, share,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool Append(HANDLE file, int block) {
    std::vector<char> bytes(kBlock, static_cast<char>('A' + block % 26));
    LARGE_INTEGER end = {};
    DWORD written = 0;
    return SetFilePointerEx(file, end, nullptr, FILE_END) && WriteFile(file, bytes.data(), kBlock, &written, nullptr);
}

bool WriteText(const std::string& path, const std::string& text) {
    UniqueFile file(CreateFileW(parcelon::FileSystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    std::string mode = argv[1], path = argv[2];
    UniqueHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]));
    UniqueHandle stop(OpenEventA(SYNCHRONIZE, FALSE, argv[4]));
    if (!ready || !stop) return 3;
    UniqueFile file;
    std::unique_ptr<parcelon::WorkingFolder> folder;
    if (mode == "shared" || mode == "append")
        file = Open(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    else if (mode == "exclusive")
        file = Open(path, 0);
    else if (mode == "working-folder")
        folder = std::make_unique<parcelon::WorkingFolder>();
    if (!file && !(folder && folder->created() && WriteText(path, folder->path()))) return 4;
    SetEvent(ready.get());
    for (int block = 0; mode == "append" && block < kMostBlocks; ++block) {
        if (WaitForSingleObject(stop.get(), 2) == WAIT_OBJECT_0) return 0;
        if (!Append(file.get(), block)) return 5;
    }
    WaitForSingleObject(stop.get(), INFINITE);
    return 0;
}
