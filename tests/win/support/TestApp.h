// The application object of the link tests: the real link manager, with
// allocation failures that a test can ask for.
#pragma once

#include "LinkManager.h"

class CTestApp : public CLinkManager {
public:
    // Index of the endpoint allocation that fails (0: acquisition,
    // 1: control), or -1.
    int m_nFailAllocation = -1;
    int m_nAllocations = 0;

    DWORD_PTR Connection() const { return m_dwConnection; }

protected:
    CLinkSocket* NewLinkSocket() override {
        if (m_nAllocations++ == m_nFailAllocation) {
            ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        return CLinkManager::NewLinkSocket();
    }
};

CTestApp& TestApp();
