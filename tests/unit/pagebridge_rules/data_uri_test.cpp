#include "pagebridge/data_uri.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "base64_test_util.h"
#include "pagebridge/base64.h"

namespace {

using mvcef::MakeDataUri;
using mvcef::PlaceholderImageUri;

TEST(MakeDataUri, PrefixFollowedByEncodingWithBreaksKept) {
  EXPECT_EQ(MakeDataUri(mvcef::kPngDataUriPrefix, {}), "data:image/png;base64,");
  EXPECT_EQ(MakeDataUri(mvcef::kJpegDataUriPrefix, {'a', 'b', 'c'}), "data:image/jpg;base64,YWJj");
  const std::vector<unsigned char> bytes = mvcef_test::RandomBytes(200, 8);
  const std::string uri = MakeDataUri(mvcef::kPngDataUriPrefix, bytes);
  EXPECT_EQ(uri, "data:image/png;base64," + mvcef::Base64Encode(bytes.data(), 200));
  EXPECT_NE(uri.find("\r\n"), std::string::npos);
}

// The SVG inside the placeholder URI.
std::string PlaceholderSvg() {
  const std::string prefix = "data:image/svg+xml;base64,";
  const std::string& uri = PlaceholderImageUri();
  if (uri.compare(0, prefix.size(), prefix) != 0) return {};
  const auto bytes = mvcef_test::DecodeBase64(uri.substr(prefix.size()));
  if (!bytes) return {};
  return std::string(bytes->begin(), bytes->end());
}

// The opening tag of the first `name` element at or after `from`, or "".
std::string OpeningTag(const std::string& svg, const std::string& name, std::size_t* from) {
  const std::size_t start = svg.find("<" + name, *from);
  if (start == std::string::npos) return {};
  const std::size_t end = svg.find('>', start);
  *from = end;
  return svg.substr(start, end - start + 1);
}

// Those of `attrs` (name, value) that `tag` does not carry, as name=value, one a line; "" if none.
std::string MissingAttrs(const std::string& tag, const std::vector<std::pair<std::string, std::string>>& attrs) {
  std::string missing;
  for (const auto& [name, value] : attrs)
    if (tag.find(" " + name + "=\"" + value + "\"") == std::string::npos) missing += name + "=" + value + "\n";
  return missing;
}

TEST(PlaceholderImageUri, IsOneStableLine) {
  const std::string& a = PlaceholderImageUri();
  const std::string& b = PlaceholderImageUri();
  EXPECT_EQ(&a, &b);
  EXPECT_EQ(a.rfind("data:image/svg+xml;base64,", 0), 0u);
  EXPECT_EQ(a.find_first_of("\r\n"), std::string::npos);
}

TEST(PlaceholderImageUri, DecodesToTheGreySquareDocument) {
  const std::string svg = PlaceholderSvg();
  ASSERT_FALSE(svg.empty()) << "prefix or Base64 part invalid";

  std::size_t pos = 0;
  const std::string decl = OpeningTag(svg, "?xml", &pos);
  EXPECT_EQ(svg.find("<?xml"), 0u);
  EXPECT_EQ(MissingAttrs(decl, {{"version", "1.0"}, {"encoding", "UTF-8"}, {"standalone", "yes"}}), "");

  const std::string root = OpeningTag(svg, "svg", &pos);
  EXPECT_EQ(MissingAttrs(root, {{"xmlns", "http://www.w3.org/2000/svg"},
                                 {"width", "140"},
                                 {"height", "140"},
                                 {"viewBox", "0 0 140 140"},
                                 {"preserveAspectRatio", "none"}}),
            "");

  EXPECT_FALSE(OpeningTag(svg, "defs", &pos).empty());
  const std::string style = OpeningTag(svg, "style", &pos);
  EXPECT_EQ(MissingAttrs(style, {{"type", "text/css"}}), "");
  const std::size_t cdata = svg.find("<![CDATA[", pos);
  const std::size_t cdata_end = svg.find("]]>", pos);
  ASSERT_NE(cdata, std::string::npos);
  ASSERT_NE(cdata_end, std::string::npos);
  const std::string rule = svg.substr(cdata + 9, cdata_end - cdata - 9);
  pos = cdata_end;

  const std::string group = OpeningTag(svg, "g", &pos);
  std::smatch id;
  ASSERT_TRUE(std::regex_search(group, id, std::regex(" id=\"([^\"]+)\"")));
  // The rule must reach the text of this group.
  EXPECT_TRUE(std::regex_search(
      rule, std::regex("^\\s*#" + id[1].str() + "\\s+text\\s*\\{[^}]*\\}\\s*$")))
      << rule;
  for (const char* decl_part : {"fill:#AAAAAA", "font-weight:bold",
                                "font-family:Arial, Helvetica, Open Sans, sans-serif, monospace",
                                "font-size:10pt"}) {
    EXPECT_NE(rule.find(decl_part), std::string::npos) << decl_part;
  }

  const std::string rect = OpeningTag(svg, "rect", &pos);
  EXPECT_EQ(MissingAttrs(rect, {{"width", "140"}, {"height", "140"}, {"fill", "#EEEEEE"}}), "");
  EXPECT_FALSE(OpeningTag(svg, "g", &pos).empty());
  const std::string text = OpeningTag(svg, "text", &pos);
  EXPECT_EQ(MissingAttrs(text, {{"x", "44.046875"}, {"y", "74.5"}}), "");
  const std::string caption = "140x140</text>";
  EXPECT_EQ(svg.compare(pos + 1, caption.size(), caption), 0);
}

// Every element is closed in the right order, so renderers accept the document.
TEST(PlaceholderImageUri, DocumentIsWellNested) {
  const std::string svg = PlaceholderSvg();
  ASSERT_FALSE(svg.empty());
  std::vector<std::string> open;
  std::size_t i = 0;
  while ((i = svg.find('<', i)) != std::string::npos) {
    if (svg.compare(i, 9, "<![CDATA[") == 0) {
      i = svg.find("]]>", i);
      ASSERT_NE(i, std::string::npos);
      continue;
    }
    const std::size_t end = svg.find('>', i);
    ASSERT_NE(end, std::string::npos);
    const std::string tag = svg.substr(i + 1, end - i - 1);
    i = end;
    if (tag[0] == '?' || tag[0] == '!') continue;
    if (tag[0] == '/') {
      ASSERT_FALSE(open.empty()) << tag;
      EXPECT_EQ(open.back(), tag.substr(1));
      open.pop_back();
    } else if (tag.back() != '/') {
      open.push_back(tag.substr(0, tag.find(' ')));
    }
  }
  EXPECT_TRUE(open.empty());
  const std::size_t close = svg.rfind("</svg>");
  ASSERT_NE(close, std::string::npos);
  EXPECT_EQ(close + 6, svg.size());
}

}  // namespace
