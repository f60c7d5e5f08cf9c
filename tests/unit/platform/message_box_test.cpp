#include <shellapi.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "mvwin32/stand_in.h"
#include "tests/support/stand_in_string.h"

namespace {

struct Seen {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};

struct Responder {
  int answer = IDOK;
  std::vector<Seen> seen;
  static int Respond(void* user, HWND owner, const char* text, const char* caption, UINT type) {
    auto* self = static_cast<Responder*>(user);
    self->seen.push_back({owner, text, caption, type});
    return self->answer;
  }
};

std::string BoxString(size_t index, int field) {
  return mvtest::StandInString(mvw32_get_message_box_string, index, field, "<missing>");
}

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mvw32_reset();
    owner_ = mvw32_create_window(nullptr, RECT{0, 0, 100, 100}, TRUE);
  }
  void TearDown() override { mvw32_reset(); }
  HWND owner_ = nullptr;
};

TEST_F(MessageBoxTest, WideBoxesReachTheResponderAsUtf8) {
  Responder r;
  r.answer = IDCANCEL;
  mvw32_set_message_box_responder(&Responder::Respond, &r);
  EXPECT_EQ(MessageBoxW(owner_, L"Continue? \u2713", L"\u63D0\u793A", MB_TOPMOST | MB_OKCANCEL), IDCANCEL);
  ASSERT_EQ(r.seen.size(), 1u);
  EXPECT_EQ(r.seen[0].owner, owner_);
  EXPECT_EQ(r.seen[0].text, "Continue? \xE2\x9C\x93");
  EXPECT_EQ(r.seen[0].caption, "\xE6\x8F\x90\xE7\xA4\xBA");  // 提示
  EXPECT_EQ(r.seen[0].type, 0x00040001u);

  ASSERT_EQ(mvw32_message_box_count(), 1u);
  mvw32_message_box_info info{};
  ASSERT_TRUE(mvw32_get_message_box(0, &info));
  EXPECT_EQ(info.owner, owner_);
  EXPECT_EQ(info.type, 0x00040001u);
  EXPECT_EQ(info.result, IDCANCEL);
  EXPECT_FALSE(info.ansi);
  EXPECT_EQ(info.caption_length, 6u);
  EXPECT_EQ(BoxString(0, 0), "Continue? \xE2\x9C\x93");
  EXPECT_EQ(BoxString(0, 1), "\xE6\x8F\x90\xE7\xA4\xBA");
}

TEST_F(MessageBoxTest, NarrowBoxesPassTheirBytesUnchanged) {
  Responder r;
  mvw32_set_message_box_responder(&Responder::Respond, &r);
  const char caption[] = "\xCC\xE1\xCA\xBE";  // 提示 in code page 936
  EXPECT_EQ(MessageBoxA(nullptr, "frame_id2:5,low:0,high:1,ret:0", caption, MB_TOPMOST), IDOK);
  ASSERT_EQ(r.seen.size(), 1u);
  EXPECT_EQ(r.seen[0].owner, nullptr);
  EXPECT_EQ(r.seen[0].caption, caption);
  mvw32_message_box_info info{};
  ASSERT_TRUE(mvw32_get_message_box(0, &info));
  EXPECT_TRUE(info.ansi);
  EXPECT_EQ(info.type, static_cast<UINT>(MB_TOPMOST));
  EXPECT_EQ(BoxString(0, 1), caption);
  EXPECT_EQ(BoxString(0, 0), "frame_id2:5,low:0,high:1,ret:0");
}

TEST_F(MessageBoxTest, DefaultAnswersOkAndEveryBoxIsRecordedInOrder) {
  EXPECT_EQ(MessageBoxW(owner_, L"one", L"c", MB_OKCANCEL), IDOK);
  EXPECT_EQ(MessageBoxA(owner_, nullptr, nullptr, MB_OK), IDOK);  // null strings show as empty
  ASSERT_EQ(mvw32_message_box_count(), 2u);
  EXPECT_EQ(BoxString(0, 0), "one");
  EXPECT_EQ(BoxString(1, 0), "");
  EXPECT_EQ(BoxString(2, 0), "<missing>");
  EXPECT_EQ(BoxString(0, 2), "<missing>");
  mvw32_message_box_info info{};
  EXPECT_FALSE(mvw32_get_message_box(2, &info));

  // Restoring the default after a responder.
  Responder r;
  r.answer = IDCANCEL;
  mvw32_set_message_box_responder(&Responder::Respond, &r);
  mvw32_set_message_box_responder(nullptr, nullptr);
  EXPECT_EQ(MessageBoxW(owner_, L"x", L"y", MB_OKCANCEL), IDOK);
  EXPECT_TRUE(r.seen.empty());

  mvw32_clear_message_boxes();
  EXPECT_EQ(mvw32_message_box_count(), 0u);
}

TEST_F(MessageBoxTest, StringCopiesAreCutAndTerminated) {
  MessageBoxW(owner_, L"abcdef", L"", MB_OK);
  char small[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(mvw32_get_message_box_string(0, 0, small, sizeof(small)), 6u);
  EXPECT_EQ(std::string(small), "abc");
  char one = '#';
  EXPECT_EQ(mvw32_get_message_box_string(0, 0, &one, 1), 6u);
  EXPECT_EQ(one, '\0');
}

TEST_F(MessageBoxTest, AnOwnerThatIsNoWindowFailsWithoutShowingABox) {
  Responder r;
  mvw32_set_message_box_responder(&Responder::Respond, &r);
  EXPECT_EQ(MessageBoxW(reinterpret_cast<HWND>(0x4321), L"t", L"c", MB_OK), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_TRUE(r.seen.empty());
  EXPECT_EQ(mvw32_message_box_count(), 0u);
}

// A box open on one thread must not stall the stand-in for the others.
TEST_F(MessageBoxTest, AnOpenBoxBlocksOnlyItsOwnThread) {
  struct Gate {
    std::promise<void> opened;
    std::promise<int> answer;
    std::shared_future<int> answered;
  } gate;
  gate.answered = gate.answer.get_future().share();
  mvw32_set_message_box_responder(
      [](void* user, HWND, const char*, const char*, UINT) {
        auto* g = static_cast<Gate*>(user);
        g->opened.set_value();
        return g->answered.get();
      },
      &gate);
  std::future<void> opened = gate.opened.get_future();
  auto ui = std::async(std::launch::async, [] { return MessageBoxW(nullptr, L"wait", L"c", MB_OKCANCEL); });
  ASSERT_EQ(opened.wait_for(std::chrono::seconds(10)), std::future_status::ready);

  auto host = std::async(std::launch::async, [this] {
    SetCapture(owner_);
    mvw32_set_key_state(VK_SHIFT, TRUE, FALSE);
    const bool ok = GetKeyState(VK_SHIFT) < 0 && WindowFromPoint(POINT{1, 1}) == owner_;
    return ok && mvw32_message_box_count() == 0;  // not answered yet
  });
  ASSERT_EQ(host.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "stand-in locked by the box";
  EXPECT_TRUE(host.get());

  gate.answer.set_value(IDCANCEL);
  EXPECT_EQ(ui.get(), IDCANCEL);
  EXPECT_EQ(mvw32_message_box_count(), 1u);
}

// A page can show boxes and open windows without end; what the stand-in keeps of them cannot grow.
TEST_F(MessageBoxTest, RecordsOfBoxesAndShellCallsAreBounded) {
  mvw32_set_shell_open_handler([](void*, HWND, const char*, const char*, const char*, const char*, int) { return 42; },
                               nullptr);
  std::string long_text;
  for (int i = 0; i < 3000; ++i) long_text += "\xE4\xB8\xAD";  // 9000 bytes
  const std::wstring long_wide(3000, L'\x4E2D');
  for (int i = 0; i < 300; ++i) {
    ASSERT_EQ(MessageBoxW(owner_, long_wide.c_str(), L"c", MB_OK), IDOK);
    ASSERT_EQ(reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, "open", long_text.c_str(), nullptr, nullptr, 5)), 42);
  }
  EXPECT_EQ(mvw32_message_box_count(), 256u);
  EXPECT_EQ(mvw32_shell_open_count(), 256u);
  // The first 4096 bytes at most, cut between characters: 1365 characters of three bytes.
  const std::string kept = long_text.substr(0, 4095);
  mvw32_message_box_info info{};
  ASSERT_TRUE(mvw32_get_message_box(255, &info));
  EXPECT_EQ(info.text_length, kept.size());
  EXPECT_EQ(BoxString(255, 0), kept);
  std::vector<char> file(8192);
  EXPECT_EQ(mvw32_get_shell_open_string(255, 1, file.data(), file.size()), kept.size());
  EXPECT_EQ(std::string(file.data()), kept);
  // Clearing makes room again.
  mvw32_clear_message_boxes();
  MessageBoxW(owner_, L"again", L"c", MB_OK);
  EXPECT_EQ(BoxString(0, 0), "again");
}

}  // namespace
