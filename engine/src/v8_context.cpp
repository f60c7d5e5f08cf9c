#include <vector>

#include "include/cef_v8.h"
#include "engine/src/v8_model.h"
#include "engine/src/v8_exception.h"

namespace mvengine {
namespace {

// The contexts entered on this thread, innermost last. Holding references
// keeps an entered context alive until its Exit.
std::vector<CefRefPtr<CefV8Context>>& EnteredContexts() {
  static thread_local std::vector<CefRefPtr<CefV8Context>> stack;
  return stack;
}

class V8Context : public CefV8Context {
 public:
  V8Context(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame)
      : browser_(browser), frame_(frame), global_(CefV8Value::CreateObject(NULL)) {}

  CefRefPtr<CefTaskRunner> GetTaskRunner() override { return NULL; }
  bool IsValid() override { return valid_; }
  CefRefPtr<CefBrowser> GetBrowser() override { return browser_; }
  CefRefPtr<CefFrame> GetFrame() override { return frame_; }
  CefRefPtr<CefV8Value> GetGlobal() override { return valid_ ? global_ : NULL; }
  bool Enter() override {
    if (!valid_)
      return false;
    EnteredContexts().push_back(this);
    return true;
  }
  bool Exit() override {
    auto& stack = EnteredContexts();
    if (stack.empty() || stack.back().get() != this)
      return false;
    stack.pop_back();
    return true;
  }
  bool IsSame(CefRefPtr<CefV8Context> that) override { return that.get() == this; }
  // The model runs no script.
  bool Eval(const CefString& code, CefRefPtr<CefV8Value>& retval, CefRefPtr<CefV8Exception>& exception) override {
    retval = NULL;
    exception = MakeV8Exception("script evaluation is not available in this context");
    return false;
  }

  void Invalidate() { valid_ = false; }

 private:
  const CefRefPtr<CefBrowser> browser_;
  const CefRefPtr<CefFrame> frame_;
  const CefRefPtr<CefV8Value> global_;
  bool valid_ = true;
  IMPLEMENT_REFCOUNTING(V8Context);
};

}  // namespace

CefRefPtr<CefV8Context> CreateV8Context(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {
  return new V8Context(browser, frame);
}

void InvalidateV8Context(CefRefPtr<CefV8Context> context) {
  if (V8Context* c = dynamic_cast<V8Context*>(context.get()))
    c->Invalidate();
}

}  // namespace mvengine

CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
  auto& stack = mvengine::EnteredContexts();
  return stack.empty() ? NULL : stack.back();
}

CefRefPtr<CefV8Context> CefV8Context::GetEnteredContext() { return GetCurrentContext(); }

bool CefV8Context::InContext() { return !mvengine::EnteredContexts().empty(); }
