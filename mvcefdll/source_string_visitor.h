// Receives the main frame's display text at load end. It holds its handler, so a text that
// arrives after the host closed the browser still lands in a live object.
#pragma once

#include "include/cef_string_visitor.h"
#include "mvcefdll/simple_handler.h"

class SourceStringVistor : public CefStringVisitor {
 public:
  explicit SourceStringVistor(CefRefPtr<SimpleHandler> handler) : handler_(handler) {}

  void Visit(const CefString& string) OVERRIDE;

 private:
  CefRefPtr<SimpleHandler> handler_;

  IMPLEMENT_REFCOUNTING(SourceStringVistor);
};
