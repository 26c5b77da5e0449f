#include <gtest/gtest.h>

#include "Settings.h"
#include "TestApp.h"

namespace {
CTestApp theApp;
}

CTestApp& TestApp() { return theApp; }

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!AfxWinInit(GetModuleHandleA(nullptr))) return 3;
    theApp.SetRegistryKey(settings::kMakerKey);
    if (!AfxSocketInit()) return 4;
    return RUN_ALL_TESTS();
}
