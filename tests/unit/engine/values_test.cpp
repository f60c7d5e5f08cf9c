// Lists, dictionaries, binary values, process messages and the context menu model.
#include <gtest/gtest.h>

#include "engine/src/context_menu.h"
#include "include/cef_process_message.h"
#include "include/cef_values.h"

namespace {

TEST(ListValue, SetPastTheEndGrowsWithNulls) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  EXPECT_EQ(0u, list->GetSize());
  EXPECT_TRUE(list->SetInt(3, 42));
  EXPECT_EQ(4u, list->GetSize());
  EXPECT_EQ(VTYPE_NULL, list->GetType(0));
  EXPECT_EQ(VTYPE_NULL, list->GetType(2));
  EXPECT_EQ(VTYPE_INT, list->GetType(3));
  EXPECT_EQ(VTYPE_INVALID, list->GetType(4));
  EXPECT_FALSE(list->SetInt(-1, 1));
  EXPECT_EQ(4u, list->GetSize());
}

TEST(ListValue, GetOfMissingOrOtherTypeGivesZeroValues) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetString(0, "text");
  list->SetInt(1, 7);
  list->SetBool(2, true);
  list->SetDouble(3, 2.5);

  struct Case {
    int index;
    bool b;
    int i;
    double d;
    const char* s;
  } cases[] = {
      {0, false, 0, 0, "text"}, {1, false, 7, 0, ""},  {2, true, 0, 0, ""},
      {3, false, 0, 2.5, ""},   {9, false, 0, 0, ""},  {-1, false, 0, 0, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.b, list->GetBool(c.index)) << c.index;
    EXPECT_EQ(c.i, list->GetInt(c.index)) << c.index;
    EXPECT_EQ(c.d, list->GetDouble(c.index)) << c.index;
    EXPECT_EQ(c.s, list->GetString(c.index).ToString()) << c.index;
    EXPECT_EQ(nullptr, list->GetList(c.index).get());
  }
}

TEST(ListValue, OverwriteChangesType) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, 5);
  list->SetString(0, "now text");
  EXPECT_EQ(VTYPE_STRING, list->GetType(0));
  EXPECT_EQ(0, list->GetInt(0));
  EXPECT_TRUE(list->Remove(0));
  EXPECT_EQ(0u, list->GetSize());
  EXPECT_FALSE(list->Remove(0));
}

TEST(ListValue, NestedValuesAreCopiedDeeply) {
  CefRefPtr<CefListValue> inner = CefListValue::Create();
  inner->SetInt(0, 1);
  CefRefPtr<CefListValue> outer = CefListValue::Create();
  outer->SetList(0, inner);
  inner->SetInt(0, 99);  // the stored child is a copy
  EXPECT_EQ(1, outer->GetList(0)->GetInt(0));

  CefRefPtr<CefListValue> copy = outer->Copy();
  copy->GetList(0)->SetInt(0, 5);
  EXPECT_EQ(1, outer->GetList(0)->GetInt(0));
  EXPECT_FALSE(copy->IsEqual(outer));
  copy->GetList(0)->SetInt(0, 1);
  EXPECT_TRUE(copy->IsEqual(outer));
  EXPECT_FALSE(copy->IsSame(outer));
  EXPECT_FALSE(outer->SetList(1, outer));  // no self-containment
}

TEST(DictionaryValue, KeysKeepInsertionOrderAndTypes) {
  CefRefPtr<CefDictionaryValue> d = CefDictionaryValue::Create();
  d->SetString("z", "last letter");
  d->SetInt("a", 1);
  d->SetBool("m", true);
  d->SetInt("z", 26);  // overwrite keeps the position
  CefDictionaryValue::KeyList keys;
  d->GetKeys(keys);
  ASSERT_EQ(3u, keys.size());
  EXPECT_EQ("z", keys[0].ToString());
  EXPECT_EQ("a", keys[1].ToString());
  EXPECT_EQ("m", keys[2].ToString());
  EXPECT_EQ(26, d->GetInt("z"));
  EXPECT_EQ("", d->GetString("z").ToString());
  EXPECT_EQ(VTYPE_INVALID, d->GetType("missing"));
  EXPECT_TRUE(d->Remove("a"));
  EXPECT_FALSE(d->HasKey("a"));
}

TEST(BinaryValue, CopiesAndReadsWithOffsets) {
  const unsigned char bytes[] = {1, 2, 3, 4, 5};
  CefRefPtr<CefBinaryValue> b = CefBinaryValue::Create(bytes, sizeof(bytes));
  ASSERT_TRUE(b);
  EXPECT_EQ(5u, b->GetSize());
  unsigned char out[3] = {};
  EXPECT_EQ(3u, b->GetData(out, 3, 2));
  EXPECT_EQ(3, out[0]);
  EXPECT_EQ(5, out[2]);
  EXPECT_EQ(0u, b->GetData(out, 3, 5));
  EXPECT_TRUE(b->IsEqual(b->Copy()));
  EXPECT_EQ(nullptr, CefBinaryValue::Create(nullptr, 4).get());
}

TEST(ProcessMessage, CreateAndCopy) {
  CefRefPtr<CefProcessMessage> m = CefProcessMessage::Create("msg_Test");
  EXPECT_EQ("msg_Test", m->GetName().ToString());
  ASSERT_TRUE(m->GetArgumentList());
  EXPECT_EQ(0u, m->GetArgumentList()->GetSize());
  m->GetArgumentList()->SetInt(0, -2147483647 - 1);
  m->GetArgumentList()->SetString(1, "\xE4\xB8\xAD");

  CefRefPtr<CefProcessMessage> copy = m->Copy();
  m->GetArgumentList()->SetInt(0, 0);
  EXPECT_EQ("msg_Test", copy->GetName().ToString());
  EXPECT_EQ(-2147483647 - 1, copy->GetArgumentList()->GetInt(0));
  EXPECT_EQ("\xE4\xB8\xAD", copy->GetArgumentList()->GetString(1).ToString());
}

TEST(Value, HoldsOneTypedValue) {
  CefRefPtr<CefValue> v = CefValue::Create();
  EXPECT_EQ(VTYPE_NULL, v->GetType());
  v->SetDouble(1.5);
  EXPECT_EQ(1.5, v->GetDouble());
  EXPECT_EQ(0, v->GetInt());
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetValue(0, v);
  EXPECT_EQ(VTYPE_DOUBLE, list->GetType(0));
  EXPECT_TRUE(list->GetValue(0)->IsEqual(v));
}

TEST(MenuModel, AddRemoveAndLookUp) {
  CefRefPtr<CefMenuModel> model = mvengine::CreateMenuModel();
  EXPECT_TRUE(model->AddItem(100, "Back"));
  EXPECT_TRUE(model->AddSeparator());
  EXPECT_TRUE(model->AddItem(102, "Reload"));
  EXPECT_EQ(model->GetCount(), 3);
  EXPECT_EQ(model->GetIndexOf(102), 2);
  EXPECT_EQ(model->GetLabel(102).ToString(), "Reload");
  EXPECT_EQ(model->GetTypeAt(1), MENUITEMTYPE_SEPARATOR);
  EXPECT_EQ(model->GetType(100), MENUITEMTYPE_COMMAND);
  EXPECT_EQ(model->GetCommandIdAt(7), -1);
  EXPECT_EQ(model->GetLabelAt(-1).ToString(), "");
  EXPECT_EQ(model->GetType(555), MENUITEMTYPE_NONE);
  EXPECT_TRUE(model->Remove(100));
  EXPECT_FALSE(model->Remove(100));
  EXPECT_EQ(model->GetIndexOf(102), 1);
  EXPECT_FALSE(model->RemoveAt(5));
  EXPECT_TRUE(model->Clear());
  EXPECT_EQ(model->GetCount(), 0);
  EXPECT_EQ(mvengine::MenuModelClearCount(model), 1);
}

}  // namespace
