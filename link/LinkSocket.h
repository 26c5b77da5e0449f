// One UDP endpoint towards the interface box. The link manager makes two:
// the acquisition endpoint (command frames in, response frames out) and the
// control endpoint (control frames out). Both behave the same.
#pragma once

#include "afxsock.h"

class CLinkSocket : public CAsyncSocket {
public:
    // Reads the acquisition port number from the settings, once.
    CLinkSocket();
    ~CLinkSocket() override;

    int Send(const void* lpBuf, int nBufLen, int nFlags = 0) override;

    // The acquisition port: only frames from this port reach the reader.
    const UINT m_nCommPort;

    enum { kReceiveBufferSize = 1024 };

protected:
    void OnReceive(int nErrorCode) override;
};
