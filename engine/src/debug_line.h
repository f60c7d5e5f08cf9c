#pragma once

#include <string>

namespace mvengine {

// One diagnostic line on stderr when MVCEF_DEBUG=1; nothing otherwise.
void DebugLine(const std::string& line);

}  // namespace mvengine
