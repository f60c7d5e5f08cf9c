#ifndef CEF_INCLUDE_CEF_DOM_H_
#define CEF_INCLUDE_CEF_DOM_H_
#pragma once

#include "include/cef_base.h"

class CefDOMDocument;

// DOM access is not offered by this engine; the types exist for signatures.
class CefDOMVisitor : public virtual CefBase {
 public:
  virtual void Visit(CefRefPtr<CefDOMDocument> document) = 0;
};

class CefDOMNode : public virtual CefBase {
 public:
  typedef cef_dom_node_type_t Type;
  virtual Type GetType() { return DOM_NODE_TYPE_UNSUPPORTED; }
  virtual bool IsEditable() { return false; }
};

class CefDOMDocument : public virtual CefBase {
 public:
  virtual CefRefPtr<CefDOMNode> GetDocument() { return NULL; }
};

#endif  // CEF_INCLUDE_CEF_DOM_H_
