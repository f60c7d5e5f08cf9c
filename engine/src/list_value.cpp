#include <vector>

#include "engine/src/value_slot.h"

namespace mvengine {
namespace {

class ListValue : public FreeValue<CefListValue> {
 public:
  ListValue() = default;
  explicit ListValue(std::vector<ValueSlot> items) : items_(std::move(items)) {}

  bool IsEqual(CefRefPtr<CefListValue> that) override {
    if (!that || that->GetSize() != items_.size())
      return false;
    for (size_t i = 0; i < items_.size(); ++i) {
      if (!items_[i].Equals(ValueSlot::FromValue(that->GetValue(static_cast<int>(i)))))
        return false;
    }
    return true;
  }
  CefRefPtr<CefListValue> Copy() override {
    std::vector<ValueSlot> copy;
    copy.reserve(items_.size());
    for (const ValueSlot& s : items_)
      copy.push_back(s.DeepCopy());
    return new ListValue(std::move(copy));
  }
  bool SetSize(size_t size) override {
    items_.resize(size);
    return true;
  }
  size_t GetSize() override { return items_.size(); }
  bool Clear() override {
    items_.clear();
    return true;
  }
  bool Remove(int index) override {
    if (!Has(index))
      return false;
    items_.erase(items_.begin() + index);
    return true;
  }
  CefValueType GetType(int index) override { return Has(index) ? items_[index].type : VTYPE_INVALID; }
  CefRefPtr<CefValue> GetValue(int index) override { return Has(index) ? items_[index].ToValue() : NULL; }
  bool GetBool(int index) override { return Is(index, VTYPE_BOOL) && items_[index].bool_value; }
  int GetInt(int index) override { return Is(index, VTYPE_INT) ? items_[index].int_value : 0; }
  double GetDouble(int index) override { return Is(index, VTYPE_DOUBLE) ? items_[index].double_value : 0; }
  CefString GetString(int index) override {
    return Is(index, VTYPE_STRING) ? items_[index].string_value : CefString();
  }
  CefRefPtr<CefBinaryValue> GetBinary(int index) override {
    return Is(index, VTYPE_BINARY) ? items_[index].binary : NULL;
  }
  CefRefPtr<CefDictionaryValue> GetDictionary(int index) override {
    return Is(index, VTYPE_DICTIONARY) ? items_[index].dictionary : NULL;
  }
  CefRefPtr<CefListValue> GetList(int index) override {
    return Is(index, VTYPE_LIST) ? items_[index].list : NULL;
  }
  bool SetValue(int index, CefRefPtr<CefValue> value) override {
    return value && Store(index, ValueSlot::FromValue(value));
  }
  bool SetNull(int index) override { return Store(index, ValueSlot::Null()); }
  bool SetBool(int index, bool value) override { return Store(index, ValueSlot::Bool(value)); }
  bool SetInt(int index, int value) override { return Store(index, ValueSlot::Int(value)); }
  bool SetDouble(int index, double value) override { return Store(index, ValueSlot::Double(value)); }
  bool SetString(int index, const CefString& value) override { return Store(index, ValueSlot::String(value)); }
  bool SetBinary(int index, CefRefPtr<CefBinaryValue> value) override {
    return value && Store(index, ValueSlot::Binary(value));
  }
  bool SetDictionary(int index, CefRefPtr<CefDictionaryValue> value) override {
    return value && Store(index, ValueSlot::Dictionary(value));
  }
  bool SetList(int index, CefRefPtr<CefListValue> value) override {
    // A list cannot contain itself.
    return value && value.get() != this && Store(index, ValueSlot::List(value));
  }

 private:
  bool Has(int index) const { return index >= 0 && static_cast<size_t>(index) < items_.size(); }
  bool Is(int index, CefValueType type) const { return Has(index) && items_[index].type == type; }
  // Past the end grows the list; the gap holds nulls.
  bool Store(int index, ValueSlot slot) {
    if (index < 0)
      return false;
    if (static_cast<size_t>(index) >= items_.size())
      items_.resize(static_cast<size_t>(index) + 1);
    items_[index] = std::move(slot);
    return true;
  }

  std::vector<ValueSlot> items_;
  IMPLEMENT_REFCOUNTING(ListValue);
};

}  // namespace
}  // namespace mvengine

CefRefPtr<CefListValue> CefListValue::Create() { return new mvengine::ListValue(); }
