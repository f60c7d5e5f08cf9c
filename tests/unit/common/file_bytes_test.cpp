// Reading a whole file must never throw: the engine reads /proc files of processes that may end
// in between, inside the game's process.
#include "common/file_bytes.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace mvcommon {
namespace {

TEST(ReadFileBytes, GivesEveryByteOrNothingAndNeverThrows) {
  mvtest::TempDir folder("mvcef_file_bytes");
  const std::vector<unsigned char> bytes = {'a', 0, 'b', '\r', '\n', 0xFF};
  const std::string written = folder.Write("bytes.bin", bytes);
  EXPECT_EQ(ReadFileBytes(written), std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(ReadFileBytes(folder.Write("empty", {})), "");
  EXPECT_EQ(ReadFileBytes((folder.path() / "missing").string()), "");
  // Both open but fail on the first read, as a /proc file of a process that has just ended.
  for (const std::string& unreadable : {folder.path().string(), std::string("/proc/self/mem")})
    EXPECT_EQ(ReadFileBytes(unreadable), "") << unreadable;
}

}  // namespace
}  // namespace mvcommon
