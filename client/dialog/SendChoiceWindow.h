// The window that stops a packed archive before it goes on the message, when it passes
// the account's size limit or holds types mail systems refuse, and a message being sent
// for the same reasons: it says why and lets the user choose what to send.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

namespace parcelon {

enum class SendChoice { Split, LeaveOut, Anyway, Back, Pack };

struct SendQuestion {
    std::wstring text;
    std::vector<std::pair<SendChoice, std::wstring>> choices;  // in button order; Back last
};

// The control ids, for those that work the window through its messages.
constexpr int kSendQuestionText = 1001;
constexpr int kFirstSendChoice = 1100;  // the buttons, in order

// Shows the question modally over `owner`; Back when the window is closed or cannot open.
SendChoice AskSendChoice(HWND owner, const SendQuestion& question);

}  // namespace parcelon
