// Which page mvhost shows: a URL as given, or a local file turned into a file: URL.
#pragma once

#include <optional>
#include <string>

namespace mvhost {

struct PageLocation {
  std::string url;
  std::string error;  // why the page cannot be shown; empty when url is set
};

// `page` is a URL ("scheme:...") or a file path, relative ones taken from `working_dir`.
// Local files (paths and file: URLs) must be readable regular files.
PageLocation ResolvePage(const std::string& page, const std::string& working_dir);

// The bundled demo page for the mvhost at `executable`: <prefix>/share/mvcef/pages/demo/index.html,
// where the executable lies in <prefix>/bin (the build tree has the same shape).
std::string DemoPagePath(const std::string& executable);

// "file://" and the absolute path, with every byte outside the unreserved set and '/'
// percent-encoded.
std::string FileUrl(const std::string& absolute_path);

// The failed address and error when `page_text` is the text of the library's inline error page
// ("Failed to load URL <url> with error <error> (<code>).").
std::optional<std::string> LoadFailure(const std::string& page_text);

}  // namespace mvhost
