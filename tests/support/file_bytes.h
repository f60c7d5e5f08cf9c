// A whole file read as bytes, for tests that compare what was written; "" when it cannot be read.
#pragma once

#include "common/file_bytes.h"

namespace mvtest {

using mvcommon::ReadFileBytes;

}  // namespace mvtest
