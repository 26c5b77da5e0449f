// The settings dialog: the five stored settings of the link, read when it
// opens and written back, all five, when the user confirms. The running link
// is not touched; changes take effect at the next start.
#pragma once

#include "afxwin.h"
#include "resource.h"

class CSettingsDlg : public CDialog {
public:
    explicit CSettingsDlg(CWnd* pParent = nullptr);
    ~CSettingsDlg() override;

    enum { IDD = IDD_SETTINGS };

    int m_bAutoConnect = 0;
    CString m_strConnectionName;
    CString m_strIPAddress;
    UINT m_nCommPort = 0;
    UINT m_nCtrlPort = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
