#include "LinkManager.h"

#include <wininet.h>

#include <cstdio>
#include <new>
#include <vector>

#include "Settings.h"

namespace {
// One of the link's failure messages: the format with the code in place of
// %u, error icon, one OK button.
void ShowLinkError(const char* pszFormat, unsigned long nCode) {
    char text[512];
    std::snprintf(text, sizeof text, pszFormat, static_cast<unsigned>(nCode));
    AfxMessageBox(text, MB_OK | MB_ICONERROR);
}
}  // namespace

CLinkManager::CLinkManager() = default;

CLinkSocket* CLinkManager::NewLinkSocket() { return new (std::nothrow) CLinkSocket; }

bool CLinkManager::OpenEndpoint(CLinkSocket*& pSocket, const CString& address, UINT nPort, long lEvent,
                                const char* pszCreateFailed, const char* pszConnectFailed) {
    pSocket = NewLinkSocket();
    if (!pSocket) {
        ShowLinkError("Memory allocation, Error: %u\r\n", ::GetLastError());
        return false;
    }
    if (!pSocket->Create(nPort, SOCK_DGRAM, lEvent, nullptr)) {
        ShowLinkError(pszCreateFailed, ::GetLastError());
        return false;
    }
    if (!pSocket->Connect(address.c_str(), nPort)) {
        ShowLinkError(pszConnectFailed, ::GetLastError());
        return false;
    }
    return true;
}

bool CLinkManager::Connect() {
    using namespace settings;
    const CString name = GetProfileString(kSection, kConnectionName, kDefaultConnectionName);
    std::vector<char> mutableName(name.begin(), name.end());
    mutableName.push_back('\0');
    const DWORD dial = ::InternetDialA(nullptr, mutableName.data(), INTERNET_AUTODIAL_FORCE_ONLINE, &m_dwConnection, 0);
    if (dial != ERROR_SUCCESS) {
        ShowLinkError("Connect failed, Error: %u\r\nPlease make sure to use the correct connectionand check the "
                      "connection settings in windows control panel.",
                      dial);
        m_dwConnection = 0;
        return false;
    }

    const CString address = GetProfileString(kSection, kIPAddress, kDefaultIPAddress);
    const UINT commPort = GetProfileInt(kSection, kPortCommunication, kDefaultPortCommunication);
    if (!OpenEndpoint(m_pAcqSocket, address, commPort, FD_READ | FD_WRITE, "Create aquisition socket failed, Error: %u\r\n",
                      "Connect to aquisition socket failed, Error: %u\r\n"))
        return false;

    const UINT ctrlPort = GetProfileInt(kSection, kPortControl, kDefaultPortControl);
    return OpenEndpoint(m_pCtrlSocket, address, ctrlPort, FD_READ, "Create control socket failed, Error: %u\r\n",
                        "Connect to control socket failed, Error: %u\r\n");
}

bool CLinkManager::Disconnect() {
    for (CLinkSocket** endpoint : {&m_pAcqSocket, &m_pCtrlSocket}) {
        if (*endpoint) {
            (*endpoint)->Close();
            delete *endpoint;
            *endpoint = nullptr;
        }
    }
    if (m_dwConnection != 0) {
        const DWORD rc = ::InternetHangUp(m_dwConnection, 0);
        if (rc != ERROR_SUCCESS) {
            ShowLinkError("Hang up failed, Error: %u\r\nProbably still connected.", rc);
            return false;
        }
        m_dwConnection = 0;
    }
    return true;
}
