// Windows Sockets 1.1 under the framework: sockets whose readiness arrives
// as calls of their handlers on the GUI thread, inside whatever message loop
// that thread runs (a dialog's, a message box's).
#pragma once

#include "afxwin.h"

// Starts Windows Sockets, accepting exactly version 1.1.
BOOL AfxSocketInit();
// Releases what AfxSocketInit took; WinMain calls it at the end.
void AfxSocketTerm();

class CAsyncSocket {
public:
    CAsyncSocket() = default;
    virtual ~CAsyncSocket();
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;

    // An IPv4 socket of the type, non-blocking, reporting lEvent to this
    // object, bound to the low 16 bits of nSocketPort on all local addresses
    // (or on pszSocketAddress). No socket option is set. On failure the
    // socket layer's error code is the thread's last error.
    BOOL Create(UINT nSocketPort = 0, int nSocketType = SOCK_STREAM, long lEvent = FD_READ | FD_WRITE,
                const char* pszSocketAddress = nullptr);
    // Dotted IPv4 text, else a host name (first address). An unresolvable
    // name fails with WSAEINVAL.
    BOOL Connect(const char* pszHostAddress, UINT nHostPort);
    virtual int Send(const void* lpBuf, int nBufLen, int nFlags = 0);
    int ReceiveFrom(void* lpBuf, int nBufLen, CString& rSocketAddress, UINT& rSocketPort, int nFlags = 0);
    // Closes the socket; nothing queued for it reaches this or any object.
    virtual void Close();

    SOCKET m_hSocket = INVALID_SOCKET;

protected:
    virtual void OnReceive(int nErrorCode);
    virtual void OnSend(int nErrorCode);

private:
    friend struct SocketNotifier;
    UINT m_nNotifyMsg = 0;  // the window message that carries this socket's events
};
