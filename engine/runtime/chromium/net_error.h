// Chromium's network error names ("net::ERR_NAME_NOT_RESOLVED") to the engine's
// numeric codes (cef_errorcode_t, which are Chromium's net error numbers).
#pragma once

#include <string>

namespace mvengine {
namespace chromium {

// 0 for an empty text; ERR_FAILED (-2) for a name the table does not know.
int NetErrorCode(const std::string& error_text);

}  // namespace chromium
}  // namespace mvengine
