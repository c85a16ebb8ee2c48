// The send choice window with the texts it is shown with, worked by clicks from another
// thread while it runs modally on the test's; each kind checked for cut or overlapping
// controls and saved as a screenshot.
#include <gtest/gtest.h>

#include <thread>

#include "ScreenChecks.h"
#include "client/dialog/SendQuestionText.h"
#include "common/DpiAwareness.h"
#include "common/TextConversion.h"

using namespace parcelon;

namespace {
constexpr uint64_t kMB = 1024 * 1024;

std::wstring TextOf(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    return text;
}

BOOL CALLBACK MatchQuestionWindow(HWND window, LPARAM out) {
    if (!IsWindowVisible(window) || !GetDlgItem(window, kSendQuestionText)) return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

HWND WaitForWindow(DWORD thread) {
    for (int i = 0; i < 200; ++i) {
        HWND found = nullptr;
        EnumThreadWindows(thread, MatchQuestionWindow, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        Sleep(50);
    }
    return nullptr;
}

struct Shown {
    std::wstring caption, text;
    std::vector<std::wstring> buttons;
};

// The height of a control's font, in pixels.
LONG FontHeight(HWND window) {
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
}

// Shows the question, moved to a screen of `movedTo` DPI first when that is not 0; checks
// its face and saves screens/NAME.png; presses the button at `press` (-1: Escape).
SendChoice Ask(const SendQuestion& question, const wchar_t* name, int press, Shown& shown, UINT movedTo = 0) {
    DWORD thread = GetCurrentThreadId();
    std::thread user([&] {
        HWND window = WaitForWindow(thread);
        if (!window) return;
        shown.caption = TextOf(window);
        shown.text = TextOf(GetDlgItem(window, kSendQuestionText));
        for (int id = kFirstSendChoice; HWND button = GetDlgItem(window, id); ++id)
            shown.buttons.push_back(TextOf(button));
        UINT dpi = DpiOfWindow(window);
        if (movedTo) {
            HWND text = GetDlgItem(window, kSendQuestionText);
            LONG before = FontHeight(text);
            RECT suggested = {};
            GetWindowRect(window, &suggested);
            SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(movedTo, movedTo), reinterpret_cast<LPARAM>(&suggested));
            EXPECT_EQ(MulDiv(before, movedTo, dpi), FontHeight(text));
            dpi = movedTo;
        }
        testing_support::ExpectNothingOverlapsOrIsCut(window, dpi);
        testing_support::SaveScreen(window, name);
        if (press < 0)
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        else
            PostMessageW(GetDlgItem(window, kFirstSendChoice + press), BM_CLICK, 0, 0);
    });
    SendChoice choice = AskSendChoice(nullptr, question);
    user.join();
    return choice;
}
}  // namespace

TEST(SendChoiceWindowTest, TheSizeLimitOffersSendingInPartsUnlessAFileAlonePassesIt) {
    Shown shown;
    SendChoice choice = Ask(SizeLimitQuestion(static_cast<uint64_t>(48.2 * kMB), 35 * kMB, 3, {}),
                            L"send-limit-split", 0, shown);
    EXPECT_EQ(SendChoice::Split, choice);
    EXPECT_EQ(L"Parcelon", shown.caption);
    EXPECT_EQ(0u, shown.text.find(L"The archive is 48.2 MB; this account sends at most 35 MB in one message."))
        << Utf8FromWide(shown.text);
    EXPECT_EQ((std::vector<std::wstring>{L"Send in 3 messages", L"Attach anyway", L"Back"}), shown.buttons);

    Shown single;
    choice = Ask(SizeLimitQuestion(60 * kMB, 20 * kMB, 0, {"Work/video.mp4"}), L"send-limit-too-large", 0, single);
    EXPECT_EQ(SendChoice::Anyway, choice);
    EXPECT_NE(std::wstring::npos, single.text.find(L"\nWork/video.mp4")) << Utf8FromWide(single.text);
    EXPECT_EQ((std::vector<std::wstring>{L"Attach anyway", L"Back"}), single.buttons);
}

TEST(SendChoiceWindowTest, BlockedTypesAreListedTwentyAtMostAndEscapeGoesBack) {
    std::vector<std::string> names;
    for (int i = 0; i < 23; ++i) names.push_back("Tools/run" + std::to_string(i) + ".exe");
    Shown shown;
    EXPECT_EQ(SendChoice::Back, Ask(BlockedTypesQuestion(names), L"send-blocked-types", -1, shown));
    EXPECT_EQ((std::vector<std::wstring>{L"Leave them out", L"Attach anyway", L"Back"}), shown.buttons);
    EXPECT_NE(std::wstring::npos, shown.text.find(L"\nTools/run19.exe\nand 3 more")) << Utf8FromWide(shown.text);
    EXPECT_EQ(std::wstring::npos, shown.text.find(L"run20.exe"));
    Shown again;
    EXPECT_EQ(SendChoice::LeaveOut, Ask(BlockedTypesQuestion({"a.js"}), L"send-blocked-one", 0, again));
}

TEST(SendChoiceWindowTest, AMessageBeingSentIsAskedAboutItsSizeAndItsRefusedTypes) {
    Shown size;
    EXPECT_EQ(SendChoice::Pack, Ask(MessageSizeQuestion(static_cast<uint64_t>(61.3 * kMB), 35 * kMB),
                                    L"send-message-too-large", 0, size));
    EXPECT_EQ(L"This message is 61.3 MB; this account sends at most 35 MB in one message.", size.text);
    EXPECT_EQ((std::vector<std::wstring>{L"Pack and send", L"Send anyway", L"Back"}), size.buttons);

    Shown blocked;
    EXPECT_EQ(SendChoice::Back, Ask(BlockedAttachmentsQuestion({"setup.exe"}), L"send-message-blocked", 1, blocked));
    EXPECT_EQ(L"This message carries setup.exe, a type that Gmail and many company mail systems refuse.",
              blocked.text);
    EXPECT_EQ((std::vector<std::wstring>{L"Send anyway", L"Back"}), blocked.buttons);
    EXPECT_EQ(L"This message carries run.js, tool.bat and setup.exe, types that Gmail and many company mail systems "
              L"refuse.",
              BlockedAttachmentsQuestion({"run.js", "tool.bat", "setup.exe"}).text);
}

TEST(SendChoiceWindowTest, MegabytesNeverMakeAPassingArchiveLookAsSmallAsTheLimit) {
    EXPECT_EQ(L"35 MB", ByteSizeText(35 * kMB, false));
    EXPECT_EQ(L"35.1 MB", ByteSizeText(35 * kMB + 1, true));
    EXPECT_EQ(L"34.9 MB", ByteSizeText(35 * kMB - 1, false));
    EXPECT_EQ(L"20 MB", ByteSizeText(20480 * 1024, false));
}

TEST(SendChoiceWindowTest, MovedToAScreenOfAnotherScaleItIsLaidOutAgain) {
    UINT to = ScreenDpi() == kDefaultDpi ? 2 * kDefaultDpi : kDefaultDpi;
    Shown shown;
    EXPECT_EQ(SendChoice::Split, Ask(SizeLimitQuestion(static_cast<uint64_t>(48.2 * kMB), 35 * kMB, 3, {}),
                                     L"send-limit-split-moved", 0, shown, to));
}

TEST(SendChoiceWindowTest, ALimitUnderHalfAMegabyteIsGivenInKilobytes) {
    EXPECT_EQ(0u, SizeLimitQuestion(420 * 1024, 300 * 1024, 2, {})
                      .text.find(L"The archive is 420 KB; this account sends at most 300 KB in one message."));
    EXPECT_EQ(L"0.5 MB", ByteSizeText(kMB / 2, false));
}
