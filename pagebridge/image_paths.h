#ifndef MVCEF_PAGEBRIDGE_IMAGE_PATHS_H_
#define MVCEF_PAGEBRIDGE_IMAGE_PATHS_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mvcef {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Path buffer size of the game's platform, terminating NUL included: a path
// is usable only if it has at most kMaxPath - 1 characters.
inline constexpr std::size_t kMaxPath = 260;

// The folder above the executable's folder, ending in `sep`
// ("X\mvcef\marovekcef.exe" -> "X\"). nullopt when the path has fewer than
// two separators (an executable at the root has no such folder).
std::optional<std::string> DataRootFromExecutable(std::string_view exe_path, char sep);

// Data root + "data" sep "screenshot" sep; nullopt without a data root or when
// the folder would not fit kMaxPath.
std::optional<std::string> ScreenshotFolder(std::string_view exe_path, char sep);

// Whether a page's folder argument stays inside the screenshot folder it is
// appended to. Read with both '/' and '\\' as separators on every platform,
// it is refused for a component of dots and spaces with two dots or more
// ("..", and "...", ". ." which Windows trims to ".."), for any ':' (a drive,
// or a stream of a file), for a leading double separator (UNC "\\\\server"
// and device "\\\\?\\" paths) and for a NUL byte (the file functions would
// open a shorter path). A single leading separator only doubles the folder's
// own and stays inside, as an empty component does.
bool IsScreenshotSubfolder(std::string_view folder);

// Screenshot folder + the page's sub-folder text (unchanged, no separator
// added) + sep + the kind's file name: 1 "rc1_0.png", 2 "X1.png", 3 "X2.png".
// Without a sub-folder the separator appears twice before the file name,
// which file systems accept. nullopt for any other kind, when the path would
// not fit kMaxPath, or when the sub-folder fails IsScreenshotSubfolder.
std::optional<std::string> ScreenshotFilePath(std::string_view exe_path, char sep, int kind,
                                              const std::string* subfolder);

// folder + sep ".." sep "data" sep "feedback.jpg", not normalised.
std::string MakeFeedbackPath(std::string_view folder, char sep);

// MakeFeedbackPath of the executable's folder (no trailing separator).
// nullopt for an empty path, a path without a separator, or a result that
// would not fit kMaxPath.
std::optional<std::string> FeedbackPath(std::string_view exe_path, char sep);

}  // namespace mvcef

#endif  // MVCEF_PAGEBRIDGE_IMAGE_PATHS_H_
