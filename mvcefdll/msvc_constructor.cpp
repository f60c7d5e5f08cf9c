// The constructor as a Microsoft-compiled caller sees it: this arrives in ECX (RCX on x64) and
// must come back in EAX (RAX), which GCC's own constructor does not do.
#include <new>

#include "mvcefdll/mvcefdll.h"

#if defined(__i386__)
#define MVCEF_THISCALL __attribute__((thiscall))
#else
#define MVCEF_THISCALL
#endif

extern "C" MVCEF_THISCALL CmvPackCefDll* mvcef_msvc_construct(void* self) {
  return new (self) CmvPackCefDll();
}
