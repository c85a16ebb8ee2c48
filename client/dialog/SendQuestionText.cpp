// What the send choice window says.
#include "SendQuestionText.h"

#include <cmath>
#include <cwchar>

#include "common/TextConversion.h"

namespace parcelon {

namespace {
constexpr size_t kListedNames = 20;

std::wstring NameList(const std::vector<std::string>& names) {
    std::wstring text = L"\n";
    for (size_t i = 0; i < names.size() && i < kListedNames; ++i) text += L"\n" + WideFromUtf8(names[i]);
    if (names.size() > kListedNames) text += L"\nand " + std::to_wstring(names.size() - kListedNames) + L" more";
    return text;
}
// "a.exe", "a.exe and b.js", "a.exe, b.js and c.bat"; past 20 names, how many more.
std::wstring NamesInLine(const std::vector<std::string>& names) {
    std::vector<std::wstring> shown;
    for (size_t i = 0; i < names.size() && i < kListedNames; ++i) shown.push_back(WideFromUtf8(names[i]));
    if (names.size() > kListedNames) shown.push_back(std::to_wstring(names.size() - kListedNames) + L" more");
    std::wstring text;
    for (size_t i = 0; i < shown.size(); ++i)
        text += (i == 0 ? L"" : i + 1 == shown.size() ? L" and " : L", ") + shown[i];
    return text;
}
}  // namespace

std::wstring ByteSizeText(uint64_t bytes, bool roundUp) {
    constexpr uint64_t kKB = 1024;
    if (bytes < 512 * kKB) return std::to_wstring(roundUp ? (bytes + kKB - 1) / kKB : bytes / kKB) + L" KB";
    double tenths = static_cast<double>(bytes) / (1024.0 * 1024.0) * 10.0;
    tenths = roundUp ? std::ceil(tenths - 1e-9) : std::floor(tenths + 1e-9);
    wchar_t text[32];
    if (std::fmod(tenths, 10.0) == 0.0)
        swprintf(text, 32, L"%.0f MB", tenths / 10.0);
    else
        swprintf(text, 32, L"%.1f MB", tenths / 10.0);
    return text;
}

SendQuestion BlockedTypesQuestion(const std::vector<std::string>& names) {
    SendQuestion question;
    question.text = L"The archive holds files of types that many mail systems refuse, even inside an archive; "
                    L"the message may bounce or never arrive:" +
                    NameList(names);
    question.choices = {{SendChoice::LeaveOut, L"Leave them out"},
                        {SendChoice::Anyway, L"Attach anyway"},
                        {SendChoice::Back, L"Back"}};
    return question;
}

SendQuestion SizeLimitQuestion(uint64_t archiveBytes, uint64_t limitBytes, size_t parts,
                               const std::vector<std::string>& tooLarge, bool offerAnyway) {
    SendQuestion question;
    question.text = L"The archive is " + ByteSizeText(archiveBytes, true) + L"; this account sends at most " +
                    ByteSizeText(limitBytes, false) + L" in one message.";
    if (!tooLarge.empty()) {
        question.text += L"\n\nIt cannot be sent in several messages: " +
                         std::wstring(tooLarge.size() == 1 ? L"this file is" : L"these files are each") +
                         L" too large for one message:" + NameList(tooLarge);
    } else if (parts >= 2) {
        question.text += L"\n\nSent in " + std::to_wstring(parts) +
                         L" messages, the files are shared out into archives of their own: the first goes on "
                         L"this message, the others on copies of it, each shown for you to send.";
        question.choices.push_back({SendChoice::Split, L"Send in " + std::to_wstring(parts) + L" messages"});
    }
    if (offerAnyway)
        question.choices.push_back({SendChoice::Anyway, L"Attach anyway"});
    else
        question.text += L"\n\nYour administrator does not allow attaching an archive over the limit.";
    question.choices.push_back({SendChoice::Back, L"Back"});
    return question;
}

SendQuestion MessageSizeQuestion(uint64_t messageBytes, uint64_t limitBytes) {
    SendQuestion question;
    question.text = L"This message is " + ByteSizeText(messageBytes, true) + L"; this account sends at most " +
                    ByteSizeText(limitBytes, false) + L" in one message.";
    question.choices = {{SendChoice::Pack, L"Pack and send"},
                        {SendChoice::Anyway, L"Send anyway"},
                        {SendChoice::Back, L"Back"}};
    return question;
}

SendQuestion BlockedAttachmentsQuestion(const std::vector<std::string>& names) {
    SendQuestion question;
    question.text = L"This message carries " + NamesInLine(names) +
                    (names.size() == 1 ? L", a type that" : L", types that") +
                    L" Gmail and many company mail systems refuse.";
    question.choices = {{SendChoice::Anyway, L"Send anyway"}, {SendChoice::Back, L"Back"}};
    return question;
}

}  // namespace parcelon
