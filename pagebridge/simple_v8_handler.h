// Serves the functions the page bridge installs on every window. Runs on the renderer thread; the
// only state it touches is the upload-status book it shares with the application object.
#pragma once

#include <memory>

#include "include/cef_v8.h"
#include "pagebridge/upload_status.h"

class SimpleV8JSHandler : public CefV8Handler {
 public:
  explicit SimpleV8JSHandler(std::shared_ptr<mvcef::UploadStatusBook> book = nullptr)
      : book_(book ? std::move(book) : std::make_shared<mvcef::UploadStatusBook>()) {}

  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString& exception) OVERRIDE;

 private:
  const std::shared_ptr<mvcef::UploadStatusBook> book_;

  IMPLEMENT_REFCOUNTING(SimpleV8JSHandler);
};
