// Byte streams over POSIX sockets (byte_stream.h), for the POSIX parts of the runtime and tests.
#pragma once

#include <memory>

#include "engine/runtime/chromium/byte_stream.h"

namespace mvengine {
namespace chromium {

// Takes both descriptors (they may be the same socket). Sockets rather than pipes: send() with
// MSG_NOSIGNAL never raises SIGPIPE, and shutdown() wakes a blocked reader.
std::unique_ptr<ByteStream> MakeSocketStream(int read_fd, int write_fd);

}  // namespace chromium
}  // namespace mvengine
