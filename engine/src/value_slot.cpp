#include "engine/src/value_slot.h"

namespace mvengine {

ValueSlot ValueSlot::Null() { return ValueSlot(); }

ValueSlot ValueSlot::Bool(bool v) {
  ValueSlot s;
  s.type = VTYPE_BOOL;
  s.bool_value = v;
  return s;
}

ValueSlot ValueSlot::Int(int v) {
  ValueSlot s;
  s.type = VTYPE_INT;
  s.int_value = v;
  return s;
}

ValueSlot ValueSlot::Double(double v) {
  ValueSlot s;
  s.type = VTYPE_DOUBLE;
  s.double_value = v;
  return s;
}

ValueSlot ValueSlot::String(const CefString& v) {
  ValueSlot s;
  s.type = VTYPE_STRING;
  s.string_value = v;
  return s;
}

ValueSlot ValueSlot::Binary(CefRefPtr<CefBinaryValue> v) {
  ValueSlot s;
  if (v) {
    s.type = VTYPE_BINARY;
    s.binary = v->Copy();
  }
  return s;
}

ValueSlot ValueSlot::Dictionary(CefRefPtr<CefDictionaryValue> v) {
  ValueSlot s;
  if (v) {
    s.type = VTYPE_DICTIONARY;
    s.dictionary = v->Copy(false);
  }
  return s;
}

ValueSlot ValueSlot::List(CefRefPtr<CefListValue> v) {
  ValueSlot s;
  if (v) {
    s.type = VTYPE_LIST;
    s.list = v->Copy();
  }
  return s;
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
