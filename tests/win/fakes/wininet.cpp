// The dial-up functions of wininet.dll for tests: Wine's own are stubs that
// never write a connection number. Results come from the environment, read at
// every call, and every call is appended to a log file:
//   MDB_FAKE_DIAL_RESULT        InternetDialA's result (default 0)
//   MDB_FAKE_DIAL_CONNECTION    the connection number written on success
//                               (default 0x100000007: it needs 64 bits)
//   MDB_FAKE_HANGUP_RESULT      InternetHangUp's result (default 0)
//   MDB_FAKE_WININET_LOG        file that records the calls, one per line
// Enabled with WINEDLLOVERRIDES=wininet=n,b and the DLL beside the .exe.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

unsigned long long EnvNumber(const char* name, unsigned long long fallback) {
    char text[64];
    const DWORD n = GetEnvironmentVariableA(name, text, sizeof text);
    if (n == 0 || n >= sizeof text) return fallback;
    return std::strtoull(text, nullptr, 0);
}

void Log(const char* line) {
    char path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("MDB_FAKE_WININET_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    HANDLE f = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
    CloseHandle(f);
}

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI InternetDialA(HWND parent, LPSTR connectoid, DWORD flags,
                                                            DWORD_PTR* connection, DWORD reserved) {
    const DWORD result = static_cast<DWORD>(EnvNumber("MDB_FAKE_DIAL_RESULT", 0));
    char line[512];
    std::snprintf(line, sizeof line, "InternetDialA parent=%p name=%s flags=%lu reserved=%lu result=%lu\n",
                  static_cast<void*>(parent), connectoid ? connectoid : "(null)", static_cast<unsigned long>(flags),
                  static_cast<unsigned long>(reserved), static_cast<unsigned long>(result));
    Log(line);
    if (connection) *connection = result == 0 ? static_cast<DWORD_PTR>(EnvNumber("MDB_FAKE_DIAL_CONNECTION", 0x100000007ull)) : 0;
    return result;
}

extern "C" __declspec(dllexport) DWORD WINAPI InternetHangUp(DWORD_PTR connection, DWORD reserved) {
    const DWORD result = static_cast<DWORD>(EnvNumber("MDB_FAKE_HANGUP_RESULT", 0));
    char line[256];
    std::snprintf(line, sizeof line, "InternetHangUp connection=0x%llx reserved=%lu result=%lu\n",
                  static_cast<unsigned long long>(connection), static_cast<unsigned long>(reserved),
                  static_cast<unsigned long>(result));
    Log(line);
    return result;
}
