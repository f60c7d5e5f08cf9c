// The sub-process side of the Chromium runtime: the render side of the page bridge, run in the
// executable the application names.
#pragma once

#include <memory>

#include "engine/src/runtime.h"

namespace mvengine {
namespace chromium {

std::unique_ptr<SubprocessRuntime> CreateSubprocessRuntime();

}  // namespace chromium
}  // namespace mvengine
