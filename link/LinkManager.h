// The link to the box: the dial-up connection and the two datagram
// endpoints. The application object derives from this class, so the main
// window and the reader reach the link through AfxGetApp() without knowing
// the application class.
#pragma once

#include "LinkSocket.h"

class CLinkManager : public CWinApp {
public:
    CLinkManager();

    // Dials, then creates and connects the acquisition endpoint and then the
    // control endpoint. The first failure is shown once and ends it; nothing
    // is undone. TRUE when everything came up.
    bool Connect();
    // Closes and frees both endpoints, then hangs up. FALSE only when the
    // hang-up failed.
    bool Disconnect();
    // Whether a dial-up connection is held; says nothing of the endpoints.
    bool IsConnected() const { return m_dwConnection != 0; }
    // Possibly null; the link keeps ownership.
    CLinkSocket* GetAcqSocket() const { return m_pAcqSocket; }
    CLinkSocket* GetCtrlSocket() const { return m_pCtrlSocket; }

    // The link of the running application, or null when the application
    // object is not one.
    static CLinkManager* Get() { return dynamic_cast<CLinkManager*>(AfxGetApp()); }

protected:
    // Where the endpoints come from; tests make allocation fail here.
    virtual CLinkSocket* NewLinkSocket();

    // InternetDial writes a pointer-sized number on 64-bit Windows.
    DWORD_PTR m_dwConnection = 0;
    CLinkSocket* m_pAcqSocket = nullptr;
    CLinkSocket* m_pCtrlSocket = nullptr;

private:
    bool OpenEndpoint(CLinkSocket*& pSocket, const CString& address, UINT nPort, long lEvent,
                      const char* pszCreateFailed, const char* pszConnectFailed);
};
