#ifndef MVCEF_PAGEBRIDGE_BASE64_H_
#define MVCEF_PAGEBRIDGE_BASE64_H_

#include <cstddef>
#include <string>

namespace mvcef {

// Standard alphabet with '=' padding. Every 76 characters produced by full
// three-byte groups are followed by "\r\n", the last full group included; the
// padded tail never is. Null data or length <= 0 gives an empty string.
std::string Base64Encode(const unsigned char* data, int length);

// Appends the same encoding to *out. Takes a size_t so callers holding more
// than a signed 32-bit count of bytes get the whole encoding, not a truncated one.
void AppendBase64(std::string* out, const unsigned char* data, std::size_t length);

// Exact number of characters AppendBase64 produces for `length` bytes.
std::size_t Base64EncodedSize(std::size_t length);

}  // namespace mvcef

#endif  // MVCEF_PAGEBRIDGE_BASE64_H_
