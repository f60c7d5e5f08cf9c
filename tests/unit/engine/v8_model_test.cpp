// The in-memory V8 value and context model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "include/cef_v8.h"
#include "engine/src/v8_model.h"

namespace {

std::vector<std::string> Keys(CefRefPtr<CefV8Value> object) {
  std::vector<CefString> keys;
  object->GetKeys(keys);
  std::vector<std::string> out;
  for (const CefString& k : keys)
    out.push_back(k.ToString());
  return out;
}

TEST(V8Value, PrimitivesKeepTheirType) {
  struct Case {
    const char* name;
    CefRefPtr<CefV8Value> v;
    bool is_int, is_uint, is_double, is_string, is_bool;
    int as_int;
    double as_double;
  } cases[] = {
      {"int", CefV8Value::CreateInt(-5), true, false, false, false, false, -5, -5.0},
      {"uint", CefV8Value::CreateUInt(7), false, true, false, false, false, 7, 7.0},
      {"double", CefV8Value::CreateDouble(2.5), false, false, true, false, false, 0, 2.5},
      {"string", CefV8Value::CreateString("12"), false, false, false, true, false, 0, 0},
      {"bool", CefV8Value::CreateBool(true), false, false, false, false, true, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.is_int, c.v->IsInt()) << c.name;
    EXPECT_EQ(c.is_uint, c.v->IsUInt()) << c.name;
    EXPECT_EQ(c.is_double, c.v->IsDouble()) << c.name;
    EXPECT_EQ(c.is_string, c.v->IsString()) << c.name;
    EXPECT_EQ(c.is_bool, c.v->IsBool()) << c.name;
    EXPECT_EQ(c.as_int, c.v->GetIntValue()) << c.name;
    EXPECT_EQ(static_cast<uint32>(c.as_int), c.v->GetUIntValue()) << c.name;  // as a cast converts it
    EXPECT_EQ(c.as_double, c.v->GetDoubleValue()) << c.name;
    EXPECT_FALSE(c.v->IsObject()) << c.name;
  }
  EXPECT_EQ("12", CefV8Value::CreateString("12")->GetStringValue().ToString());
  EXPECT_EQ("", CefV8Value::CreateInt(12)->GetStringValue().ToString());
  EXPECT_TRUE(CefV8Value::CreateNull()->IsNull());
  EXPECT_TRUE(CefV8Value::CreateUndefined()->IsUndefined());
  EXPECT_FALSE(CefV8Value::CreateUndefined()->IsNull());
}

TEST(V8Value, ObjectPropertiesKeepInsertionOrder) {
  CefRefPtr<CefV8Value> obj = CefV8Value::CreateObject(NULL);
  EXPECT_TRUE(obj->SetValue("uploadImg", CefV8Value::CreateInt(1), V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_TRUE(obj->SetValue("batchUploadImg", CefV8Value::CreateInt(2), V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_TRUE(obj->SetValue("hidden", CefV8Value::CreateInt(3), V8_PROPERTY_ATTRIBUTE_DONTENUM));
  EXPECT_TRUE(obj->SetValue("uploadImg", CefV8Value::CreateInt(4), V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_EQ((std::vector<std::string>{"uploadImg", "batchUploadImg"}), Keys(obj));
  EXPECT_EQ(4, obj->GetValue("uploadImg")->GetIntValue());
  EXPECT_TRUE(obj->HasValue("hidden"));
  EXPECT_TRUE(obj->GetValue("missing")->IsUndefined());
  EXPECT_FALSE(obj->HasException());
}

TEST(V8Value, ReadOnlyAndDontDelete) {
  CefRefPtr<CefV8Value> obj = CefV8Value::CreateObject(NULL);
  obj->SetValue("fixed", CefV8Value::CreateBool(true),
                static_cast<CefV8Value::PropertyAttribute>(V8_PROPERTY_ATTRIBUTE_READONLY |
                                                           V8_PROPERTY_ATTRIBUTE_DONTDELETE));
  EXPECT_TRUE(obj->SetValue("fixed", CefV8Value::CreateBool(false), V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_TRUE(obj->GetValue("fixed")->GetBoolValue());  // the write was ignored
  EXPECT_FALSE(obj->DeleteValue("fixed"));
  EXPECT_TRUE(obj->HasValue("fixed"));
}

TEST(V8Value, FailingWritesRaiseAnException) {
  CefRefPtr<CefV8Value> obj = CefV8Value::CreateObject(NULL);
  mvengine::FailV8Writes(obj, "uploadIsDoneValue", "setter threw");
  EXPECT_FALSE(obj->SetValue("uploadIsDoneValue", CefV8Value::CreateBool(true), V8_PROPERTY_ATTRIBUTE_NONE));
  ASSERT_TRUE(obj->HasException());
  EXPECT_EQ("setter threw", obj->GetException()->GetMessage().ToString());
  EXPECT_FALSE(obj->HasValue("uploadIsDoneValue"));
  EXPECT_TRUE(obj->ClearException());
  EXPECT_FALSE(obj->HasException());
  EXPECT_TRUE(obj->SetValue("other", CefV8Value::CreateBool(true), V8_PROPERTY_ATTRIBUTE_NONE));
}

TEST(V8Value, ArraysGrowAndHaveHoles) {
  CefRefPtr<CefV8Value> arr = CefV8Value::CreateArray(2);
  EXPECT_EQ(2, arr->GetArrayLength());
  EXPECT_FALSE(arr->HasValue(0));
  EXPECT_TRUE(arr->SetValue(4, CefV8Value::CreateString("x")));
  EXPECT_EQ(5, arr->GetArrayLength());
  EXPECT_EQ("x", arr->GetValue(4)->GetStringValue().ToString());
  EXPECT_TRUE(arr->GetValue(1)->IsUndefined());
  EXPECT_EQ((std::vector<std::string>{"4"}), Keys(arr));
}

class RecordingHandler : public CefV8Handler {
 public:
  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString& exception) override {
    last_name = name.ToString();
    argument_count = arguments.size();
    current_context = CefV8Context::GetCurrentContext();
    if (name == "thrower") {
      exception = "bad argument";
      return true;
    }
    if (name == "silent")
      return true;  // handled, no value
    if (name == "unhandled")
      return false;
    retval = CefV8Value::CreateInt(static_cast<int32>(arguments.size()) * 10);
    return true;
  }
  std::string last_name;
  size_t argument_count = 0;
  CefRefPtr<CefV8Context> current_context;
  IMPLEMENT_REFCOUNTING(RecordingHandler);
};

TEST(V8Function, ExecutesWithTheContextCurrent) {
  CefRefPtr<RecordingHandler> handler = new RecordingHandler();
  CefRefPtr<CefV8Context> context = mvengine::CreateV8Context(NULL, NULL);
  CefRefPtr<CefV8Value> fn = CefV8Value::CreateFunction("count", handler.get());
  ASSERT_TRUE(fn->IsFunction());
  EXPECT_EQ("count", fn->GetFunctionName().ToString());
  EXPECT_FALSE(CefV8Context::InContext());

  CefV8ValueList args = {CefV8Value::CreateInt(1), CefV8Value::CreateNull()};
  CefRefPtr<CefV8Value> result = fn->ExecuteFunctionWithContext(context, context->GetGlobal(), args);
  ASSERT_TRUE(result);
  EXPECT_EQ(20, result->GetIntValue());
  EXPECT_TRUE(handler->current_context->IsSame(context));
  EXPECT_FALSE(CefV8Context::InContext());  // exited afterwards
  handler->current_context = NULL;
}

TEST(V8Function, ResultsForSilentUnhandledAndThrowingCalls) {
  CefRefPtr<RecordingHandler> handler = new RecordingHandler();
  CefRefPtr<CefV8Context> context = mvengine::CreateV8Context(NULL, NULL);
  CefRefPtr<CefV8Value> silent = CefV8Value::CreateFunction("silent", handler.get());
  CefRefPtr<CefV8Value> unhandled = CefV8Value::CreateFunction("unhandled", handler.get());
  CefRefPtr<CefV8Value> thrower = CefV8Value::CreateFunction("thrower", handler.get());
  EXPECT_TRUE(silent->ExecuteFunctionWithContext(context, NULL, CefV8ValueList())->IsUndefined());
  EXPECT_TRUE(unhandled->ExecuteFunctionWithContext(context, NULL, CefV8ValueList())->IsUndefined());
  EXPECT_EQ(nullptr, thrower->ExecuteFunctionWithContext(context, NULL, CefV8ValueList()).get());
  ASSERT_TRUE(thrower->HasException());
  EXPECT_EQ("bad argument", thrower->GetException()->GetMessage().ToString());
  EXPECT_EQ(nullptr, CefV8Value::CreateFunction("f", NULL).get());
  handler->current_context = NULL;
}

TEST(V8Context, EnterExitNestAndInvalidContextsRefuse) {
  CefRefPtr<CefV8Context> a = mvengine::CreateV8Context(NULL, NULL);
  CefRefPtr<CefV8Context> b = mvengine::CreateV8Context(NULL, NULL);
  EXPECT_EQ(nullptr, CefV8Context::GetCurrentContext().get());
  ASSERT_TRUE(a->Enter());
  ASSERT_TRUE(b->Enter());
  EXPECT_TRUE(CefV8Context::GetCurrentContext()->IsSame(b));
  EXPECT_FALSE(a->Exit());  // not the innermost
  EXPECT_TRUE(b->Exit());
  EXPECT_TRUE(CefV8Context::GetCurrentContext()->IsSame(a));
  EXPECT_TRUE(a->Exit());
  EXPECT_FALSE(CefV8Context::InContext());

  ASSERT_TRUE(a->GetGlobal());
  EXPECT_TRUE(a->GetGlobal()->IsObject());
  EXPECT_FALSE(a->GetGlobal()->IsSame(b->GetGlobal()));
  mvengine::InvalidateV8Context(a);
  EXPECT_FALSE(a->IsValid());
  EXPECT_FALSE(a->Enter());
  EXPECT_EQ(nullptr, a->GetGlobal().get());
}

}  // namespace
