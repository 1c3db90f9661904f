// Times ExtractPicURLs on a 2 MB blog page with 400 img tags, and on the same
// page with every src value in single quotes, against the same extraction
// written plainly on PCRE2 with its JIT: the same three patterns and options,
// compiled once and kept, the tag texts collected from successive searches,
// then head and tail removed from each. Both run in this process on the same
// page in memory, in turns, and give the same addresses.
//
// Usage: bench_extract [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "bench/PairedRatios.h"
#include "bench/PcrePeer.h"
#include "framework/runtime/RuntimeLock.h"
#include "main_window/ExtractPicURLs.h"

namespace {

constexpr int kTags = 400;
constexpr size_t kPageBytes = 2 * 1024 * 1024;

const char* const kWords[] = {"harbour",  "light",  "morning", "film",   "grain",
                              "street",   "window", "summer",  "analog", "shadow",
                              "portrait", "coast",  "city",    "quiet"};

std::string Words(unsigned& seed, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    if (i) s += ' ';
    s += kWords[(seed >> 16) % (sizeof kWords / sizeof *kWords)];
  }
  return s;
}

// One post of a photo blog: the picture, its caption, tags and notes.
std::string Post(int n, unsigned& seed, size_t fillerBytes) {
  std::ostringstream o;
  const std::string id = std::to_string(100000 + n * 37);
  o << "<article class=\"post photo\" id=\"post-" << id << "\">\n"
    << "  <div class=\"photo-wrapper\">\n"
    << "    <a href=\"https://blog.example/post/" << id << "\" title=\"" << Words(seed, 3) << "\">";
  if (n % 3 == 0) {
    o << "<img class=\"photo\" alt=\"" << Words(seed, 2) << "\" width=\"500\" height=\"750\" "
      << "src=\"https://media.example/pics/" << id << "_500.jpg\"/>";
  } else if (n % 3 == 1) {
    o << "<img src=\"https://media.example/pics/" << id << "_1280.jpg\" alt=\"" << Words(seed, 2)
      << "\" width=\"1280\" height=\"853\">";
  } else {
    o << "<img\n      src=\"https://media.example/pics/" << id << "_640.png\"\n      alt=\"\">";
  }
  o << "</a>\n  </div>\n  <div class=\"caption\">\n";
  std::string body;
  while (body.size() < fillerBytes) {
    body += "    <p>" + Words(seed, 12) + " <a href=\"https://blog.example/tagged/" +
            Words(seed, 1) + "\">#" + Words(seed, 1) + "</a> " + Words(seed, 9) + "</p>\n";
    body += "    <div class=\"meta\"><span class=\"date\">March " + std::to_string(1 + n % 28) +
            "</span> <span class=\"notes\">" + std::to_string(n * 7 % 500) +
            " notes</span></div>\n";
  }
  o << body << "  </div>\n</article>\n";
  return o.str();
}

std::string DoubleQuotedPage() {
  unsigned seed = 7;
  const std::string head =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>photo blog</title>\n<link rel=\"stylesheet\" "
      "href=\"https://blog.example/theme.css\">\n"
      "<script type=\"text/javascript\">var page = 1; function next() { return page + 1; "
      "}</script>\n"
      "</head>\n<body>\n<div id=\"posts\">\n";
  const std::string tail =
      "</div>\n<footer><a href=\"https://blog.example/page/2\">next</a></footer>\n"
      "</body>\n</html>\n";
  const size_t perPost = (kPageBytes - head.size() - tail.size()) / kTags;
  std::string page = head;
  for (int n = 0; n < kTags; ++n) page += Post(n, seed, perPost > 600 ? perPost - 600 : 0);
  page += tail;
  return page;
}

// The same page with src="..." written src='...'.
std::string SingleQuoted(std::string page) {
  const std::string from = "src=\"";
  for (size_t at = page.find(from); at != std::string::npos; at = page.find(from, at)) {
    page[at + 4] = '\'';
    const size_t close = page.find('"', at + 5);
    page[close] = '\'';
    at = close;
  }
  return page;
}

double Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  fw::RuntimeLock::Instance().Acquire();  // as the program's threads run
  const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 21;

  const std::string doubleQuoted = DoubleQuotedPage();
  const std::string singleQuoted = SingleQuoted(doubleQuoted);
  DirectPcre peer;
  std::printf("extraction from a %zu-byte page with %d img tags, ours and the peer in turns\n",
              doubleQuoted.size(), kTags);
  for (const auto& [name, page] : {std::pair{"double-quoted page", &doubleQuoted},
                                   std::pair{"single-quoted page", &singleQuoted}}) {
    // Once each first: the patterns get compiled and kept on both sides.
    const fw::StringArray first = app::ExtractPicURLs(*page);
    const std::vector<std::string> want = peer.Extract(*page);
    if (first != want) {
      std::fprintf(stderr, "ours and the peer found different addresses on the %s\n", name);
      return 1;
    }
    PairedRatios pr;
    for (int r = 0; r < runs; ++r) {
      // Who goes first changes from run to run.
      double oursMs = 0, peerMs = 0;
      size_t oursFound = 0, peerFound = 0;
      for (int side = 0; side < 2; ++side) {
        if ((side + r) % 2 == 0) {
          // Both sides are handed a page of their own, as the worker is handed
          // its download, and are done with it when they return; the copy that
          // stands in for the download is made before the clock starts.
          std::string handed = *page;
          const auto t0 = std::chrono::steady_clock::now();
          oursFound = app::ExtractPicURLs(std::move(handed)).size();
          oursMs = Ms(std::chrono::steady_clock::now() - t0);
        } else {
          std::string handed = *page;
          const auto t0 = std::chrono::steady_clock::now();
          peerFound = peer.Extract(std::move(handed)).size();
          peerMs = Ms(std::chrono::steady_clock::now() - t0);
        }
      }
      if (oursFound != want.size() || peerFound != want.size()) return 1;
      pr.Add(oursMs, peerMs);
    }
    std::printf("%s: %zu addresses\n", name, want.size());
    pr.Print(name, "ms", 1.1);
  }
  return 0;
}
