#include "engine/src/value_slot.h"

#include <utility>

namespace mvengine {

namespace {

// A slot of `type` whose one value is `value`, in `field`.
template <class T>
ValueSlot Holding(CefValueType type, T ValueSlot::*field, T value) {
  ValueSlot s;
  s.type = type;
  s.*field = std::move(value);
  return s;
}

}  // namespace

ValueSlot ValueSlot::Null() { return ValueSlot(); }
ValueSlot ValueSlot::Bool(bool v) { return Holding(VTYPE_BOOL, &ValueSlot::bool_value, v); }
ValueSlot ValueSlot::Int(int v) { return Holding(VTYPE_INT, &ValueSlot::int_value, v); }
ValueSlot ValueSlot::Double(double v) { return Holding(VTYPE_DOUBLE, &ValueSlot::double_value, v); }
ValueSlot ValueSlot::String(const CefString& v) { return Holding(VTYPE_STRING, &ValueSlot::string_value, v); }

// Containers take a copy; a null one gives a null slot.
ValueSlot ValueSlot::Binary(CefRefPtr<CefBinaryValue> v) {
  return v ? Holding(VTYPE_BINARY, &ValueSlot::binary, v->Copy()) : Null();
}

ValueSlot ValueSlot::Dictionary(CefRefPtr<CefDictionaryValue> v) {
  return v ? Holding(VTYPE_DICTIONARY, &ValueSlot::dictionary, v->Copy(false)) : Null();
}

ValueSlot ValueSlot::List(CefRefPtr<CefListValue> v) {
  return v ? Holding(VTYPE_LIST, &ValueSlot::list, v->Copy()) : Null();
}

ValueSlot ValueSlot::FromValue(CefRefPtr<CefValue> v) {
  if (!v)
    return Null();
  switch (v->GetType()) {
    case VTYPE_BOOL:
      return Bool(v->GetBool());
    case VTYPE_INT:
      return Int(v->GetInt());
    case VTYPE_DOUBLE:
      return Double(v->GetDouble());
    case VTYPE_STRING:
      return String(v->GetString());
    case VTYPE_BINARY:
      return Binary(v->GetBinary());
    case VTYPE_DICTIONARY:
      return Dictionary(v->GetDictionary());
    case VTYPE_LIST:
      return List(v->GetList());
    default:
      return Null();
  }
}

ValueSlot ValueSlot::DeepCopy() const {
  switch (type) {
    case VTYPE_BINARY:
      return Binary(binary);
    case VTYPE_DICTIONARY:
      return Dictionary(dictionary);
    case VTYPE_LIST:
      return List(list);
    default:
      return *this;
  }
}

bool ValueSlot::Equals(const ValueSlot& other) const {
  if (type != other.type)
    return false;
  switch (type) {
    case VTYPE_BOOL:
      return bool_value == other.bool_value;
    case VTYPE_INT:
      return int_value == other.int_value;
    case VTYPE_DOUBLE:
      return double_value == other.double_value;
    case VTYPE_STRING:
      return string_value == other.string_value;
    case VTYPE_BINARY:
      return binary->IsEqual(other.binary);
    case VTYPE_DICTIONARY:
      return dictionary->IsEqual(other.dictionary);
    case VTYPE_LIST:
      return list->IsEqual(other.list);
    default:
      return true;
  }
}

CefRefPtr<CefValue> ValueSlot::ToValue() const {
  CefRefPtr<CefValue> v = CefValue::Create();
  switch (type) {
    case VTYPE_BOOL:
      v->SetBool(bool_value);
      break;
    case VTYPE_INT:
      v->SetInt(int_value);
      break;
    case VTYPE_DOUBLE:
      v->SetDouble(double_value);
      break;
    case VTYPE_STRING:
      v->SetString(string_value);
      break;
    case VTYPE_BINARY:
      v->SetBinary(binary);
      break;
    case VTYPE_DICTIONARY:
      v->SetDictionary(dictionary);
      break;
    case VTYPE_LIST:
      v->SetList(list);
      break;
    default:
      v->SetNull();
      break;
  }
  return v;
}

}  // namespace mvengine
