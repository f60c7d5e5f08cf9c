#include "engine/runtime/chromium/process_message_json.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/base64.h"
#include "engine/runtime/chromium/bridge_protocol.h"

namespace mvengine {
namespace chromium {

namespace {

// Nesting deeper than this arrives as null: a message is data, not a stack test.
constexpr int kMaxDepth = 64;

Json DictionaryToJson(CefRefPtr<CefDictionaryValue> dictionary, int depth);
Json ListToJsonAt(CefRefPtr<CefListValue> list, int depth);

Json DoubleToJson(double value) {
  if (std::isnan(value)) return Json::array({"d", "nan"});
  if (std::isinf(value)) return Json::array({"d", value > 0 ? "inf" : "-inf"});
  return Json::array({"d", value});
}

double DoubleFromJson(const Json& value) {
  if (value.is_number()) return value.get<double>();
  if (value == "inf") return std::numeric_limits<double>::infinity();
  if (value == "-inf") return -std::numeric_limits<double>::infinity();
  return std::numeric_limits<double>::quiet_NaN();
}

std::string BinaryBytes(CefRefPtr<CefBinaryValue> binary) {
  std::string bytes(binary ? binary->GetSize() : 0, '\0');
  if (!bytes.empty()) binary->GetData(&bytes[0], bytes.size(), 0);
  return bytes;
}

CefRefPtr<CefBinaryValue> BinaryFromJson(const Json& value) {
  std::vector<uint8_t> bytes;
  if (!value.is_string() || !mvcommon::DecodeBase64(value.get<std::string>(), &bytes)) return NULL;
  return CefBinaryValue::Create(bytes.data(), bytes.size());
}

// One typed value of a list (index) or dictionary (key): both share the type switch.
template <typename Container, typename Key>
Json TypedToJson(CefRefPtr<Container> c, const Key& key, int depth) {
  switch (c->GetType(key)) {
    case VTYPE_BOOL: return Json::array({"b", c->GetBool(key)});
    case VTYPE_INT: return Json::array({"i", c->GetInt(key)});
    case VTYPE_DOUBLE: return DoubleToJson(c->GetDouble(key));
    case VTYPE_STRING: return Json::array({"s", c->GetString(key).ToString()});
    case VTYPE_BINARY: return Json::array({"x", mvcommon::EncodeBase64(BinaryBytes(c->GetBinary(key)))});
    case VTYPE_DICTIONARY:
      if (depth < kMaxDepth) return Json::array({"D", DictionaryToJson(c->GetDictionary(key), depth + 1)});
      break;
    case VTYPE_LIST:
      if (depth < kMaxDepth) return Json::array({"L", ListToJsonAt(c->GetList(key), depth + 1)});
      break;
    default: break;
  }
  return Json::array({"n"});
}

void DictionaryFromJson(const Json& json, CefRefPtr<CefDictionaryValue> out, int depth);
void ListFromJsonAt(const Json& json, CefRefPtr<CefListValue> out, int depth);

template <typename Container, typename Key>
void TypedFromJson(const Json& typed, CefRefPtr<Container> c, const Key& key, int depth) {
  const std::string tag = typed.is_array() && !typed.empty() && typed[0].is_string() ? typed[0].get<std::string>() : "";
  const Json value = typed.is_array() && typed.size() > 1 ? typed[1] : Json();
  if (tag == "b" && value.is_boolean()) {
    c->SetBool(key, value.get<bool>());
  } else if (tag == "i" && value.is_number_integer()) {
    const int64_t v = value.get<int64_t>();
    if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
      c->SetInt(key, static_cast<int>(v));
    else
      c->SetNull(key);
  } else if (tag == "d" && (value.is_number() || value.is_string())) {
    c->SetDouble(key, DoubleFromJson(value));
  } else if (tag == "s" && value.is_string()) {
    c->SetString(key, value.get<std::string>());
  } else if (tag == "x" && BinaryFromJson(value)) {
    c->SetBinary(key, BinaryFromJson(value));
  } else if (tag == "D" && value.is_object() && depth < kMaxDepth) {
    CefRefPtr<CefDictionaryValue> d = CefDictionaryValue::Create();
    DictionaryFromJson(value, d, depth + 1);
    c->SetDictionary(key, d);
  } else if (tag == "L" && value.is_array() && depth < kMaxDepth) {
    CefRefPtr<CefListValue> l = CefListValue::Create();
    ListFromJsonAt(value, l, depth + 1);
    c->SetList(key, l);
  } else {
    c->SetNull(key);
  }
}

Json DictionaryToJson(CefRefPtr<CefDictionaryValue> dictionary, int depth) {
  Json out = Json::object();
  CefDictionaryValue::KeyList keys;
  if (!dictionary || !dictionary->GetKeys(keys)) return out;
  for (const CefString& key : keys) out[key.ToString()] = TypedToJson(dictionary, key, depth);
  return out;
}

Json ListToJsonAt(CefRefPtr<CefListValue> list, int depth) {
  Json out = Json::array();
  const int size = list ? static_cast<int>(list->GetSize()) : 0;
  for (int i = 0; i < size; ++i) out.push_back(TypedToJson(list, i, depth));
  return out;
}

void DictionaryFromJson(const Json& json, CefRefPtr<CefDictionaryValue> out, int depth) {
  if (!json.is_object()) return;
  for (auto it = json.begin(); it != json.end(); ++it) TypedFromJson(it.value(), out, CefString(it.key()), depth);
}

void ListFromJsonAt(const Json& json, CefRefPtr<CefListValue> out, int depth) {
  if (!json.is_array()) return;
  out->SetSize(json.size());
  for (size_t i = 0; i < json.size(); ++i) TypedFromJson(json[i], out, static_cast<int>(i), depth);
}

}  // namespace

Json ListToJson(CefRefPtr<CefListValue> list) { return ListToJsonAt(list, 0); }

void ListFromJson(const Json& json, CefRefPtr<CefListValue> out) {
  if (out) ListFromJsonAt(json, out, 0);
}

Json ProcessMessageToJson(CefRefPtr<CefProcessMessage> message) {
  if (!message) return Json();
  return {{"name", message->GetName().ToString()}, {"args", ListToJson(message->GetArgumentList())}};
}

CefRefPtr<CefProcessMessage> ProcessMessageFromJson(const Json& json) {
  if (!json.is_object() || !json.contains("name") || !json["name"].is_string()) return NULL;
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(json["name"].get<std::string>());
  if (json.contains("args")) ListFromJson(json["args"], message->GetArgumentList());
  return message;
}

}  // namespace chromium
}  // namespace mvengine
