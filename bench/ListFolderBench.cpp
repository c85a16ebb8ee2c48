// Benchmark of the folder browser list: lists a folder of many files (made first when
// missing) into a report list, sorted, with the drive rows, and prints the time.
//   list-folder-bench FOLDER [FILES]
#include <cstdio>
#include <string>
#include <windows.h>
#include <commctrl.h>

#include "client/dialog/FolderBrowserList.h"
#include "client/dialog/ListRows.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

using namespace parcelon;

namespace {
void MakeFiles(const std::wstring& folder, int count) {
    for (size_t at = folder.find(L'\\', 3); at != std::wstring::npos; at = folder.find(L'\\', at + 1))
        CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        // Names in no particular order, so that the sort has work to do.
        std::wstring name = folder + L"file-" + std::to_wstring((i * 7919) % count) + L".txt";
        UniqueFile file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: list-folder-bench FOLDER [FILES]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    int files = argc > 2 ? atoi(argv[2]) : 10000;
    MakeFiles(WideFromUtf8(folder), files);

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 300, 300, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!list) {
        fprintf(stderr, "list-folder-bench: no list view (%lu)\n", GetLastError());
        return 1;
    }
    InsertBrowserColumns(list);

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ListFolder(list, folder);
    QueryPerformanceCounter(&end);
    printf("rows=%d seconds=%.3f\n", RowCount(list), double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    ClearRows(list);
    DestroyWindow(list);
    return 0;
}
