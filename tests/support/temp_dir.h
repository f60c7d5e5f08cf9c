// A fresh folder under the system's temporary folder for one test, removed with its content.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace mvtest {

class TempDir {
 public:
  // `prefix` names the folder for whoever finds one left over.
  explicit TempDir(const std::string& prefix = "mvcef_test") {
    std::random_device rd;
    for (;;) {
      path_ = std::filesystem::temp_directory_path() / (prefix + "_" + std::to_string(rd()) + std::to_string(rd()));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

  std::string Write(const std::filesystem::path& relative, const std::vector<unsigned char>& bytes) {
    const std::filesystem::path full = path_ / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return full.string();
  }

 private:
  std::filesystem::path path_;
};

}  // namespace mvtest
