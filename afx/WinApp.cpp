#include "afxwin.h"

#include <vector>

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp* AfxGetApp() { return g_pApp; }

HINSTANCE AfxGetInstanceHandle() {
    return g_pApp && g_pApp->m_hInstance ? g_pApp->m_hInstance : ::GetModuleHandleA(nullptr);
}

CString AfxAppNameFromPath(const CString& path) {
    CString name = path.substr(0, path.rfind('.'));
    const size_t sep = name.find_last_of("\\/:");
    if (sep != CString::npos) name.erase(0, sep + 1);
    return name;
}

BOOL AfxWinInit(HINSTANCE hInstance) {
    CWinApp* app = AfxGetApp();
    if (!app) return FALSE;
    app->m_hInstance = hInstance;
    if (app->m_strAppName.empty()) {
        char path[MAX_PATH * 2];
        const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
        if (n == 0 || n >= sizeof path) return FALSE;
        app->m_strAppName = AfxAppNameFromPath(CString(path, n));
    }
    return TRUE;
}

int AfxMessageBoxOwned(HWND hOwner, const char* pszText, UINT nType) {
    CWinApp* app = AfxGetApp();
    const char* caption = app ? app->m_strAppName.c_str() : "";
    return ::MessageBoxA(hOwner, pszText, caption, nType);
}

int AfxMessageBox(const char* pszText, UINT nType, UINT /*nIDHelp*/) {
    CWinApp* app = AfxGetApp();
    HWND owner = nullptr;
    if (app && app->m_pMainWnd) owner = app->m_pMainWnd->GetSafeHwnd();
    return AfxMessageBoxOwned(owner, pszText, nType);
}

CWinApp::CWinApp(const char* pszAppName) {
    if (pszAppName) m_strAppName = pszAppName;
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return ExitInstance();
}

BOOL CWinApp::OnCmdMsg(UINT nID) {
    if (nID == ID_APP_EXIT) {
        OnAppExit();
        return TRUE;
    }
    return FALSE;  // ID_HELP and the rest: no help file, nothing to do
}

void CWinApp::OnAppExit() {
    if (m_pMainWnd && m_pMainWnd->GetSafeHwnd()) ::SendMessageA(m_pMainWnd->GetSafeHwnd(), WM_CLOSE, 0, 0);
}

// ---------------------------------------------------------------------------
// Profile settings. The key chain is opened afresh for every read and write
// and closed again; nothing is cached, so another process's change is seen
// by the next read.

void CWinApp::SetRegistryKey(const char* pszRegistryKey) { m_strRegistryKey = pszRegistryKey ? pszRegistryKey : ""; }

namespace {
HKEY CreateSubKey(HKEY parent, const char* name) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key,
                          &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}
}  // namespace

HKEY CWinApp::OpenSectionKey(const char* pszSection) {
    if (m_strRegistryKey.empty() || m_strAppName.empty() || !pszSection) return nullptr;
    // "software" is the user's own and is never created here.
    HKEY software = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, KEY_READ | KEY_WRITE, &software) != ERROR_SUCCESS)
        return nullptr;
    HKEY maker = CreateSubKey(software, m_strRegistryKey.c_str());
    HKEY app = maker ? CreateSubKey(maker, m_strAppName.c_str()) : nullptr;
    if (maker) ::RegCloseKey(maker);
    ::RegCloseKey(software);
    if (!app) return nullptr;
    HKEY section = CreateSubKey(app, pszSection);
    ::RegCloseKey(app);
    return section;
}

UINT CWinApp::GetProfileInt(const char* pszSection, const char* pszEntry, int nDefault) {
    HKEY key = OpenSectionKey(pszSection);
    if (!key) return static_cast<UINT>(nDefault);
    // Four bytes whatever the value's type; shorter data leaves the high bytes 0.
    BYTE data[4] = {0, 0, 0, 0};
    DWORD size = sizeof data;
    DWORD type = 0;
    const LONG rc = ::RegQueryValueExA(key, pszEntry, nullptr, &type, data, &size);
    ::RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return static_cast<UINT>(nDefault);
    return static_cast<UINT>(data[0]) | static_cast<UINT>(data[1]) << 8 | static_cast<UINT>(data[2]) << 16 |
           static_cast<UINT>(data[3]) << 24;
}

CString CWinApp::GetProfileString(const char* pszSection, const char* pszEntry, const char* pszDefault) {
    const CString fallback = pszDefault ? pszDefault : "";
    HKEY key = OpenSectionKey(pszSection);
    if (!key) return fallback;
    DWORD type = 0;
    DWORD size = 0;
    LONG rc = ::RegQueryValueExA(key, pszEntry, nullptr, &type, nullptr, &size);
    CString result = fallback;
    if (rc == ERROR_SUCCESS) {
        std::vector<BYTE> data(size + 1, 0);  // one zero byte beyond what is stored
        DWORD got = size;
        rc = ::RegQueryValueExA(key, pszEntry, nullptr, &type, data.data(), &got);
        if (rc == ERROR_SUCCESS) result = reinterpret_cast<const char*>(data.data());
    }
    ::RegCloseKey(key);
    return result;
}

BOOL CWinApp::WriteProfileInt(const char* pszSection, const char* pszEntry, int nValue) {
    HKEY key = OpenSectionKey(pszSection);
    if (!key) return FALSE;
    const DWORD value = static_cast<DWORD>(nValue);
    const LONG rc = ::RegSetValueExA(key, pszEntry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

BOOL CWinApp::WriteProfileString(const char* pszSection, const char* pszEntry, const char* pszValue) {
    HKEY key = OpenSectionKey(pszSection);
    if (!key) return FALSE;
    const char* text = pszValue ? pszValue : "";
    const LONG rc = ::RegSetValueExA(key, pszEntry, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                     static_cast<DWORD>(lstrlenA(text) + 1));
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}
