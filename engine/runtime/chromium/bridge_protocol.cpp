#include "engine/runtime/chromium/bridge_protocol.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "common/base64.h"

namespace mvengine {
namespace chromium {

const char kBridgeUrl[] = "https://mvcef-bridge.invalid/";
const char kBridgeUrlPattern[] = "https://mvcef-bridge.invalid/*";

std::string BridgeBootstrapScript() {
  // Sync XHR is the one way a page can wait for native code. The flag guards against a second run
  // in the same document; what the page could replace later is taken now.
  return std::string(R"JS((function () {
  if (window.__mvcefBridge) return;
  window.__mvcefBridge = true;
  var url = ")JS") + kBridgeUrl + R"JS(";
  var XHR = XMLHttpRequest, stringify = JSON.stringify, parse = JSON.parse;
  var defineProperty = Object.defineProperty, map = Array.prototype.map;
  function post(o) {
    var x = new XHR();
    x.open('POST', url, false);
    x.setRequestHeader('Content-Type', 'text/plain');
    x.send(stringify(o));
    return parse(x.responseText || '{}');
  }
  function answer(res) {
    if ('exception' in res) throw new Error(res.exception);
    if ('number' in res) return Number(res.number);
    return ('value' in res) ? res.value : undefined;
  }
  var got;
  // Unanswered, the request was not ours to hold: the document ran before its set-up was
  // complete. Without the flag it is seen as lacking the bridge, and is loaded again.
  try { got = post({op: 'context'}); } catch (e) { delete window.__mvcefBridge; return; }
  (got.functions || []).forEach(function (name) {
    window[name] = function () {
      var args = map.call(arguments, function (v) {
        var t = typeof v;
        return (t === 'string' || t === 'number' || t === 'boolean') ? v : null;
      });
      return answer(post({op: 'call', name: name, args: args}));
    };
  });
  // A value lives in the native side's model of this document's global: every read and write asks
  // it, so a value native code wrote is what the next read sees, and the page holds no copy of its
  // own. An object the page writes cannot live there: the page keeps it, and reads it back for as
  // long as native code has not written the value since.
  (got.values || []).forEach(function (name) {
    var kept;
    try {
      defineProperty(window, name, {
        configurable: true,
        enumerable: true,
        get: function () {
          var res = post({op: 'get', name: name});
          if (res.kept) return kept;
          kept = undefined;
          return answer(res);
        },
        set: function (v) {
          var o = {op: 'set', name: name}, t = typeof v;
          if (v !== null && (t === 'object' || t === 'function')) o.kept = true;
          else if (t === 'number' && !isFinite(v)) o.number = String(v);
          else if (v !== undefined) o.value = v;
          answer(post(o));
          kept = o.kept ? v : undefined;
        }
      });
    } catch (e) {}
  });
})();)JS";
}

std::string PausedRequestBody(const Json& paused) {
  // Read in place: a call's text can be megabytes.
  static const Json kNoRequest = Json::object();
  const auto found = paused.find("request");
  const Json& request = found != paused.end() ? *found : kNoRequest;
  if (request.contains("postData") && request["postData"].is_string()) return request["postData"].get<std::string>();
  std::string body;
  if (request.contains("postDataEntries") && request["postDataEntries"].is_array()) {
    for (const Json& entry : request["postDataEntries"]) {
      std::vector<uint8_t> bytes;
      if (entry.contains("bytes") && entry["bytes"].is_string() && mvcommon::DecodeBase64(entry["bytes"].get<std::string>(), &bytes))
        body.append(bytes.begin(), bytes.end());
    }
  }
  return body;
}

std::optional<std::string> RequestOrigin(const Json& paused) {
  const auto request = paused.find("request");
  if (request == paused.end() || !request->is_object()) return std::nullopt;
  const auto headers = request->find("headers");
  if (headers == request->end() || !headers->is_object()) return std::nullopt;
  for (auto it = headers->begin(); it != headers->end(); ++it) {
    const std::string& name = it.key();
    if (name.size() == 6 && std::equal(name.begin(), name.end(), "origin", [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == b;
        }))
      return it->is_string() ? std::optional<std::string>(it->get<std::string>()) : std::nullopt;
  }
  return std::nullopt;
}

bool FitsDocument(const std::optional<std::string>& origin, const std::string& document_origin) {
  if (document_origin.empty() || document_origin == "://") return true;
  return origin && (*origin == document_origin || (*origin == "null" && document_origin == "file://"));
}

bool FromFramesDocument(const Json& paused, const std::string& document_origin) {
  return FitsDocument(RequestOrigin(paused), document_origin);
}

Json FulfillHead(const std::string& request_id) {
  return {{"requestId", request_id},
          {"responseCode", 200},
          {"responseHeaders", Json::array({{{"name", "Content-Type"}, {"value", "application/json"}},
                                           {{"name", "Access-Control-Allow-Origin"}, {"value", "*"}}})}};
}

Json FulfillParams(const std::string& request_id, const std::string& body) {
  Json params = FulfillHead(request_id);
  params["body"] = mvcommon::EncodeBase64(body);
  return params;
}

CefRefPtr<CefV8Value> V8FromJson(const Json& value) {
  if (value.is_boolean()) return CefV8Value::CreateBool(value.get<bool>());
  if (value.is_string()) return CefV8Value::CreateString(value.get<std::string>());
  if (value.is_number_integer()) {
    const int64_t n = value.get<int64_t>();
    if (n >= INT32_MIN && n <= INT32_MAX) return CefV8Value::CreateInt(static_cast<int32>(n));
    return CefV8Value::CreateDouble(static_cast<double>(n));
  }
  if (value.is_number()) {
    // Page numbers are doubles; whole ones arrive as integers like V8 keeps them.
    const double d = value.get<double>();
    if (std::floor(d) == d && d >= INT32_MIN && d <= INT32_MAX) return CefV8Value::CreateInt(static_cast<int32>(d));
    return CefV8Value::CreateDouble(d);
  }
  return CefV8Value::CreateNull();
}

Json JsonFromV8(CefRefPtr<CefV8Value> value, bool* ok) {
  *ok = true;
  if (!value || value->IsUndefined() || value->IsNull()) return nullptr;
  if (value->IsBool()) return value->GetBoolValue();
  if (value->IsInt()) return value->GetIntValue();
  if (value->IsUInt()) return value->GetUIntValue();
  if (value->IsDouble()) {
    const double d = value->GetDoubleValue();
    if (std::isfinite(d)) return d;
    return nullptr;  // JSON has no NaN or infinity; the page sees null as from JSON.stringify
  }
  if (value->IsString()) return value->GetStringValue().ToString();
  *ok = false;
  return nullptr;
}

Json InstalledOnGlobal(CefRefPtr<CefV8Value> global) {
  Json functions = Json::array();
  Json values = Json::array();
  std::vector<CefString> keys;
  if (global && global->GetKeys(keys)) {
    for (const CefString& key : keys) {
      CefRefPtr<CefV8Value> value = global->GetValue(key);
      if (!value) continue;
      if (value->IsFunction()) {
        functions.push_back(key.ToString());
        continue;
      }
      bool ok;
      JsonFromV8(value, &ok);
      if (ok && !value->IsUndefined()) values.push_back(key.ToString());
    }
  }
  return {{"functions", functions}, {"values", values}};
}

Json ValueAnswer(CefRefPtr<CefV8Value> value) {
  if (value && value->IsDouble() && !std::isfinite(value->GetDoubleValue())) {
    const double d = value->GetDoubleValue();
    return {{"number", std::isnan(d) ? "NaN" : d > 0 ? "Infinity" : "-Infinity"}};
  }
  return CallAnswer(value, std::string());
}

CefRefPtr<CefV8Value> WrittenValue(const Json& request) {
  auto number = request.find("number");
  if (number != request.end() && number->is_string()) {
    const std::string text = number->get<std::string>();
    if (text == "Infinity") return CefV8Value::CreateDouble(HUGE_VAL);
    if (text == "-Infinity") return CefV8Value::CreateDouble(-HUGE_VAL);
    return CefV8Value::CreateDouble(std::nan(""));
  }
  auto value = request.find("value");
  return value == request.end() ? CefV8Value::CreateUndefined() : V8FromJson(*value);
}

Json CallAnswer(CefRefPtr<CefV8Value> retval, const std::string& exception) {
  if (!exception.empty()) return {{"exception", exception}};
  Json answer = Json::object();
  bool ok;
  Json value = JsonFromV8(retval, &ok);
  if (retval && !retval->IsUndefined() && ok) answer["value"] = value;
  return answer;
}

}  // namespace chromium
}  // namespace mvengine
