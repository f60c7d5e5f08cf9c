#ifndef CEF_INCLUDE_CEF_TASK_H_
#define CEF_INCLUDE_CEF_TASK_H_
#pragma once

#include "include/cef_base.h"

typedef cef_thread_id_t CefThreadId;

class CefTask : public virtual CefBase {
 public:
  virtual void Execute() = 0;
};

class CefTaskRunner : public virtual CefBase {
 public:
  virtual bool IsSame(CefRefPtr<CefTaskRunner> that) = 0;
  virtual bool BelongsToCurrentThread() = 0;
  virtual bool BelongsToThread(CefThreadId threadId) = 0;
  virtual bool PostTask(CefRefPtr<CefTask> task) = 0;
  virtual bool PostDelayedTask(CefRefPtr<CefTask> task, int64 delay_ms) = 0;
};

#endif  // CEF_INCLUDE_CEF_TASK_H_
