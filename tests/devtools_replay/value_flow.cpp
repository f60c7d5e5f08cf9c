#include "value_flow.h"

#include <algorithm>
#include <cstdint>

#include "common/base64.h"

namespace devtools_replay {

namespace {

// Shorter texts (ids, numbers as text, single words) would be replaced where they mean something
// else; what flows through pages is longer.
constexpr size_t kShortestLearnt = 8;

bool LooksLikeJson(const std::string& text) {
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    return c == '{' || c == '[';
  }
  return false;
}

}  // namespace

Nested Unpack(const std::string& text) {
  Nested out;
  if (LooksLikeJson(text)) {
    out.value = Json::parse(text, nullptr, false);
    if (!out.value.is_discarded()) out.kind = Nested::kJson;
    return out;
  }
  // Screencast frames are long base64 too: look at the first bytes before decoding all of it.
  std::vector<uint8_t> bytes;
  if (text.size() < 4 || !mvcommon::DecodeBase64(text.substr(0, 4), &bytes) ||
      !LooksLikeJson(std::string(bytes.begin(), bytes.end())) || !mvcommon::DecodeBase64(text, &bytes))
    return out;
  const std::string decoded(bytes.begin(), bytes.end());
  if (!LooksLikeJson(decoded)) return out;
  out.value = Json::parse(decoded, nullptr, false);
  if (!out.value.is_discarded()) out.kind = Nested::kBase64Json;
  return out;
}

std::string Repack(const Nested& nested) {
  const std::string text = nested.value.dump();
  if (nested.kind != Nested::kBase64Json) return text;
  return mvcommon::EncodeBase64(text);
}

void ValueFlow::Learn(const Json& recorded, const Json& live) {
  if (recorded.is_object() && live.is_object()) {
    for (auto it = recorded.begin(); it != recorded.end(); ++it) {
      auto other = live.find(it.key());
      if (other != live.end()) Learn(it.value(), *other);
    }
  } else if (recorded.is_array() && live.is_array() && recorded.size() == live.size()) {
    for (size_t i = 0; i < recorded.size(); ++i) Learn(recorded[i], live[i]);
  } else if (recorded.is_string() && live.is_string()) {
    LearnText(recorded.get<std::string>(), live.get<std::string>());
  }
}

void ValueFlow::LearnText(const std::string& recorded, const std::string& live) {
  if (recorded == live) return;
  Nested a = Unpack(recorded), b = Unpack(live);
  if (a.kind != Nested::kNone && a.kind == b.kind) {
    Learn(a.value, b.value);
    return;
  }
  if (recorded.size() < kShortestLearnt) return;
  for (auto& pair : learnt_) {
    if (pair.first == recorded) {
      pair.second = live;
      return;
    }
  }
  learnt_.emplace_back(recorded, live);
  // Longest first, so a text never has a part of it replaced before the whole.
  std::stable_sort(learnt_.begin(), learnt_.end(),
                   [](const auto& x, const auto& y) { return x.first.size() > y.first.size(); });
}

Json ValueFlow::Apply(const Json& recorded) const {
  Json out = recorded;
  if (!learnt_.empty()) ApplyTo(&out);
  return out;
}

bool ValueFlow::ApplyTo(Json* value) const {
  bool changed = false;
  if (value->is_object() || value->is_array()) {
    for (auto& item : *value) changed = ApplyTo(&item) || changed;
  } else if (value->is_string()) {
    std::string text = value->get<std::string>();
    if (ApplyToText(&text)) {
      *value = text;
      changed = true;
    }
  }
  return changed;
}

bool ValueFlow::ApplyToText(std::string* text) const {
  Nested nested = Unpack(*text);
  if (nested.kind != Nested::kNone) {
    if (!ApplyTo(&nested.value)) return false;
    *text = Repack(nested);
    return true;
  }
  bool changed = false;
  for (const auto& pair : learnt_) {
    for (size_t at = text->find(pair.first); at != std::string::npos;
         at = text->find(pair.first, at + pair.second.size())) {
      text->replace(at, pair.first.size(), pair.second);
      changed = true;
    }
  }
  return changed;
}

}  // namespace devtools_replay
