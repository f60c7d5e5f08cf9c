// A page's frames as Chromium's events report them: what the render side is told about the frame
// that asks, and which context an evaluation goes to.
#include "engine/runtime/chromium/frame_tree.h"

#include "engine/runtime/chromium/chromium_browser.h"

#include <gtest/gtest.h>

namespace mvengine {
namespace chromium {
namespace {

Json Navigated(const char* id, const char* parent, const char* url) {
  // The origin is what Chromium would report: the address up to its path.
  const std::string address = url;
  Json frame = {{"id", id}, {"url", url}, {"name", std::string(id) + "-name"},
                {"securityOrigin", address.substr(0, address.find('/', address.find("//") + 2))}};
  if (*parent) frame["parentId"] = parent;
  return frame;
}

TEST(FrameTree, AddressesFollowTheEventsAndCrossOriginFramesKeepTheirParent) {
  FrameTree frames(nullptr);
  frames.Ensure("MAIN", "")->SetDocument("https://a.test/start", "", "");
  frames.Navigated(Navigated("MAIN", "", "https://a.test/page"), "");
  frames.Ensure("CHILD", "MAIN");
  // The child's own target announces it as the top of its tree: it stays the page's child.
  frames.Navigated(Navigated("CHILD", "", "https://b.test/inner"), "S1");
  // A frame only its own session has heard of hangs below the main frame.
  frames.Navigated(Navigated("LONE", "", "https://c.test/"), "S2");

  ASSERT_TRUE(frames.Main());
  EXPECT_EQ(frames.Main()->GetURL().ToString(), "https://a.test/page");
  EXPECT_EQ(frames.main_id(), "MAIN");
  EXPECT_EQ(frames.Find("CHILD")->GetURL().ToString(), "https://b.test/inner");
  EXPECT_EQ(frames.Main()->document_origin(), "https://a.test");  // what a bridge request is held to
  EXPECT_EQ(frames.Find("CHILD")->document_origin(), "https://b.test");
  EXPECT_EQ(frames.Find("CHILD")->parent_devtools_id(), "MAIN");
  EXPECT_FALSE(frames.Find("CHILD")->IsMain());
  EXPECT_EQ(frames.Find("LONE")->parent_devtools_id(), "MAIN");
  EXPECT_EQ(frames.FindByName("CHILD-name").get(), frames.Find("CHILD").get());
  EXPECT_EQ(frames.FindByIdentifier(frames.Find("LONE")->GetIdentifier()).get(), frames.Find("LONE").get());
  EXPECT_EQ(frames.size(), 3u);

  frames.Detached("CHILD");
  frames.Detached("MAIN");  // the main frame never leaves
  EXPECT_FALSE(frames.Find("CHILD"));
  EXPECT_TRUE(frames.Main());
  frames.Close();
  EXPECT_FALSE(frames.Main());
  EXPECT_FALSE(frames.Ensure("NEW", ""));  // nothing after the browser closed
}

TEST(FrameTree, EachFramesDefaultContextBelongsToTheSessionThatReportedIt) {
  FrameTree frames(nullptr);
  auto created = [](int id, const char* frame, bool is_default) {
    return Json{{"context", {{"id", id}, {"auxData", {{"frameId", frame}, {"isDefault", is_default}}}}}};
  };
  frames.ContextCreated(created(1, "MAIN", true), "");
  frames.ContextCreated(created(2, "MAIN", false), "");  // an isolated world: not the page's own
  frames.ContextCreated(created(1, "CHILD", true), "S1");
  int id = 0;
  std::string session;
  ASSERT_TRUE(frames.DefaultContext("MAIN", &id, &session));
  EXPECT_EQ(id, 1);
  EXPECT_EQ(session, "");
  ASSERT_TRUE(frames.DefaultContext("CHILD", &id, &session));
  EXPECT_EQ(session, "S1");
  // Context ids are per session: the child's going leaves the page's own alone.
  frames.ContextDestroyed({{"executionContextId", 1}}, "S1");
  EXPECT_FALSE(frames.DefaultContext("CHILD", &id, &session));
  EXPECT_TRUE(frames.DefaultContext("MAIN", &id, &session));
  frames.ContextCreated(created(5, "CHILD", true), "S1");
  frames.ContextsCleared("S1");
  EXPECT_FALSE(frames.DefaultContext("CHILD", &id, &session));
  EXPECT_TRUE(frames.DefaultContext("MAIN", &id, &session));
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
