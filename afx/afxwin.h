// Our thin application framework over Win32: the application object with
// its profile settings, windows, modal dialogs and dialog data exchange,
// message boxes. It carries what this program relies on and nothing more.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock.h>
#include <windows.h>

#include <string>

#include "afxres.h"

using CString = std::string;

class CWnd;
class CWinApp;

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();

// The file name of an executable without directory and extension: cut the
// path at its last '.', keep what follows the last '\', '/' or ':'.
CString AfxAppNameFromPath(const CString& path);

// Sets up the framework for the running module: instance handle and the
// application name. WinMain calls it; tests that have their own main too.
BOOL AfxWinInit(HINSTANCE hInstance);

// A modal message box captioned with the application name, owned by the
// application's main window when there is one.
int AfxMessageBox(const char* pszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The same with an explicit owner (a dialog reporting a refused entry).
int AfxMessageBoxOwned(HWND hOwner, const char* pszText, UINT nType);

class CWinApp {
public:
    explicit CWinApp(const char* pszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // FALSE means: run no message loop of our own, go straight to ExitInstance.
    virtual BOOL InitInstance();
    virtual int ExitInstance();
    virtual int Run();

    // Commands that no window handled end up here.
    virtual BOOL OnCmdMsg(UINT nID);

    // Profile settings below HKEY_CURRENT_USER\software\<key>\<application>.
    void SetRegistryKey(const char* pszRegistryKey);
    UINT GetProfileInt(const char* pszSection, const char* pszEntry, int nDefault);
    CString GetProfileString(const char* pszSection, const char* pszEntry, const char* pszDefault = nullptr);
    BOOL WriteProfileInt(const char* pszSection, const char* pszEntry, int nValue);
    BOOL WriteProfileString(const char* pszSection, const char* pszEntry, const char* pszValue);

    CWnd* m_pMainWnd = nullptr;
    CString m_strAppName;
    CString m_strRegistryKey;
    HINSTANCE m_hInstance = nullptr;

protected:
    void OnAppExit();

private:
    HKEY OpenSectionKey(const char* pszSection);
};

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(RECT* pRect) const { ::GetClientRect(m_hWnd, pRect); }
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, msg, wParam, lParam);
    }
    BOOL DestroyWindow();

    // This window's command handlers; TRUE when one ran.
    virtual BOOL OnCmdMsg(UINT nID);

    HWND m_hWnd = nullptr;

protected:
    // The framework's destroy processing.
    virtual void OnDestroy() {}
    // The last message a window gets: it is no longer the main window.
    virtual void OnNcDestroy();
};

// A table of commands and the handlers that take them, in place of a chain of
// ifs: `static const CommandEntry<CMyDlg> kCommands[] = {{IDC_X, &CMyDlg::OnX}};`
template <class T>
struct CommandEntry {
    UINT nID;
    void (T::*pfn)();
};

template <class T, size_t N>
BOOL DispatchCommand(T* self, const CommandEntry<T> (&table)[N], UINT nID) {
    for (const CommandEntry<T>& e : table) {
        if (e.nID == nID) {
            (self->*e.pfn)();
            return TRUE;
        }
    }
    return FALSE;
}

class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Creates the dialog from its template, runs it until EndDialog, destroys
    // it and returns the result (-1 when the window could not be made).
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    // FALSE: members to controls; TRUE: controls to members, stopping at the
    // first refused entry, which the exchange reports itself.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual BOOL OnPaint() { return FALSE; }            // FALSE: default painting
    virtual HCURSOR OnQueryDragIcon() { return nullptr; }
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleInitDialog();
    void RouteCommand(UINT nID);
    HWND FindOwner() const;
};

// Dialog data exchange: one DoDataExchange lists member and control pairs;
// once an entry is refused the later ones are skipped.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    HWND PrepareCtrl(int nIDC);
    // Reports nothing itself: moves the focus to the last control, selects its
    // text and marks the exchange failed.
    void Fail();

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    HWND m_hWndLastControl = nullptr;
    bool m_bFailed = false;
};

void AfxSetWindowText(HWND hWnd, const char* pszText);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);

// The reading rule of unsigned number fields: at most the first 31
// characters; blanks around; a plus sign allowed; no minus; saturates at
// 4294967295. FALSE when the entry is refused.
BOOL AfxParseUnsigned(const char* pszText, UINT& nValue);

// Keeps a window within the work area, centred on its owner when the owner
// is visible, else on the work area.
void AfxCenterWindow(HWND hWnd, HWND hOwner);
