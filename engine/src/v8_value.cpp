// The value model behind CefV8Value. Primitive values keep the type they were
// created with, as the engine's wrappers do: GetIntValue of a double or of a
// string is 0, GetStringValue of a number is empty.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "include/cef_v8.h"
#include "engine/src/v8_model.h"
#include "engine/src/v8_exception.h"

namespace mvengine {
namespace {

enum class Kind { kUndefined, kNull, kBool, kInt, kUInt, kDouble, kDate, kString, kObject, kArray, kFunction };

struct Property {
  CefString key;
  CefRefPtr<CefV8Value> value;  // NULL for accessor properties
  CefV8Value::PropertyAttribute attribute = V8_PROPERTY_ATTRIBUTE_NONE;
  bool via_accessor = false;
};

class V8Value : public CefV8Value {
 public:
  explicit V8Value(Kind kind) : kind_(kind) {}

  // Primitive payload.
  bool bool_value_ = false;
  int32 int_value_ = 0;
  uint32 uint_value_ = 0;
  double double_value_ = 0;
  CefTime date_value_;
  CefString string_value_;
  // Function payload.
  CefString function_name_;
  CefRefPtr<CefV8Handler> handler_;
  CefRefPtr<CefV8Accessor> accessor_;

  bool IsValid() override { return true; }
  bool IsUndefined() override { return kind_ == Kind::kUndefined; }
  bool IsNull() override { return kind_ == Kind::kNull; }
  bool IsBool() override { return kind_ == Kind::kBool; }
  bool IsInt() override { return kind_ == Kind::kInt; }
  bool IsUInt() override { return kind_ == Kind::kUInt; }
  bool IsDouble() override { return kind_ == Kind::kDouble; }
  bool IsDate() override { return kind_ == Kind::kDate; }
  bool IsString() override { return kind_ == Kind::kString; }
  bool IsObject() override { return IsObjectKind(); }
  bool IsArray() override { return kind_ == Kind::kArray; }
  bool IsFunction() override { return kind_ == Kind::kFunction; }
  bool IsSame(CefRefPtr<CefV8Value> that) override { return that.get() == this; }

  bool GetBoolValue() override { return kind_ == Kind::kBool && bool_value_; }
  int32 GetIntValue() override { return WholeNumberAs<int32>(); }
  uint32 GetUIntValue() override { return WholeNumberAs<uint32>(); }
  double GetDoubleValue() override {
    switch (kind_) {
      case Kind::kDouble:
        return double_value_;
      case Kind::kInt:
        return int_value_;
      case Kind::kUInt:
        return uint_value_;
      default:
        return 0;
    }
  }
  CefTime GetDateValue() override { return kind_ == Kind::kDate ? date_value_ : CefTime(); }
  CefString GetStringValue() override { return kind_ == Kind::kString ? string_value_ : CefString(); }
  bool IsUserCreated() override { return IsObjectKind(); }

  bool HasException() override { return exception_.get() != nullptr; }
  CefRefPtr<CefV8Exception> GetException() override { return exception_; }
  bool ClearException() override {
    exception_ = NULL;
    return true;
  }
  bool WillRethrowExceptions() override { return rethrow_; }
  bool SetRethrowExceptions(bool rethrow) override {
    rethrow_ = rethrow;
    return true;
  }

  bool HasValue(const CefString& key) override { return IsObjectKind() && Find(key) != nullptr; }
  bool HasValue(int index) override {
    return kind_ == Kind::kArray && index >= 0 && static_cast<size_t>(index) < elements_.size() &&
           elements_[index];
  }
  bool DeleteValue(const CefString& key) override {
    if (!IsObjectKind())
      return false;
    for (auto it = properties_.begin(); it != properties_.end(); ++it) {
      if (it->key == key) {
        if (it->attribute & V8_PROPERTY_ATTRIBUTE_DONTDELETE)
          return false;
        properties_.erase(it);
        return true;
      }
    }
    // Deleting a missing property succeeds in JavaScript.
    return true;
  }
  bool DeleteValue(int index) override {
    if (kind_ != Kind::kArray || index < 0)
      return false;
    if (static_cast<size_t>(index) < elements_.size())
      elements_[index] = NULL;
    return true;
  }

  CefRefPtr<CefV8Value> GetValue(const CefString& key) override {
    if (!IsObjectKind())
      return NULL;
    Property* p = Find(key);
    if (p && p->via_accessor && accessor_) {
      CefRefPtr<CefV8Value> retval;
      CefString exception;
      if (accessor_->Get(key, this, retval, exception) && exception.empty() && retval)
        return retval;
      if (!exception.empty()) {
        exception_ = MakeV8Exception(exception);
        return NULL;
      }
      return CefV8Value::CreateUndefined();
    }
    if (p && p->value)
      return p->value;
    return CefV8Value::CreateUndefined();
  }
  CefRefPtr<CefV8Value> GetValue(int index) override {
    if (kind_ != Kind::kArray)
      return NULL;
    if (index >= 0 && static_cast<size_t>(index) < elements_.size() && elements_[index])
      return elements_[index];
    return CefV8Value::CreateUndefined();
  }

  bool SetValue(const CefString& key, CefRefPtr<CefV8Value> value, PropertyAttribute attribute) override {
    if (!IsObjectKind() || !value)
      return false;
    for (const auto& f : failing_writes_) {
      if (f.first == key) {
        exception_ = MakeV8Exception(f.second);
        return false;
      }
    }
    Property* p = Find(key);
    if (p) {
      // Sloppy-mode JavaScript ignores writes to read-only properties.
      if (p->attribute & V8_PROPERTY_ATTRIBUTE_READONLY)
        return true;
      if (p->via_accessor && accessor_) {
        CefString exception;
        accessor_->Set(key, this, value, exception);
        if (!exception.empty()) {
          exception_ = MakeV8Exception(exception);
          return false;
        }
        return true;
      }
      p->value = value;
      p->attribute = attribute;
      return true;
    }
    Property added;
    added.key = key;
    added.value = value;
    added.attribute = attribute;
    properties_.push_back(added);
    return true;
  }
  bool SetValue(int index, CefRefPtr<CefV8Value> value) override {
    if (kind_ != Kind::kArray || index < 0 || !value)
      return false;
    if (static_cast<size_t>(index) >= elements_.size())
      elements_.resize(static_cast<size_t>(index) + 1);
    elements_[index] = value;
    return true;
  }
  bool SetValue(const CefString& key, AccessControl settings, PropertyAttribute attribute) override {
    if (!IsObjectKind() || !accessor_)
      return false;
    Property* p = Find(key);
    if (!p) {
      properties_.push_back(Property());
      p = &properties_.back();
      p->key = key;
    }
    p->value = NULL;
    p->via_accessor = true;
    p->attribute = attribute;
    return true;
  }

  bool GetKeys(std::vector<CefString>& keys) override {
    if (!IsObjectKind())
      return false;
    if (kind_ == Kind::kArray) {
      for (size_t i = 0; i < elements_.size(); ++i) {
        if (elements_[i])
          keys.push_back(std::to_string(i));
      }
    }
    for (const Property& p : properties_) {
      if (!(p.attribute & V8_PROPERTY_ATTRIBUTE_DONTENUM))
        keys.push_back(p.key);
    }
    return true;
  }

  bool SetUserData(CefRefPtr<CefBase> user_data) override {
    if (!IsObjectKind())
      return false;
    user_data_ = user_data;
    return true;
  }
  CefRefPtr<CefBase> GetUserData() override { return user_data_; }
  int GetExternallyAllocatedMemory() override { return external_memory_; }
  int AdjustExternallyAllocatedMemory(int change_in_bytes) override {
    external_memory_ += change_in_bytes;
    return external_memory_;
  }
  int GetArrayLength() override { return kind_ == Kind::kArray ? static_cast<int>(elements_.size()) : 0; }
  CefString GetFunctionName() override { return kind_ == Kind::kFunction ? function_name_ : CefString(); }
  CefRefPtr<CefV8Handler> GetFunctionHandler() override { return handler_; }

  CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments) override {
    return ExecuteFunctionWithContext(CefV8Context::GetCurrentContext(), object, arguments);
  }

  CefRefPtr<CefV8Value> ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context, CefRefPtr<CefV8Value> object,
                                                   const CefV8ValueList& arguments) override {
    if (kind_ != Kind::kFunction)
      return NULL;
    for (const auto& a : arguments) {
      if (!a)
        return NULL;
    }
    if (context && !context->Enter())
      return NULL;
    CefRefPtr<CefV8Value> retval;
    CefString exception;
    bool handled = handler_ ? handler_->Execute(function_name_, object, arguments, retval, exception) : false;
    if (context)
      context->Exit();
    if (!exception.empty()) {
      exception_ = MakeV8Exception(exception);
      return NULL;
    }
    // An unhandled call, or a handled one without a value, gives undefined.
    if (!handled || !retval)
      return CefV8Value::CreateUndefined();
    return retval;
  }

  // New slots are holes, as in `new Array(n)`.
  void SetLength(size_t length) { elements_.resize(length); }

  void FailWrites(const CefString& key, const CefString& message) {
    for (auto& f : failing_writes_) {
      if (f.first == key) {
        f.second = message;
        return;
      }
    }
    failing_writes_.emplace_back(key, message);
  }

 private:
  bool IsObjectKind() const {
    return kind_ == Kind::kObject || kind_ == Kind::kArray || kind_ == Kind::kFunction || kind_ == Kind::kDate;
  }
  // An int or uint value as `T`, converted as a cast converts it; 0 for any other kind.
  template <typename T>
  T WholeNumberAs() const {
    if (kind_ == Kind::kInt) return static_cast<T>(int_value_);
    if (kind_ == Kind::kUInt) return static_cast<T>(uint_value_);
    return 0;
  }
  Property* Find(const CefString& key) {
    for (Property& p : properties_) {
      if (p.key == key)
        return &p;
    }
    return nullptr;
  }

  const Kind kind_;
  std::vector<Property> properties_;  // insertion order
  std::vector<CefRefPtr<CefV8Value>> elements_;
  std::vector<std::pair<CefString, CefString>> failing_writes_;
  CefRefPtr<CefV8Exception> exception_;
  CefRefPtr<CefBase> user_data_;
  bool rethrow_ = false;
  int external_memory_ = 0;
  IMPLEMENT_REFCOUNTING(V8Value);
};

}  // namespace

void FailV8Writes(CefRefPtr<CefV8Value> object, const CefString& key, const CefString& message) {
  if (V8Value* v = dynamic_cast<V8Value*>(object.get()))
    v->FailWrites(key, message);
}

}  // namespace mvengine

using mvengine::Kind;
using mvengine::V8Value;

CefRefPtr<CefV8Value> CefV8Value::CreateUndefined() { return new V8Value(Kind::kUndefined); }

CefRefPtr<CefV8Value> CefV8Value::CreateNull() { return new V8Value(Kind::kNull); }

namespace {

// A value of `kind` whose `field` holds `value`.
template <typename T, typename V>
CefRefPtr<CefV8Value> Made(Kind kind, T V8Value::*field, const V& value) {
  V8Value* v = new V8Value(kind);
  v->*field = value;
  return v;
}

}  // namespace

CefRefPtr<CefV8Value> CefV8Value::CreateBool(bool value) { return Made(Kind::kBool, &V8Value::bool_value_, value); }
CefRefPtr<CefV8Value> CefV8Value::CreateInt(int32 value) { return Made(Kind::kInt, &V8Value::int_value_, value); }
CefRefPtr<CefV8Value> CefV8Value::CreateUInt(uint32 value) { return Made(Kind::kUInt, &V8Value::uint_value_, value); }
CefRefPtr<CefV8Value> CefV8Value::CreateDouble(double value) {
  return Made(Kind::kDouble, &V8Value::double_value_, value);
}
CefRefPtr<CefV8Value> CefV8Value::CreateDate(const CefTime& date) { return Made(Kind::kDate, &V8Value::date_value_, date); }
CefRefPtr<CefV8Value> CefV8Value::CreateString(const CefString& value) {
  return Made(Kind::kString, &V8Value::string_value_, value);
}

CefRefPtr<CefV8Value> CefV8Value::CreateObject(CefRefPtr<CefV8Accessor> accessor) {
  V8Value* v = new V8Value(Kind::kObject);
  v->accessor_ = accessor;
  return v;
}

CefRefPtr<CefV8Value> CefV8Value::CreateArray(int length) {
  if (length < 0)
    return NULL;
  V8Value* v = new V8Value(Kind::kArray);
  v->SetLength(static_cast<size_t>(length));
  return v;
}

CefRefPtr<CefV8Value> CefV8Value::CreateFunction(const CefString& name, CefRefPtr<CefV8Handler> handler) {
  if (!handler)
    return NULL;
  V8Value* v = new V8Value(Kind::kFunction);
  v->function_name_ = name;
  v->handler_ = handler;
  return v;
}
