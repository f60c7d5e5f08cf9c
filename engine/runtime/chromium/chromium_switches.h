// Which of the application's engine switches reach Chromium, and how.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace mvengine {
namespace chromium {

struct ChromiumSwitches {
  std::vector<std::string> args;  // "--name" or "--name=value"
  std::string locale;             // from --lang; applied with Emulation.setLocaleOverride
};

// `switches` maps names without dashes to values ("" for a bare switch).
// --lang is ignored by Linux Chromium: it becomes --accept-lang plus a locale
// override. Pepper plug-in switches (ppapi-*) have no meaning any more and are
// dropped, as are the ones the runtime owns (process type, debugging channel,
// profile, headless mode). Everything else is passed as given.
ChromiumSwitches TranslateSwitches(const std::map<std::string, std::string>& switches);

}  // namespace chromium
}  // namespace mvengine
