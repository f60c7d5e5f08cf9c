#ifndef CEF_INCLUDE_CEF_V8_H_
#define CEF_INCLUDE_CEF_V8_H_
#pragma once

#include <vector>

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_task.h"

class CefV8Exception;
class CefV8Handler;
class CefV8StackFrame;
class CefV8Value;

// A JavaScript context (one per frame document). Render process, renderer
// thread only.
class CefV8Context : public virtual CefBase {
 public:
  // The context whose code is running (innermost Enter or function call), or NULL.
  static CefRefPtr<CefV8Context> GetCurrentContext();
  static CefRefPtr<CefV8Context> GetEnteredContext();
  static bool InContext();

  virtual CefRefPtr<CefTaskRunner> GetTaskRunner() = 0;
  virtual bool IsValid() = 0;
  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  virtual CefRefPtr<CefFrame> GetFrame() = 0;
  virtual CefRefPtr<CefV8Value> GetGlobal() = 0;
  // Enter/Exit must pair up on the same thread.
  virtual bool Enter() = 0;
  virtual bool Exit() = 0;
  virtual bool IsSame(CefRefPtr<CefV8Context> that) = 0;
  virtual bool Eval(const CefString& code, CefRefPtr<CefV8Value>& retval, CefRefPtr<CefV8Exception>& exception) = 0;
};

typedef std::vector<CefRefPtr<CefV8Value> > CefV8ValueList;

// Native code behind a JavaScript function.
class CefV8Handler : public virtual CefBase {
 public:
  // Returns true when it handled the call; retval NULL then means undefined.
  virtual bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
                       CefRefPtr<CefV8Value>& retval, CefString& exception) = 0;
};

class CefV8Accessor : public virtual CefBase {
 public:
  virtual bool Get(const CefString& name, const CefRefPtr<CefV8Value> object, CefRefPtr<CefV8Value>& retval,
                   CefString& exception) = 0;
  virtual bool Set(const CefString& name, const CefRefPtr<CefV8Value> object, const CefRefPtr<CefV8Value> value,
                   CefString& exception) = 0;
};

class CefV8Exception : public virtual CefBase {
 public:
  // <windows.h> renames this to GetMessageW/GetMessageA on Windows.
  virtual CefString GetMessage() = 0;
  virtual CefString GetSourceLine() = 0;
  virtual CefString GetScriptResourceName() = 0;
  virtual int GetLineNumber() = 0;
  virtual int GetStartPosition() = 0;
  virtual int GetEndPosition() = 0;
  virtual int GetStartColumn() = 0;
  virtual int GetEndColumn() = 0;
};

class CefV8Value : public virtual CefBase {
 public:
  typedef cef_v8_accesscontrol_t AccessControl;
  typedef cef_v8_propertyattribute_t PropertyAttribute;

  static CefRefPtr<CefV8Value> CreateUndefined();
  static CefRefPtr<CefV8Value> CreateNull();
  static CefRefPtr<CefV8Value> CreateBool(bool value);
  static CefRefPtr<CefV8Value> CreateInt(int32 value);
  static CefRefPtr<CefV8Value> CreateUInt(uint32 value);
  static CefRefPtr<CefV8Value> CreateDouble(double value);
  static CefRefPtr<CefV8Value> CreateDate(const CefTime& date);
  static CefRefPtr<CefV8Value> CreateString(const CefString& value);
  static CefRefPtr<CefV8Value> CreateObject(CefRefPtr<CefV8Accessor> accessor);
  static CefRefPtr<CefV8Value> CreateArray(int length);
  static CefRefPtr<CefV8Value> CreateFunction(const CefString& name, CefRefPtr<CefV8Handler> handler);

  virtual bool IsValid() = 0;
  virtual bool IsUndefined() = 0;
  virtual bool IsNull() = 0;
  virtual bool IsBool() = 0;
  virtual bool IsInt() = 0;
  virtual bool IsUInt() = 0;
  virtual bool IsDouble() = 0;
  virtual bool IsDate() = 0;
  virtual bool IsString() = 0;
  virtual bool IsObject() = 0;
  virtual bool IsArray() = 0;
  virtual bool IsFunction() = 0;
  virtual bool IsSame(CefRefPtr<CefV8Value> that) = 0;
  virtual bool GetBoolValue() = 0;
  virtual int32 GetIntValue() = 0;
  virtual uint32 GetUIntValue() = 0;
  virtual double GetDoubleValue() = 0;
  virtual CefTime GetDateValue() = 0;
  virtual CefString GetStringValue() = 0;
  virtual bool IsUserCreated() = 0;
  virtual bool HasException() = 0;
  virtual CefRefPtr<CefV8Exception> GetException() = 0;
  virtual bool ClearException() = 0;
  virtual bool WillRethrowExceptions() = 0;
  virtual bool SetRethrowExceptions(bool rethrow) = 0;
  virtual bool HasValue(const CefString& key) = 0;
  virtual bool HasValue(int index) = 0;
  virtual bool DeleteValue(const CefString& key) = 0;
  virtual bool DeleteValue(int index) = 0;
  virtual CefRefPtr<CefV8Value> GetValue(const CefString& key) = 0;
  virtual CefRefPtr<CefV8Value> GetValue(int index) = 0;
  virtual bool SetValue(const CefString& key, CefRefPtr<CefV8Value> value, PropertyAttribute attribute) = 0;
  virtual bool SetValue(int index, CefRefPtr<CefV8Value> value) = 0;
  virtual bool SetValue(const CefString& key, AccessControl settings, PropertyAttribute attribute) = 0;
  virtual bool GetKeys(std::vector<CefString>& keys) = 0;
  virtual bool SetUserData(CefRefPtr<CefBase> user_data) = 0;
  virtual CefRefPtr<CefBase> GetUserData() = 0;
  virtual int GetExternallyAllocatedMemory() = 0;
  virtual int AdjustExternallyAllocatedMemory(int change_in_bytes) = 0;
  virtual int GetArrayLength() = 0;
  virtual CefString GetFunctionName() = 0;
  virtual CefRefPtr<CefV8Handler> GetFunctionHandler() = 0;
  virtual CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments) = 0;
  virtual CefRefPtr<CefV8Value> ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context,
                                                           CefRefPtr<CefV8Value> object,
                                                           const CefV8ValueList& arguments) = 0;
};

// Only named by the render-process handler's exception callback.
class CefV8StackTrace : public virtual CefBase {
 public:
  virtual bool IsValid() = 0;
  virtual int GetFrameCount() = 0;
  virtual CefRefPtr<CefV8StackFrame> GetFrame(int index) = 0;
};

class CefV8StackFrame : public virtual CefBase {
 public:
  virtual bool IsValid() = 0;
  virtual CefString GetFunctionName() = 0;
  virtual int GetLineNumber() = 0;
};

#endif  // CEF_INCLUDE_CEF_V8_H_
