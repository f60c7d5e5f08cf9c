#ifndef CEF_INCLUDE_BASE_CEF_BASICTYPES_H_
#define CEF_INCLUDE_BASE_CEF_BASICTYPES_H_
#pragma once

#include <limits.h>
#include <stddef.h>

#include "include/base/cef_build.h"

typedef int int32;
typedef unsigned int uint32;

// int64 follows the platform's 64-bit "long" where it has one, as the SDK does;
// overloads such as GetFrame(int64) depend on it.
#if defined(__LP64__) && !defined(OS_WIN)
typedef long int64;
typedef unsigned long uint64;
#else
typedef long long int64;
typedef unsigned long long uint64;
#endif

#if defined(WCHAR_T_IS_UTF16)
typedef wchar_t char16;
#else
typedef unsigned short char16;
#endif

#endif  // CEF_INCLUDE_BASE_CEF_BASICTYPES_H_
