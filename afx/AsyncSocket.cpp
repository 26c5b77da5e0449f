#include "afxsock.h"

#include <vector>

namespace {
bool g_bSocketsStarted = false;
}

BOOL AfxSocketInit() {
    WSADATA data;
    const int rc = ::WSAStartup(MAKEWORD(1, 1), &data);
    if (rc != 0) {
        ::SetLastError(static_cast<DWORD>(rc));
        return FALSE;
    }
    if (data.wVersion != MAKEWORD(1, 1)) {
        ::WSACleanup();
        ::SetLastError(WSAVERNOTSUPPORTED);
        return FALSE;
    }
    g_bSocketsStarted = true;
    return TRUE;
}

void AfxSocketTerm() {
    if (g_bSocketsStarted) ::WSACleanup();
    g_bSocketsStarted = false;
}

// Socket events reach their objects through one hidden window of the GUI
// thread. It is a hidden top-level window rather than a message-only one: a
// dialog's modal loop offers every message to IsDialogMessage, which asks
// whether the target is one of the dialog's children, and under Wine that
// question costs a round trip to the wineserver for a message-only window
// (its parent belongs to another process) but not for a top-level one; with
// a message-only window the reader could not keep up with 2,000 commands a
// second. Every socket gets a window message number of its own, so that
// events still queued for a closed socket (whose handle Winsock may hand out
// again) can be purged and can never be taken for another socket's.
struct SocketNotifier {
    static constexpr UINT kFirstMsg = WM_APP;
    static constexpr UINT kMsgCount = 0x4000;  // WM_APP up to 0xBFFF

    HWND hWnd = nullptr;
    std::vector<CAsyncSocket*> sockets = std::vector<CAsyncSocket*>(kMsgCount, nullptr);
    UINT next = 0;

    static SocketNotifier& Get() {
        static SocketNotifier notifier;
        return notifier;
    }

    bool EnsureWindow() {
        if (hWnd) return true;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &SocketNotifier::WndProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "MdbReaderSocketNotifier";
        ::RegisterClassA(&wc);  // fails harmlessly when already registered
        // Never shown, and kept out of the task switcher.
        hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        return hWnd != nullptr;
    }

    // A message number that no open socket holds, taken round-robin so that a
    // closed socket's number rests as long as possible.
    UINT Attach(CAsyncSocket* s) {
        for (UINT i = 0; i < kMsgCount; ++i) {
            const UINT slot = (next + i) % kMsgCount;
            if (!sockets[slot]) {
                sockets[slot] = s;
                next = (slot + 1) % kMsgCount;
                return kFirstMsg + slot;
            }
        }
        return 0;
    }

    void Detach(UINT msg) {
        if (msg < kFirstMsg || msg >= kFirstMsg + kMsgCount) return;
        sockets[msg - kFirstMsg] = nullptr;
        MSG m;
        while (::PeekMessageA(&m, hWnd, msg, msg, PM_REMOVE)) {
        }
    }

    static LRESULT CALLBACK WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        SocketNotifier& self = Get();
        if (msg >= kFirstMsg && msg < kFirstMsg + kMsgCount) {
            CAsyncSocket* s = self.sockets[msg - kFirstMsg];
            if (!s || s->m_hSocket != static_cast<SOCKET>(wParam)) return 0;
            const int error = WSAGETSELECTERROR(lParam);
            try {
                switch (WSAGETSELECTEVENT(lParam)) {
                case FD_READ: s->OnReceive(error); break;
                case FD_WRITE: s->OnSend(error); break;
                default: break;
                }
            } catch (...) {
                // Nothing may unwind through the message dispatch.
            }
            return 0;
        }
        return ::DefWindowProcA(hWnd, msg, wParam, lParam);
    }
};

CAsyncSocket::~CAsyncSocket() { CAsyncSocket::Close(); }

BOOL CAsyncSocket::Create(UINT nSocketPort, int nSocketType, long lEvent, const char* pszSocketAddress) {
    SocketNotifier& n = SocketNotifier::Get();
    const SOCKET s = ::socket(AF_INET, nSocketType, 0);
    if (s == INVALID_SOCKET) return FALSE;
    m_hSocket = s;

    auto fail = [this]() {
        const int error = ::WSAGetLastError();
        Close();
        ::WSASetLastError(error);  // the failed step's code survives the close
        return FALSE;
    };

    u_long nonBlocking = 1;
    if (::ioctlsocket(s, FIONBIO, &nonBlocking) == SOCKET_ERROR) return fail();
    if (!n.EnsureWindow()) return fail();
    m_nNotifyMsg = n.Attach(this);
    if (m_nNotifyMsg == 0) {
        ::WSASetLastError(WSAEMFILE);
        return fail();
    }
    if (::WSAAsyncSelect(s, n.hWnd, m_nNotifyMsg, lEvent) == SOCKET_ERROR) return fail();

    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = ::htons(static_cast<u_short>(nSocketPort & 0xFFFF));
    local.sin_addr.s_addr = pszSocketAddress ? ::inet_addr(pszSocketAddress) : htonl(INADDR_ANY);
    if (::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) == SOCKET_ERROR) return fail();
    return TRUE;
}

BOOL CAsyncSocket::Connect(const char* pszHostAddress, UINT nHostPort) {
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = ::htons(static_cast<u_short>(nHostPort & 0xFFFF));
    peer.sin_addr.s_addr = ::inet_addr(pszHostAddress ? pszHostAddress : "");
    if (peer.sin_addr.s_addr == INADDR_NONE) {
        // Not dotted text (or the text 255.255.255.255 itself): a host name.
        // The lookup blocks this thread until it ends.
        const hostent* host = ::gethostbyname(pszHostAddress ? pszHostAddress : "");
        if (!host || host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0]) {
            ::WSASetLastError(WSAEINVAL);
            return FALSE;
        }
        peer.sin_addr.s_addr = reinterpret_cast<const in_addr*>(host->h_addr_list[0])->s_addr;
    }
    return ::connect(m_hSocket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != SOCKET_ERROR;
}

int CAsyncSocket::Send(const void* lpBuf, int nBufLen, int nFlags) {
    return ::send(m_hSocket, static_cast<const char*>(lpBuf), nBufLen, nFlags);
}

int CAsyncSocket::ReceiveFrom(void* lpBuf, int nBufLen, CString& rSocketAddress, UINT& rSocketPort, int nFlags) {
    sockaddr_in from = {};
    int fromLen = sizeof from;
    const int n = ::recvfrom(m_hSocket, static_cast<char*>(lpBuf), nBufLen, nFlags,
                             reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (n == SOCKET_ERROR) return n;
    rSocketAddress = ::inet_ntoa(from.sin_addr);
    rSocketPort = ::ntohs(from.sin_port);
    return n;
}

void CAsyncSocket::Close() {
    if (m_hSocket == INVALID_SOCKET) return;
    SocketNotifier& n = SocketNotifier::Get();
    if (n.hWnd) ::WSAAsyncSelect(m_hSocket, n.hWnd, 0, 0);
    ::closesocket(m_hSocket);
    m_hSocket = INVALID_SOCKET;
    n.Detach(m_nNotifyMsg);
    m_nNotifyMsg = 0;
}

void CAsyncSocket::OnReceive(int) {}

void CAsyncSocket::OnSend(int) {}
