#pragma once
// The peers' address extraction, written plainly on PCRE2 with its JIT: the
// program's three patterns with its options (dot matches all, lazy, caseless),
// compiled once and kept. Shared by the benches.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// The peer: the extraction on PCRE2-JIT directly.
class DirectPcre {
 public:
  DirectPcre()
      : tag_(Compile("<img\\s.*src\\s*=\\s*\".+\".*>")),
        head_(Compile("<img\\s.*src\\s*=\\s*\"")),
        tail_(Compile("\".*>")),
        data_(pcre2_match_data_create(4, nullptr)) {}
  ~DirectPcre() {
    pcre2_match_data_free(data_);
    for (pcre2_code* c : {tag_, head_, tail_}) pcre2_code_free(c);
  }

  // The page is taken over and let go at the end, as the program does.
  std::vector<std::string> Extract(std::string page) {
    std::vector<std::string> tags;
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(page.data());
    size_t from = 0;
    while (from <= page.size() &&
           pcre2_jit_match(tag_, subject, page.size(), from, 0, data_, nullptr) > 0) {
      const size_t* ov = pcre2_get_ovector_pointer(data_);
      tags.emplace_back(page, ov[0], ov[1] - ov[0]);
      from = ov[1];
    }
    std::vector<std::string> addresses;
    for (const std::string& t : tags)
      addresses.push_back(RemoveFirst(tail_, RemoveFirst(head_, t)));
    return addresses;
  }

 private:
  static pcre2_code* Compile(const char* pattern) {
    int error = 0;
    PCRE2_SIZE at = 0;
    pcre2_code* c =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED,
                      PCRE2_DOTALL | PCRE2_UNGREEDY | PCRE2_CASELESS, &error, &at, nullptr);
    if (!c || pcre2_jit_compile(c, PCRE2_JIT_COMPLETE) != 0) {
      std::fprintf(stderr, "pattern %s does not compile\n", pattern);
      std::exit(1);
    }
    return c;
  }
  std::string RemoveFirst(pcre2_code* code, const std::string& s) {
    if (pcre2_jit_match(code, reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), 0, 0, data_,
                        nullptr) <= 0)
      return s;
    const size_t* ov = pcre2_get_ovector_pointer(data_);
    std::string out;
    out.reserve(s.size() - (ov[1] - ov[0]));
    out.append(s, 0, ov[0]);
    out.append(s, ov[1], std::string::npos);
    return out;
  }

  pcre2_code* tag_;
  pcre2_code* head_;
  pcre2_code* tail_;
  pcre2_match_data* data_;
};
