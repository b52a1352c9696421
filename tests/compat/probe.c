/* A minimal GUI program, built in variants that each carry one fault the
   image check must catch. Without PROBE_* macros it imports only what the
   product's start-up code and its message box import, and passes. */
#include <windows.h>
#ifdef PROBE_EXTRA_DLL
#include <shellapi.h>
#endif

#ifdef PROBE_LC_CODEPAGE
/* Newer C runtimes export this; the build links it from msvcrt.dll directly. */
unsigned int __cdecl ___lc_codepage_func(void);
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  unsigned int value = 0;
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)show;
#ifdef PROBE_TICK_COUNT_64
  value += (unsigned int)GetTickCount64();
#endif
#ifdef PROBE_LC_CODEPAGE
  value += ___lc_codepage_func();
#endif
#ifdef PROBE_EXTRA_DLL
  value += (unsigned int)(UINT_PTR)ShellExecuteA(NULL, "open", "probe", NULL, NULL, SW_SHOW);
#endif
  MessageBoxA(NULL, value != 0 ? "1" : "0", "probe", MB_OK);
  return 0;
}
