#include "pagebridge/upload_status.h"

namespace mvcef {

bool UploadStatusBook::Take(int64_t frame_id) {
  auto it = waiting_.find(frame_id);
  if (it == waiting_.end()) return false;
  if (--it->second == 0) waiting_.erase(it);
  return true;
}

}  // namespace mvcef
