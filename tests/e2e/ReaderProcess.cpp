#include "ReaderProcess.h"

namespace e2e {

bool WaitFor(const std::function<bool()>& pred, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (pred()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(10);
    }
}

std::string TextOf(HWND w) {
    char text[2048] = "";
    SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

std::string MessageText(HWND box) { return TextOf(GetDlgItem(box, 0xFFFF)); }

ReaderProcess::~ReaderProcess() {
    if (pi_.hProcess) {
        if (Running()) {
            TerminateProcess(pi_.hProcess, 99);
            WaitForSingleObject(pi_.hProcess, 5000);
        }
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
}

bool ReaderProcess::Start() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string exe = self;
    exe = exe.substr(0, exe.find_last_of('\\') + 1) + "MdbReader.exe";
    std::string cmd = "\"" + exe + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    return CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) != 0;
}

bool ReaderProcess::Running() const { return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

bool ReaderProcess::WaitExit(DWORD timeoutMs) { return WaitForSingleObject(pi_.hProcess, timeoutMs) == WAIT_OBJECT_0; }

namespace {
struct Search {
    DWORD pid;
    const char* caption;
    HWND found;
};

BOOL CALLBACK Match(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != s->pid || !IsWindowVisible(w)) return TRUE;
    char cls[16];
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0) return TRUE;
    if (TextOf(w) != s->caption) return TRUE;
    s->found = w;
    return FALSE;
}

HWND FindTop(DWORD pid, const char* caption) {
    Search s = {pid, caption, nullptr};
    EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
    return s.found;
}
}  // namespace

HWND ReaderProcess::WaitWindow(const char* caption, DWORD timeoutMs) {
    HWND w = nullptr;
    WaitFor([&] { return (w = FindTop(pid(), caption)) != nullptr || !Running(); }, timeoutMs);
    return w;
}

HWND ReaderProcess::WaitMainWindow(DWORD timeoutMs) {
    main_ = WaitWindow(kMainCaption, timeoutMs);
    return main_;
}

HWND ReaderProcess::WaitMessageBox(DWORD timeoutMs) { return WaitWindow(kAppName, timeoutMs); }

void ReaderProcess::Click(int id) const {
    SendMessageTimeoutA(Item(id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
}

void ReaderProcess::Command(int id) const { PostMessageA(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

HWND ReaderProcess::Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(pi_.dwThreadId, &info);
    return info.hwndFocus;
}

void ReaderProcess::Key(UINT vk, bool alt) const {
    HWND focus = Focus();
    if (!focus) focus = main_;
    if (alt) {
        const LPARAM down = 1 | (static_cast<LPARAM>(KF_ALTDOWN) << 16);
        PostMessageA(focus, WM_SYSKEYDOWN, vk, down);
        PostMessageA(focus, WM_SYSKEYUP, vk, down | 0xC0000000);
    } else {
        PostMessageA(focus, WM_KEYDOWN, vk, 1);
        PostMessageA(focus, WM_KEYUP, vk, 0xC0000001);
    }
}

}  // namespace e2e
