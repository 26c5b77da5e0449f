// The main window: the credit, whether the VMC has enabled the reader, the
// card holder's three buttons and the File menu. It holds the reader session
// and wires its two outlets to the acquisition endpoint and to its controls.
#pragma once

#include "ReaderSession.h"
#include "afxwin.h"
#include "resource.h"

class CReaderDlg : public CDialog, public CReaderSession {
public:
    explicit CReaderDlg(CWnd* pParent = nullptr);
    ~CReaderDlg() override;

    enum { IDD = IDD_READER_DIALOG };

    // Where a minimised window draws its icon: centred, in signed arithmetic
    // that truncates toward zero.
    static POINT MinimisedIconOrigin(const RECT& client, int iconWidth, int iconHeight);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnCmdMsg(UINT nID) override;
    BOOL OnPaint() override;
    HCURSOR OnQueryDragIcon() override;
    void OnDestroy() override;

    void SendFrame(const std::uint8_t* pData, int nCount) override;
    void RefreshWindow() override;

    void OnSettings();

    HICON m_hIcon;

private:
    // A control frame goes out only while a dial-up connection is held and
    // the control endpoint exists.
    void SendControlFrame(const std::uint8_t* pFrame);
};
