#include "mvcefdll/error_page.h"

#include <sstream>

#include "common/utf.h"

namespace mvcef {
namespace {

// The failed address comes from the page or the network; escaping keeps it text, so a crafted
// address cannot put markup or script into the error page. Plain addresses read the same.
std::string EscapeHtml(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

// An address as long as the engine refuses would make the page too big to hand over: its start
// says enough.
std::string ShownUrl(const std::string& url) {
  if (url.size() <= kErrorPageMaxUrlBytes) return url;
  return url.substr(0, mvcommon::Utf8PrefixLength(url, kErrorPageMaxUrlBytes)) + "...";
}

}  // namespace

std::string ErrorPageHtml(const std::string& failed_url, const std::string& error_text, int error_code) {
  std::ostringstream out;
  out << "<html><body bgcolor=\"white\"><h2>Failed to load URL " << EscapeHtml(ShownUrl(failed_url)) << " with error "
      << EscapeHtml(error_text) << " (" << error_code << ").</h2></body></html>";
  return out.str();
}

}  // namespace mvcef
