/* A small 32-bit Windows library for the loader tests: named exports, one
   export by ordinal only, a few imports, and an entry point. */
#include <windows.h>
#include <string.h>

static int attached;
static const char* greeting = "hello";  /* an absolute address: relocated */

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) attached = (int)GetTickCount() | 1;
  return TRUE;
}

int SkinH_AttachRes(const void* data, unsigned length, const char* text, int a, int b, int c) {
  return data && length && !text ? attached + a + b + c : 0;
}

int __stdcall Sum3(int a, int b, int c) { return a + b + c; }

size_t GreetingLength(void) { return strlen(greeting); }

int HiddenByOrdinal(void) { return 7; }
