#ifndef MVCEF_PAGEBRIDGE_DATA_URI_H_
#define MVCEF_PAGEBRIDGE_DATA_URI_H_

#include <string>
#include <string_view>
#include <vector>

namespace mvcef {

inline constexpr std::string_view kPngDataUriPrefix = "data:image/png;base64,";
// "jpg", not "jpeg": pages compare the prefix literally.
inline constexpr std::string_view kJpegDataUriPrefix = "data:image/jpg;base64,";

// prefix followed by the Base64 encoding of `bytes` (line breaks kept).
std::string MakeDataUri(std::string_view prefix, const std::vector<unsigned char>& bytes);

// The grey 140x140 stand-in for a missing screenshot, as an SVG data URI in
// one line. The same object on every call; built on first use, thread-safe.
const std::string& PlaceholderImageUri();

}  // namespace mvcef

#endif  // MVCEF_PAGEBRIDGE_DATA_URI_H_
