// The API hash this set of headers was written against. Code compiled against
// these headers compares it with the hash the linked engine reports before it
// starts anything, so a caller built against other headers fails cleanly.
#ifndef CEF_INCLUDE_INTERNAL_CEF_API_CHECK_H_
#define CEF_INCLUDE_INTERNAL_CEF_API_CHECK_H_
#pragma once

#include "include/base/cef_build.h"
#include "include/internal/cef_export.h"

#if defined(OS_WIN)
#define CEF_API_HASH_PLATFORM "d1b8e1c2a6f5c09a4a6e3f3c1d6b2f5a0e9b7c41"
#else
#define CEF_API_HASH_PLATFORM "5b0f3a7e8c2d4e6f9a1b3c5d7e9f0a2b4c6d8e07"
#endif
#define CEF_API_HASH_UNIVERSAL "8f1e2d3c4b5a69788796a5b4c3d2e1f00f1e2d3c"

#ifdef __cplusplus
extern "C" {
#endif

// entry 0: the platform hash, 1: the universal hash, 2: the commit hash.
CEF_EXPORT const char* cef_api_hash(int entry);

#ifdef __cplusplus
}
#endif

#endif  // CEF_INCLUDE_INTERNAL_CEF_API_CHECK_H_
