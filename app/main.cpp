// The one application object of MdbReader.exe.
#include "ReaderApp.h"

CReaderApp theApp;
