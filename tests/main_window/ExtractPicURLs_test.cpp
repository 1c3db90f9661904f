#include "main_window/ExtractPicURLs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <ostream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "framework/runtime/RuntimeLock.h"
#include "framework/runtime/Thread.h"

namespace {

struct ExtractCase {
  const char* name;
  std::string page;
  fw::StringArray expected;
};

void PrintTo(const ExtractCase& c, std::ostream* os) {
  *os << c.name << ": " << ::testing::PrintToString(c.page);
}

const std::vector<ExtractCase>& Cases() {
  static const std::vector<ExtractCase> cases{
      ExtractCase{"empty page", "", {}},
      ExtractCase{"img not followed by whitespace", "<p>x</p><img/src=\"a.jpg\"><img>", {}},
      ExtractCase{"one tag", "<img src=\"a.jpg\">", {"a.jpg"}},
      ExtractCase{"several on one line duplicates kept",
                  "<img src=\"a.jpg\"><img src=\"b.jpg\"> <img alt=\"\" src=\"a.jpg\" />",
                  {"a.jpg", "b.jpg", "a.jpg"}},
      ExtractCase{
          "a post of a real page",
          "<div class=\"post\"><a href=\"https://blog.example/post/1\"><img class=\"photo\"\n"
          "  alt=\"sea\" width=\"500\" src=\"https://media.example/1_500.jpg\"/></a></div>\n"
          "<div class=\"post\"><img src=\"https://media.example/2.png\" alt=\"\"></div>\n",
          {"https://media.example/1_500.jpg", "https://media.example/2.png"}},
      ExtractCase{"line breaks around the parts of a tag",
                  "<img\nsrc\n=\r\n\"a.jpg\"\nalt=\"x\"\n>",
                  {"a.jpg"}},
      ExtractCase{"line break inside the value stays", "<img src=\"a\nb.jpg\">", {"a\nb.jpg"}},
      ExtractCase{"value as written: blanks and references kept",
                  "<img\tsrc = \" a.jpg?x=1&amp;y=2 \">",
                  {" a.jpg?x=1&amp;y=2 "}},
      ExtractCase{"capital letters", "<IMG SRC=\"A.JPG\">", {"A.JPG"}},
      ExtractCase{"tag without src takes the next tag's value",
                  "<img alt=\"x\"><p>t</p><img src=\"b.jpg\">",
                  {"b.jpg"}},
      ExtractCase{"a script's src is taken all the same",
                  "<img alt=\"x\"><script src=\"s.js\"></script>",
                  {"s.js"}},
      ExtractCase{"single quotes run on to a later double-quoted value",
                  "<img src='a.jpg'><img src=b.jpg><img src=\"c.jpg\"> <img src=\"d.jpg\">",
                  {"c.jpg", "d.jpg"}},
      ExtractCase{"single quotes and nothing after",
                  "<img src='a.jpg'> <p class=\"x\"><img src=b.jpg>",
                  {}},
      ExtractCase{"data-src before src", "<img data-src=\"d.jpg\" src=\"s.jpg\">", {"d.jpg"}},
      ExtractCase{"data-src after src", "<img src=\"s.jpg\" data-src=\"d.jpg\">", {"s.jpg"}},
      ExtractCase{"srcset before src", "<img srcset=\"a.jpg 2x\" src=\"s.jpg\">", {"s.jpg"}},
      ExtractCase{"greater-than in a later value ends the tag there",
                  "<img src=\"a.jpg\" alt=\"x>y\"><img src=\"b.jpg\">",
                  {"a.jpg", "b.jpg"}},
      ExtractCase{"greater-than inside the value stays", "<img src=\"a>b.jpg\">", {"a>b.jpg"}},
      ExtractCase{"empty value with a further attribute", "<img src=\"\" alt=\"x\">", {""}},
      ExtractCase{"empty value followed by a tag gives that whole tag",
                  "<img src=\"\"><img src=\"b.jpg\">",
                  {"<img src=\"b.jpg\">"}},
      ExtractCase{"no greater-than after the closing quote",
                  "<img src=\"a.jpg\"><img src=\"b.jpg\" alt=\"z\"",
                  {"a.jpg"}},
      ExtractCase{"inside comments scripts and attribute values",
                  "<!-- <img src=\"c.jpg\"> --><script>s='<img src=\"j.jpg\">';</script>"
                  "<a title='<img src=\"t.jpg\">'>x</a>",
                  {"c.jpg", "j.jpg", "t.jpg"}},
  };
  return cases;
}

class ExtractPicURLsTest : public ::testing::TestWithParam<ExtractCase> {};

TEST_P(ExtractPicURLsTest, GivesTheSrcValuesInDocumentOrder) {
  EXPECT_EQ(app::ExtractPicURLs(GetParam().page), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Pages, ExtractPicURLsTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                           std::string s = info.param.name;
                           for (char& ch : s)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return s;
                         });

// The same steps on another engine: std::regex, with lazy quantifiers written
// out and [\s\S] for a full stop that takes line ends.
fw::StringArray ExtractWithStdRegex(const std::string& page) {
  const auto flags = std::regex::ECMAScript | std::regex::icase;
  const std::regex tag(R"(<img\s[\s\S]*?src\s*=\s*"[\s\S]+?"[\s\S]*?>)", flags);
  const std::regex head(R"(<img\s[\s\S]*?src\s*=\s*")", flags);
  const std::regex tail(R"("[\s\S]*?>)", flags);
  fw::StringArray urls;
  std::smatch m;
  auto from = page.cbegin();
  while (std::regex_search(from, page.cend(), m, tag,
                           from == page.cbegin() ? std::regex_constants::match_default
                                                 : std::regex_constants::match_prev_avail)) {
    const std::string rest =
        std::regex_replace(m.str(0), head, "", std::regex_constants::format_first_only);
    urls.push_back(std::regex_replace(rest, tail, "", std::regex_constants::format_first_only));
    from = m[0].second;
  }
  return urls;
}

TEST(ExtractPicURLsDifferentialTest, TheTableAgreesWithAnotherEngine) {
  for (const ExtractCase& c : Cases()) EXPECT_EQ(ExtractWithStdRegex(c.page), c.expected) << c.name;
}

// Pages of random pieces of tags, quotes and text.
std::string RandomPage(unsigned& seed) {
  static const char* const kPieces[] = {
      "<img ",        "<IMG\n",     "<img\t",     "<img/", "<img>", " src=\"", "src",
      " data-src=\"", " srcset=\"", "=",          " = ",   "\"",    "'",       ">",
      "a.jpg",        "b.jpg",      " alt=\"x\"", "\n",    "<p>",   "<!--"};
  std::string page;
  seed = seed * 1103515245u + 12345u;
  const unsigned n = (seed >> 16) % 30;
  for (unsigned i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    page += kPieces[(seed >> 16) % (sizeof kPieces / sizeof *kPieces)];
  }
  return page;
}

TEST(ExtractPicURLsDifferentialTest, RandomPagesAgreeWithAnotherEngine) {
  unsigned seed = 2024;
  for (int i = 0; i < 3000; ++i) {
    const std::string page = RandomPage(seed);
    ASSERT_EQ(app::ExtractPicURLs(page), ExtractWithStdRegex(page))
        << ::testing::PrintToString(page);
  }
}

// --- Pages as large as a body gets ---

constexpr size_t kLarge = size_t{20} << 20;

// Ordinary markup without a double quote or an img tag, to about `bytes`.
std::string Filler(size_t bytes) {
  static const std::string kLine = "<p>Some words of a post, <b>bold</b> and plain.</p>\n";
  std::string text;
  text.reserve(bytes + kLine.size());
  while (text.size() < bytes) text += kLine;
  return text;
}

struct LargePageCase {
  const char* name;
  std::function<std::string()> page;  // made when the test runs: 20 MB or more
  std::function<fw::StringArray()> expected;
};
void PrintTo(const LargePageCase& c, std::ostream* os) { *os << c.name; }

class ExtractPicURLsLargePageTest : public ::testing::TestWithParam<LargePageCase> {};

// The engine's own step limits would end these searches with an exception
// (a dead worker); every page up to the body cap gives its result.
TEST_P(ExtractPicURLsLargePageTest, GivesItsResultWithoutHittingAnEngineLimit) {
  const LargePageCase& c = GetParam();
  std::string page = c.page();
  ASSERT_GE(page.size(), kLarge);
  fw::StringArray urls;
  ASSERT_NO_THROW(urls = app::ExtractPicURLs(std::move(page)));
  const fw::StringArray expected = c.expected();
  ASSERT_EQ(urls.size(), expected.size());
  for (size_t i = 0; i < urls.size(); ++i) {
    // Compared without printing megabytes when they differ.
    EXPECT_TRUE(urls[i] == expected[i])
        << "address " << i << " differs; sizes " << urls[i].size() << " and " << expected[i].size();
  }
}

const std::string kDataSrc = "data:image/jpeg;base64," + std::string(kLarge, 'Q');

INSTANTIATE_TEST_SUITE_P(
    Pages, ExtractPicURLsLargePageTest,
    ::testing::Values(
        LargePageCase{"one img with no double quote, then 20 MB",
                      [] { return "<img src=a.jpg>" + Filler(kLarge); },
                      [] { return fw::StringArray{}; }},
        LargePageCase{"a 20 MB data: src",
                      [] { return "<p>x</p><img src=\"" + kDataSrc + "\" alt=\"\">\n<p>y</p>"; },
                      [] { return fw::StringArray{kDataSrc}; }},
        LargePageCase{"a src value never closed",
                      [] { return "<img src=\"a.jpg" + Filler(kLarge); },
                      [] { return fw::StringArray{}; }},
        LargePageCase{"a tag never closed by a greater-than",
                      [] {
                        return Filler(kLarge / 2) + "<img src=\"a.jpg\" alt=\"" +
                               std::string(kLarge / 2, 'x');
                      },
                      [] { return fw::StringArray{}; }},
        LargePageCase{"20 MB of img tags without src, then one with",
                      [] {
                        std::string page;
                        while (page.size() < kLarge) page += "<img alt=x>\n";
                        return page + "<img src=\"last.jpg\">";
                      },
                      [] { return fw::StringArray{"last.jpg"}; }},
        LargePageCase{"20 MB of img tags without src and nothing after",
                      [] {
                        std::string page;
                        while (page.size() < kLarge) page += "<img alt=\"x\">";
                        return page;
                      },
                      [] { return fw::StringArray{}; }},
        LargePageCase{"quotes without a greater-than after the last tag",
                      [] { return "<img src=\"a.jpg\">" + std::string(kLarge, '"'); },
                      [] { return fw::StringArray{"a.jpg"}; }},
        LargePageCase{"the only tag at the end of 20 MB",
                      [] { return Filler(kLarge) + "<img src=\"end.jpg\">"; },
                      [] { return fw::StringArray{"end.jpg"}; }},
        LargePageCase{"200,000 tags",
                      [] {
                        std::string page;
                        for (int i = 0; page.size() < kLarge; ++i)
                          page += "<div><img class=\"p\" src=\"/p/" + std::to_string(i) +
                                  ".jpg\"></div>\n";
                        return page;
                      },
                      [] {
                        fw::StringArray urls;
                        size_t size = 0;
                        for (int i = 0; size < kLarge; ++i) {
                          urls.push_back("/p/" + std::to_string(i) + ".jpg");
                          size += std::string("<div><img class=\"p\" src=\"\"></div>\n").size() +
                                  urls.back().size();
                        }
                        return urls;
                      }}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(ExtractPicURLsYieldTest, GivesWayWhileWorkingSoTheWorkerCanBeEndedThere) {
  std::string page;
  for (int i = 0; i < 50000; ++i)
    page += "<p>post</p><img src=\"p" + std::to_string(i) + ".jpg\">\n";
  std::atomic<bool> started{false}, finished{false};
  auto worker = std::make_shared<fw::Thread>();
  worker->SetRunHandler([&](fw::Thread&) {
    started = true;
    const fw::StringArray urls = app::ExtractPicURLs(page);
    finished = true;
  });
  worker->Run();
  {
    // Wait in line for the runtime lock while the worker extracts: it must
    // hand the lock over from inside the call.
    fw::RuntimeLock::Unlocked unlocked;
    while (!started) std::this_thread::yield();
  }
  EXPECT_FALSE(finished);
  worker->Kill();
  EXPECT_FALSE(worker->IsRunning());
  EXPECT_FALSE(finished);
  fw::Thread::KillAll();
}

}  // namespace
