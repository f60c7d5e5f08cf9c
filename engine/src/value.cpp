#include "engine/src/value_slot.h"

namespace mvengine {
namespace {

class Value : public FreeValue<CefValue> {
 public:
  bool IsEqual(CefRefPtr<CefValue> that) override { return that && slot_.Equals(ValueSlot::FromValue(that)); }
  CefRefPtr<CefValue> Copy() override { return slot_.DeepCopy().ToValue(); }
  CefValueType GetType() override { return slot_.type; }
  bool GetBool() override { return slot_.type == VTYPE_BOOL && slot_.bool_value; }
  int GetInt() override { return slot_.type == VTYPE_INT ? slot_.int_value : 0; }
  double GetDouble() override { return slot_.type == VTYPE_DOUBLE ? slot_.double_value : 0; }
  CefString GetString() override { return slot_.type == VTYPE_STRING ? slot_.string_value : CefString(); }
  CefRefPtr<CefBinaryValue> GetBinary() override { return slot_.binary; }
  CefRefPtr<CefDictionaryValue> GetDictionary() override { return slot_.dictionary; }
  CefRefPtr<CefListValue> GetList() override { return slot_.list; }
  bool SetNull() override { return Store(ValueSlot::Null()); }
  bool SetBool(bool value) override { return Store(ValueSlot::Bool(value)); }
  bool SetInt(int value) override { return Store(ValueSlot::Int(value)); }
  bool SetDouble(double value) override { return Store(ValueSlot::Double(value)); }
  bool SetString(const CefString& value) override { return Store(ValueSlot::String(value)); }
  bool SetBinary(CefRefPtr<CefBinaryValue> value) override { return value && Store(ValueSlot::Binary(value)); }
  bool SetDictionary(CefRefPtr<CefDictionaryValue> value) override {
    return value && Store(ValueSlot::Dictionary(value));
  }
  bool SetList(CefRefPtr<CefListValue> value) override { return value && Store(ValueSlot::List(value)); }

 private:
  bool Store(ValueSlot slot) {
    slot_ = std::move(slot);
    return true;
  }

  ValueSlot slot_;
  IMPLEMENT_REFCOUNTING(Value);
};

}  // namespace
}  // namespace mvengine

CefRefPtr<CefValue> CefValue::Create() { return new mvengine::Value(); }
