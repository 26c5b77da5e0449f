// The program's entry point: the application object's life as the
// framework runs it.
#include "afxsock.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (!app || !AfxWinInit(hInstance)) return -1;
    int exitCode;
    if (app->InitInstance()) {
        exitCode = app->Run();
    } else {
        // A main window still registered here is asked to go away before the
        // application exits.
        if (app->m_pMainWnd && app->m_pMainWnd->GetSafeHwnd()) app->m_pMainWnd->DestroyWindow();
        app->m_pMainWnd = nullptr;
        exitCode = app->ExitInstance();
    }
    AfxSocketTerm();
    return exitCode;
}
