#include "host/options.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace mvhost {
namespace {

OptionsParse Parse(std::initializer_list<const char*> args) {
  std::vector<std::string> storage = {"mvhost"};
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);
  return ParseCommandLine(static_cast<int>(storage.size()), argv.data());
}

TEST(Options, Defaults) {
  const OptionsParse p = Parse({});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.width, 800);
  EXPECT_EQ(p.options.height, 600);
  EXPECT_EQ(p.options.zoom, 100);
  EXPECT_EQ(p.options.page, "");
  EXPECT_EQ(p.options.library, "");
  EXPECT_FALSE(p.options.window);
  EXPECT_LT(p.options.seconds, 0);
  EXPECT_EQ(p.options.frames, 0);
}

TEST(Options, EveryOptionInBothForms) {
  const OptionsParse p = Parse({"--library", "/x/lib.so", "-s", "1024x768", "--frames=5", "-t", "1.5", "-o",
                                "out.png", "--zoom", "150", "-a", "click:1,2", "--action", "type:x;back", "-w",
                                "--start-timeout", "7", "page.html"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.library, "/x/lib.so");
  EXPECT_EQ(p.options.width, 1024);
  EXPECT_EQ(p.options.height, 768);
  EXPECT_EQ(p.options.frames, 5);
  EXPECT_DOUBLE_EQ(p.options.seconds, 1.5);
  EXPECT_EQ(p.options.out, "out.png");
  EXPECT_EQ(p.options.zoom, 150);
  ASSERT_EQ(p.options.actions.size(), 3u);  // repeated --action options add up in order
  EXPECT_EQ(p.options.actions[0].kind, Action::kClick);
  EXPECT_EQ(p.options.actions[2].kind, Action::kBack);
  EXPECT_TRUE(p.options.window);
  EXPECT_DOUBLE_EQ(p.options.start_timeout, 7);
  EXPECT_EQ(p.options.page, "page.html");
}

TEST(Options, PageMayComeBeforeOptions) {
  const OptionsParse p = Parse({"https://example.com/", "--size", "640x480"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.page, "https://example.com/");
  EXPECT_EQ(p.options.width, 640);
}

TEST(Options, Help) { EXPECT_TRUE(Parse({"--help"}).options.help); }

TEST(Options, TakesTheEndsOfEachRange) {
  const struct {
    std::initializer_list<const char*> args;
    int HostOptions::*field;
    int value;
  } cases[] = {
      {{"--frames", "1"}, &HostOptions::frames, 1},       {{"--frames", "1000000"}, &HostOptions::frames, 1000000},
      {{"--zoom", "10"}, &HostOptions::zoom, 10},         {{"--zoom", "500"}, &HostOptions::zoom, 500},
      {{"--size", "16x8192"}, &HostOptions::width, 16},   {{"--size", "16x8192"}, &HostOptions::height, 8192},
  };
  for (const auto& c : cases) {
    const OptionsParse p = Parse(c.args);
    EXPECT_EQ(p.error, "") << *c.args.begin() << " " << *(c.args.begin() + 1);
    EXPECT_EQ(p.options.*c.field, c.value) << *c.args.begin() << " " << *(c.args.begin() + 1);
  }
}

TEST(Options, RejectsBadValues) {
  const std::initializer_list<const char*> bad[] = {
      {"--size", "800"},     {"--size", "8x600"},   {"--size", "800x99999"}, {"--size", "axb"},
      {"--frames", "0"},     {"--frames", "-3"},    {"--seconds", "-1"},     {"--seconds", "nan"},
      {"--zoom", "5"},       {"--zoom", "1000"},    {"--zoom", "12%"},       {"--action", "fly"},
      {"--out", ""},         {"--bogus"},           {"--size"},              {"a.html", "b.html"},
      {"--start-timeout", "0"},
  };
  for (const auto& args : bad) {
    const OptionsParse p = Parse(args);
    EXPECT_NE(p.error, "") << *args.begin();
  }
}

TEST(Options, ParsingTwiceGivesTheSameResult) {
  // getopt keeps global state; a second parse must start from the beginning again.
  EXPECT_EQ(Parse({"-s", "320x200"}).options.width, 320);
  EXPECT_EQ(Parse({"-s", "640x200"}).options.width, 640);
}

}  // namespace
}  // namespace mvhost
