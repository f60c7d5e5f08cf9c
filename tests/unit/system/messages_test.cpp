// Texts pages send to the game: queued per handler, polled and taken through the exports.
#include <cstring>
#include <string>

#include "include/cef_process_message.h"
#include "tests/unit/system/systest_support.h"

namespace {

using MessagesTest = SystemTest;

CefRefPtr<CefProcessMessage> PageText(const std::string& name, const std::string& text) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
  message->GetArgumentList()->SetString(0, text);
  return message;
}

struct Taken {
  std::string name, value;
};

Taken TakeMessage() {
  char name[256], value[256];
  std::memset(name, 'x', sizeof name);
  std::memset(value, 'x', sizeof value);
  name[255] = value[255] = 0;
  fnmvPackCefDllGetMsg(name, value);
  return {name, value};
}

TEST_F(MessagesTest, TextsArriveInOrderAndEmptyTheQueue) {
  InitClient();
  CreateWindowless();
  EXPECT_FALSE(fnmvPackCefDllIsDirty());
  EXPECT_TRUE(scripted::DeliverToBrowser(EngineBrowser(), PageText("msg_BatchUploadImg", "a")));
  EXPECT_TRUE(scripted::DeliverToBrowser(EngineBrowser(), PageText("msg_BatchUploadImg", "\xE4\xB8\xAD b")));
  EXPECT_TRUE(fnmvPackCefDllIsDirty());
  Taken first = TakeMessage();
  EXPECT_EQ(first.name, "batchUploadImg");
  EXPECT_EQ(first.value, "a");
  Taken second = TakeMessage();
  EXPECT_EQ(second.value, "\xE4\xB8\xAD b");
  EXPECT_FALSE(fnmvPackCefDllIsDirty());

  // An empty queue leaves the host's buffers as they were.
  char name[256] = "x", value[256] = "x";
  fnmvPackCefDllGetMsg(name, value);
  EXPECT_STREQ(name, "x");
  EXPECT_STREQ(value, "x");
}

TEST_F(MessagesTest, OnlyTheExactNamesAreHandled) {
  InitClient();
  CreateWindowless();
  for (const char* name : {"msg_batchuploadimg", "msg_BatchUploadImgX", "msg_BatchUpload", "batchUploadImg", ""}) {
    EXPECT_FALSE(scripted::DeliverToBrowser(EngineBrowser(), PageText(name, "t"))) << name;
  }
  EXPECT_FALSE(fnmvPackCefDllIsDirty());
}

TEST_F(MessagesTest, MissingOrNonTextArgumentQueuesAnEmptyValue) {
  InitClient();
  CreateWindowless();
  CefRefPtr<CefProcessMessage> bare = CefProcessMessage::Create("msg_BatchUploadImg");
  CefRefPtr<CefProcessMessage> number = CefProcessMessage::Create("msg_BatchUploadImg");
  number->GetArgumentList()->SetInt(0, 5);
  EXPECT_TRUE(scripted::DeliverToBrowser(EngineBrowser(), bare));
  EXPECT_TRUE(scripted::DeliverToBrowser(EngineBrowser(), number));
  EXPECT_EQ(TakeMessage().value, "");
  EXPECT_EQ(TakeMessage().value, "");
}

TEST_F(MessagesTest, LongTextIsCutWithinTheHostBufferAtACharacterBoundary) {
  InitClient();
  CreateWindowless();
  std::string chinese;
  for (int i = 0; i < 100; ++i) chinese += "\xE4\xB8\xAD";  // 300 bytes
  scripted::DeliverToBrowser(EngineBrowser(), PageText("msg_BatchUploadImg", chinese));
  scripted::DeliverToBrowser(EngineBrowser(), PageText("msg_BatchUploadImg", std::string(1000, 'q')));

  char guard_before[16], name[256], value[256], guard_after[16];
  std::memset(guard_before, 'G', sizeof guard_before);
  std::memset(guard_after, 'G', sizeof guard_after);
  fnmvPackCefDllGetMsg(name, value);
  EXPECT_EQ(std::strlen(value), 255u);  // 85 whole characters
  EXPECT_EQ(std::string(value), chinese.substr(0, 255));
  fnmvPackCefDllGetMsg(name, value);
  EXPECT_EQ(std::string(value), std::string(255, 'q'));
  // Shifted by one byte, byte 255 falls inside a character: that character goes whole.
  for (size_t shift : {1u, 2u}) {
    scripted::DeliverToBrowser(EngineBrowser(), PageText("msg_BatchUploadImg", std::string(shift, 'a') + chinese));
    fnmvPackCefDllGetMsg(name, value);
    EXPECT_EQ(std::string(value), std::string(shift, 'a') + chinese.substr(0, 252)) << shift;
  }
  // A character beyond UTF-16's first plane fits whole or not at all.
  const std::string smile = "\xF0\x9F\x98\x80";
  for (size_t before : {251u, 252u, 254u}) {
    scripted::DeliverToBrowser(EngineBrowser(), PageText("msg_BatchUploadImg", std::string(before, 'a') + smile));
    fnmvPackCefDllGetMsg(name, value);
    EXPECT_EQ(std::string(value), std::string(before, 'a') + (before == 251 ? smile : "")) << before;
  }
  for (char c : guard_before) EXPECT_EQ(c, 'G');
  for (char c : guard_after) EXPECT_EQ(c, 'G');
}

TEST_F(MessagesTest, MessagesStayWithTheirHandlerAcrossSelection) {
  InitClient();
  const auto [first, first_engine] = OpenWindowless();
  const auto [second, second_engine] = OpenWindowless();
  scripted::DeliverToBrowser(first_engine, PageText("msg_BatchUploadImg", "one"));
  scripted::DeliverToBrowser(first_engine, PageText("msg_BatchUploadImg", "two"));
  EXPECT_FALSE(fnmvPackCefDllIsDirty()) << "browser 2 is current and has nothing";
  scripted::DeliverToBrowser(second_engine, PageText("msg_BatchUploadImg", "other"));
  fnmvPackCefDllSelectHandler(first);
  EXPECT_EQ(TakeMessage().value, "one");
  EXPECT_EQ(TakeMessage().value, "two");
  EXPECT_FALSE(fnmvPackCefDllIsDirty());
  fnmvPackCefDllSelectHandler(second);
  EXPECT_EQ(TakeMessage().value, "other");
}

TEST_F(MessagesTest, ANullBufferLeavesTheMessageQueued) {
  InitClient();
  CreateWindowless();
  scripted::DeliverToBrowser(EngineBrowser(), PageText("msg_BatchUploadImg", "kept"));
  char field[256] = "x";
  fnmvPackCefDllGetMsg(nullptr, field);
  fnmvPackCefDllGetMsg(field, nullptr);
  fnmvPackCefDllGetMsg(nullptr, nullptr);
  EXPECT_STREQ(field, "x");
  EXPECT_TRUE(fnmvPackCefDllIsDirty());
  EXPECT_EQ(TakeMessage().value, "kept");
}

TEST_F(MessagesTest, AFloodKeepsTheOldestMessagesAndSaysSo) {
  InitClient();
  CreateWindowless();
  systest::DebugLines debug;
  const std::string long_text(4096, 'm');
  const size_t sent = mvcef::HostMessageQueue::kMaxMessages + 5;
  for (size_t i = 0; i < sent; ++i)
    scripted::DeliverToBrowser(EngineBrowser(), PageText("msg_BatchUploadImg", std::to_string(i) + " " + long_text));
  size_t taken = 0;
  for (; fnmvPackCefDllIsDirty(); ++taken) {
    const std::string value = TakeMessage().value;
    ASSERT_EQ(value.substr(0, value.find(' ')), std::to_string(taken));
  }
  EXPECT_EQ(taken, mvcef::HostMessageQueue::kMaxMessages);
  // Said on the 1st and the 2nd and 4th drop, not on every one.
  size_t said = 0;
  for (const std::string& line : debug.Lines()) said += line.find("page message queue full") != std::string::npos;
  EXPECT_EQ(said, 3u);
}

TEST_F(MessagesTest, NothingWithoutInstanceOrHandler) {
  InitClient();
  CreateWindowless();
  scripted::DeliverToBrowser(EngineBrowser(), PageText("msg_BatchUploadImg", "kept"));
  fnmvPackCefDllSelectHandler(0);
  EXPECT_FALSE(fnmvPackCefDllIsDirty());
  EXPECT_EQ(TakeMessage().value, std::string(255, 'x'));
  fnmvPackCefDllSelectHandler(1);
  EXPECT_TRUE(fnmvPackCefDllIsDirty());
}

TEST_F(MessagesTest, QueuedMessagesDieWithTheirHandler) {
  InitClient();
  CreateWindowless();
  scripted::DeliverToBrowser(EngineBrowser(), PageText("msg_BatchUploadImg", "never read"));
  fnmvPackCefDllDoClose();
  scripted::WaitIdle();
  fnmvPackCefDllUninitializeCef();  // the last references go; ASan checks nothing leaks or dangles
  EXPECT_FALSE(fnmvPackCefDllIsDirty());
}

}  // namespace
