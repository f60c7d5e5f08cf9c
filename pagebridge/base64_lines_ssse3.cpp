#include "pagebridge/base64_lines.h"

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define MVCEF_BASE64_SSSE3 1
#include <immintrin.h>
#endif

namespace mvcef::base64_lines {

#ifdef MVCEF_BASE64_SSSE3
namespace {

// 12 input bytes, taken from byte `first` (0 or 4) of a 16-byte load, give
// 16 characters. Each 32-bit lane gets one group's bytes in the order that
// lets two multiplies move its four 6-bit fields into separate bytes; each
// character is then its field plus the offset of the field's range.
__attribute__((target("ssse3"))) inline __m128i EncodeBlock(__m128i bytes, __m128i spread) {
  const __m128i in = _mm_shuffle_epi8(bytes, spread);
  const __m128i hi = _mm_mulhi_epu16(_mm_and_si128(in, _mm_set1_epi32(0x0FC0FC00)),
                                     _mm_set1_epi32(0x04000040));
  const __m128i lo = _mm_mullo_epi16(_mm_and_si128(in, _mm_set1_epi32(0x003F03F0)),
                                     _mm_set1_epi32(0x01000010));
  const __m128i fields = _mm_or_si128(hi, lo);

  // Index into the offset table: fields 0..25 ('A'..) -> 13, 26..51 ('a'..)
  // -> 0, 52..61 (digits) -> 1..10, 62 ('+') -> 11, 63 ('/') -> 12.
  __m128i range = _mm_subs_epu8(fields, _mm_set1_epi8(51));
  const __m128i upper = _mm_cmpgt_epi8(_mm_set1_epi8(26), fields);
  range = _mm_or_si128(range, _mm_and_si128(upper, _mm_set1_epi8(13)));
  const __m128i offsets = _mm_setr_epi8(
      'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
      '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
  return _mm_add_epi8(_mm_shuffle_epi8(offsets, range), fields);
}

// A line of 57 bytes: four blocks cover bytes 0..47 (the last load reads
// 36..51), a fifth covers 45..56 from a load at 41, rewriting characters
// 60..63 with the same values. No load leaves the line.
__attribute__((target("ssse3"))) void EncodeLinesSsse3Impl(const unsigned char* in,
                                                           std::size_t lines, char* out) {
  const __m128i spread = _mm_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
  const __m128i spread_high =
      _mm_setr_epi8(5, 4, 6, 5, 8, 7, 9, 8, 11, 10, 12, 11, 14, 13, 15, 14);
  for (; lines > 0; --lines) {
    for (int k = 0; k < 4; ++k) {
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 12 * k));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * k), EncodeBlock(b, spread));
    }
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 41));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 60), EncodeBlock(b, spread_high));
    out[kLineChars] = '\r';
    out[kLineChars + 1] = '\n';
    in += kLineBytes;
    out += kLineCharsWithBreak;
  }
}

}  // namespace

bool Ssse3Available() {
  static const bool available = __builtin_cpu_supports("ssse3");
  return available;
}

void EncodeLinesSsse3(const unsigned char* in, std::size_t lines, char* out) {
  if (Ssse3Available()) {
    EncodeLinesSsse3Impl(in, lines, out);
  } else {
    EncodeLinesScalar(in, lines, out);
  }
}

#else

bool Ssse3Available() { return false; }

void EncodeLinesSsse3(const unsigned char* in, std::size_t lines, char* out) {
  EncodeLinesScalar(in, lines, out);
}

#endif

LineEncoder BestLineEncoder() { return Ssse3Available() ? EncodeLinesSsse3 : EncodeLinesScalar; }

}  // namespace mvcef::base64_lines
