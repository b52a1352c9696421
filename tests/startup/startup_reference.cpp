// The floor for start-up time: a GUI program that does nothing but show the
// same message box as ZavoUpdate.exe, built with the same toolchain and
// link options. Built with WITH_SETUPAPI it also imports setupapi.dll, as the
// product does, so that the cost of loading that DLL and its dependencies can
// be told apart from the cost of the update itself.
#include <windows.h>
#ifdef WITH_SETUPAPI
#include <setupapi.h>
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
#ifdef WITH_SETUPAPI
  // Never true when started without arguments; the call only makes the
  // linker keep the import.
  if (command_line[0] == '\x01')
    SetupCopyOEMInfA(command_line, nullptr, SPOST_NONE, 0, nullptr, 0, nullptr, nullptr);
#else
  (void)command_line;
#endif
  MessageBoxA(nullptr, "Update finished successfully.", "Zavo USB Driver Update", MB_OK);
  return 0;
}
