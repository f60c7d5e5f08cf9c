// Values that flow from the engine through the page back to the engine. When the page of a
// recording handed native code a value it had got from native code (batchUploadImg(uploadImg(1))),
// the recorded message carries the recorded answer; replayed, it must carry the answer the engine
// gave this time. So every command the engine sends is compared with its recorded counterpart:
// each text that differs is learnt (recorded -> live), and every later message from the recording
// has the learnt texts replaced before it is sent.
//
// Texts are looked into where the protocol nests them: a string holding a JSON object or array
// (a request's postData), or base64 of one (Fetch.fulfillRequest's body, postDataEntries).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "recording.h"

namespace devtools_replay {

class ValueFlow {
 public:
  // Compares a recorded command's params with the live ones and learns the texts that differ.
  void Learn(const Json& recorded, const Json& live);
  // The recorded message with every learnt text replaced, nested encodings kept.
  Json Apply(const Json& recorded) const;
  // Recorded -> live, the longest recorded text first.
  const std::vector<std::pair<std::string, std::string>>& learnt() const { return learnt_; }

 private:
  void LearnText(const std::string& recorded, const std::string& live);
  bool ApplyToText(std::string* text) const;  // true when it changed
  bool ApplyTo(Json* value) const;

  std::vector<std::pair<std::string, std::string>> learnt_;
};

// A string's nested JSON (object or array): as is, or under one layer of base64.
struct Nested {
  enum Kind { kNone, kJson, kBase64Json } kind = kNone;
  Json value;
};
Nested Unpack(const std::string& text);
std::string Repack(const Nested& nested);

}  // namespace devtools_replay
