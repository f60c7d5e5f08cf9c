// What reaches the host's buffers: queued page texts of any UTF-16 content taken with
// fnmvPackCefDllGetMsg (null buffers included), and page texts read with fnmvPackCefDLLGetSource
// at any size. Nothing may be written past the size given; what is written is NUL-terminated,
// well-formed UTF-8; a text is delivered whole or kept.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "include/cef_process_message.h"
#include "mvcefdll/mvcefdll.h"
#include "engine/runtime/scripted/scripted_runtime.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/scripted_library.h"
#include "tests/fuzz/utf8_check.h"

namespace {

namespace scripted = mvengine::scripted;

constexpr char kGuard = 0x5A;
constexpr size_t kGuardBytes = 32;

CefString Utf16From(FuzzedDataProvider& in, size_t max_units) {
  std::u16string units(in.ConsumeIntegralInRange<size_t>(0, max_units), u'a');
  for (char16_t& u : units) u = in.ConsumeBool() ? static_cast<char16_t>(in.ConsumeIntegralInRange<int>(0x20, 0x7E))
                                                 : in.ConsumeIntegral<char16_t>();
  return CefString(reinterpret_cast<const char16*>(units.data()), units.size(), true);
}

// A written buffer: untouched past `size` bytes, NUL within them, UTF-8 before the NUL.
size_t CheckWritten(const std::vector<char>& buffer, size_t size) {
  for (size_t i = size; i < buffer.size(); ++i) FUZZ_CHECK(buffer[i] == kGuard);
  const void* nul = std::memchr(buffer.data(), '\0', size);
  FUZZ_CHECK(nul != nullptr);
  const size_t length = static_cast<const char*>(nul) - buffer.data();
  FUZZ_CHECK(fuzz::IsUtf8(reinterpret_cast<const unsigned char*>(buffer.data()), length));
  return length;
}

void TakeMessage(FuzzedDataProvider& in) {
  std::vector<char> name(256 + kGuardBytes, kGuard), value(256 + kGuardBytes, kGuard);
  const bool null_name = in.ConsumeIntegralInRange<int>(0, 7) == 0, null_value = in.ConsumeIntegralInRange<int>(0, 7) == 0;
  const bool was_dirty = fnmvPackCefDllIsDirty();
  fnmvPackCefDllGetMsg(null_name ? nullptr : name.data(), null_value ? nullptr : value.data());
  if (null_name || null_value || !was_dirty) {
    for (char c : name) FUZZ_CHECK(c == kGuard);
    for (char c : value) FUZZ_CHECK(c == kGuard);
    FUZZ_CHECK(fnmvPackCefDllIsDirty() == was_dirty);  // nothing taken without both buffers
    return;
  }
  FUZZ_CHECK(std::string(name.data(), CheckWritten(name, 256)) == "batchUploadImg");
  CheckWritten(value, 256);
}

void ReadText(FuzzedDataProvider& in) {
  int size = in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(-4, 4000) : in.ConsumeIntegral<int>();
  const bool null_buffer = in.ConsumeIntegralInRange<int>(0, 3) == 0;
  if (size > 8000) size = 8000;  // the buffer below is as large as the size claims
  const int given = size;
  std::vector<char> buffer(static_cast<size_t>(given > 0 ? given : 0) + kGuardBytes, kGuard);
  int query = 0;
  const bool held = fnmvPackCefDLLGetSource(nullptr, &query);
  const bool read = fnmvPackCefDLLGetSource(null_buffer ? nullptr : buffer.data(), &size);
  if (null_buffer || given < 1) {
    for (char c : buffer) FUZZ_CHECK(c == kGuard);
    FUZZ_CHECK(read == held && (!held || size == query));
    return;
  }
  if (!held) {
    FUZZ_CHECK(!read && size == given);
    for (char c : buffer) FUZZ_CHECK(c == kGuard);
    return;
  }
  CheckWritten(buffer, static_cast<size_t>(given));
  if (read) {
    // Whole: the text (which may hold U+0000 itself) and its NUL fill exactly the size announced.
    FUZZ_CHECK(query <= given && buffer[query - 1] == '\0');
    FUZZ_CHECK(fuzz::IsUtf8(reinterpret_cast<const unsigned char*>(buffer.data()), query - 1));
    int again = 0;
    FUZZ_CHECK(!fnmvPackCefDLLGetSource(nullptr, &again));  // and taken
  } else {
    FUZZ_CHECK(given < query && size == query);  // too small: told what it needs, text kept
    int again = 0;
    FUZZ_CHECK(fnmvPackCefDLLGetSource(nullptr, &again) && again == query);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ScriptedLibrary& lib = fuzz::Library();
  FuzzedDataProvider in(data, size);
  for (int step = 0; step < 32 && in.remaining_bytes() > 0; ++step) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
      case 0: {
        CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("msg_BatchUploadImg");
        message->GetArgumentList()->SetString(0, Utf16From(in, 600));
        scripted::DeliverToBrowser(lib.engine_browser, message);
        break;
      }
      case 1:
        scripted::SetPageText(lib.engine_browser, Utf16From(in, 1100));
        scripted::LoadEnd(lib.engine_browser);
        scripted::WaitIdle();  // the text has been captured
        break;
      case 2: TakeMessage(in); break;
      default: ReadText(in); break;
    }
  }
  char field[2][256];
  while (fnmvPackCefDllIsDirty()) fnmvPackCefDllGetMsg(field[0], field[1]);
  int drained = 0;
  if (fnmvPackCefDLLGetSource(nullptr, &drained)) {
    std::vector<char> text(static_cast<size_t>(drained));
    fnmvPackCefDLLGetSource(text.data(), &drained);
  }
  fuzz::Settle();
  return 0;
}
