#include <utility>
#include <vector>

#include "engine/src/value_slot.h"

namespace mvengine {
namespace {

// Keys keep their insertion order.
class DictionaryValue : public FreeValue<CefDictionaryValue> {
 public:
  typedef std::vector<std::pair<CefString, ValueSlot>> Entries;

  DictionaryValue() = default;
  explicit DictionaryValue(Entries entries) : entries_(std::move(entries)) {}

  bool IsEqual(CefRefPtr<CefDictionaryValue> that) override {
    if (!that || that->GetSize() != entries_.size())
      return false;
    for (const auto& e : entries_) {
      if (!that->HasKey(e.first) || !e.second.Equals(ValueSlot::FromValue(that->GetValue(e.first))))
        return false;
    }
    return true;
  }
  CefRefPtr<CefDictionaryValue> Copy(bool exclude_empty_children) override {
    Entries copy;
    for (const auto& e : entries_) {
      if (exclude_empty_children &&
          ((e.second.type == VTYPE_LIST && e.second.list->GetSize() == 0) ||
           (e.second.type == VTYPE_DICTIONARY && e.second.dictionary->GetSize() == 0)))
        continue;
      copy.emplace_back(e.first, e.second.DeepCopy());
    }
    return new DictionaryValue(std::move(copy));
  }
  size_t GetSize() override { return entries_.size(); }
  bool Clear() override {
    entries_.clear();
    return true;
  }
  bool HasKey(const CefString& key) override { return Find(key) != nullptr; }
  bool GetKeys(KeyList& keys) override {
    for (const auto& e : entries_)
      keys.push_back(e.first);
    return true;
  }
  bool Remove(const CefString& key) override {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->first == key) {
        entries_.erase(it);
        return true;
      }
    }
    return false;
  }
  CefValueType GetType(const CefString& key) override {
    const ValueSlot* s = Find(key);
    return s ? s->type : VTYPE_INVALID;
  }
  CefRefPtr<CefValue> GetValue(const CefString& key) override {
    const ValueSlot* s = Find(key);
    return s ? s->ToValue() : NULL;
  }
  bool GetBool(const CefString& key) override {
    const ValueSlot* s = Find(key, VTYPE_BOOL);
    return s && s->bool_value;
  }
  int GetInt(const CefString& key) override {
    const ValueSlot* s = Find(key, VTYPE_INT);
    return s ? s->int_value : 0;
  }
  double GetDouble(const CefString& key) override {
    const ValueSlot* s = Find(key, VTYPE_DOUBLE);
    return s ? s->double_value : 0;
  }
  CefString GetString(const CefString& key) override {
    const ValueSlot* s = Find(key, VTYPE_STRING);
    return s ? s->string_value : CefString();
  }
  CefRefPtr<CefBinaryValue> GetBinary(const CefString& key) override {
    const ValueSlot* s = Find(key, VTYPE_BINARY);
    return s ? s->binary : NULL;
  }
  CefRefPtr<CefDictionaryValue> GetDictionary(const CefString& key) override {
    const ValueSlot* s = Find(key, VTYPE_DICTIONARY);
    return s ? s->dictionary : NULL;
  }
  CefRefPtr<CefListValue> GetList(const CefString& key) override {
    const ValueSlot* s = Find(key, VTYPE_LIST);
    return s ? s->list : NULL;
  }
  bool SetValue(const CefString& key, CefRefPtr<CefValue> value) override {
    return value && Store(key, ValueSlot::FromValue(value));
  }
  bool SetNull(const CefString& key) override { return Store(key, ValueSlot::Null()); }
  bool SetBool(const CefString& key, bool value) override { return Store(key, ValueSlot::Bool(value)); }
  bool SetInt(const CefString& key, int value) override { return Store(key, ValueSlot::Int(value)); }
  bool SetDouble(const CefString& key, double value) override { return Store(key, ValueSlot::Double(value)); }
  bool SetString(const CefString& key, const CefString& value) override {
    return Store(key, ValueSlot::String(value));
  }
  bool SetBinary(const CefString& key, CefRefPtr<CefBinaryValue> value) override {
    return value && Store(key, ValueSlot::Binary(value));
  }
  bool SetDictionary(const CefString& key, CefRefPtr<CefDictionaryValue> value) override {
    return value && value.get() != this && Store(key, ValueSlot::Dictionary(value));
  }
  bool SetList(const CefString& key, CefRefPtr<CefListValue> value) override {
    return value && Store(key, ValueSlot::List(value));
  }

 private:
  ValueSlot* Find(const CefString& key) {
    for (auto& e : entries_) {
      if (e.first == key)
        return &e.second;
    }
    return nullptr;
  }
  ValueSlot* Find(const CefString& key, CefValueType type) {
    ValueSlot* s = Find(key);
    return (s && s->type == type) ? s : nullptr;
  }
  bool Store(const CefString& key, ValueSlot slot) {
    if (ValueSlot* s = Find(key)) {
      *s = std::move(slot);
    } else {
      entries_.emplace_back(key, std::move(slot));
    }
    return true;
  }

  Entries entries_;
  IMPLEMENT_REFCOUNTING(DictionaryValue);
};

}  // namespace
}  // namespace mvengine

CefRefPtr<CefDictionaryValue> CefDictionaryValue::Create() { return new mvengine::DictionaryValue(); }
