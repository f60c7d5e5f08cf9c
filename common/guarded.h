// One field read or written under the mutex that guards it: the many small accessors of objects
// shared between threads say which mutex and which field, and nothing else.
#pragma once

#include <mutex>
#include <utility>
#include <vector>

namespace mvcommon {

template <typename T>
T GuardedCopy(std::mutex& mutex, const T& field) {
  std::lock_guard<std::mutex> lock(mutex);
  return field;
}

template <typename T, typename V>
void GuardedStore(std::mutex& mutex, T& field, V&& value) {
  std::lock_guard<std::mutex> lock(mutex);
  field = std::forward<V>(value);
}

// The keys of `map`, in its order.
template <typename Map>
std::vector<typename Map::key_type> GuardedKeys(std::mutex& mutex, const Map& map) {
  std::lock_guard<std::mutex> lock(mutex);
  std::vector<typename Map::key_type> keys;
  keys.reserve(map.size());
  for (const auto& entry : map) keys.push_back(entry.first);
  return keys;
}

}  // namespace mvcommon
