// parcelon-host session: many compose windows in one process, and its figures.
#include "LongSession.h"

#include <cstdio>
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include "ComposeSession.h"
#include "SendingAccount.h"
#include "common/UniqueResource.h"
#include "standin/MailObjects.h"
#include "standin/WindowObjects.h"

namespace host {

namespace {
constexpr int kFirstFigures = 10;

struct ProcessFigures {
    size_t workingSet = 0;
    size_t privateBytes = 0;
    DWORD handles = 0;
    DWORD threads = 0;
    long inspectors = 0;  // windows closed and let go of by the host, still alive
};

DWORD ThreadsOfThisProcess() {
    parcelon::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) return 0;
    DWORD count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    return count;
}

// The process's open handles. Wine answers GetProcessHandleCount with 0: there the handle
// values are probed, which Wine hands out from the lowest free multiple of 4.
DWORD HandlesOfThisProcess() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
    constexpr ULONG_PTR kGapThatEnds = 4096;  // that many unused values in a row: no more
    count = 0;
    ULONG_PTR unused = 0;
    for (ULONG_PTR value = 4; unused < kGapThatEnds; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            unused = 0;
        } else {
            ++unused;
        }
    }
    return count;
}

ProcessFigures Measure() {
    ProcessFigures figures;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) {
        figures.workingSet = memory.WorkingSetSize;
        figures.privateBytes = memory.PagefileUsage;  // the private commit charge
    }
    figures.handles = HandlesOfThisProcess();
    figures.threads = ThreadsOfThisProcess();
    figures.inspectors = standin::Inspector::Alive();
    return figures;
}

void Print(int window, const ProcessFigures& f) {
    printf("session: after window %d: working_set=%zu private=%zu handles=%lu threads=%lu inspectors_held=%ld\n",
           window, f.workingSet, f.privateBytes, static_cast<unsigned long>(f.handles),
           static_cast<unsigned long>(f.threads), f.inspectors);
}

long long Growth(size_t later, size_t earlier) { return static_cast<long long>(later) - static_cast<long long>(earlier); }
}  // namespace

bool RunLongSession(standin::Application& app, standin::AddinRibbons& ribbons, const SessionOptions& options) {
    bool allPacked = true;
    ProcessFigures first, last;
    for (int window = 1; window <= options.windows; ++window) {
        auto* mail = new standin::MailItem();
        mail->to = L"Robin Example <robin@example.com>";
        SetUpSendingAccount(app, *mail, AccountOptions());
        ComposeOptions compose;
        compose.closeAtOnce = true;
        bool packs = options.packEvery > 0 && window % options.packEvery == 0 && !options.attach.empty();
        if (packs) compose.attach.push_back(options.attach);
        ComposeResult result = RunCompose(app, *mail, ribbons, compose);
        if (packs && (!result.completed || mail->attachments().items().empty())) {
            printf("session: window %d did not attach its archive\n", window);
            allPacked = false;
        }
        mail->Release();
        if (window == kFirstFigures) Print(window, first = Measure());
    }
    Print(options.windows, last = Measure());
    if (options.windows > kFirstFigures)
        printf("session: growth from window %d to window %d: working_set=%+lld private=%+lld handles=%+lld "
               "threads=%+lld\n",
               kFirstFigures, options.windows, Growth(last.workingSet, first.workingSet),
               Growth(last.privateBytes, first.privateBytes), Growth(last.handles, first.handles),
               Growth(last.threads, first.threads));
    return allPacked && last.inspectors == 0;
}

}  // namespace host
