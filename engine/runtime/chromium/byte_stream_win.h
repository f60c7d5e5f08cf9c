// Byte streams over Windows pipes (byte_stream.h), for the Windows parts of the runtime.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/runtime/chromium/byte_stream.h"

namespace mvengine {
namespace chromium {

// Takes both handles, which must be opened for overlapped I/O: a blocked Read or Write can then be
// ended from another thread (Shutdown), and a Write can give up after its timeout.
std::unique_ptr<ByteStream> MakePipeStream(HANDLE read, HANDLE write);

// A new one-way pipe, neither end inheritable. Our end is overlapped (for MakePipeStream); the
// other end is overlapped only when asked (a browser's end is read and written synchronously).
// `we_write`: bytes go from our end to theirs.
bool MakePipe(bool we_write, bool theirs_overlapped, HANDLE* ours, HANDLE* theirs, std::string* error);

// "<read>,<write>": two handle values in decimal, as --remote-debugging-io-pipes names them and
// as the render channel is named on the render process's command line.
std::string HandlePairName(HANDLE read, HANDLE write);
bool ParseHandlePairName(const std::string& name, HANDLE* read, HANDLE* write);

// GetLastError's text, for messages.
std::string LastErrorText(DWORD error = GetLastError());

}  // namespace chromium
}  // namespace mvengine
