#include "engine/src/v8_exception.h"

namespace mvengine {
namespace {

// Only the message is known: the model runs no script, so there is no source
// position.
class V8Exception : public CefV8Exception {
 public:
  explicit V8Exception(const CefString& message) : message_(message) {}

  CefString GetMessage() override { return message_; }
  CefString GetSourceLine() override { return CefString(); }
  CefString GetScriptResourceName() override { return CefString(); }
  int GetLineNumber() override { return 0; }
  int GetStartPosition() override { return 0; }
  int GetEndPosition() override { return 0; }
  int GetStartColumn() override { return 0; }
  int GetEndColumn() override { return 0; }

 private:
  const CefString message_;
  IMPLEMENT_REFCOUNTING(V8Exception);
};

}  // namespace

CefRefPtr<CefV8Exception> MakeV8Exception(const CefString& message) { return new V8Exception(message); }

}  // namespace mvengine
