#include "framework/text/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "framework/runtime/OutOfBoundsException.h"

namespace fw {

const std::string& At(const StringArray& a, int32_t i) {
  if (i < 0 || i > Ubound(a)) throw OutOfBoundsException();
  return a[static_cast<size_t>(i)];
}

int32_t InStr(int32_t start, std::string_view text, std::string_view find) {
  if (start < 1) start = 1;
  const size_t from = static_cast<size_t>(start) - 1;
  if (from > text.size()) return 0;
  const size_t pos = text.find(find, from);
  return pos == std::string_view::npos ? 0 : static_cast<int32_t>(pos + 1);
}

int32_t InStr(std::string_view text, std::string_view find) { return InStr(1, text, find); }

StringArray Split(std::string_view text, std::string_view delimiter) {
  StringArray pieces;
  if (delimiter.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  size_t from = 0;
  for (;;) {
    const size_t pos = text.find(delimiter, from);
    if (pos == std::string_view::npos) {
      pieces.emplace_back(text.substr(from));
      return pieces;
    }
    pieces.emplace_back(text.substr(from, pos - from));
    from = pos + delimiter.size();
  }
}

std::string Right(std::string_view text, int32_t n) {
  if (n <= 0) return {};
  size_t pos = text.size();
  int32_t taken = 0;
  while (pos > 0 && taken < n) {
    --pos;
    // Step over UTF-8 continuation bytes to the start of the code point.
    while (pos > 0 && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) --pos;
    ++taken;
  }
  return std::string(text.substr(pos));
}

std::string Str(int32_t n) { return std::to_string(n); }

double Val(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const size_t begin = i;
  auto digits = [&] {
    const size_t d = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i - d;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t mantissa = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return 0.0;
  size_t end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() > 0) end = i;
  }
  std::string_view number = text.substr(begin, end - begin);
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  double value = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Overflow gives infinity of the right sign, underflow zero.
    const bool negative = number.front() == '-';
    const bool tiny = number.find_first_of("eE") != std::string_view::npos &&
                      number[number.find_first_of("eE") + 1] == '-';
    if (tiny) return 0.0;
    return negative ? -HUGE_VAL : HUGE_VAL;
  }
  return value;
}

static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

int RuntimeStringCompare(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = static_cast<unsigned char>(LowerAscii(a[i]));
    const unsigned char y = static_cast<unsigned char>(LowerAscii(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool StrEq(std::string_view a, std::string_view b) { return RuntimeStringCompare(a, b) == 0; }

}  // namespace fw
