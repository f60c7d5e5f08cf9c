#include "devtools_pipe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mvbench {
namespace {

std::vector<std::string> Drain(MessageSplitter& splitter) {
  std::vector<std::string> out;
  while (auto m = splitter.Next()) out.push_back(*m);
  return out;
}

TEST(PlainPipeFraming, MessagesSplitAcrossReadsOrSharingOne) {
  MessageSplitter s;
  const char bytes[] = "{\"id\":1}\0{\"method\":\"a\"}\0\0{\"id\":2}";
  const std::string stream(bytes, sizeof bytes);  // with the last NUL
  s.Feed(stream.data(), 5);
  EXPECT_TRUE(Drain(s).empty());  // nothing whole yet
  s.Feed(stream.data() + 5, 19);  // up to the second message's NUL
  EXPECT_EQ(Drain(s), (std::vector<std::string>{"{\"id\":1}", "{\"method\":\"a\"}"}));
  s.Feed(stream.data() + 24, stream.size() - 24);
  EXPECT_EQ(Drain(s), (std::vector<std::string>{"", "{\"id\":2}"}));
  EXPECT_FALSE(s.Next().has_value());
}

TEST(PlainPipeFraming, KeepsEveryByteOverManyUnevenReads) {
  std::string stream;
  std::vector<std::string> sent;
  for (int i = 0; i < 500; ++i) {
    sent.push_back(std::string(static_cast<size_t>(i * 37 % 3000), static_cast<char>('a' + i % 26)) + std::to_string(i));
    stream += sent.back();
    stream.push_back('\0');
  }
  MessageSplitter s;
  std::vector<std::string> received;
  for (size_t at = 0, step = 1; at < stream.size(); at += step, step = step * 3 % 4099 + 1) {
    s.Feed(stream.data() + at, std::min(step, stream.size() - at));
    // Taking messages between reads is what makes the buffer compact itself.
    for (auto& m : Drain(s)) received.push_back(m);
  }
  EXPECT_EQ(received, sent);
}

TEST(ComparableSwitches, IgnoresProgramProfileOrderAndRepeats) {
  const std::vector<std::string> library = {"/usr/lib/chromium/chromium", "--headless=new", "--disable-gpu",
                                            "--user-data-dir=/tmp/a", "--lang=zh-CN", "--disable-gpu"};
  const std::vector<std::string> plain = {"chromium", "--lang=zh-CN", "--disable-gpu", "--headless=new",
                                          "--user-data-dir=/tmp/b"};
  EXPECT_EQ(ComparableSwitches(library), ComparableSwitches(plain));
  std::vector<std::string> other = plain;
  other.push_back("--enable-gpu-rasterization");
  EXPECT_NE(ComparableSwitches(library), ComparableSwitches(other));
  other = plain;
  other[1] = "--lang=en-US";
  EXPECT_NE(ComparableSwitches(library), ComparableSwitches(other));
}

}  // namespace
}  // namespace mvbench
