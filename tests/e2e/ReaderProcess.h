// The real MdbReader.exe, started and driven from this process as a person
// would: its windows found on screen, buttons clicked, menus and keys sent.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace e2e {

constexpr const char* kAppName = "MdbReader";
constexpr const char* kMainCaption = "KT-7700 emulates a MDB Slave Reader...";
constexpr const char* kSettingsCaption = "Application settings...";

bool WaitFor(const std::function<bool()>& pred, DWORD timeoutMs);
std::string TextOf(HWND w);

class ReaderProcess {
public:
    ReaderProcess() = default;
    ~ReaderProcess();  // a copy still running is ended by force
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;

    // Starts the MdbReader.exe beside this test executable.
    bool Start();
    // The main window, once it is on screen (null after the time-out).
    HWND WaitMainWindow(DWORD timeoutMs = 15000);
    // A top-level window of the program with this caption.
    HWND WaitWindow(const char* caption, DWORD timeoutMs = 10000);
    // A message box of the program (caption: the application name).
    HWND WaitMessageBox(DWORD timeoutMs = 10000);
    bool WaitExit(DWORD timeoutMs = 15000);
    bool Running() const;

    HWND Item(int id) const { return GetDlgItem(main_, id); }
    std::string Text(int id) const { return TextOf(Item(id)); }
    // A click of a card button: handled by the time this returns.
    void Click(int id) const;
    // A menu command, posted as the menu posts it.
    void Command(int id) const;
    // A key as the program's dialog manager sees it, at its focused control.
    void Key(UINT vk, bool alt = false) const;
    HWND Focus() const;

    HWND main() const { return main_; }
    DWORD pid() const { return pi_.dwProcessId; }

private:
    PROCESS_INFORMATION pi_ = {};
    HWND main_ = nullptr;
};

// Text of a message box's message.
std::string MessageText(HWND box);

}  // namespace e2e
