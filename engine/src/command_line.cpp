#include "engine/src/command_line.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/src/command_line_rules.h"

namespace mvengine {
namespace {

#if defined(OS_WIN)
constexpr bool kSlashPrefix = true;
constexpr bool kLowerCaseSwitches = true;
#else
constexpr bool kSlashPrefix = false;
constexpr bool kLowerCaseSwitches = false;
#endif

const char kSwitchTerminator[] = "--";

// Chromium's model: argv_ holds the program, then every switch as written,
// then (from begin_args_) the arguments; switches_ keeps one value per name in
// the order names first appeared.
class CommandLine : public CefCommandLine {
 public:
  CommandLine() : argv_(1), begin_args_(1) {}

  bool IsValid() override { return true; }
  bool IsReadOnly() override { return read_only_; }
  CefRefPtr<CefCommandLine> Copy() override {
    CommandLine* copy = new CommandLine();
    copy->argv_ = argv_;
    copy->begin_args_ = begin_args_;
    copy->switches_ = switches_;
    return copy;
  }

  void InitFromArgv(int argc, const char* const* argv) override {
    if (read_only_)
      return;
    std::vector<std::string> args;
    for (int i = 0; argv && i < argc; ++i)
      args.push_back(argv[i] ? argv[i] : "");
    InitFromList(args);
  }

  void InitFromString(const CefString& command_line) override {
    if (read_only_)
      return;
    std::string line = command_line.ToString();
    if (line.find_first_not_of(" \t") == std::string::npos)
      return;
    InitFromList(SplitWindowsCommandLine(line));
  }

  void Reset() override {
    if (read_only_)
      return;
    argv_.assign(1, std::string());
    begin_args_ = 1;
    switches_.clear();
  }

  void GetArgv(std::vector<CefString>& argv) override {
    for (const std::string& a : argv_)
      argv.push_back(a);
  }

  CefString GetCommandLineString() override {
    std::string out;
    for (size_t i = 0; i < argv_.size(); ++i) {
      if (i)
        out.push_back(' ');
      out += QuoteWindowsArgument(argv_[i]);
    }
    return out;
  }

  CefString GetProgram() override { return argv_[0]; }
  void SetProgram(const CefString& program) override {
    if (!read_only_)
      argv_[0] = program.ToString();
  }

  bool HasSwitches() override { return !switches_.empty(); }
  bool HasSwitch(const CefString& name) override { return Find(Key(name)) != switches_.end(); }
  CefString GetSwitchValue(const CefString& name) override {
    auto it = Find(Key(name));
    return it == switches_.end() ? CefString() : CefString(it->second);
  }
  void GetSwitches(SwitchMap& switches) override {
    for (const auto& s : switches_)
      switches[s.first] = s.second;
  }

  void AppendSwitch(const CefString& name) override { AppendSwitchWithValue(name, CefString()); }
  void AppendSwitchWithValue(const CefString& name, const CefString& value) override {
    if (!read_only_)
      AddSwitch(name.ToString(), value.ToString());
  }

  bool HasArguments() override { return !Arguments().empty(); }
  void GetArguments(ArgumentList& arguments) override {
    for (const std::string& a : Arguments())
      arguments.push_back(a);
  }
  void AppendArgument(const CefString& argument) override {
    if (!read_only_)
      argv_.push_back(argument.ToString());
  }

  void PrependWrapper(const CefString& wrapper) override {
    if (read_only_ || wrapper.empty())
      return;
    std::vector<std::string> parts;
    std::string w = wrapper.ToString();
    size_t pos = 0;
    while (pos < w.size()) {
      size_t end = w.find(' ', pos);
      if (end == std::string::npos)
        end = w.size();
      if (end > pos)
        parts.push_back(w.substr(pos, end - pos));
      pos = end + 1;
    }
    argv_.insert(argv_.begin(), parts.begin(), parts.end());
    begin_args_ += parts.size();
  }

  void SetReadOnly() { read_only_ = true; }

 private:
  typedef std::vector<std::pair<std::string, std::string>> Switches;

  static std::string Key(const CefString& name) {
    std::string key = name.ToString();
    if (kLowerCaseSwitches)
      std::transform(key.begin(), key.end(), key.begin(),
                     [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return key;
  }

  Switches::iterator Find(const std::string& key) {
    return std::find_if(switches_.begin(), switches_.end(),
                        [&](const std::pair<std::string, std::string>& s) { return s.first == key; });
  }

  void InitFromList(const std::vector<std::string>& args) {
    Reset();
    if (args.empty())
      return;
    argv_[0] = args[0];
    bool parse_switches = true;
    for (size_t i = 1; i < args.size(); ++i) {
      const std::string& arg = args[i];
      std::string name, value;
      parse_switches = parse_switches && arg != kSwitchTerminator;
      if (parse_switches && ParseSwitch(arg, kSlashPrefix, false, &name, &value)) {
        AddSwitch(arg.substr(0, SwitchPrefixLength(arg, kSlashPrefix)) + name, value);
      } else {
        argv_.push_back(arg);
      }
    }
  }

  // switch_string may carry its prefix; the stored name never does.
  void AddSwitch(const std::string& switch_string, const std::string& value) {
    size_t prefix = SwitchPrefixLength(switch_string, kSlashPrefix);
    std::string key = Key(switch_string.substr(prefix));
    auto it = Find(key);
    if (it != switches_.end())
      it->second = value;
    else
      switches_.emplace_back(key, value);
    std::string written = prefix ? switch_string : "--" + switch_string;
    if (!value.empty())
      written += "=" + value;
    argv_.insert(argv_.begin() + begin_args_, written);
    ++begin_args_;
  }

  std::vector<std::string> Arguments() const {
    std::vector<std::string> args(argv_.begin() + begin_args_, argv_.end());
    auto terminator = std::find(args.begin(), args.end(), kSwitchTerminator);
    if (terminator != args.end())
      args.erase(terminator);
    return args;
  }

  std::vector<std::string> argv_;
  size_t begin_args_;
  Switches switches_;
  bool read_only_ = false;
  IMPLEMENT_REFCOUNTING(CommandLine);
};

std::mutex g_global_mutex;
CefRefPtr<CefCommandLine> g_global;  // guarded by g_global_mutex

}  // namespace

void MakeCommandLineReadOnly(CefRefPtr<CefCommandLine> command_line) {
  if (command_line)
    if (CommandLine* impl = dynamic_cast<CommandLine*>(command_line.get()))
      impl->SetReadOnly();
}

void SetGlobalCommandLine(CefRefPtr<CefCommandLine> command_line) {
  std::lock_guard<std::mutex> lock(g_global_mutex);
  g_global = command_line;
}

}  // namespace mvengine

CefRefPtr<CefCommandLine> CefCommandLine::CreateCommandLine() { return new mvengine::CommandLine(); }

CefRefPtr<CefCommandLine> CefCommandLine::GetGlobalCommandLine() {
  std::lock_guard<std::mutex> lock(mvengine::g_global_mutex);
  return mvengine::g_global;
}
