#include "engine/runtime/chromium/bridge_protocol.h"

#include <cmath>

#include "common/base64.h"

namespace mvengine {
namespace chromium {

const char kBridgeUrl[] = "https://mvcef-bridge.invalid/";
const char kBridgeUrlPattern[] = "https://mvcef-bridge.invalid/*";

std::string BridgeBootstrapScript() {
  // Sync XHR is the one way a page can wait for native code. The flag guards
  // against a second run in the same document.
  return std::string(R"JS((function () {
  if (window.__mvcefBridge) return;
  window.__mvcefBridge = true;
  var url = ")JS") + kBridgeUrl + R"JS(";
  function post(o) {
    var x = new XMLHttpRequest();
    x.open('POST', url, false);
    x.setRequestHeader('Content-Type', 'text/plain');
    x.send(JSON.stringify(o));
    return JSON.parse(x.responseText || '{}');
  }
  var got;
  try { got = post({op: 'context'}); } catch (e) { return; }
  (got.functions || []).forEach(function (name) {
    window[name] = function () {
      var args = Array.prototype.map.call(arguments, function (v) {
        var t = typeof v;
        return (t === 'string' || t === 'number' || t === 'boolean') ? v : null;
      });
      var call = {op: 'call', name: name, args: args};
      try { call.uploadIsDoneValue = window.top.uploadIsDoneValue; } catch (e) {}
      var res = post(call);
      if ('exception' in res) throw new Error(res.exception);
      return ('value' in res) ? res.value : undefined;
    };
  });
  var values = got.values || {};
  for (var k in values) window[k] = values[k];
})();)JS";
}

std::string PausedRequestBody(const Json& paused) {
  const Json& request = paused.value("request", Json::object());
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

Json FulfillParams(const std::string& request_id, const std::string& body) {
  return {{"requestId", request_id},
          {"responseCode", 200},
          {"responseHeaders", Json::array({{{"name", "Content-Type"}, {"value", "application/json"}},
                                           {{"name", "Access-Control-Allow-Origin"}, {"value", "*"}}})},
          {"body", mvcommon::EncodeBase64(body)}};
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
  Json values = Json::object();
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
      Json json = JsonFromV8(value, &ok);
      if (ok && !value->IsUndefined()) values[key.ToString()] = json;
    }
  }
  return {{"functions", functions}, {"values", values}};
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
