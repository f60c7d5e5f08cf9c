// Process messages as a broken or hostile render process (or browser side) could send them: the
// four names, near misses and anything else, with missing, extra and mistyped arguments, to both
// SimpleHandler::OnProcessMessageReceived and SimpleApp::OnProcessMessageReceived.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "include/cef_process_message.h"
#include "mvcefdll/mvcefdll.h"
#include "engine/runtime/scripted/scripted_runtime.h"
#include "pagebridge/process_messages.h"
#include "tests/fuzz/scripted_library.h"

namespace {

namespace scripted = mvengine::scripted;

const char* const kNames[] = {"msg_BatchUploadImg", "msg_InitUploadIsDone", "msg_InitUploadIsDoneEx",
                              "SetUploadIsDone",    "msg_batchuploadimg",   "msg_InitUploadIsDoneExx",
                              "",                   "msg_"};

void SetArgument(FuzzedDataProvider& in, CefRefPtr<CefListValue> args, size_t index, int64 main_frame) {
  switch (in.ConsumeIntegralInRange<int>(0, 8)) {
    case 0: args->SetNull(index); break;
    case 1: args->SetBool(index, in.ConsumeBool()); break;
    case 2: args->SetInt(index, in.ConsumeIntegral<int>()); break;
    case 3: {
      // Often the real main frame's halves, so that replies reach a context.
      int32_t low = 0, high = 0;
      mvcef::SplitFrameId(main_frame, &low, &high);
      args->SetInt(index, index % 2 ? high : low);
      break;
    }
    case 4: args->SetDouble(index, in.ConsumeFloatingPoint<double>()); break;
    case 5: args->SetString(index, in.ConsumeRandomLengthString(300)); break;
    case 6: args->SetList(index, CefListValue::Create()); break;
    case 7: args->SetDictionary(index, CefDictionaryValue::Create()); break;
    default: break;  // a gap
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ScriptedLibrary& lib = fuzz::Library();
  const int64 main_frame = scripted::MainFrameId(lib.engine_browser);
  FuzzedDataProvider in(data, size);
  for (int step = 0; step < 16 && in.remaining_bytes() > 0; ++step) {
    const std::string name = in.ConsumeBool() ? in.PickValueInArray(kNames) : in.ConsumeRandomLengthString(40);
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    const size_t count = in.ConsumeIntegralInRange<size_t>(0, 5);
    for (size_t i = 0; i < count; ++i) SetArgument(in, args, i, main_frame);
    if (in.ConsumeBool()) {
      scripted::DeliverToBrowser(lib.engine_browser, message);
    } else {
      scripted::DeliverToRenderer(lib.engine_browser, message);
    }
    if (in.ConsumeBool()) fnmvPackCefDllSetUploadIsDone(in.ConsumeBool());
  }
  char field[2][256];
  while (fnmvPackCefDllIsDirty()) fnmvPackCefDllGetMsg(field[0], field[1]);
  fuzz::Settle();
  return 0;
}
