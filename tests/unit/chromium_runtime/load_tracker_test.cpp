// What the client's load callbacks report, from the page's network and frame events.
#include "engine/runtime/chromium/load_tracker.h"

#include <gtest/gtest.h>

namespace mvengine {
namespace chromium {
namespace {

Json Request(const char* id, const char* frame, const char* type, const char* url) {
  return {{"requestId", id}, {"frameId", frame}, {"type", type}, {"request", {{"url", url}, {"urlFragment", "#f"}}}};
}

TEST(LoadTracker, StatusOfAFinishedLoadAndErrorOfAFailedOne) {
  struct Case {
    const char* name;
    Json response;  // Network.responseReceived, or null
    Json failure;   // Network.loadingFailed, or null
    int status;     // what OnLoadEnd gets
    int code;       // what OnLoadError gets, 0: none
    const char* text;
  } cases[] = {
      {"ok", {{"type", "Document"}, {"frameId", "F"}, {"response", {{"status", 404}}}}, nullptr, 404, 0, ""},
      {"no response", nullptr, nullptr, 200, 0, ""},
      {"not a document", {{"type", "Image"}, {"frameId", "F"}, {"response", {{"status", 500}}}}, nullptr, 200, 0, ""},
      {"name not resolved", nullptr, {{"type", "Document"}, {"requestId", "R"}, {"errorText", "net::ERR_NAME_NOT_RESOLVED"}},
       0, -105, "net::ERR_NAME_NOT_RESOLVED"},
      {"cancelled", nullptr, {{"type", "Document"}, {"requestId", "R"}, {"canceled", true}}, 0, -3, "net::ERR_ABORTED"},
      {"unknown error", nullptr, {{"type", "Document"}, {"requestId", "R"}, {"errorText", "net::ERR_NEW"}}, 0, -2,
       "net::ERR_NEW"},
      {"another request failed", nullptr, {{"type", "Document"}, {"requestId", "other"}}, 200, 0, ""},
  };
  for (const Case& c : cases) {
    LoadTracker loads;
    loads.OnRequestWillBeSent(Request("R", "F", "Document", "https://a.test/x"));
    loads.OnStartedLoading("F", true);
    EXPECT_TRUE(loads.IsLoading()) << c.name;
    if (!c.response.is_null()) loads.OnResponseReceived(c.response);
    std::optional<LoadError> error;
    if (!c.failure.is_null()) error = loads.OnLoadingFailed(c.failure);
    EXPECT_EQ(error.has_value(), c.code != 0) << c.name;
    if (error) {
      EXPECT_EQ(error->frame_id, "F") << c.name;
      EXPECT_EQ(error->url, "https://a.test/x#f") << c.name;  // what was asked for, not what shows
      EXPECT_EQ(error->code, c.code) << c.name;
      EXPECT_EQ(error->text, c.text) << c.name;
    }
    EXPECT_EQ(loads.OnStoppedLoading("F", true), c.status) << c.name;
    EXPECT_FALSE(loads.IsLoading()) << c.name;
  }
}

TEST(LoadTracker, AFailureIsTracedToTheNavigationThatAskedForIt) {
  // The Network domain may have been off as the navigation began: then only the navigation's start
  // names the frame and the address.
  struct Case {
    const char* name;
    const char* navigation_type;
    bool network_saw_request;  // a redirect the Network domain reported before the start was heard
    const char* url;           // the error's address; "" when no error is reported
  } cases[] = {
      {"new document", "differentDocument", false, "https://a.test/start"},
      {"reload", "reload", false, "https://a.test/start"},
      {"same document", "sameDocument", false, ""},
      {"history, same document", "historySameDocument", false, ""},
      {"network's account first", "differentDocument", true, "https://b.test/redirected#f"},
  };
  for (const Case& c : cases) {
    LoadTracker loads;
    if (c.network_saw_request) loads.OnRequestWillBeSent(Request("L", "F", "Document", "https://b.test/redirected"));
    loads.OnNavigationStarted(
        {{"frameId", "F"}, {"url", "https://a.test/start"}, {"loaderId", "L"}, {"navigationType", c.navigation_type}});
    EXPECT_EQ(loads.NavigationPending("F"), *c.url != 0) << c.name;
    EXPECT_FALSE(loads.NavigationPending("G")) << c.name;
    std::optional<LoadError> error =
        loads.OnLoadingFailed({{"type", "Document"}, {"requestId", "L"}, {"errorText", "net::ERR_NAME_NOT_RESOLVED"}});
    EXPECT_FALSE(loads.NavigationPending("F")) << c.name;
    EXPECT_EQ(error.has_value(), *c.url != 0) << c.name;
    if (!error) continue;
    EXPECT_EQ(error->frame_id, "F") << c.name;
    EXPECT_EQ(error->url, c.url) << c.name;
    EXPECT_EQ(error->code, -105) << c.name;
  }
}

TEST(LoadTracker, ANewLoadForgetsTheLastFailureAndOnlyTheMainFrameLoads) {
  LoadTracker loads;
  loads.OnRequestWillBeSent(Request("R", "child", "Document", "https://a.test/c"));
  ASSERT_TRUE(loads.OnLoadingFailed({{"type", "Document"}, {"requestId", "R"}, {"errorText", "net::ERR_FAILED"}}));
  EXPECT_FALSE(loads.OnLoadingFailed({{"type", "Document"}, {"requestId", "R"}}));  // reported once
  loads.StopLoading();
  loads.OnStartedLoading("child", false);
  EXPECT_FALSE(loads.IsLoading());
  EXPECT_EQ(loads.OnStoppedLoading("child", false), 200);
}

// A page may add, navigate and remove frames for as long as it runs: the tracker keeps no more than
// its frames now need, whatever ends each navigation.
TEST(LoadTracker, WhatItKeepsStaysBoundedWhileAPageChurnsFrames) {
  LoadTracker loads;
  for (int i = 0; i < 300; ++i) {
    const std::string n = std::to_string(i), frame = "F" + n, loader = "L" + n;
    // A frame that comes, loads (from the network or not; to its end, or cancelled) and goes.
    loads.OnNavigationStarted({{"frameId", frame}, {"url", "about:blank"}, {"loaderId", loader}});
    loads.OnStartedLoading(frame, false);
    if (i % 3 != 0) loads.OnRequestWillBeSent(Request(loader.c_str(), frame.c_str(), "Document", "https://a.test/"));
    if (i % 3 == 1) loads.OnResponseReceived({{"type", "Document"}, {"frameId", frame}, {"response", {{"status", 200}}}});
    if (i % 3 == 2) loads.OnLoadingFailed({{"type", "Document"}, {"requestId", loader}, {"canceled", true}});
    if (i % 2 == 0) {
      loads.OnCommitted(frame, loader);
      loads.OnStoppedLoading(frame, false);
    }
    loads.OnFrameGone(frame);
    // The main frame, which never goes, navigates on.
    loads.OnNavigationStarted({{"frameId", "M"}, {"url", "https://a.test/" + n}, {"loaderId", "M" + n}});
    loads.OnRequestWillBeSent(Request(("M" + n).c_str(), "M", "Document", "https://a.test/"));
    loads.OnResponseReceived({{"type", "Document"}, {"frameId", "M"}, {"response", {{"status", 200}}}});
    EXPECT_TRUE(loads.NavigationPending("M"));
    loads.OnCommitted("M", "M" + n);
    EXPECT_FALSE(loads.NavigationPending("M"));  // its request is kept, as the document's
  }
  EXPECT_LE(loads.kept(), 2u);  // the main frame's document request and its status
  // What it still keeps answers as before: the committed document's request fails as itself.
  std::optional<LoadError> error = loads.OnLoadingFailed({{"type", "Document"}, {"requestId", "M299"}});
  ASSERT_TRUE(error);
  EXPECT_EQ(error->frame_id, "M");
}

TEST(RefusedNavigation, OnlyAddressesLongerThanChromiumTakesFailAsAnInvalidUrl) {
  EXPECT_FALSE(RefusedNavigation("F", "http://example.com/"));
  EXPECT_FALSE(RefusedNavigation("F", "data:," + std::string(kMaxUrlChars - 6, 'a')));  // exactly the limit
  const std::string long_url = "data:," + std::string(kMaxUrlChars - 5, 'a');
  std::optional<LoadError> error = RefusedNavigation("F", long_url);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->frame_id, "F");
  EXPECT_EQ(error->url, long_url);
  EXPECT_EQ(error->code, -300);
  EXPECT_EQ(error->text, "net::ERR_INVALID_URL");
}

// A document loaded again must be a new one: navigating to an address with a fragment only scrolls.
TEST(LoadAgain, AnAddressWithAFragmentIsReloadedAnyOtherNavigatedToAndAnErrorPageAskedAgain) {
  const std::string asked = "http://127.0.0.1:9/#top";
  for (const char* href : {"file:///p/solid.html", "http://a.test/b?q=1"}) {
    const ProtocolCommand c = LoadAgain(href, asked);
    EXPECT_EQ(c.method, "Page.navigate") << href;
    EXPECT_EQ(c.params, Json({{"url", href}})) << href;
  }
  for (const char* href : {"file:///p/solid.html#00ff00", "http://a.test/#", "http://a.test/?q=#x"})
    EXPECT_EQ(LoadAgain(href, asked).method, "Page.reload") << href;
  // Loading Chromium's error page again would be refused, and the failure never reported.
  const ProtocolCommand error = LoadAgain("chrome-error://chromewebdata/", asked);
  EXPECT_EQ(error.method, "Page.navigate");
  EXPECT_EQ(error.params, Json({{"url", asked}}));
}

TEST(LoadTracker, HistoryEntriesAroundTheCurrentOne) {
  struct Case {
    int index;
    int back;
    int forward;
  } cases[] = {{-1, -1, -1}, {0, -1, 6}, {1, 5, 7}, {2, 6, -1}, {3, -1, -1}};
  for (const Case& c : cases) {
    LoadTracker loads;
    loads.SetHistory({{"currentIndex", c.index}, {"entries", {{{"id", 5}}, {{"id", 6}}, {{"id", 7}}}}});
    EXPECT_EQ(loads.BackEntry(), c.back) << c.index;
    EXPECT_EQ(loads.ForwardEntry(), c.forward) << c.index;
    EXPECT_EQ(loads.CanGoBack(), c.back >= 0) << c.index;
    EXPECT_EQ(loads.CanGoForward(), c.forward >= 0) << c.index;
  }
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
