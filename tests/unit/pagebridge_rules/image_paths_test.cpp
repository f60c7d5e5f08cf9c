#include "pagebridge/image_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <string>

namespace {

using mvcef::DataRootFromExecutable;
using mvcef::FeedbackPath;
using mvcef::MakeFeedbackPath;
using mvcef::ScreenshotFilePath;
using mvcef::ScreenshotFolder;

const std::optional<std::string> kNone = std::nullopt;

struct LayoutCase {
  const char* exe;
  char sep;
  const char* root;
  const char* folder;
  const char* kind1_plain;
  const char* kind2_sub;  // with sub-folder "s1"
  const char* kind3_sub;  // with sub-folder "s1"
  const char* feedback;
};

TEST(ImagePaths, ExecutableLayoutsOfBothPlatforms) {
  const LayoutCase cases[] = {
      {"X\\mvcef\\marovekcef.exe", '\\', "X\\", "X\\data\\screenshot\\",
       "X\\data\\screenshot\\\\rc1_0.png", "X\\data\\screenshot\\s1\\X1.png",
       "X\\data\\screenshot\\s1\\X2.png", "X\\mvcef\\..\\data\\feedback.jpg"},
      {"C:\\Game\\mvcef\\marovekcef.exe", '\\', "C:\\Game\\", "C:\\Game\\data\\screenshot\\",
       "C:\\Game\\data\\screenshot\\\\rc1_0.png", "C:\\Game\\data\\screenshot\\s1\\X1.png",
       "C:\\Game\\data\\screenshot\\s1\\X2.png", "C:\\Game\\mvcef\\..\\data\\feedback.jpg"},
      {"/opt/game/mvcef/marovekcef", '/', "/opt/game/", "/opt/game/data/screenshot/",
       "/opt/game/data/screenshot//rc1_0.png", "/opt/game/data/screenshot/s1/X1.png",
       "/opt/game/data/screenshot/s1/X2.png", "/opt/game/mvcef/../data/feedback.jpg"},
      // Two separators are enough: the data root is the file system root.
      {"/mvcef/marovekcef", '/', "/", "/data/screenshot/", "/data/screenshot//rc1_0.png",
       "/data/screenshot/s1/X1.png", "/data/screenshot/s1/X2.png", "/mvcef/../data/feedback.jpg"},
  };
  const std::string sub = "s1";
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.exe);
    EXPECT_EQ(DataRootFromExecutable(c.exe, c.sep), std::string(c.root));
    EXPECT_EQ(ScreenshotFolder(c.exe, c.sep), std::string(c.folder));
    EXPECT_EQ(ScreenshotFilePath(c.exe, c.sep, 1, nullptr), std::string(c.kind1_plain));
    EXPECT_EQ(ScreenshotFilePath(c.exe, c.sep, 2, &sub), std::string(c.kind2_sub));
    EXPECT_EQ(ScreenshotFilePath(c.exe, c.sep, 3, &sub), std::string(c.kind3_sub));
    EXPECT_EQ(FeedbackPath(c.exe, c.sep), std::string(c.feedback));
  }
}

TEST(ImagePaths, SubFolderTextIsAppendedUnchanged) {
  const std::string with_trailing = "s1/";
  EXPECT_EQ(ScreenshotFilePath("/g/mvcef/m", '/', 1, &with_trailing),
            std::string("/g/data/screenshot/s1//rc1_0.png"));
  const std::string nested = "a b/\xe4\xb8\xad";
  EXPECT_EQ(ScreenshotFilePath("/g/mvcef/m", '/', 2, &nested),
            std::string("/g/data/screenshot/a b/\xe4\xb8\xad/X1.png"));
  const std::string empty;
  EXPECT_EQ(ScreenshotFilePath("/g/mvcef/m", '/', 3, &empty),
            std::string("/g/data/screenshot//X2.png"));
}

TEST(ImagePaths, TooFewSeparatorsHaveNoDataRoot) {
  const struct {
    const char* exe;
    char sep;
  } cases[] = {
      {"", '\\'},
      {"marovekcef.exe", '\\'},
      {"C:\\marovekcef.exe", '\\'},
      {"/marovekcef", '/'},
      {"marovekcef", '/'},
      // The other platform's separator does not count.
      {"/opt/game/mvcef/marovekcef", '\\'},
      {"C:\\Game\\mvcef\\marovekcef.exe", '/'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exe);
    EXPECT_EQ(DataRootFromExecutable(c.exe, c.sep), kNone);
    EXPECT_EQ(ScreenshotFolder(c.exe, c.sep), kNone);
    EXPECT_EQ(ScreenshotFilePath(c.exe, c.sep, 1, nullptr), kNone);
  }
}

TEST(ImagePaths, UnknownKindsHaveNoFile) {
  const std::string sub = "s1";
  for (int kind : {0, 4, -1, 100}) {
    EXPECT_EQ(ScreenshotFilePath("X\\mvcef\\marovekcef.exe", '\\', kind, nullptr), kNone) << kind;
    EXPECT_EQ(ScreenshotFilePath("X\\mvcef\\marovekcef.exe", '\\', kind, &sub), kNone) << kind;
  }
}

// A page's folder argument may only name a sub-folder of the screenshot folder. Each case is
// tried as written and with the other separator, on both platforms' layouts.
TEST(ImagePaths, FolderArgumentsThatWouldLeaveTheScreenshotFolderAreRefused) {
  const struct {
    std::string folder;  // written with '/'
    bool inside;
  } cases[] = {
      {"s1", true},
      {"s1/s2/", true},
      {"/s1", true},  // the folder already ends in a separator: this only doubles it
      {"", true},
      {"./s1", true},
      {"s1/.", true},
      {"..a/b..", true},
      {"a b/\xe4\xb8\xad", true},
      {"..", false},
      {"../x", false},
      {"/../../../x", false},
      {"s1/../../x", false},
      {"s1/..", false},
      {"...", false},    // Windows trims trailing dots: the parent
      {".. ", false},    // and trailing spaces
      {". .", false},
      {"//server/share", false},
      {"//?/C:/x", false},
      {"//./pipe/x", false},
      {"C:/Windows", false},
      {"C:x", false},
      {"s1/file:stream", false},
      {std::string("s1\0/../../x", 11), false},  // the file functions would stop at the NUL
  };
  const std::pair<const char*, char> layouts[] = {{"X\\mvcef\\marovekcef.exe", '\\'}, {"/g/mvcef/m", '/'}};
  for (const auto& c : cases) {
    std::string backslashed = c.folder;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    for (const std::string& folder : {c.folder, backslashed}) {
      SCOPED_TRACE("folder \"" + folder + "\"");
      EXPECT_EQ(mvcef::IsScreenshotSubfolder(folder), c.inside);
      for (const auto& [exe, sep] : layouts) {
        const std::optional<std::string> path = ScreenshotFilePath(exe, sep, 2, &folder);
        EXPECT_EQ(path.has_value(), c.inside) << exe;
        if (path) EXPECT_EQ(*path, *ScreenshotFolder(exe, sep) + folder + sep + "X1.png");
      }
    }
  }
}

TEST(ImagePaths, FeedbackPathEdgeCases) {
  EXPECT_EQ(FeedbackPath("", '\\'), kNone);
  EXPECT_EQ(FeedbackPath("marovekcef.exe", '\\'), kNone);
  // One separator is enough for the feedback rule.
  EXPECT_EQ(FeedbackPath("C:\\marovekcef.exe", '\\'), std::string("C:\\..\\data\\feedback.jpg"));
  EXPECT_EQ(FeedbackPath("/marovekcef", '/'), std::string("/../data/feedback.jpg"));
  EXPECT_EQ(MakeFeedbackPath("", '/'), "/../data/feedback.jpg");
  EXPECT_EQ(MakeFeedbackPath("D:\\a b", '\\'), "D:\\a b\\..\\data\\feedback.jpg");
}

// Screenshot paths of 259 characters fit the 260-character buffer with its
// NUL; 260 and 261 do not.
TEST(ImagePaths, ScreenshotPathLengthBoundary) {
  for (char sep : {'/', '\\'}) {
    const std::string exe = std::string(1, sep) + "g" + sep + "mvcef" + sep + "m";
    const std::string folder = *ScreenshotFolder(exe, sep);
    const std::size_t fixed = folder.size() + 1 + std::string("rc1_0.png").size();
    for (std::size_t total : {258u, 259u, 260u, 261u}) {
      const std::string sub(total - fixed, 'a');
      const auto path = ScreenshotFilePath(exe, sep, 1, &sub);
      if (total < mvcef::kMaxPath) {
        ASSERT_TRUE(path.has_value()) << total;
        EXPECT_EQ(path->size(), total);
      } else {
        EXPECT_EQ(path, kNone) << total;
      }
    }
  }
}

TEST(ImagePaths, ScreenshotFolderLengthBoundary) {
  const std::size_t suffix = std::string("data/screenshot/").size();
  for (std::size_t total : {259u, 260u, 261u}) {
    // Data root "/" + padding + "/", so the folder has exactly `total` characters.
    const std::string root = "/" + std::string(total - suffix - 2, 'r') + "/";
    const std::string exe = root + "mvcef/m";
    const auto folder = ScreenshotFolder(exe, '/');
    if (total < mvcef::kMaxPath) {
      ASSERT_TRUE(folder.has_value()) << total;
      EXPECT_EQ(folder->size(), total);
    } else {
      EXPECT_EQ(folder, kNone) << total;
      EXPECT_EQ(ScreenshotFilePath(exe, '/', 1, nullptr), kNone) << total;
    }
  }
}

TEST(ImagePaths, FeedbackPathLengthBoundary) {
  const std::size_t suffix = std::string("/../data/feedback.jpg").size();
  for (std::size_t total : {259u, 260u, 261u}) {
    const std::string folder = "/" + std::string(total - suffix - 1, 'f');
    const auto path = FeedbackPath(folder + "/marovekcef", '/');
    if (total < mvcef::kMaxPath) {
      ASSERT_TRUE(path.has_value()) << total;
      EXPECT_EQ(path->size(), total);
    } else {
      EXPECT_EQ(path, kNone) << total;
    }
  }
}

}  // namespace
