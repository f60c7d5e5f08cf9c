// The runtime's own parts that need no Chromium: the switch translation and the context menu model.
#include <atomic>
#include <future>
#include <vector>

#include <gtest/gtest.h>

#include "engine/runtime/chromium/chromium_switches.h"
#include "engine/runtime/chromium/context_menu.h"

namespace mvengine {
namespace chromium {
namespace {

using namespace std::chrono_literals;

TEST(TranslateSwitches, LangBecomesAcceptLangAndLocaleOthersPassOrDrop) {
  ChromiumSwitches s = TranslateSwitches({
      {"lang", "zh-CN"},
      {"disable-gpu", ""},
      {"disable-gpu-compositing", ""},
      {"ppapi-out-of-process", ""},
      {"ppapi-flash-version", "28.0.0.137"},
      {"ppapi-flash-path", "Plugins\\pepflashplayer.dll"},
      {"type", "renderer"},
      {"user-data-dir", "/elsewhere"},
      {"remote-debugging-port", "9222"},
      {"force-device-scale-factor", "1"},
  });
  EXPECT_EQ(s.locale, "zh-CN");
  std::vector<std::string> expected = {"--disable-gpu", "--disable-gpu-compositing",
                                       "--force-device-scale-factor=1"};
  std::vector<std::string> others;
  bool accept_lang = false;
  for (auto& a : s.args) {
    if (a == "--accept-lang=zh-CN") accept_lang = true;
    else if (a.compare(0, 7, "--lang=") != 0) others.push_back(a);
  }
  EXPECT_TRUE(accept_lang);
  EXPECT_EQ(others, expected);
  for (auto& a : s.args) {
    EXPECT_EQ(a.find("ppapi"), std::string::npos) << a;
    EXPECT_EQ(a.find("user-data-dir"), std::string::npos) << a;
    EXPECT_EQ(a.find("type="), std::string::npos) << a;
  }
  EXPECT_TRUE(TranslateSwitches({{"lang", ""}}).locale.empty());
  EXPECT_TRUE(TranslateSwitches({}).args.empty());
}

TEST(MenuModel, AddRemoveAndLookUp) {
  CefRefPtr<MenuModel> model(new MenuModel());
  EXPECT_TRUE(model->AddItem(100, "Back"));
  EXPECT_TRUE(model->AddSeparator());
  EXPECT_TRUE(model->AddItem(102, "Reload"));
  EXPECT_EQ(model->GetCount(), 3);
  EXPECT_EQ(model->GetIndexOf(102), 2);
  EXPECT_EQ(model->GetLabel(102).ToString(), "Reload");
  EXPECT_EQ(model->GetTypeAt(1), MENUITEMTYPE_SEPARATOR);
  EXPECT_EQ(model->GetType(100), MENUITEMTYPE_COMMAND);
  EXPECT_EQ(model->GetCommandIdAt(7), -1);
  EXPECT_EQ(model->GetLabelAt(-1).ToString(), "");
  EXPECT_EQ(model->GetType(555), MENUITEMTYPE_NONE);
  EXPECT_TRUE(model->Remove(100));
  EXPECT_FALSE(model->Remove(100));
  EXPECT_EQ(model->GetIndexOf(102), 1);
  EXPECT_FALSE(model->RemoveAt(5));
  EXPECT_TRUE(model->Clear());
  EXPECT_EQ(model->GetCount(), 0);
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
