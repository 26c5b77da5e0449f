// Helpers of the tests that run under Wine: message pumping, message boxes
// found on screen, the box agent of the two-host test bed, registry access
// and the test dial-up DLL's knobs.
#pragma once

#include "afxsock.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wintest {

using Bytes = std::vector<std::uint8_t>;

// Dispatches this thread's messages until pred() holds or the time is up.
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs);
// Dispatches messages for a while (to show that nothing more arrives).
void PumpFor(DWORD ms);

std::string Env(const char* name, const char* fallback = "");

// A message box as seen on screen.
struct SeenBox {
    std::string caption;
    std::string text;
    bool errorIcon = false;
    bool warningIcon = false;
    HWND owner = nullptr;
    int buttons = 0;  // push buttons in the box
};

// While alive, every message box of this thread is read and closed with its
// OK button, from a timer that fires inside the box's own modal loop. A box
// that does not close is ended by force after a while (the watchdog), so a
// test can never hang on one.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    const std::vector<SeenBox>& Seen() const { return seen_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    UINT_PTR timer_ = 0;
    std::vector<SeenBox> seen_;
    std::vector<HWND> handled_;
};

// True while a message box of this thread is on screen.
bool MessageBoxOpen();

// Drives a modal dialog of this thread from inside its own loop: one step per
// timer tick, never while a message box is open, each given the dialog found
// by its caption. A dialog still open long after the last step is ended by
// force (TimedOut() tells), so a test can never hang on it.
class DialogDriver {
public:
    using Step = std::function<void(HWND dlg)>;
    DialogDriver(const char* caption, std::vector<Step> steps, DWORD watchdogMs = 15000);
    ~DialogDriver();
    bool TimedOut() const { return timedOut_; }
    size_t StepsRun() const { return next_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    std::string caption_;
    std::vector<Step> steps_;
    size_t next_ = 0;
    DWORD start_;
    DWORD watchdogMs_;
    bool timedOut_ = false;
    UINT_PTR timer_ = 0;
};

// Text of a window or control.
std::string WindowText(HWND w);
// A button click as it arrives from the button: posted, so the step that
// clicks returns before the handler runs.
void Click(HWND dlg, int id);
// Keys as the dialog manager sees them: posted to the focused control.
void PressKey(UINT vk);

// The box side of the test bed: boxsim in agent mode in the box namespace.
struct Datagram {
    long long tUs = 0;
    std::string from;  // "addr:port"
    Bytes bytes;
};

class BoxAgent {
public:
    BoxAgent();
    ~BoxAgent();
    // Sends bytes from the box's srcPort (on its second address when asked)
    // to the PC's dstPort.
    bool Send(int srcPort, int dstPort, const Bytes& bytes, bool fromSecondAddress = false);
    bool Clear();
    // Makes the box record what reaches its port (4001 and 4002 always are).
    bool Listen(int port);
    // What reached the box's port, waiting until `count` are there or the
    // time is up (0: what is there now).
    std::vector<Datagram> Received(int port, size_t count = 0, int timeoutMs = 0);

    const std::string boxIp, boxIp2, pcIp;

private:
    std::string Request(const std::string& text, int timeoutMs);
    SOCKET s_ = INVALID_SOCKET;
};

// Registry: HKCU\software\Corvane\<app>\Settings.
std::string SettingsKeyPath(const std::string& appName);
void DeleteAppKey(const std::string& appName);
bool KeyExists(const std::string& path);
int ValueCount(const std::string& path);
bool SetRawValue(const std::string& appName, const char* name, DWORD type, const void* data, DWORD size);
bool GetRawValue(const std::string& appName, const char* name, DWORD& type, std::vector<BYTE>& data);

// The test dial-up DLL (see fakes/wininet.cpp).
void SetFakeDial(DWORD dialResult, unsigned long long connection = 0x100000007ull, DWORD hangUpResult = 0);
std::string FakeDialLogPath();
std::vector<std::string> FakeDialLog();
void ClearFakeDialLog();

}  // namespace wintest
