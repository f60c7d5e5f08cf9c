// The encoder behind every image answer against an independent decoder: any bytes come back
// exactly, in lines of 76 characters ended by "\r\n" with only the padded tail unbroken, and the
// SIMD line encoder agrees with the scalar one.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_check.h"
#include "pagebridge/base64.h"
#include "pagebridge/base64_lines.h"
#include "tests/unit/pagebridge_rules/base64_test_util.h"

namespace {

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string encoded = "prefix,";
  mvcef::AppendBase64(&encoded, data, size);
  FUZZ_CHECK(encoded.compare(0, 7, "prefix,") == 0);
  encoded.erase(0, 7);
  FUZZ_CHECK(encoded.size() == mvcef::Base64EncodedSize(size));
  FUZZ_CHECK(encoded == mvcef::Base64Encode(data, static_cast<int>(size)));

  const auto decoded = mvcef_test::DecodeBase64(encoded);
  FUZZ_CHECK(decoded.has_value() && decoded->size() == size && std::equal(decoded->begin(), decoded->end(), data));

  // Every full line of full groups ends in "\r\n"; nothing else does.
  const size_t full_lines = size / mvcef::base64_lines::kLineBytes;
  for (size_t line = 0; line < full_lines; ++line) {
    const size_t end = (line + 1) * mvcef::base64_lines::kLineCharsWithBreak;
    FUZZ_CHECK(encoded.compare(end - 2, 2, "\r\n") == 0);
  }
  FUZZ_CHECK(encoded.find('\r', full_lines * mvcef::base64_lines::kLineCharsWithBreak) == std::string::npos);

  if (full_lines > 0 && mvcef::base64_lines::Ssse3Available()) {
    std::string scalar(full_lines * mvcef::base64_lines::kLineCharsWithBreak, '\0'), simd(scalar);
    mvcef::base64_lines::EncodeLinesScalar(data, full_lines, &scalar[0]);
    mvcef::base64_lines::EncodeLinesSsse3(data, full_lines, &simd[0]);
    FUZZ_CHECK(scalar == simd);
  }
  return 0;
}
