#include "SettingsDlg.h"

#include "Settings.h"

using namespace settings;

CSettingsDlg::CSettingsDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CSettingsDlg::~CSettingsDlg() = default;

void CSettingsDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Check(pDX, IDC_AUTO_CONNECT, m_bAutoConnect);
    DDX_Text(pDX, IDC_CONNECTION_NAME, m_strConnectionName);
    DDX_Text(pDX, IDC_IP_ADDRESS, m_strIPAddress);
    DDX_Text(pDX, IDC_COMM_PORT, m_nCommPort);
    DDX_Text(pDX, IDC_CTRL_PORT, m_nCtrlPort);
}

BOOL CSettingsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWinApp* app = AfxGetApp();
    m_strConnectionName = app->GetProfileString(kSection, kConnectionName, kDefaultConnectionName);
    m_strIPAddress = app->GetProfileString(kSection, kIPAddress, kDefaultIPAddress);
    m_nCommPort = app->GetProfileInt(kSection, kPortCommunication, kDefaultPortCommunication);
    m_nCtrlPort = app->GetProfileInt(kSection, kPortControl, kDefaultPortControl);
    // The same default as start-up: with nothing stored the program connects,
    // so the box shows ticked, and a plain OK keeps it that way.
    m_bAutoConnect = app->GetProfileInt(kSection, kAutoConnect, kDefaultAutoConnect) != 0 ? 1 : 0;
    UpdateData(FALSE);
    return TRUE;
}

void CSettingsDlg::OnOK() {
    if (!UpdateData(TRUE)) return;  // the refused field has been reported
    CWinApp* app = AfxGetApp();
    app->WriteProfileString(kSection, kConnectionName, m_strConnectionName.c_str());
    app->WriteProfileString(kSection, kIPAddress, m_strIPAddress.c_str());
    app->WriteProfileInt(kSection, kPortCommunication, static_cast<int>(m_nCommPort));
    app->WriteProfileInt(kSection, kPortControl, static_cast<int>(m_nCtrlPort));
    app->WriteProfileInt(kSection, kAutoConnect, m_bAutoConnect);
    EndDialog(IDOK);
}
