#ifndef MVCEF_PAGEBRIDGE_BASE64_LINES_H_
#define MVCEF_PAGEBRIDGE_BASE64_LINES_H_

#include <cstddef>

// The encoder's inner loops, apart from the public interface so each can be
// tested against the others whatever the machine picks.
namespace mvcef::base64_lines {

// 19 three-byte groups make one 76-character line, then "\r\n".
inline constexpr std::size_t kGroupsPerLine = 19;
inline constexpr std::size_t kLineBytes = kGroupsPerLine * 3;
inline constexpr std::size_t kLineChars = kGroupsPerLine * 4;
inline constexpr std::size_t kLineCharsWithBreak = kLineChars + 2;

// Encodes `lines` full lines: reads lines * kLineBytes bytes, writes
// lines * kLineCharsWithBreak characters. Never reads past the input.
using LineEncoder = void (*)(const unsigned char* in, std::size_t lines, char* out);

void EncodeLinesScalar(const unsigned char* in, std::size_t lines, char* out);

// Usable only when Ssse3Available(); elsewhere it is the scalar encoder.
void EncodeLinesSsse3(const unsigned char* in, std::size_t lines, char* out);
bool Ssse3Available();

// The fastest encoder this machine runs.
LineEncoder BestLineEncoder();

// Encodes `groups` whole groups with no line breaks: 4 characters each.
void EncodeGroupsScalar(const unsigned char* in, std::size_t groups, char* out);

}  // namespace mvcef::base64_lines

#endif  // MVCEF_PAGEBRIDGE_BASE64_LINES_H_
