// SimpleV8JSHandler::Execute as a page could call it: any name, any number of arguments of any
// type, on the renderer thread with the page's context entered. The handler must never raise an
// exception into the page, and uploadImg must always give an image.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "engine/runtime/scripted/scripted_runtime.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/scripted_library.h"

namespace {

const char* const kNames[] = {"uploadImg", "batchUploadImg", "initUploadIsDone", "uploadIsDone", "uploadFeedbackImg"};

CefRefPtr<CefV8Value> ValueFrom(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 9)) {
    case 0: return nullptr;
    case 1: return CefV8Value::CreateUndefined();
    case 2: return CefV8Value::CreateNull();
    case 3: return CefV8Value::CreateBool(in.ConsumeBool());
    case 4: return CefV8Value::CreateInt(in.ConsumeIntegral<int32>());
    case 5: return CefV8Value::CreateUInt(in.ConsumeIntegral<uint32>());
    case 6: {
      const double special[] = {std::nan(""), std::numeric_limits<double>::infinity(), -0.0, 1e300, 2.5};
      return CefV8Value::CreateDouble(in.ConsumeBool() ? in.PickValueInArray(special) : in.ConsumeFloatingPoint<double>());
    }
    case 7: return CefV8Value::CreateArray(in.ConsumeIntegralInRange<int>(0, 3));
    case 8: return CefV8Value::CreateObject(nullptr);
    default: return CefV8Value::CreateString(in.ConsumeRandomLengthString(512));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ScriptedLibrary& lib = fuzz::Library();
  FuzzedDataProvider in(data, size);
  mvengine::scripted::RunOnRenderer([&] {
    CefRefPtr<CefV8Context> context = lib.main_context;
    CefRefPtr<CefV8Value> function = context->GetGlobal()->GetValue("uploadImg");
    CefRefPtr<CefV8Handler> handler = function ? function->GetFunctionHandler() : nullptr;
    FUZZ_CHECK(handler);
    for (int call = 0; call < 8 && in.remaining_bytes() > 0; ++call) {
      const std::string name = in.ConsumeBool() ? in.PickValueInArray(kNames) : in.ConsumeRandomLengthString(32);
      CefV8ValueList arguments(in.ConsumeIntegralInRange<size_t>(0, 4));
      for (CefRefPtr<CefV8Value>& argument : arguments) argument = ValueFrom(in);
      CefRefPtr<CefV8Value> retval;
      CefString exception;
      context->Enter();
      const bool handled = handler->Execute(name, context->GetGlobal(), arguments, retval, exception);
      context->Exit();
      FUZZ_CHECK(exception.empty());  // pages never see an exception from the bridge
      // A screenshot call always gives an image, the placeholder at worst.
      if (name == "uploadImg" && handled)
        FUZZ_CHECK(retval && retval->IsString() && retval->GetStringValue().ToString().rfind("data:image/", 0) == 0);
    }
  });
  fuzz::Settle();
  return 0;
}
