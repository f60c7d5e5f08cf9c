// One typed slot of a list or dictionary. Containers own their children:
// setting a child stores a deep copy, getting one returns the stored object.
#pragma once

#include "include/cef_values.h"

namespace mvengine {

struct ValueSlot {
  CefValueType type = VTYPE_NULL;
  bool bool_value = false;
  int int_value = 0;
  double double_value = 0;
  CefString string_value;
  CefRefPtr<CefBinaryValue> binary;
  CefRefPtr<CefDictionaryValue> dictionary;
  CefRefPtr<CefListValue> list;

  static ValueSlot Null();
  static ValueSlot Bool(bool v);
  static ValueSlot Int(int v);
  static ValueSlot Double(double v);
  static ValueSlot String(const CefString& v);
  // NULL children give a null slot.
  static ValueSlot Binary(CefRefPtr<CefBinaryValue> v);
  static ValueSlot Dictionary(CefRefPtr<CefDictionaryValue> v);
  static ValueSlot List(CefRefPtr<CefListValue> v);
  static ValueSlot FromValue(CefRefPtr<CefValue> v);

  ValueSlot DeepCopy() const;
  bool Equals(const ValueSlot& other) const;
  CefRefPtr<CefValue> ToValue() const;
};

// What every value, list and dictionary object here is for its whole life: valid, owned by no
// container and writable. `Interface` is the engine interface it implements.
template <class Interface>
class FreeValue : public Interface {
 public:
  bool IsValid() override { return true; }
  bool IsOwned() override { return false; }
  bool IsReadOnly() override { return false; }
  bool IsSame(CefRefPtr<Interface> that) override { return that.get() == this; }
};

}  // namespace mvengine
