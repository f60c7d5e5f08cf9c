// Chromium's profile folders on POSIX: one per start in the temporary folder, held by the process
// that made it through a lock on a file inside. The kernel drops the lock when that process ends,
// however it ends, so a folder whose lock can be taken belongs to nobody; a reused process id
// cannot make a dead owner look alive.
#pragma once

#include <functional>
#include <string>

namespace mvengine {
namespace chromium {

// The folder profile folders go in: $TMPDIR, else /tmp.
std::string ProfileFolderParent();

// Makes a new profile folder under `parent` and holds it: `*hold` is a close-on-exec descriptor
// with the lock (closing it lets go). False with `error` on failure (nothing left behind).
bool MakeProfileFolder(const std::string& parent, std::string* folder, int* hold, std::string* error);

// Removes the profile folders under `parent` whose owner is gone, each after `before_removing`
// (may be empty) has seen it; returns how many. Folders being made right now, or of other
// programs, are left alone.
int RemoveStaleProfileFolders(const std::string& parent,
                              const std::function<void(const std::string& folder)>& before_removing = nullptr);

}  // namespace chromium
}  // namespace mvengine
