#include "engine/runtime/chromium/profile_folder_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace mvengine {
namespace chromium {

namespace {

constexpr char kPrefix[] = "mvcef-chromium-";
// Only a locked file ever has this name: it is locked under another name, then renamed.
constexpr char kOwnerFile[] = "mvcef-owner.lock";
constexpr char kOwnerFileUnlocked[] = "mvcef-owner.lock.new";

}  // namespace

std::string ProfileFolderParent() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

bool MakeProfileFolder(const std::string& parent, std::string* folder, int* hold, std::string* error) {
  std::string pattern = parent + "/" + kPrefix + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!::mkdtemp(buffer.data())) {
    *error = std::string("cannot create a profile directory: ") + std::strerror(errno);
    return false;
  }
  const std::string made = buffer.data();
  const std::string unlocked = made + "/" + kOwnerFileUnlocked;
  const int fd = ::open(unlocked.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::rename(unlocked.c_str(), (made + "/" + kOwnerFile).c_str()) != 0) {
    *error = std::string("cannot hold the profile directory: ") + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    std::error_code ec;
    std::filesystem::remove_all(made, ec);
    return false;
  }
  *folder = made;
  *hold = fd;
  return true;
}

int RemoveStaleProfileFolders(const std::string& parent,
                              const std::function<void(const std::string& folder)>& before_removing) {
  DIR* dir = ::opendir(parent.c_str());
  if (!dir) return 0;
  std::vector<std::string> stale;
  while (dirent* entry = ::readdir(dir)) {
    if (std::strncmp(entry->d_name, kPrefix, sizeof kPrefix - 1) != 0) continue;
    const std::string folder = parent + "/" + entry->d_name;
    // No owner file: being made right now, or not ours to judge.
    const int fd = ::open((folder + "/" + kOwnerFile).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) stale.push_back(folder);
    ::close(fd);
  }
  ::closedir(dir);
  for (const std::string& folder : stale) {
    if (before_removing) before_removing(folder);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  return static_cast<int>(stale.size());
}

}  // namespace chromium
}  // namespace mvengine
