#include "include/cef_process_message.h"

namespace mvengine {
namespace {

class ProcessMessage : public CefProcessMessage {
 public:
  ProcessMessage(const CefString& name, CefRefPtr<CefListValue> args) : name_(name), args_(args) {}

  bool IsValid() override { return true; }
  bool IsReadOnly() override { return false; }
  // Deep: the copy shares nothing with this message.
  CefRefPtr<CefProcessMessage> Copy() override { return new ProcessMessage(name_, args_->Copy()); }
  CefString GetName() override { return name_; }
  CefRefPtr<CefListValue> GetArgumentList() override { return args_; }

 private:
  const CefString name_;
  const CefRefPtr<CefListValue> args_;
  IMPLEMENT_REFCOUNTING(ProcessMessage);
};

}  // namespace
}  // namespace mvengine

CefRefPtr<CefProcessMessage> CefProcessMessage::Create(const CefString& name) {
  return new mvengine::ProcessMessage(name, CefListValue::Create());
}
