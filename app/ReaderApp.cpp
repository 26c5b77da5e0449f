#include "ReaderApp.h"

#include <cstdio>

#include "ReaderDlg.h"
#include "Settings.h"

CReaderApp::CReaderApp() = default;

BOOL CReaderApp::InitInstance() {
    SetRegistryKey(settings::kMakerKey);

    if (!AfxSocketInit()) {
        char text[128];
        std::snprintf(text, sizeof text, "Socket initialization failed, Error: %u\r\n",
                      static_cast<unsigned>(::GetLastError()));
        AfxMessageBox(text, MB_OK | MB_ICONERROR);
    }

    if (GetProfileInt(settings::kSection, settings::kAutoConnect, settings::kDefaultAutoConnect) != 0) Connect();

    CReaderDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    // Normally the window's destruction has withdrawn it already; when the
    // window could not be made, nothing did, and the object goes away now.
    m_pMainWnd = nullptr;
    return FALSE;
}

int CReaderApp::ExitInstance() {
    Disconnect();
    return CLinkManager::ExitInstance();
}
