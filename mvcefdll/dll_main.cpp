// Loading and unloading the library do no work of their own: the library-wide state is built on
// first use and released with the library.
#if defined(_WIN32)
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
