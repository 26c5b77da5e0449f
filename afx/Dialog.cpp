#include "afxwin.h"

// ---------------------------------------------------------------------------
// CWnd

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::OnCmdMsg(UINT) { return FALSE; }

void CWnd::OnNcDestroy() {
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
}

// ---------------------------------------------------------------------------
// Centring

void AfxCenterWindow(HWND hWnd, HWND hOwner) {
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    HWND onMonitor = hOwner ? hOwner : hWnd;
    if (!::GetMonitorInfoA(::MonitorFromWindow(onMonitor, MONITOR_DEFAULTTONEAREST), &mi))
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &mi.rcWork, 0);
    const RECT area = mi.rcWork;
    RECT centre = area;
    if (hOwner && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner)) ::GetWindowRect(hOwner, &centre);
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    int x = (centre.left + centre.right) / 2 - w / 2;
    int y = (centre.top + centre.bottom) / 2 - h / 2;
    // Keep it within the work area, its top-left corner first.
    if (x + w > area.right) x = area.right - w;
    if (y + h > area.bottom) y = area.bottom - h;
    if (x < area.left) x = area.left;
    if (y < area.top) y = area.top;
    ::SetWindowPos(hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------------------
// CDialog

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

HWND CDialog::FindOwner() const {
    if (m_pParentWnd) return m_pParentWnd->GetSafeHwnd();
    // Without a parent, a dialog is owned by the application's main window.
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd && app->m_pMainWnd != this) return app->m_pMainWnd->GetSafeHwnd();
    return nullptr;
}

INT_PTR CDialog::DoModal() {
    return ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), FindOwner(),
                             &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int nResult) {
    if (m_hWnd) ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    if (!m_hWnd) return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        self->m_hWnd = hWnd;
    } else {
        // Messages before WM_INITDIALOG (WM_SETFONT and the like) stay with
        // the dialog manager.
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
        if (!self) return FALSE;
    }
    INT_PTR result = FALSE;
    try {
        result = self->DialogProc(msg, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the dialog manager.
        result = FALSE;
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    return result;
}

INT_PTR CDialog::HandleInitDialog() {
    RECT before;
    ::GetWindowRect(m_hWnd, &before);
    const BOOL defaultFocus = OnInitDialog();

    // A dialog left where its template put it is centred on its owner.
    RECT after;
    ::GetWindowRect(m_hWnd, &after);
    const LONG style = ::GetWindowLongA(m_hWnd, GWL_STYLE);
    if (::EqualRect(&before, &after) && !(style & (DS_CENTER | DS_CENTERMOUSE)))
        AfxCenterWindow(m_hWnd, ::GetWindow(m_hWnd, GW_OWNER));

    if (!defaultFocus) return FALSE;
    // Focus on the first tab stop. When that is a push button, set it through
    // WM_NEXTDLGCTL so that it also becomes the default button and Enter
    // clicks it, as Windows does; Wine's dialog manager would not.
    HWND first = ::GetNextDlgTabItem(m_hWnd, nullptr, FALSE);
    if (first && (::SendMessageA(first, WM_GETDLGCODE, 0, 0) & (DLGC_UNDEFPUSHBUTTON | DLGC_DEFPUSHBUTTON))) {
        ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
        return FALSE;
    }
    return TRUE;
}

void CDialog::RouteCommand(UINT nID) {
    if (OnCmdMsg(nID)) return;
    if (nID == IDOK) {
        OnOK();
        return;
    }
    if (nID == IDCANCEL) {
        OnCancel();
        return;
    }
    // Commands of the menus that no window handles go on to the parent and
    // then to the application object.
    if (nID >= 0x8000 && nID < 0xF000) {
        if (m_pParentWnd && m_pParentWnd->OnCmdMsg(nID)) return;
        if (CWinApp* app = AfxGetApp()) app->OnCmdMsg(nID);
    }
}

INT_PTR CDialog::DialogProc(UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        return HandleInitDialog();
    case WM_COMMAND:
        // Menu items, accelerators and button clicks; not the notifications
        // of other controls (edit changes and such).
        if (HIWORD(wParam) <= 1) {
            RouteCommand(LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_HELP:
        if (CWinApp* app = AfxGetApp()) app->OnCmdMsg(ID_HELP);
        return TRUE;
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    case WM_NCDESTROY:
        OnNcDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}

// ---------------------------------------------------------------------------
// Dialog data exchange

HWND CDataExchange::PrepareCtrl(int nIDC) {
    m_hWndLastControl = ::GetDlgItem(m_pDlgWnd->GetSafeHwnd(), nIDC);
    return m_hWndLastControl;
}

void CDataExchange::Fail() {
    m_bFailed = true;
    if (!m_hWndLastControl) return;
    ::SendMessageA(m_pDlgWnd->GetSafeHwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_hWndLastControl), TRUE);
    ::SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
}

namespace {
CString WindowText(HWND hWnd) {
    const int n = ::GetWindowTextLengthA(hWnd);
    CString text(static_cast<size_t>(n) + 1, '\0');
    const int got = ::GetWindowTextA(hWnd, &text[0], n + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}
}  // namespace

// Sets a control's text only when it shows something else: setting it costs
// far more than reading it, and an unchanged text need not flicker.
void AfxSetWindowText(HWND hWnd, const char* pszText) {
    if (WindowText(hWnd) != pszText) ::SetWindowTextA(hWnd, pszText);
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    if (pDX->m_bFailed) return;
    HWND ctrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = WindowText(ctrl);
    else
        AfxSetWindowText(ctrl, value.c_str());
}

BOOL AfxParseUnsigned(const char* pszText, UINT& nValue) {
    char text[32];  // at most the first 31 characters are read
    lstrcpynA(text, pszText ? pszText : "", sizeof text);
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '-') return FALSE;
    const char first = *p;
    if (*p == '+') ++p;
    if (*p < '0' || *p > '9') return FALSE;
    unsigned long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + static_cast<unsigned>(*p - '0');
        if (v > 0xFFFFFFFFull) v = 0xFFFFFFFFull;  // saturate, never wrap
    }
    // A zero counts only when it was written as the digit 0, not "+0".
    if (v == 0 && first != '0') return FALSE;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != '\0') return FALSE;
    nValue = static_cast<UINT>(v);
    return TRUE;
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
    if (pDX->m_bFailed) return;
    HWND ctrl = pDX->PrepareCtrl(nIDC);
    if (!pDX->m_bSaveAndValidate) {
        char text[16];
        wsprintfA(text, "%lu", static_cast<unsigned long>(value));
        AfxSetWindowText(ctrl, text);
        return;
    }
    UINT parsed = 0;
    if (!AfxParseUnsigned(WindowText(ctrl).c_str(), parsed)) {
        AfxMessageBoxOwned(pDX->m_pDlgWnd->GetSafeHwnd(), "Please enter a positive integer.", MB_OK | MB_ICONEXCLAMATION);
        pDX->Fail();
        return;
    }
    value = parsed;
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    if (pDX->m_bFailed) return;
    HWND ctrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = ::SendMessageA(ctrl, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    else
        ::SendMessageA(ctrl, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}
