/* A library with no imports and no C run time: its own entry point. */
#include <windows.h>

BOOL WINAPI TinyEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reserved;
  return reason == DLL_PROCESS_ATTACH || reason == DLL_PROCESS_DETACH;
}

__declspec(dllexport) int Twice(int v) { return 2 * v; }
__declspec(dllexport) int Thrice(int v) { return 3 * v; }
