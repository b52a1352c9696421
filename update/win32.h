// The program's one door to Win32. Windows builds get the system headers;
// the host build gets the test stand-in, which declares the same names.
#pragma once

#ifdef _WIN32
#include <windows.h>
// After windows.h, whose types it uses.
#include <setupapi.h>
#else
#include "win32_standin.h"
#endif
