// Input contexts and result strings, read the way an input-method client reads them.
#include <imm.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mvwin32/stand_in.h"

namespace {

class ImeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mvw32_reset();
    window_ = mvw32_create_window(nullptr, RECT{0, 0, 800, 600}, TRUE);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { mvw32_reset(); }

  // Size in the narrow code page first, then a zeroed wide buffer two units longer.
  static std::wstring ReadResult(HIMC himc) {
    const LONG n = ImmGetCompositionStringA(himc, GCS_RESULTSTR, nullptr, 0);
    if (n <= 0) return L"<none>";
    std::vector<WCHAR> buffer(static_cast<size_t>(n) + 2, 0);
    ImmGetCompositionStringW(himc, GCS_RESULTSTR, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(WCHAR)));
    return std::wstring(buffer.data());
  }

  HWND window_ = nullptr;
};

TEST_F(ImeTest, ResultLengthsForMixedAsciiAndChinese) {
  const uint16_t text[] = {'a', 'b', 0x4E2D, 0x6587, 'c'};  // ab中文c
  ASSERT_TRUE(mvw32_set_ime_result_utf16(window_, text, 5));
  HIMC himc = ImmGetContext(window_);
  ASSERT_NE(himc, nullptr);
  EXPECT_EQ(ImmGetCompositionStringA(himc, GCS_RESULTSTR, nullptr, 0), 9);  // 1+1+3+3+1 UTF-8 bytes
  EXPECT_EQ(ImmGetCompositionStringW(himc, GCS_RESULTSTR, nullptr, 0), static_cast<LONG>(5 * sizeof(WCHAR)));
  EXPECT_EQ(ReadResult(himc), (std::wstring{L'a', L'b', 0x4E2D, 0x6587, L'c'}));
  char narrow[16] = {};
  EXPECT_EQ(ImmGetCompositionStringA(himc, GCS_RESULTSTR, narrow, sizeof(narrow)), 9);
  EXPECT_EQ(std::string(narrow), "ab\xE4\xB8\xAD\xE6\x96\x87" "c");
  EXPECT_TRUE(ImmReleaseContext(window_, himc));
}

TEST_F(ImeTest, CharactersOutsideTheBasicPlaneCountOnce) {
  const uint16_t text[] = {0xD83D, 0xDE00, 'x'};  // 😀x
  ASSERT_TRUE(mvw32_set_ime_result_utf16(window_, text, 3));
  HIMC himc = ImmGetContext(window_);
  EXPECT_EQ(ImmGetCompositionStringA(himc, GCS_RESULTSTR, nullptr, 0), 5);
  EXPECT_EQ(ImmGetCompositionStringW(himc, GCS_RESULTSTR, nullptr, 0), static_cast<LONG>(2 * sizeof(WCHAR)));
  EXPECT_EQ(ReadResult(himc), (std::wstring{static_cast<wchar_t>(0x1F600), L'x'}));
  ImmReleaseContext(window_, himc);
}

TEST_F(ImeTest, WideCopyHonoursTheByteLimitAndWritesNoTerminator) {
  ASSERT_TRUE(mvw32_set_ime_result_wide(window_, L"\u4F60\u597D\u5417"));  // 你好吗
  HIMC himc = ImmGetContext(window_);
  struct Case {
    DWORD limit;
    LONG copied_units;
  };
  const std::vector<Case> cases = {{1, 0},
                                   {sizeof(WCHAR), 1},
                                   {2 * sizeof(WCHAR) + 1, 2},  // a part of a unit is not copied
                                   {3 * sizeof(WCHAR), 3},
                                   {10 * sizeof(WCHAR), 3}};
  for (const auto& c : cases) {
    std::vector<WCHAR> buffer(8, L'#');
    const LONG got = ImmGetCompositionStringW(himc, GCS_RESULTSTR, buffer.data(), c.limit);
    EXPECT_EQ(got, c.copied_units * static_cast<LONG>(sizeof(WCHAR))) << c.limit;
    const std::wstring expected = std::wstring(L"\u4F60\u597D\u5417").substr(0, static_cast<size_t>(c.copied_units));
    EXPECT_EQ(std::wstring(buffer.data(), static_cast<size_t>(c.copied_units)), expected);
    EXPECT_EQ(buffer[static_cast<size_t>(c.copied_units)], L'#') << "wrote past what it copied";
  }
  ImmReleaseContext(window_, himc);
}

TEST_F(ImeTest, NarrowCopyHonoursTheByteLimitWithWholeCharacters) {
  ASSERT_TRUE(mvw32_set_ime_result_wide(window_, L"ab\u4E2D"));  // 2 + 3 bytes
  HIMC himc = ImmGetContext(window_);
  struct Case {
    DWORD limit;
    LONG copied;
  };
  for (const Case c : {Case{1, 1}, Case{2, 2}, Case{4, 2}, Case{5, 5}, Case{50, 5}}) {
    char buffer[8];
    std::memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(ImmGetCompositionStringA(himc, GCS_RESULTSTR, buffer, c.limit), c.copied) << c.limit;
    EXPECT_EQ(buffer[c.copied], '#');
  }
  ImmReleaseContext(window_, himc);
}

TEST_F(ImeTest, NoResultOtherIndexesAndBadContexts) {
  HIMC himc = ImmGetContext(window_);
  ASSERT_NE(himc, nullptr);
  EXPECT_EQ(ImmGetCompositionStringA(himc, GCS_RESULTSTR, nullptr, 0), 0);
  EXPECT_EQ(ReadResult(himc), L"<none>");
  ASSERT_TRUE(mvw32_set_ime_result_wide(window_, L"x"));
  EXPECT_EQ(ImmGetCompositionStringA(himc, GCS_COMPSTR, nullptr, 0), 0);
  EXPECT_EQ(ImmGetCompositionStringW(himc, GCS_COMPSTR, nullptr, 0), 0);
  // An empty result is a result of length 0.
  ASSERT_TRUE(mvw32_set_ime_result_wide(window_, L""));
  EXPECT_EQ(ImmGetCompositionStringA(himc, GCS_RESULTSTR, nullptr, 0), 0);
  ASSERT_TRUE(mvw32_set_ime_result_wide(window_, L"y"));
  ASSERT_TRUE(mvw32_clear_ime_result(window_));
  EXPECT_EQ(ImmGetCompositionStringW(himc, GCS_RESULTSTR, nullptr, 0), 0);

  EXPECT_EQ(ImmGetCompositionStringA(nullptr, GCS_RESULTSTR, nullptr, 0), IMM_ERROR_GENERAL);
  EXPECT_EQ(ImmGetCompositionStringW(reinterpret_cast<HIMC>(0x77), GCS_RESULTSTR, nullptr, 0), IMM_ERROR_GENERAL);
  EXPECT_TRUE(ImmReleaseContext(window_, himc));
  mvw32_destroy_window(window_);
  EXPECT_EQ(ImmGetCompositionStringA(himc, GCS_RESULTSTR, nullptr, 0), IMM_ERROR_GENERAL);
}

TEST_F(ImeTest, ResultsBelongToTheirWindow) {
  HWND other = mvw32_create_window(nullptr, RECT{0, 0, 10, 10}, TRUE);
  ASSERT_TRUE(mvw32_set_ime_result_wide(other, L"other"));
  ASSERT_TRUE(mvw32_set_ime_result_wide(window_, L"mine"));
  HIMC a = ImmGetContext(window_);
  HIMC b = ImmGetContext(other);
  EXPECT_NE(a, b);
  EXPECT_EQ(ReadResult(a), L"mine");
  EXPECT_EQ(ReadResult(b), L"other");
  EXPECT_FALSE(ImmReleaseContext(window_, b));  // released on the wrong window
  EXPECT_TRUE(ImmReleaseContext(window_, a));
  EXPECT_TRUE(ImmReleaseContext(other, b));
  EXPECT_FALSE(mvw32_set_ime_result_wide(reinterpret_cast<HWND>(0x42), L"x"));
  EXPECT_FALSE(mvw32_set_ime_result_utf16(window_, nullptr, 3));
}

TEST_F(ImeTest, ContextsAreCountedAndMissingWhenTheWindowHasNone) {
  EXPECT_EQ(mvw32_ime_context_refs(window_), 0);
  HIMC first = ImmGetContext(window_);
  HIMC second = ImmGetContext(window_);
  EXPECT_EQ(first, second);
  EXPECT_EQ(mvw32_ime_context_refs(window_), 2);
  EXPECT_TRUE(ImmReleaseContext(window_, first));
  EXPECT_TRUE(ImmReleaseContext(window_, second));
  EXPECT_EQ(mvw32_ime_context_refs(window_), 0);
  EXPECT_FALSE(ImmReleaseContext(window_, first));  // one release too many
  EXPECT_EQ(mvw32_ime_context_refs(window_), 0);

  ASSERT_TRUE(mvw32_set_ime_context(window_, FALSE));
  ASSERT_TRUE(mvw32_set_ime_result_wide(window_, L"x"));
  EXPECT_EQ(ImmGetContext(window_), nullptr);
  EXPECT_EQ(mvw32_ime_context_refs(window_), 0);
  EXPECT_FALSE(ImmReleaseContext(window_, nullptr));
  ASSERT_TRUE(mvw32_set_ime_context(window_, TRUE));
  EXPECT_NE(ImmGetContext(window_), nullptr);

  EXPECT_EQ(ImmGetContext(reinterpret_cast<HWND>(0x42)), nullptr);
  EXPECT_EQ(mvw32_ime_context_refs(reinterpret_cast<HWND>(0x42)), -1);
}

}  // namespace
