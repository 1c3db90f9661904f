#include "main_window/ExtractPicURLs.h"

#include <gtest/gtest.h>

#include <atomic>
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
        ExtractCase{"a post of a real page",
                    "<div class=\"post\"><a href=\"https://blog.example/post/1\"><img class=\"photo\"\n"
                    "  alt=\"sea\" width=\"500\" src=\"https://media.example/1_500.jpg\"/></a></div>\n"
                    "<div class=\"post\"><img src=\"https://media.example/2.png\" alt=\"\"></div>\n",
                    {"https://media.example/1_500.jpg", "https://media.example/2.png"}},
        ExtractCase{"line breaks around the parts of a tag",
                    "<img\nsrc\n=\r\n\"a.jpg\"\nalt=\"x\"\n>", {"a.jpg"}},
        ExtractCase{"line break inside the value stays", "<img src=\"a\nb.jpg\">", {"a\nb.jpg"}},
        ExtractCase{"value as written: blanks and references kept",
                    "<img\tsrc = \" a.jpg?x=1&amp;y=2 \">", {" a.jpg?x=1&amp;y=2 "}},
        ExtractCase{"capital letters", "<IMG SRC=\"A.JPG\">", {"A.JPG"}},
        ExtractCase{"tag without src takes the next tag's value",
                    "<img alt=\"x\"><p>t</p><img src=\"b.jpg\">", {"b.jpg"}},
        ExtractCase{"a script's src is taken all the same",
                    "<img alt=\"x\"><script src=\"s.js\"></script>", {"s.js"}},
        ExtractCase{"single quotes run on to a later double-quoted value",
                    "<img src='a.jpg'><img src=b.jpg><img src=\"c.jpg\"> <img src=\"d.jpg\">",
                    {"c.jpg", "d.jpg"}},
        ExtractCase{"single quotes and nothing after", "<img src='a.jpg'> <p class=\"x\"><img src=b.jpg>",
                    {}},
        ExtractCase{"data-src before src", "<img data-src=\"d.jpg\" src=\"s.jpg\">", {"d.jpg"}},
        ExtractCase{"data-src after src", "<img src=\"s.jpg\" data-src=\"d.jpg\">", {"s.jpg"}},
        ExtractCase{"srcset before src", "<img srcset=\"a.jpg 2x\" src=\"s.jpg\">", {"s.jpg"}},
        ExtractCase{"greater-than in a later value ends the tag there",
                    "<img src=\"a.jpg\" alt=\"x>y\"><img src=\"b.jpg\">", {"a.jpg", "b.jpg"}},
        ExtractCase{"greater-than inside the value stays", "<img src=\"a>b.jpg\">", {"a>b.jpg"}},
        ExtractCase{"empty value with a further attribute", "<img src=\"\" alt=\"x\">", {""}},
        ExtractCase{"empty value followed by a tag gives that whole tag",
                    "<img src=\"\"><img src=\"b.jpg\">", {"<img src=\"b.jpg\">"}},
        ExtractCase{"no greater-than after the closing quote",
                    "<img src=\"a.jpg\"><img src=\"b.jpg\" alt=\"z\"", {"a.jpg"}},
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

INSTANTIATE_TEST_SUITE_P(Pages, ExtractPicURLsTest, ::testing::ValuesIn(Cases()), [](const auto& info) {
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
    const std::string rest = std::regex_replace(m.str(0), head, "", std::regex_constants::format_first_only);
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
  static const char* const kPieces[] = {"<img ", "<IMG\n", "<img\t", "<img/", "<img>", " src=\"",
                                        "src", " data-src=\"", " srcset=\"", "=", " = ", "\"", "'", ">",
                                        "a.jpg", "b.jpg", " alt=\"x\"", "\n", "<p>", "<!--"};
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
    ASSERT_EQ(app::ExtractPicURLs(page), ExtractWithStdRegex(page)) << ::testing::PrintToString(page);
  }
}

TEST(ExtractPicURLsYieldTest, GivesWayWhileWorkingSoTheWorkerCanBeEndedThere) {
  std::string page;
  for (int i = 0; i < 50000; ++i) page += "<p>post</p><img src=\"p" + std::to_string(i) + ".jpg\">\n";
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
