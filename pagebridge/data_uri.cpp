#include "pagebridge/data_uri.h"

#include <algorithm>

#include "pagebridge/base64.h"

namespace mvcef {
namespace {

constexpr std::string_view kSvgDataUriPrefix = "data:image/svg+xml;base64,";

constexpr std::string_view kPlaceholderSvg =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"140\" height=\"140\""
    " viewBox=\"0 0 140 140\" preserveAspectRatio=\"none\">"
    "<!--Stand-in for a missing screenshot-->"
    "<defs><style type=\"text/css\"><![CDATA[#mvcef_placeholder text { fill:#AAAAAA;"
    "font-weight:bold;font-family:Arial, Helvetica, Open Sans, sans-serif, monospace;"
    "font-size:10pt } ]]></style></defs>"
    "<g id=\"mvcef_placeholder\">"
    "<rect width=\"140\" height=\"140\" fill=\"#EEEEEE\"></rect>"
    "<g><text x=\"44.046875\" y=\"74.5\">140x140</text></g>"
    "</g></svg>";

std::string BuildPlaceholderUri() {
  std::string uri(kSvgDataUriPrefix);
  const std::size_t body = uri.size();
  AppendBase64(&uri, reinterpret_cast<const unsigned char*>(kPlaceholderSvg.data()),
               kPlaceholderSvg.size());
  // The placeholder is one unbroken line, unlike file encodings.
  uri.erase(std::remove_if(uri.begin() + body, uri.end(),
                           [](char c) { return c == '\r' || c == '\n'; }),
            uri.end());
  return uri;
}

}  // namespace

std::string MakeDataUri(std::string_view prefix, const std::vector<unsigned char>& bytes) {
  std::string uri;
  uri.reserve(prefix.size() + Base64EncodedSize(bytes.size()));
  uri.append(prefix);
  AppendBase64(&uri, bytes.data(), bytes.size());
  return uri;
}

const std::string& PlaceholderImageUri() {
  static const std::string uri = BuildPlaceholderUri();
  return uri;
}

}  // namespace mvcef
