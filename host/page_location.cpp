#include "host/page_location.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace mvhost {
namespace {

// RFC 3986: ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":"
size_t SchemeLength(const std::string& text) {
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
  for (size_t i = 1; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == ':') return i;
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::string CheckReadableFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return path + ": no such file";
  if (!S_ISREG(info.st_mode)) return path + ": not a regular file";
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return path + ": cannot be read";
  std::fclose(file);
  return std::string();
}

}  // namespace

std::string FileUrl(const std::string& absolute_path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : absolute_path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

PageLocation ResolvePage(const std::string& page, const std::string& working_dir) {
  PageLocation result;
  if (page.empty()) {
    result.error = "empty page address";
    return result;
  }
  const size_t scheme = SchemeLength(page);
  if (scheme > 0) {
    std::string name = page.substr(0, scheme);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == "file") {
      // file:///path or file://localhost/path; query and fragment are not part of the file.
      std::string rest = page.substr(scheme + 1);
      if (rest.rfind("//", 0) != 0) {
        result.error = page + ": expected file:///absolute/path";
        return result;
      }
      rest = rest.substr(2);
      const size_t path_start = rest.find('/');
      const std::string host = rest.substr(0, path_start);
      if (path_start == std::string::npos || (!host.empty() && host != "localhost")) {
        result.error = page + ": only local files can be shown";
        return result;
      }
      std::string path = rest.substr(path_start);
      path = path.substr(0, path.find_first_of("?#"));
      const std::optional<std::string> decoded = PercentDecode(path);
      if (!decoded) {
        result.error = page + ": malformed percent escape";
        return result;
      }
      result.error = CheckReadableFile(*decoded);
      if (result.error.empty()) result.url = page;
      return result;
    }
    result.url = page;
    return result;
  }
  std::string path = page[0] == '/' ? page : working_dir + "/" + page;
  result.error = CheckReadableFile(path);
  if (!result.error.empty()) return result;
  if (char* canonical = realpath(path.c_str(), nullptr)) {  // no "..", no symbolic links
    path = canonical;
    std::free(canonical);
  }
  result.url = FileUrl(path);
  return result;
}

std::string DemoPagePath(const std::string& executable) {
  const size_t slash = executable.rfind('/');
  const std::string bin = slash == std::string::npos ? std::string(".") : executable.substr(0, slash);
  return bin + "/../share/mvcef/pages/demo/index.html";
}

std::optional<std::string> LoadFailure(const std::string& page_text) {
  static const std::string kPrefix = "Failed to load URL ";
  const size_t start = page_text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos || page_text.compare(start, kPrefix.size(), kPrefix) != 0) return std::nullopt;
  std::string line = page_text.substr(start + kPrefix.size());
  line = line.substr(0, line.find_first_of("\r\n"));
  if (line.find(" with error ") == std::string::npos) return std::nullopt;
  while (!line.empty() && (line.back() == '.' || line.back() == ' ')) line.pop_back();
  return line;
}

}  // namespace mvhost
