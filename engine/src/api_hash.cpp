#include <atomic>

#include "include/internal/cef_api_check.h"
#include "engine/src/runtime.h"

namespace mvengine {
namespace {

std::atomic<const char*> g_hash_override{nullptr};

}  // namespace

void SetApiHashOverride(const char* hash) { g_hash_override.store(hash); }

}  // namespace mvengine

extern "C" CEF_EXPORT const char* cef_api_hash(int entry) {
  switch (entry) {
    case 0: {
      const char* override_hash = mvengine::g_hash_override.load();
      return override_hash ? override_hash : CEF_API_HASH_PLATFORM;
    }
    case 1:
      return CEF_API_HASH_UNIVERSAL;
    case 2:
      return "b90a3be1860b0647e8a62c218ff7c054390365b1";
    default:
      return NULL;
  }
}
