#pragma once
// Text functions of the runtime. Strings are UTF-8 byte strings; positions are
// 1-based and 0 means not found.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

using StringArray = std::vector<std::string>;

// Upper bound of an array: its size minus one, -1 when empty.
template <class A>
int32_t Ubound(const A& a) {
  return static_cast<int32_t>(a.size()) - 1;
}

// Element i of a; raises OutOfBoundsException past either end.
const std::string& At(const StringArray& a, int32_t i);

// 1-based position of the first `find` in `text` at or after `start`; 0 when absent.
// An empty `find` gives `start` while it lies within the text (or just past it).
int32_t InStr(int32_t start, std::string_view text, std::string_view find);
int32_t InStr(std::string_view text, std::string_view find);

// Pieces between delimiters, empty pieces kept: k delimiters give k + 1 pieces.
// An empty delimiter gives the whole text as the one piece.
StringArray Split(std::string_view text, std::string_view delimiter);

// The last n characters (UTF-8 code points); all of it when shorter, "" for n <= 0.
std::string Right(std::string_view text, int32_t n);

// Decimal text of n, with a minus sign when negative.
std::string Str(int32_t n);

// The number at the start of text (leading blanks skipped; sign, digits, point,
// exponent); 0 when text does not begin with a number.
double Val(std::string_view text);

// String equality of the whole program: ASCII letters compare without regard to case.
bool StrEq(std::string_view a, std::string_view b);

// 0 when equal under StrEq, otherwise negative or positive like strcmp.
int RuntimeStringCompare(std::string_view a, std::string_view b);

}  // namespace fw
