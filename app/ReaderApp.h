// The application object: start-up, the main window's modal run, shut-down.
#pragma once

#include "LinkManager.h"

class CReaderApp : public CLinkManager {
public:
    CReaderApp();

    // Always FALSE: the main window's modal run is the whole program.
    BOOL InitInstance() override;
    int ExitInstance() override;
};
