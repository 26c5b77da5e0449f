#include "ReaderDlg.h"

#include "LinkManager.h"
#include "SettingsDlg.h"

CReaderDlg::CReaderDlg(CWnd* pParent)
    : CDialog(IDD, pParent), m_hIcon(::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

// The icon is a shared resource icon: not destroyed.
CReaderDlg::~CReaderDlg() = default;

void CReaderDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_CREDIT, m_strCredit);
    DDX_Check(pDX, IDC_READER_ENABLED, m_bReaderEnabled);
}

BOOL CReaderDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    SendControlFrame(mdb::kOpeningControlFrame);
    return TRUE;  // the focus goes to the first tab stop, "Reset"
}

void CReaderDlg::OnDestroy() {
    CDialog::OnDestroy();
    // The link is still up here: the application disconnects only after the
    // modal run has returned.
    SendControlFrame(mdb::kClosingControlFrame);
}

BOOL CReaderDlg::OnCmdMsg(UINT nID) {
    static const CommandEntry<CReaderDlg> kCommands[] = {
        {ID_FILE_SETTINGS, &CReaderDlg::OnSettings},
        {IDC_RESET, &CReaderDlg::OnReset},
        {IDC_INSERT_CARD, &CReaderDlg::OnInsertCard},
        {IDC_REMOVE_CARD, &CReaderDlg::OnRemoveCard},
    };
    return DispatchCommand(this, kCommands, nID);
}

void CReaderDlg::SendControlFrame(const std::uint8_t* pFrame) {
    CLinkManager* link = CLinkManager::Get();
    if (!link || !link->IsConnected()) return;
    if (CLinkSocket* ctrl = link->GetCtrlSocket()) ctrl->Send(pFrame, mdb::kControlFrameLength, 0);
}

void CReaderDlg::SendFrame(const std::uint8_t* pData, int nCount) {
    // Without an acquisition endpoint (no connection made) the frame is lost,
    // as after a failed send; the rest of the action still happens.
    CLinkManager* link = CLinkManager::Get();
    if (CLinkSocket* acq = link ? link->GetAcqSocket() : nullptr) acq->Send(pData, nCount, 0);
}

void CReaderDlg::RefreshWindow() { UpdateData(FALSE); }

void CReaderDlg::OnSettings() {
    CSettingsDlg dlg;
    dlg.DoModal();
}

POINT CReaderDlg::MinimisedIconOrigin(const RECT& client, int iconWidth, int iconHeight) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    return POINT{(width - iconWidth + 1) / 2, (height - iconHeight + 1) / 2};
}

BOOL CReaderDlg::OnPaint() {
    if (!IsIconic()) return FALSE;  // the dialog's default painting
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(&client);
    const POINT at = MinimisedIconOrigin(client, ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
    ::DrawIcon(dc, at.x, at.y, m_hIcon);
    ::EndPaint(m_hWnd, &ps);
    return TRUE;
}

HCURSOR CReaderDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }
