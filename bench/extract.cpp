// Times ExtractPicURLs on a 2 MB blog page with 400 img tags, and on the same
// page with every src value in single quotes, against the same extraction in
// Python's re module (bench/extract_peer.py) on the same pages in the same run.
//
// Usage: bench_extract [runs] [peer script]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/runtime/RuntimeLock.h"
#include "main_window/ExtractPicURLs.h"

namespace {

constexpr int kTags = 400;
constexpr size_t kPageBytes = 2 * 1024 * 1024;

const char* const kWords[] = {"harbour", "light", "morning", "film", "grain", "street", "window",
                              "summer", "analog", "shadow", "portrait", "coast", "city", "quiet"};

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
    body += "    <p>" + Words(seed, 12) + " <a href=\"https://blog.example/tagged/" + Words(seed, 1) +
            "\">#" + Words(seed, 1) + "</a> " + Words(seed, 9) + "</p>\n";
    body += "    <div class=\"meta\"><span class=\"date\">March " + std::to_string(1 + n % 28) +
            "</span> <span class=\"notes\">" + std::to_string(n * 7 % 500) + " notes</span></div>\n";
  }
  o << body << "  </div>\n</article>\n";
  return o.str();
}

std::string DoubleQuotedPage() {
  unsigned seed = 7;
  const std::string head =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>photo blog</title>\n<link rel=\"stylesheet\" href=\"https://blog.example/theme.css\">\n"
      "<script type=\"text/javascript\">var page = 1; function next() { return page + 1; }</script>\n"
      "</head>\n<body>\n<div id=\"posts\">\n";
  const std::string tail = "</div>\n<footer><a href=\"https://blog.example/page/2\">next</a></footer>\n"
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

double BestMs(const std::string& page, int runs, size_t* found) {
  double best = 1e300;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    const fw::StringArray urls = app::ExtractPicURLs(page);
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    *found = urls.size();
  }
  return best;
}

// The peer's best time and address count for the page in path, or -1.
std::pair<double, long> PeerMs(const std::string& script, const std::string& path, int runs) {
  const std::string cmd = "python3 '" + script + "' " + std::to_string(runs) + " '" + path + "'";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return {-1, -1};
  double ms = -1;
  long count = -1;
  if (std::fscanf(p, "%lf %ld", &ms, &count) != 2) ms = -1;
  pclose(p);
  return {ms, count};
}

}  // namespace

int main(int argc, char** argv) {
  fw::RuntimeLock::Instance().Acquire();  // as the program's threads run
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const std::string script =
      argc > 2 ? argv[2] : (std::filesystem::path(__FILE__).parent_path() / "extract_peer.py").string();

  char dirTemplate[] = "/tmp/bench_extract_XXXXXX";
  const char* dir = mkdtemp(dirTemplate);
  if (!dir) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string doubleQuoted = DoubleQuotedPage();
  const std::string singleQuoted = SingleQuoted(doubleQuoted);
  struct Case {
    const char* name;
    const std::string* page;
    int peerRuns;
    double targetMs;
  } cases[] = {{"double-quoted", &doubleQuoted, 5, 2.0}, {"single-quoted", &singleQuoted, 1, 20.0}};

  std::printf("%-14s %9s %6s %11s %6s %9s %8s\n", "page", "ours ms", "urls", "peer ms", "urls",
              "ours/peer", "target");
  for (const Case& c : cases) {
    const std::string path = std::string(dir) + "/" + c.name + ".html";
    std::ofstream(path, std::ios::binary) << *c.page;
    size_t found = 0;
    const double ours = BestMs(*c.page, runs, &found);
    const auto [peer, peerFound] = PeerMs(script, path, c.peerRuns);
    std::printf("%-14s %9.3f %6zu %11.3f %6ld %9.4f %6.0fms %s\n", c.name, ours, found, peer, peerFound,
                peer > 0 ? ours / peer : 0.0, c.targetMs, ours < c.targetMs ? "met" : "MISSED");
    std::filesystem::remove(path);
  }
  std::printf("page size %zu bytes, %d img tags\n", doubleQuoted.size(), kTags);
  std::filesystem::remove(dir);
  return 0;
}
