// Works the real attachment dialog the way a user does: the dialog runs modally on the
// test's thread, as it does on the host's, while a driver thread clicks, types, selects
// and drops through window messages and reads back what the dialog shows.
#pragma once

#include <functional>
#include <string>
#include <vector>
#include <windows.h>

#include "client/addin/MailItem.h"

namespace testing_support {

class DialogDriver {
public:
    DialogDriver(HWND dialog, DWORD thread) : dialog_(dialog), thread_(thread) {}

    HWND dialog() const { return dialog_; }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    bool IsOpen() const { return IsWindow(dialog_) && IsWindowVisible(dialog_); }

    // A mouse click on a button; returns when the dialog has handled it.
    void Click(int id) const;
    // A click whose handling may open a message box or end the dialog: does not wait.
    void ClickLater(int id) const;
    void Type(int id, const std::wstring& text) const;
    std::wstring Text(int id) const;
    bool IsChecked(int id) const;
    // A key (Enter, Escape) pressed while the control has the keyboard focus (posted: does
    // not wait). With `withControl`, Ctrl is held down while the control takes the key,
    // which it does before this returns.
    void PressKeyIn(int id, WORD key, bool withControl = false) const;
    // A key pressed wherever the focus is, as the dialog's loop gets it (posted).
    void PressKey(WORD key) const;
    // Alt and `key` (a lower-case letter), as the dialog's loop gets them (posted).
    void PressAccessKey(wchar_t key) const;
    HWND Focus() const;

    int RowCount(int list) const;
    std::wstring Cell(int list, int row, int column) const;
    std::vector<std::wstring> Column(int list, int column) const;
    std::vector<int> Images(int list) const;
    int RowNamed(int list, const std::wstring& name) const;
    void Select(int list, const std::vector<int>& rows) const;
    void SelectNamed(int list, const std::vector<std::wstring>& names) const;
    // A double-click on the row (its first click selects it alone).
    void DoubleClick(int list, int row) const;
    void ClickHeader(int list, int column) const;
    // Paths dropped from the shell, as a DROPFILES block of wide paths.
    void Drop(int list, const std::vector<std::wstring>& paths) const;

    // A message box over the dialog with this caption, waited for up to `ms`; null if none.
    HWND WaitForMessageBox(const std::wstring& caption, DWORD ms = 10000) const;
    static std::wstring MessageBoxText(HWND box);
    static std::wstring TextOf(HWND window);
    static void PressOk(HWND box);
    // The visible balloon tip over the dialog, or null.
    HWND Balloon() const;
    // Waits up to `ms` until `condition` holds.
    static bool WaitUntil(const std::function<bool()>& condition, DWORD ms = 5000);
    // Waits until the dialog has ended.
    bool WaitClosed(DWORD ms = 10000) const;

private:
    HWND dialog_;
    DWORD thread_;
};

// Runs the dialog for `mailItem` with the resources of `resources` and lets `drive` work
// it from another thread. Whatever `drive` leaves open (boxes, the dialog) is closed and
// counted as a failure. Returns the dialog's result.
INT_PTR RunDialog(HINSTANCE resources, const parcelon::MailItem& mailItem,
                  const std::function<void(DialogDriver&)>& drive);

}  // namespace testing_support
