#include "LinkSocket.h"

#include "ReaderSession.h"
#include "Settings.h"

namespace {
UINT StoredCommPort() {
    CWinApp* app = AfxGetApp();
    return app ? app->GetProfileInt(settings::kSection, settings::kPortCommunication,
                                    settings::kDefaultPortCommunication)
               : settings::kDefaultPortCommunication;
}
}  // namespace

CLinkSocket::CLinkSocket() : m_nCommPort(StoredCommPort()) {}

CLinkSocket::~CLinkSocket() = default;

int CLinkSocket::Send(const void* lpBuf, int nBufLen, int nFlags) { return CAsyncSocket::Send(lpBuf, nBufLen, nFlags); }

void CLinkSocket::OnReceive(int nErrorCode) {
    std::uint8_t buffer[kReceiveBufferSize];
    CString fromAddress;
    UINT fromPort = 0;
    const int n = ReceiveFrom(buffer, sizeof buffer, fromAddress, fromPort, 0);
    // Errors (a datagram over 1024 bytes among them) and empty datagrams are
    // dropped and the endpoint stays open: UDP has no end of stream, and one
    // stray datagram must not cut the reader off for the rest of the run.
    // The full 32-bit stored port is compared, so a stored number above 65535
    // never matches a 16-bit source port.
    if (n > 0 && fromPort == m_nCommPort) {
        CWinApp* app = AfxGetApp();
        if (IMdbFrameSink* sink = app ? dynamic_cast<IMdbFrameSink*>(app->m_pMainWnd) : nullptr)
            sink->OnMdbFrame(buffer, n);
    }
    CAsyncSocket::OnReceive(nErrorCode);
}
