// Command-line splitting, quoting and switch handling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/src/command_line_rules.h"
#include "include/cef_command_line.h"

namespace {

using Args = std::vector<std::string>;

TEST(SplitWindowsCommandLine, Table) {
  struct Case {
    const char* line;
    Args expected;
  } cases[] = {
      {"prog", {"prog"}},
      {"  prog   a  b ", {"prog", "a", "b"}},
      {"\"C:\\Program Files\\game.exe\" --type=renderer", {"C:\\Program Files\\game.exe", "--type=renderer"}},
      {"C:\\dir\\x.exe a\\b", {"C:\\dir\\x.exe", "a\\b"}},          // lone backslashes stay
      {"p \"a b\" c", {"p", "a b", "c"}},                           // quotes group
      {"p a\\\"b", {"p", "a\"b"}},                                  // \" is a quote
      {"p a\\\\\"b c\"", {"p", "a\\b c"}},                          // \\" is \ then toggle
      {"p \"a\\\\\\\"b\"", {"p", "a\\\"b"}},                        // \\\" is \ and a quote
      {"p \"\"", {"p", ""}},                                        // empty argument
      {"p \"a\"\"b\"", {"p", "a\"b"}},                              // "" inside quotes
      {"p --lang=\"zh-CN\"", {"p", "--lang=zh-CN"}},
      {"\t", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, mvengine::SplitWindowsCommandLine(c.line)) << c.line;
}

TEST(QuoteWindowsArgument, RoundTripsThroughSplit) {
  const std::string samples[] = {"plain", "with space", "", "quote\"inside", "trailing\\", "dir with\\",
                                 "a\\\"b", "tab\there", "C:\\Program Files\\"};
  for (const std::string& s : samples) {
    Args split = mvengine::SplitWindowsCommandLine("prog " + mvengine::QuoteWindowsArgument(s));
    ASSERT_EQ(2u, split.size()) << s;
    EXPECT_EQ(s, split[1]);
  }
}

TEST(ParseSwitch, PrefixesAndValues) {
  struct Case {
    const char* arg;
    bool slash;
    bool lower;
    bool is_switch;
    const char* name;
    const char* value;
  } cases[] = {
      {"--type=renderer", false, false, true, "type", "renderer"},
      {"-single", false, false, true, "single", ""},
      {"--a=b=c", false, false, true, "a", "b=c"},
      {"/flag", false, false, false, "", ""},
      {"/flag", true, false, true, "flag", ""},
      {"--Lang=zh-CN", false, true, true, "lang", "zh-CN"},
      {"--", false, false, false, "", ""},
      {"-", false, false, false, "", ""},
      {"--=x", false, false, false, "", ""},
      {"plain", true, true, false, "", ""},
  };
  for (const Case& c : cases) {
    std::string name, value;
    ASSERT_EQ(c.is_switch, mvengine::ParseSwitch(c.arg, c.slash, c.lower, &name, &value)) << c.arg;
    if (c.is_switch) {
      EXPECT_EQ(c.name, name) << c.arg;
      EXPECT_EQ(c.value, value) << c.arg;
    }
  }
}

std::vector<std::string> Utf8(const std::vector<CefString>& v) {
  std::vector<std::string> out;
  for (const CefString& s : v)
    out.push_back(s.ToString());
  return out;
}

TEST(CommandLine, InitFromArgvSplitsSwitchesAndArguments) {
  const char* argv[] = {"/opt/mvcef/marovekcef", "--type=renderer", "file.txt", "-v", "--", "--not-a-switch"};
  CefRefPtr<CefCommandLine> cl = CefCommandLine::CreateCommandLine();
  cl->InitFromArgv(6, argv);
  EXPECT_EQ("/opt/mvcef/marovekcef", cl->GetProgram().ToString());
  EXPECT_TRUE(cl->HasSwitch("type"));
  EXPECT_FALSE(cl->HasSwitch("--type"));  // lookups take the bare name
  EXPECT_EQ("renderer", cl->GetSwitchValue("type").ToString());
  EXPECT_TRUE(cl->HasSwitch("v"));
  EXPECT_FALSE(cl->HasSwitch("not-a-switch"));
  CefCommandLine::ArgumentList args;
  cl->GetArguments(args);
  EXPECT_EQ((Args{"file.txt", "--not-a-switch"}), Utf8(args));
}

TEST(CommandLine, InitFromStringUsesWindowsRules) {
  CefRefPtr<CefCommandLine> cl = CefCommandLine::CreateCommandLine();
  cl->InitFromString("\"C:\\Games\\My Game\\client.exe\" --type=gpu-process \"--lang=zh CN\" rest");
  EXPECT_EQ("C:\\Games\\My Game\\client.exe", cl->GetProgram().ToString());
  EXPECT_EQ("gpu-process", cl->GetSwitchValue("type").ToString());
  EXPECT_EQ("zh CN", cl->GetSwitchValue("lang").ToString());
  EXPECT_TRUE(cl->HasArguments());
}

TEST(CommandLine, AppendedSwitchesLoseTheirPrefixAndKeepOrder) {
  CefRefPtr<CefCommandLine> cl = CefCommandLine::CreateCommandLine();
  cl->SetProgram("prog");
  cl->AppendArgument("arg1");
  cl->AppendSwitch("--no-proxy-server");
  cl->AppendSwitchWithValue("--lang", "zh-CN");
  cl->AppendSwitchWithValue("ppapi-flash-version", "20.0.0.228");
  cl->AppendSwitch("enable-system-flash");
  EXPECT_TRUE(cl->HasSwitch("no-proxy-server"));
  EXPECT_EQ("zh-CN", cl->GetSwitchValue("lang").ToString());

  std::vector<CefString> argv;
  cl->GetArgv(argv);
  // Switches go before the arguments, in the order they were added.
  EXPECT_EQ((Args{"prog", "--no-proxy-server", "--lang=zh-CN", "--ppapi-flash-version=20.0.0.228",
                  "--enable-system-flash", "arg1"}),
            Utf8(argv));

  CefCommandLine::SwitchMap switches;
  cl->GetSwitches(switches);
  EXPECT_EQ(4u, switches.size());
  EXPECT_EQ("", switches[CefString("enable-system-flash")].ToString());

  cl->AppendSwitchWithValue("lang", "en-US");  // a repeated switch: last value wins
  EXPECT_EQ("en-US", cl->GetSwitchValue("lang").ToString());
}

TEST(CommandLine, CommandLineStringRoundTrips) {
  CefRefPtr<CefCommandLine> cl = CefCommandLine::CreateCommandLine();
  cl->SetProgram("C:\\Program Files\\x.exe");
  cl->AppendSwitchWithValue("path", "C:\\a b\\");
  cl->AppendArgument("two words");
  CefRefPtr<CefCommandLine> back = CefCommandLine::CreateCommandLine();
  back->InitFromString(cl->GetCommandLineString());
  EXPECT_EQ("C:\\Program Files\\x.exe", back->GetProgram().ToString());
  EXPECT_EQ("C:\\a b\\", back->GetSwitchValue("path").ToString());
  CefCommandLine::ArgumentList args;
  back->GetArguments(args);
  EXPECT_EQ((Args{"two words"}), Utf8(args));
}

TEST(CommandLine, CopyIsIndependentAndResetClears) {
  CefRefPtr<CefCommandLine> cl = CefCommandLine::CreateCommandLine();
  cl->AppendSwitch("a");
  CefRefPtr<CefCommandLine> copy = cl->Copy();
  copy->AppendSwitch("b");
  EXPECT_FALSE(cl->HasSwitch("b"));
  EXPECT_TRUE(copy->HasSwitch("a"));
  cl->Reset();
  EXPECT_FALSE(cl->HasSwitches());
  EXPECT_EQ("", cl->GetProgram().ToString());
}

TEST(CommandLine, PrependWrapperGoesBeforeTheProgram) {
  CefRefPtr<CefCommandLine> cl = CefCommandLine::CreateCommandLine();
  cl->SetProgram("prog");
  cl->AppendSwitch("x");
  cl->PrependWrapper("gdb --args");
  std::vector<CefString> argv;
  cl->GetArgv(argv);
  EXPECT_EQ((Args{"gdb", "--args", "prog", "--x"}), Utf8(argv));
  EXPECT_TRUE(cl->HasSwitch("x"));
}

}  // namespace
