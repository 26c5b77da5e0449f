// The cost of the platform: a bare Win32 responder under Wine. One dialog,
// one socket with WSAAsyncSelect, the same answers as the reader; nothing
// else. Usage: win32_responder.exe BOX-ADDRESS [PORT]
#define WIN32_LEAN_AND_MEAN
#include <winsock.h>
#include <windows.h>

#include <cstdlib>

namespace {

SOCKET g_socket = INVALID_SOCKET;
bool g_vendPending = false;
unsigned char g_approved[4] = {0x10, 0x05, 0, 0};
const unsigned char kConfig[] = {0x10, 0x01, 0x02, 0x19, 0x78, 0x01, 0x02, 0x05, 0x0F};
const UINT kSocketMsg = WM_APP + 1;

void OnDatagram() {
    unsigned char buf[1024];
    sockaddr_in from;
    int len = sizeof from;
    const int n = recvfrom(g_socket, reinterpret_cast<char*>(buf), sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 1) return;
    switch (buf[0] & 7) {
    case 1:
        if (n >= 2 && buf[1] == 0) send(g_socket, reinterpret_cast<const char*>(kConfig), sizeof kConfig, 0);
        break;
    case 3:
        if (n >= 4 && buf[1] == 0) {
            g_approved[2] = buf[2];
            g_approved[3] = buf[3];
            g_vendPending = true;
        }
        break;
    case 2:
        if (g_vendPending) send(g_socket, reinterpret_cast<const char*>(g_approved), sizeof g_approved, 0);
        g_vendPending = false;
        break;
    }
}

INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        WSAAsyncSelect(g_socket, hWnd, kSocketMsg, FD_READ);
        return TRUE;
    case kSocketMsg:
        OnDatagram();
        return TRUE;
    case WM_CLOSE:
        EndDialog(hWnd, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc < 2) return 2;
    const u_short port = static_cast<u_short>(__argc > 2 ? std::atoi(__argv[2]) : 4002);
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    g_socket = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (bind(g_socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return 3;
    sockaddr_in box = local;
    box.sin_addr.s_addr = inet_addr(__argv[1]);
    connect(g_socket, reinterpret_cast<sockaddr*>(&box), sizeof box);

    // The smallest dialog template: no controls, a caption.
    struct {
        DLGTEMPLATE t;
        WORD menu, cls;
        wchar_t title[24];
    } tmpl = {};
    tmpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    tmpl.t.cx = 160;
    tmpl.t.cy = 40;
    lstrcpyW(tmpl.title, L"Bare Win32 responder");
    DialogBoxIndirectParamA(instance, &tmpl.t, nullptr, DialogProc, 0);
    closesocket(g_socket);
    WSACleanup();
    return 0;
}
