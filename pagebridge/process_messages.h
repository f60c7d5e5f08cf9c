#ifndef MVCEF_PAGEBRIDGE_PROCESS_MESSAGES_H_
#define MVCEF_PAGEBRIDGE_PROCESS_MESSAGES_H_

#include <cstddef>
#include <cstdint>

namespace mvcef {

// Process messages between the render and the browser process. Names are
// compared whole and case-sensitively: "msg_InitUploadIsDoneEx" does not
// match "msg_InitUploadIsDone".

// render -> browser; 0: string, the page's text, at most kMaxBatchTextUnits UTF-16 units of it.
inline constexpr char kMsgBatchUploadImg[] = "msg_BatchUploadImg";
// All of a page's text the host can get: its field holds 255 bytes, and every UTF-16 unit makes
// at least one byte, so later units never reach it. A page's 100 MB text is not carried over.
inline constexpr size_t kMaxBatchTextUnits = 255;
// render -> browser; 0: int, low 32 bits of the main frame id; 1: int, high 32 bits.
inline constexpr char kMsgInitUploadIsDone[] = "msg_InitUploadIsDone";
// browser -> render; 0, 1: copies of the request's; 2: bool, upload declared done.
inline constexpr char kMsgInitUploadIsDoneEx[] = "msg_InitUploadIsDoneEx";
// browser -> render; 0: bool, the flag the host passed. No receiver acts on it.
inline constexpr char kMsgSetUploadIsDone[] = "SetUploadIsDone";

// Name of the host queue record made from kMsgBatchUploadImg.
inline constexpr char kHostMsgBatchUploadImg[] = "batchUploadImg";

// Names installed on every page's window, in installation order.
inline constexpr char kUploadIsDoneValue[] = "uploadIsDoneValue";
inline constexpr char kFnUploadImg[] = "uploadImg";
inline constexpr char kFnBatchUploadImg[] = "batchUploadImg";
inline constexpr char kFnInitUploadIsDone[] = "initUploadIsDone";
inline constexpr char kFnUploadIsDone[] = "uploadIsDone";
inline constexpr char kFnUploadFeedbackImg[] = "uploadFeedbackImg";

// A 64-bit frame id travels as two signed 32-bit ints holding the same bits.
void SplitFrameId(int64_t id, int32_t* low, int32_t* high);
// Inverse of SplitFrameId; the low half is taken unsigned, so a negative low
// int never sign-extends into the high half.
int64_t JoinFrameId(int32_t low, int32_t high);

}  // namespace mvcef

#endif  // MVCEF_PAGEBRIDGE_PROCESS_MESSAGES_H_
