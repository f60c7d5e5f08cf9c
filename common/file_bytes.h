// A whole file read as bytes, without exceptions: a read can fail part-way (a /proc file of a
// process that ends between open and read fails with ESRCH), and reading through
// std::istreambuf_iterator then throws out of the stream buffer, which would end the game.
#pragma once

#include <string>

namespace mvcommon {

// What could be read: "" when the file cannot be opened, the bytes before the failure when
// reading fails part-way.
std::string ReadFileBytes(const std::string& path);

}  // namespace mvcommon
