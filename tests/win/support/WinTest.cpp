#include "WinTest.h"

#include <cstdio>
#include <sstream>

namespace wintest {

bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (pred()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

std::string Env(const char* name, const char* fallback) {
    char text[1024];
    const DWORD n = GetEnvironmentVariableA(name, text, sizeof text);
    return n == 0 || n >= sizeof text ? fallback : std::string(text, n);
}

// ---------------------------------------------------------------------------

namespace {
MessageBoxCatcher* g_catcher = nullptr;

struct Found {
    std::vector<HWND> boxes;
};

BOOL CALLBACK FindIconStatic(HWND child, LPARAM out) {
    char cls[16];
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(out) = child;
        return FALSE;
    }
    return TRUE;
}

HWND IconOf(HWND dlg) {
    HWND icon = nullptr;
    EnumChildWindows(dlg, FindIconStatic, reinterpret_cast<LPARAM>(&icon));
    return icon;
}

BOOL CALLBACK CollectBoxes(HWND w, LPARAM out) {
    char cls[16];
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(w) && IconOf(w))
        reinterpret_cast<Found*>(out)->boxes.push_back(w);
    return TRUE;
}

BOOL CALLBACK CountButtons(HWND child, LPARAM out) {
    char cls[16];
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") == 0) ++*reinterpret_cast<int*>(out);
    return TRUE;
}

std::string TextOf(HWND w) {
    char text[2048] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}
}  // namespace

MessageBoxCatcher::MessageBoxCatcher() {
    g_catcher = this;
    timer_ = SetTimer(nullptr, 0, 30, &MessageBoxCatcher::Tick);
}

MessageBoxCatcher::~MessageBoxCatcher() {
    KillTimer(nullptr, timer_);
    if (g_catcher == this) g_catcher = nullptr;
}

void CALLBACK MessageBoxCatcher::Tick(HWND, UINT, UINT_PTR, DWORD) {
    MessageBoxCatcher* self = g_catcher;
    if (!self) return;
    Found found;
    EnumThreadWindows(GetCurrentThreadId(), CollectBoxes, reinterpret_cast<LPARAM>(&found));
    for (HWND box : found.boxes) {
        bool known = false;
        for (HWND h : self->handled_) known = known || h == box;
        if (known) {
            // Watchdog: a box that ignored its OK click is ended by force.
            EndDialog(box, IDOK);
            continue;
        }
        self->handled_.push_back(box);
        SeenBox seen;
        seen.caption = TextOf(box);
        seen.text = TextOf(GetDlgItem(box, 0xFFFF));
        const HICON icon = reinterpret_cast<HICON>(SendMessageA(IconOf(box), STM_GETICON, 0, 0));
        seen.errorIcon = icon && icon == LoadIconA(nullptr, IDI_HAND);
        seen.warningIcon = icon && icon == LoadIconA(nullptr, IDI_EXCLAMATION);
        seen.owner = GetWindow(box, GW_OWNER);
        EnumChildWindows(box, CountButtons, reinterpret_cast<LPARAM>(&seen.buttons));
        self->seen_.push_back(seen);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    }
}

bool MessageBoxOpen() {
    Found found;
    EnumThreadWindows(GetCurrentThreadId(), CollectBoxes, reinterpret_cast<LPARAM>(&found));
    return !found.boxes.empty();
}

std::string WindowText(HWND w) { return TextOf(w); }

void Click(HWND dlg, int id) {
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

void PressKey(UINT vk) {
    HWND focus = GetFocus();
    PostMessageA(focus, WM_KEYDOWN, vk, 1);
    PostMessageA(focus, WM_KEYUP, vk, 0xC0000001);
}

namespace {
DialogDriver* g_driver = nullptr;

struct FindByCaption {
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchCaption(HWND w, LPARAM p) {
    auto* f = reinterpret_cast<FindByCaption*>(p);
    if (IsWindowVisible(w) && TextOf(w) == f->caption) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

DialogDriver::DialogDriver(const char* caption, std::vector<Step> steps, DWORD watchdogMs)
    : caption_(caption), steps_(std::move(steps)), start_(GetTickCount()), watchdogMs_(watchdogMs) {
    g_driver = this;
    timer_ = SetTimer(nullptr, 0, 40, &DialogDriver::Tick);
}

DialogDriver::~DialogDriver() {
    KillTimer(nullptr, timer_);
    if (g_driver == this) g_driver = nullptr;
}

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogDriver* self = g_driver;
    if (!self || MessageBoxOpen()) return;
    FindByCaption f = {self->caption_.c_str(), nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchCaption, reinterpret_cast<LPARAM>(&f));
    if (!f.found) return;
    if (GetTickCount() - self->start_ > self->watchdogMs_) {
        self->timedOut_ = true;
        EndDialog(f.found, IDCANCEL);
        return;
    }
    if (self->next_ < self->steps_.size()) self->steps_[self->next_++](f.found);
}

// ---------------------------------------------------------------------------

BoxAgent::BoxAgent()
    : boxIp(Env("MDB_BOX_IP")), boxIp2(Env("MDB_BOX_IP2")), pcIp(Env("MDB_PC_IP")) {
    s_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    bind(s_, reinterpret_cast<sockaddr*>(&local), sizeof local);
}

BoxAgent::~BoxAgent() {
    if (s_ != INVALID_SOCKET) closesocket(s_);
}

std::string BoxAgent::Request(const std::string& text, int timeoutMs) {
    sockaddr_in agent = {};
    agent.sin_family = AF_INET;
    agent.sin_port = htons(7700);
    agent.sin_addr.s_addr = inet_addr(boxIp.c_str());
    if (sendto(s_, text.data(), static_cast<int>(text.size()), 0, reinterpret_cast<sockaddr*>(&agent), sizeof agent) < 0)
        return "ERR sendto";
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s_, &set);
    timeval tv = {(timeoutMs + 2000) / 1000, ((timeoutMs + 2000) % 1000) * 1000};
    if (select(0, &set, nullptr, nullptr, &tv) != 1) return "ERR no answer from the box agent";
    static char reply[65536];
    const int n = recv(s_, reply, sizeof reply, 0);
    return n < 0 ? "ERR recv" : std::string(reply, n);
}

bool BoxAgent::Send(int srcPort, int dstPort, const Bytes& bytes, bool fromSecondAddress) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::uint8_t b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    std::string req = "SEND " + std::to_string(srcPort) + " " + std::to_string(dstPort) + " " + (hex.empty() ? "-" : hex);
    if (fromSecondAddress) req += " " + boxIp2;
    return Request(req, 0) == "OK";
}

bool BoxAgent::Clear() { return Request("CLEAR", 0) == "OK"; }

bool BoxAgent::Listen(int port) { return Request("LISTEN " + std::to_string(port), 0) == "OK"; }

std::vector<Datagram> BoxAgent::Received(int port, size_t count, int timeoutMs) {
    const std::string reply =
        Request("WAIT " + std::to_string(port) + " " + std::to_string(count) + " " + std::to_string(timeoutMs), timeoutMs);
    std::istringstream in(reply);
    std::string word;
    size_t n = 0;
    in >> word >> n;
    std::vector<Datagram> out;
    for (size_t i = 0; i < n; ++i) {
        Datagram d;
        std::string hex;
        in >> d.tUs >> d.from >> hex;
        if (hex != "-")
            for (size_t k = 0; k + 1 < hex.size(); k += 2) d.bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(k, 2), nullptr, 16)));
        out.push_back(d);
    }
    return out;
}

// ---------------------------------------------------------------------------

std::string SettingsKeyPath(const std::string& appName) { return "software\\Corvane\\" + appName + "\\Settings"; }

void DeleteAppKey(const std::string& appName) {
    RegDeleteTreeA(HKEY_CURRENT_USER, ("software\\Corvane\\" + appName).c_str());
}

bool KeyExists(const std::string& path) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

int ValueCount(const std::string& path) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return -1;
    DWORD values = 0;
    RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(k);
    return static_cast<int>(values);
}

bool SetRawValue(const std::string& appName, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath(appName).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    RegCloseKey(k);
    return ok;
}

bool GetRawValue(const std::string& appName, const char* name, DWORD& type, std::vector<BYTE>& data) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyPath(appName).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    bool ok = RegQueryValueExA(k, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (ok) {
        data.assign(size, 0);
        ok = RegQueryValueExA(k, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(k);
    return ok;
}

// ---------------------------------------------------------------------------

void SetFakeDial(DWORD dialResult, unsigned long long connection, DWORD hangUpResult) {
    char text[32];
    std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(dialResult));
    SetEnvironmentVariableA("MDB_FAKE_DIAL_RESULT", text);
    std::snprintf(text, sizeof text, "0x%llx", connection);
    SetEnvironmentVariableA("MDB_FAKE_DIAL_CONNECTION", text);
    std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(hangUpResult));
    SetEnvironmentVariableA("MDB_FAKE_HANGUP_RESULT", text);
    if (Env("MDB_FAKE_WININET_LOG").empty()) {
        char dir[MAX_PATH];
        GetTempPathA(sizeof dir, dir);
        char path[MAX_PATH];
        std::snprintf(path, sizeof path, "%smdb-fake-wininet-%lu.log", dir, GetCurrentProcessId());
        SetEnvironmentVariableA("MDB_FAKE_WININET_LOG", path);
    }
}

std::string FakeDialLogPath() { return Env("MDB_FAKE_WININET_LOG"); }

std::vector<std::string> FakeDialLog() {
    std::vector<std::string> lines;
    const std::string path = FakeDialLogPath();
    if (path.empty()) return lines;
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return lines;
    char line[1024];
    while (std::fgets(line, sizeof line, f)) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        lines.push_back(s);
    }
    std::fclose(f);
    return lines;
}

void ClearFakeDialLog() {
    const std::string path = FakeDialLogPath();
    if (!path.empty()) DeleteFileA(path.c_str());
}

}  // namespace wintest
