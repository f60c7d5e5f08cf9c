#ifndef MVCEF_PAGEBRIDGE_FILE_BYTES_H_
#define MVCEF_PAGEBRIDGE_FILE_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mvcef {

// The whole content of the file at `path`, read in binary mode. nullopt when
// it cannot be opened or read, when its size is above `max_size` or not a
// count below 2 GiB (checked before anything is allocated), when the path
// holds a NUL byte, or when the memory for it cannot be had. A zero-byte file
// gives an empty vector.
std::optional<std::vector<unsigned char>> ReadWholeFile(const std::string& path,
                                                        std::size_t max_size = SIZE_MAX);

}  // namespace mvcef

#endif  // MVCEF_PAGEBRIDGE_FILE_BYTES_H_
