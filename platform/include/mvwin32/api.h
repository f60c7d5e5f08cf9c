/* Linkage of the Win32 stand-in: C names, exported from whatever shared object links it in
 * (hosts reach the stand-in through libmvcefdll.so), whatever the build's default visibility. */
#ifndef MVWIN32_API_H_
#define MVWIN32_API_H_

#if defined(__GNUC__) || defined(__clang__)
#define MVW32_API __attribute__((visibility("default")))
#else
#define MVW32_API
#endif

#ifdef __cplusplus
#define MVW32_EXTERN_C_BEGIN extern "C" {
#define MVW32_EXTERN_C_END }
#else
#define MVW32_EXTERN_C_BEGIN
#define MVW32_EXTERN_C_END
#endif

#endif /* MVWIN32_API_H_ */
