#include "pagebridge/file_bytes.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>

namespace mvcef {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Sizes travel as signed 32-bit counts further on.
constexpr long long kMaxFileSize = INT32_MAX;

long long FileSize(std::FILE* f) {
#ifdef _WIN32
  if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
  return _ftelli64(f);
#else
  if (std::fseek(f, 0, SEEK_END) != 0) return -1;
  return std::ftell(f);
#endif
}

}  // namespace

std::optional<std::vector<unsigned char>> ReadWholeFile(const std::string& path, std::size_t max_size) {
  if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;

  const long long size = FileSize(file.get());
  if (size < 0 || size > kMaxFileSize || static_cast<unsigned long long>(size) > max_size) return std::nullopt;
  if (std::fseek(file.get(), 0, SEEK_SET) != 0) return std::nullopt;

  // A large image can exceed what a 32-bit process can allocate; that is an
  // unreadable file, not a crash of the page's renderer.
  std::vector<unsigned char> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
  if (!bytes.empty() &&
      std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    return std::nullopt;
  }
  // A directory opens on some systems and reports a size; only the read
  // fails, so probe once past the end to tell it from an empty file.
  if (std::fgetc(file.get()) == EOF && std::ferror(file.get())) return std::nullopt;
  return bytes;
}

}  // namespace mvcef
