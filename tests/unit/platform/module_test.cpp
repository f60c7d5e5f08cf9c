// Module file names for dlopen handles, load addresses and the main program.
#include <windows.h>

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "mvwin32/stand_in.h"
#include "tests/support/temp_dir.h"
#include "text.h"

namespace {

std::string NameA(HMODULE module) {
  char buffer[MAX_PATH * 4] = {};
  const DWORD n = GetModuleFileNameA(module, buffer, sizeof(buffer));
  return std::string(buffer, n);
}

std::wstring NameW(HMODULE module) {
  WCHAR buffer[MAX_PATH * 4] = {};
  const DWORD n = GetModuleFileNameW(module, buffer, MAX_PATH * 4);
  return std::wstring(buffer, n);
}

std::string Executable() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof(path));
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : "";
}

void CopyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary);
  out << in.rdbuf();
}

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    handle_ = dlopen(PROBE_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (handle_ != nullptr) dlclose(handle_);
  }
  HMODULE Probe() const { return static_cast<HMODULE>(handle_); }
  void* handle_ = nullptr;
};

TEST_F(ModuleTest, ADlopenHandleNamesItsModule) {
  EXPECT_EQ(NameA(Probe()), PROBE_MODULE_PATH);
  EXPECT_EQ(NameW(Probe()), mvw32::WideFromUtf8(PROBE_MODULE_PATH));
  EXPECT_EQ(GetModuleFileNameA(Probe(), nullptr, 0), 0u);
}

TEST_F(ModuleTest, TheLoadAddressNamesItsModuleAsOnWindows) {
  void* symbol = dlsym(handle_, "platform_probe_value");
  ASSERT_NE(symbol, nullptr);
  Dl_info info{};
  ASSERT_NE(dladdr(symbol, &info), 0);
  EXPECT_EQ(NameA(static_cast<HMODULE>(info.dli_fbase)), PROBE_MODULE_PATH);
}

TEST_F(ModuleTest, NullAndTheProgramsOwnHandleNameTheExecutable) {
  const std::string exe = Executable();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(NameA(nullptr), exe);
  EXPECT_EQ(NameW(nullptr), mvw32::WideFromUtf8(exe));
  void* self = dlopen(nullptr, RTLD_LAZY);
  EXPECT_EQ(NameA(static_cast<HMODULE>(self)), exe);
  dlclose(self);
}

TEST_F(ModuleTest, AnythingElseIsNoModule) {
  int local = 0;
  char buffer[MAX_PATH] = "unchanged";
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(&local), buffer, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_STREQ(buffer, "unchanged");
  WCHAR wide[MAX_PATH] = {};
  EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(0x10), wide, MAX_PATH), 0u);
}

TEST_F(ModuleTest, AnUnloadedModuleIsNoLongerKnown) {
  void* h = handle_;
  dlclose(handle_);
  handle_ = nullptr;
  void* again = dlopen(PROBE_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
  if (again != nullptr) {
    dlclose(again);
    GTEST_SKIP() << "the loader kept the module";
  }
  EXPECT_EQ(GetModuleFileNameA(static_cast<HMODULE>(h), nullptr, 0), 0u);
  char buffer[MAX_PATH];
  EXPECT_EQ(GetModuleFileNameA(static_cast<HMODULE>(h), buffer, MAX_PATH), 0u);
}

TEST_F(ModuleTest, TooSmallBuffersAreCutAndTerminatedAsOnWindows) {
  const std::string path = PROBE_MODULE_PATH;
  const DWORD len = static_cast<DWORD>(path.size());
  struct Case {
    DWORD size;
    DWORD result;
    size_t kept;
    bool insufficient;
  };
  const std::vector<Case> cases = {
      {len + 5, len, path.size(), false}, {len + 1, len, path.size(), false}, {len, len, path.size() - 1, true},
      {10, 10, 9, true},                  {1, 1, 0, true},
  };
  for (const auto& c : cases) {
    std::vector<char> a(c.size + 1, '#');
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(Probe(), a.data(), c.size), c.result) << c.size;
    EXPECT_EQ(std::string(a.data()), path.substr(0, c.kept)) << c.size;
    EXPECT_EQ(a[c.size], '#') << "wrote past the buffer";
    EXPECT_EQ(GetLastError() == ERROR_INSUFFICIENT_BUFFER, c.insufficient) << c.size;

    std::vector<WCHAR> w(c.size + 1, L'#');
    EXPECT_EQ(GetModuleFileNameW(Probe(), w.data(), c.size), c.result) << c.size;
    EXPECT_EQ(std::wstring(w.data()), mvw32::WideFromUtf8(path.substr(0, c.kept)));
    EXPECT_EQ(w[c.size], L'#');
  }
  char untouched = '#';
  EXPECT_EQ(GetModuleFileNameA(Probe(), &untouched, 0), 0u);
  EXPECT_EQ(untouched, '#');
}

class NamedCopyTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (void* h : handles_) dlclose(h);
  }
  std::string Copy(const std::string& name) {
    const std::string path = dir_ + "/" + name;
    CopyFile(PROBE_MODULE_PATH, path);
    return path;
  }
  void* Open(const std::string& path) {
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(h, nullptr) << dlerror();
    if (h != nullptr) handles_.push_back(h);
    return h;
  }
  const mvtest::TempDir temp_{"mvw32-module"};
  const std::string dir_ = temp_.path().string();
  std::vector<void*> handles_;
};

TEST_F(NamedCopyTest, NonAsciiNamesComeOutAsUtf8AndWholeCharacters) {
  const std::string path = Copy("\xE6\xA8\xA1\xE5\x9D\x97.so");  // 模块.so
  void* h = Open(path);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(NameA(static_cast<HMODULE>(h)), path);
  const std::wstring wide = NameW(static_cast<HMODULE>(h));
  EXPECT_EQ(wide, mvw32::WideFromUtf8(dir_) + L"/\u6A21\u5757.so");

  // A buffer that ends inside the first character keeps only the folder and the slash.
  const DWORD size = static_cast<DWORD>(dir_.size() + 1 + 2 + 1);
  std::vector<char> buffer(size, '#');
  EXPECT_EQ(GetModuleFileNameA(static_cast<HMODULE>(h), buffer.data(), size), size);
  EXPECT_EQ(std::string(buffer.data()), dir_ + "/");
  // In wide units the same size holds the first character.
  std::vector<WCHAR> wbuffer(size, L'#');
  EXPECT_EQ(GetModuleFileNameW(static_cast<HMODULE>(h), wbuffer.data(), size), size);
  EXPECT_EQ(std::wstring(wbuffer.data()), wide.substr(0, size - 1));
}

TEST_F(NamedCopyTest, ARelativeLoadStillGivesAnAbsolutePath) {
  Copy("relative.so");
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  void* h = Open("./relative.so");
  ASSERT_EQ(chdir(cwd), 0);
  ASSERT_NE(h, nullptr);
  // Asked after the working folder changed back.
  const std::string name = NameA(static_cast<HMODULE>(h));
  char resolved[PATH_MAX];
  ASSERT_NE(realpath((dir_ + "/relative.so").c_str(), resolved), nullptr);
  EXPECT_EQ(name, resolved);
}

}  // namespace
