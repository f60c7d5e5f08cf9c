#include "pagebridge/image_paths.h"

namespace mvcef {
namespace {

bool FitsPathBuffer(const std::string& path) { return path.size() < kMaxPath; }

std::optional<std::string_view> ScreenshotFileName(int kind) {
  switch (kind) {
    case 1: return std::string_view("rc1_0.png");
    case 2: return std::string_view("X1.png");
    case 3: return std::string_view("X2.png");
    default: return std::nullopt;
  }
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Windows drops trailing dots and spaces from a name, so "..." or ".. " can name the parent.
bool NamesParent(std::string_view component) {
  if (component.find_first_not_of(". ") != std::string_view::npos) return false;
  return component.find('.') != component.rfind('.');  // two dots or more
}

}  // namespace

bool IsScreenshotSubfolder(std::string_view folder) {
  if (folder.find('\0') != std::string_view::npos || folder.find(':') != std::string_view::npos) return false;
  if (folder.size() >= 2 && IsSeparator(folder[0]) && IsSeparator(folder[1])) return false;
  std::size_t start = 0;
  while (start <= folder.size()) {
    std::size_t end = start;
    while (end < folder.size() && !IsSeparator(folder[end])) ++end;
    if (NamesParent(folder.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

std::optional<std::string> DataRootFromExecutable(std::string_view exe_path, char sep) {
  const std::size_t file_sep = exe_path.rfind(sep);
  if (file_sep == std::string_view::npos || file_sep == 0) return std::nullopt;
  const std::size_t folder_sep = exe_path.rfind(sep, file_sep - 1);
  if (folder_sep == std::string_view::npos) return std::nullopt;
  return std::string(exe_path.substr(0, folder_sep + 1));
}

std::optional<std::string> ScreenshotFolder(std::string_view exe_path, char sep) {
  std::optional<std::string> folder = DataRootFromExecutable(exe_path, sep);
  if (!folder) return std::nullopt;
  folder->append("data");
  folder->push_back(sep);
  folder->append("screenshot");
  folder->push_back(sep);
  if (!FitsPathBuffer(*folder)) return std::nullopt;
  return folder;
}

std::optional<std::string> ScreenshotFilePath(std::string_view exe_path, char sep, int kind,
                                              const std::string* subfolder) {
  const std::optional<std::string_view> name = ScreenshotFileName(kind);
  if (!name) return std::nullopt;
  if (subfolder && !IsScreenshotSubfolder(*subfolder)) return std::nullopt;
  std::optional<std::string> path = ScreenshotFolder(exe_path, sep);
  if (!path) return std::nullopt;
  if (subfolder) path->append(*subfolder);
  path->push_back(sep);
  path->append(*name);
  if (!FitsPathBuffer(*path)) return std::nullopt;
  return path;
}

std::string MakeFeedbackPath(std::string_view folder, char sep) {
  std::string path(folder);
  path.push_back(sep);
  path.append("..");
  path.push_back(sep);
  path.append("data");
  path.push_back(sep);
  path.append("feedback.jpg");
  return path;
}

std::optional<std::string> FeedbackPath(std::string_view exe_path, char sep) {
  if (exe_path.empty()) return std::nullopt;
  const std::size_t file_sep = exe_path.rfind(sep);
  if (file_sep == std::string_view::npos) return std::nullopt;
  std::string path = MakeFeedbackPath(exe_path.substr(0, file_sep), sep);
  if (!FitsPathBuffer(path)) return std::nullopt;
  return path;
}

}  // namespace mvcef
