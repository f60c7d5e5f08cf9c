// The inline page shown in a frame whose load failed.
#pragma once

#include <string>

namespace mvcef {

// url and error_text are UTF-8; the code keeps its sign.
std::string ErrorPageHtml(const std::string& failed_url, const std::string& error_text, int error_code);

}  // namespace mvcef
