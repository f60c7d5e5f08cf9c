#ifndef MVCEF_PAGEBRIDGE_DATA_URI_H_
#define MVCEF_PAGEBRIDGE_DATA_URI_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mvcef {

inline constexpr std::string_view kPngDataUriPrefix = "data:image/png;base64,";
// "jpg", not "jpeg": pages compare the prefix literally.
inline constexpr std::string_view kJpegDataUriPrefix = "data:image/jpg;base64,";

// Image files above this size are treated as unreadable. An answer to a page
// travels as Base64 with line breaks (x 4/3 x 78/76) inside JSON, where each
// "\r\n" becomes four characters (x 80/78), inside a Base64 request body
// (x 4/3): about 1.9 bytes per file byte. Chromium drops its DevTools pipe,
// and with it every browser, on a message above 100 MiB; 24 MiB gives 45 MiB,
// under half of that.
inline constexpr std::size_t kMaxImageFileBytes = std::size_t(24) << 20;

// prefix followed by the Base64 encoding of `bytes` (line breaks kept).
std::string MakeDataUri(std::string_view prefix, const std::vector<unsigned char>& bytes);

// The grey 140x140 stand-in for a missing screenshot, as an SVG data URI in
// one line. The same object on every call; built on first use, thread-safe.
const std::string& PlaceholderImageUri();

}  // namespace mvcef

#endif  // MVCEF_PAGEBRIDGE_DATA_URI_H_
