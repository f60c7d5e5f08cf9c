#include <algorithm>
#include <cstring>
#include <vector>

#include "include/cef_values.h"

namespace mvengine {
namespace {

class BinaryValue : public CefBinaryValue {
 public:
  explicit BinaryValue(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}

  bool IsValid() override { return true; }
  bool IsOwned() override { return false; }
  bool IsSame(CefRefPtr<CefBinaryValue> that) override { return that.get() == this; }
  bool IsEqual(CefRefPtr<CefBinaryValue> that) override {
    if (!that)
      return false;
    std::vector<unsigned char> other(that->GetSize());
    if (!other.empty())
      that->GetData(other.data(), other.size(), 0);
    return other == bytes_;
  }
  CefRefPtr<CefBinaryValue> Copy() override { return new BinaryValue(bytes_); }
  size_t GetSize() override { return bytes_.size(); }
  size_t GetData(void* buffer, size_t buffer_size, size_t data_offset) override {
    if (!buffer || data_offset >= bytes_.size())
      return 0;
    size_t n = std::min(buffer_size, bytes_.size() - data_offset);
    memcpy(buffer, bytes_.data() + data_offset, n);
    return n;
  }

 private:
  const std::vector<unsigned char> bytes_;
  IMPLEMENT_REFCOUNTING(BinaryValue);
};

}  // namespace
}  // namespace mvengine

CefRefPtr<CefBinaryValue> CefBinaryValue::Create(const void* data, size_t data_size) {
  if (!data && data_size > 0)
    return NULL;
  const unsigned char* p = static_cast<const unsigned char*>(data);
  return new mvengine::BinaryValue(std::vector<unsigned char>(p, p + data_size));
}
