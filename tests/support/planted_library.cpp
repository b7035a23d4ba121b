// A version.dll that is not the system's: a test puts it beside a copy of a
// program, and the program must never load it. Loaded, it leaves a file
// "planted-loaded.txt" beside itself; it exports what programs take from the
// real one, so that a program that does load it still starts.
#include <windows.h>

extern "C" {
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(const wchar_t*, DWORD*) {
  return 0;
}
__declspec(dllexport) BOOL WINAPI GetFileVersionInfoW(const wchar_t*, DWORD, DWORD, void*) {
  return FALSE;
}
__declspec(dllexport) BOOL WINAPI VerQueryValueW(const void*, const wchar_t*, void**, UINT*) {
  return FALSE;
}
__declspec(dllexport) DWORD WINAPI VerLanguageNameW(DWORD, wchar_t*, DWORD) {
  return 0;
}
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 32] = {};
  DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  while (length > 0 && path[length - 1] != L'\\') --length;
  lstrcpyW(path + length, L"planted-loaded.txt");
  HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  return TRUE;
}
