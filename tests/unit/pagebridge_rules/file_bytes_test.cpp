#include "pagebridge/file_bytes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base64_test_util.h"
#include "pagebridge/data_uri.h"
#include "pagebridge/image_paths.h"
#include "tests/support/temp_dir.h"

#ifdef __linux__
#include <sys/resource.h>
#endif

namespace {

using mvcef::ReadWholeFile;
using mvtest::TempDir;

TEST(ReadWholeFile, MissingFileFails) {
  TempDir dir;
  EXPECT_FALSE(ReadWholeFile((dir.path() / "absent.png").string()).has_value());
  EXPECT_FALSE(ReadWholeFile((dir.path() / "no_dir" / "absent.png").string()).has_value());
  EXPECT_FALSE(ReadWholeFile("").has_value());
}

TEST(ReadWholeFile, ZeroByteFileIsEmptyNotFailure) {
  TempDir dir;
  const std::string path = dir.Write("empty.png", {});
  const auto bytes = ReadWholeFile(path);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_TRUE(bytes->empty());
}

TEST(ReadWholeFile, ReadsBinaryContentExactly) {
  TempDir dir;
  // Bytes a text-mode read would alter or stop at.
  std::vector<unsigned char> content = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0xFF};
  const std::vector<unsigned char> random = mvcef_test::RandomBytes(300000, 5);
  content.insert(content.end(), random.begin(), random.end());
  const std::string path = dir.Write("shot.png", content);
  const auto bytes = ReadWholeFile(path);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_TRUE(*bytes == content);
}

TEST(ReadWholeFile, DirectoryFails) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "sub");
  EXPECT_FALSE(ReadWholeFile((dir.path() / "sub").string()).has_value());
#ifdef __linux__
  // Here a directory opens and reports size 0; it must not pass as an empty file.
  if (std::filesystem::is_directory("/proc")) {
    EXPECT_FALSE(ReadWholeFile("/proc").has_value());
  }
#endif
}

TEST(ReadWholeFile, FilesOf2GiBOrMoreFail) {
  TempDir dir;
  const std::string path = dir.Write("huge.png", {1});
  std::error_code ec;
  // Sparse, so this costs no disk space.
  std::filesystem::resize_file(path, std::uintmax_t{1} << 31, ec);
  if (ec) GTEST_SKIP() << "cannot size a file to 2 GiB here: " << ec.message();
  EXPECT_FALSE(ReadWholeFile(path).has_value());
}

TEST(ReadWholeFile, FilesAboveTheLimitGivenFail) {
  TempDir dir;
  const std::string path = dir.Write("shot.png", {1, 2, 3, 4});
  EXPECT_FALSE(ReadWholeFile(path, 3).has_value());
  ASSERT_TRUE(ReadWholeFile(path, 4).has_value());
  EXPECT_EQ(ReadWholeFile(path, 4)->size(), 4u);
}

TEST(ReadWholeFile, PathWithNulByteFails) {
  TempDir dir;
  const std::string path = dir.Write("a", {1, 2, 3});
  // The C file functions would see only "…/a" and read that file.
  EXPECT_FALSE(ReadWholeFile(path + std::string("\0.png", 5)).has_value());
}

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Reads `path` with the address space capped well below the file's size.
int ReadUnderMemoryCap(const std::string& path) {
  rlimit limit;
  limit.rlim_cur = limit.rlim_max = rlim_t{256} << 20;
  setrlimit(RLIMIT_AS, &limit);
  return ReadWholeFile(path).has_value() ? 1 : 0;
}

// Out of memory for the content is a failed read, not an escaping exception.
TEST(ReadWholeFileDeathTest, FileLargerThanAvailableMemoryFails) {
  TempDir dir;
  const std::string path = dir.Write("big.png", {1});
  std::error_code ec;
  std::filesystem::resize_file(path, std::uintmax_t{1} << 30, ec);  // sparse
  if (ec) GTEST_SKIP() << ec.message();
  EXPECT_EXIT(std::exit(ReadUnderMemoryCap(path)), ::testing::ExitedWithCode(0), "");
}
#endif

#ifndef _WIN32
// The rules and the reader together on a real tree: the doubled separator and
// the unnormalised ".." both resolve.
TEST(ReadWholeFile, FindsImagesThroughThePathRules) {
  TempDir dir;
  const std::string exe = (dir.path() / "game" / "mvcef" / "marovekcef").string();
  dir.Write("game/mvcef/marovekcef", {});
  dir.Write("game/data/screenshot/rc1_0.png", {'o', 'n', 'e'});
  dir.Write("game/data/screenshot/s1/X1.png", {'t', 'w', 'o'});
  dir.Write("game/data/feedback.jpg", {0xFF, 0xD8, 0xFF});
  if (exe.size() > 200) GTEST_SKIP() << "temporary folder path too long";

  const std::string sub = "s1";
  const auto kind1 = mvcef::ScreenshotFilePath(exe, '/', 1, nullptr);
  const auto kind2 = mvcef::ScreenshotFilePath(exe, '/', 2, &sub);
  const auto kind3 = mvcef::ScreenshotFilePath(exe, '/', 3, &sub);
  const auto feedback = mvcef::FeedbackPath(exe, '/');
  ASSERT_TRUE(kind1 && kind2 && kind3 && feedback);

  EXPECT_EQ(ReadWholeFile(*kind1), (std::vector<unsigned char>{'o', 'n', 'e'}));
  EXPECT_EQ(ReadWholeFile(*kind2), (std::vector<unsigned char>{'t', 'w', 'o'}));
  EXPECT_FALSE(ReadWholeFile(*kind3).has_value());
  const auto jpeg = ReadWholeFile(*feedback);
  ASSERT_TRUE(jpeg.has_value());
  EXPECT_EQ(mvcef::MakeDataUri(mvcef::kJpegDataUriPrefix, *jpeg), "data:image/jpg;base64,/9j/");
}
#endif

}  // namespace
