#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "framework/classes/LayoutTableReader.h"
#include "framework/classes/LayoutTableWriter.h"
#include "framework/classes/PropertyTarget.h"
#include "framework/runtime/RuntimeException.h"
#include "framework/runtime/Thread.h"

namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

std::string Hex(const std::string& s) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// --- one entry: its bytes, and the reader gives it back ---

struct EncodingCase {
  const char* what;
  std::function<void(fw::LayoutTableWriter&)> write;
  std::string bytes;
  fw::LayoutType type;
  int32_t number;
  std::string text;
};

void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.what; }

class LayoutEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(LayoutEncoding, WritesTheBytesAndReadsThemBack) {
  const EncodingCase& c = GetParam();
  fw::LayoutTableWriter w;
  c.write(w);
  EXPECT_EQ(Hex(w.Bytes()), Hex(c.bytes));

  fw::LayoutTableReader r(w.Bytes());
  fw::LayoutEntry e = r.Next();
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(r.Position(), c.bytes.size());
  EXPECT_EQ(e.type, c.type);
  EXPECT_EQ(e.number, c.number);
  EXPECT_EQ(e.text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, LayoutEncoding,
    ::testing::Values(
        EncodingCase{"Int32 564", [](auto& w) { w.Int32("Width", 564); },
                     "Width " + Bytes({0x00, 0x00, 0x02, 0x34}), fw::LayoutType::Int32, 564, ""},
        EncodingCase{"Int32 smallest", [](auto& w) { w.Int32("Index", INT32_MIN); },
                     "Index " + Bytes({0x80, 0x00, 0x00, 0x00}), fw::LayoutType::Int32, INT32_MIN,
                     ""},
        EncodingCase{"Int32 -1", [](auto& w) { w.Int32("Left", -1); },
                     "Left " + Bytes({0xFF, 0xFF, 0xFF, 0xFF}), fw::LayoutType::Int32, -1, ""},
        EncodingCase{"Boolean True", [](auto& w) { w.Bool("Visible", true); },
                     "Visible " + Bytes({0x01}), fw::LayoutType::Boolean, 1, ""},
        EncodingCase{"Boolean False", [](auto& w) { w.Bool("Resizeable", false); },
                     "Resizeable " + Bytes({0x00}), fw::LayoutType::Boolean, 0, ""},
        EncodingCase{"Color orange", [](auto& w) { w.Color("TextColor", 0xFF5200); },
                     "TextColor " + Bytes({0xFF, 0x52, 0x00}), fw::LayoutType::Color, 0xFF5200, ""},
        EncodingCase{"Color ignores high bits", [](auto& w) { w.Color("BackColor", 0xAA3C3C3C); },
                     "BackColor " + Bytes({0x3C, 0x3C, 0x3C}), fw::LayoutType::Color, 0x3C3C3C, ""},
        EncodingCase{"String empty", [](auto& w) { w.String("HelpTag", ""); },
                     "HelpTag " + Bytes({0, 0, 0, 0}), fw::LayoutType::String, 0, ""},
        EncodingCase{"String with a trailing blank",
                     [](auto& w) { w.String("Text", "Pictures saved: "); },
                     "Text " + Bytes({0, 0, 0, 16}) + "Pictures saved: ", fw::LayoutType::String, 0,
                     "Pictures saved: "},
        EncodingCase{"String holding a zero byte",
                     [](auto& w) { w.String("Title", std::string("a\0b", 3)); },
                     "Title " + Bytes({0, 0, 0, 3, 'a', 0, 'b'}), fw::LayoutType::String, 0,
                     std::string("a\0b", 3)}));

// --- a whole table ---

TEST(LayoutTable, ReaderWalksEveryEntryInOrderAndEndsAtTheLastByte) {
  const std::string table = fw::LayoutTableWriter()
                                .Int32("Placement", 0)
                                .Int32("Width", 564)
                                .Int32("Height", 142)
                                .String("Format", "")
                                .Bool("Composite", true)
                                .Color("BackColor", 0x3C3C3C)
                                .String("Title", "SnapHarbor - Freeware")
                                .String("DataField", "");
  // The table holds zero bytes; its end is only its length.
  const std::string start = "Placement " + Bytes({0, 0, 0, 0}) + "Width " + Bytes({0, 0, 2, 0x34}) +
                            "Height " + Bytes({0, 0, 0, 0x8E});
  EXPECT_EQ(Hex(table.substr(0, start.size())), Hex(start));
  const auto entries = fw::LayoutTableReader::ReadAll(table);
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Placement", "Width", "Height", "Format", "Composite",
                                             "BackColor", "Title", "DataField"}));
  EXPECT_EQ(entries[6].text, "SnapHarbor - Freeware");
  EXPECT_EQ(entries[7].text, "");

  fw::LayoutTableReader r(table);
  while (!r.AtEnd()) r.Next();
  EXPECT_EQ(r.Position(), table.size());
  EXPECT_THROW(r.Next(), fw::RuntimeException);
}

TEST(LayoutTable, EmptyTableHasNoEntries) {
  EXPECT_TRUE(fw::LayoutTableReader::ReadAll("").empty());
}

// --- faults the reader reports ---

struct BadTableCase {
  const char* what;
  std::string table;
};

void PrintTo(const BadTableCase& c, std::ostream* os) { *os << c.what; }

class LayoutReaderFault : public ::testing::TestWithParam<BadTableCase> {};

TEST_P(LayoutReaderFault, RaisesRuntimeException) {
  EXPECT_THROW(fw::LayoutTableReader::ReadAll(GetParam().table), fw::RuntimeException);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LayoutReaderFault,
    ::testing::Values(BadTableCase{"unknown name", "Colour " + Bytes({1, 2, 3})},
                      BadTableCase{"name in another case", "width " + Bytes({0, 0, 2, 0x34})},
                      BadTableCase{"name without its space", "Width"},
                      BadTableCase{"Int32 cut off", "Width " + Bytes({0, 0, 2})},
                      BadTableCase{"Boolean missing", "Visible "},
                      BadTableCase{"Boolean neither 00 nor 01", "Visible " + Bytes({2})},
                      BadTableCase{"Color cut off", "TextColor " + Bytes({0xFF, 0x52})},
                      BadTableCase{"String length cut off", "Text " + Bytes({0, 0, 0})},
                      BadTableCase{"String shorter than its length",
                                   "Text " + Bytes({0, 0, 0, 5}) + "abc"},
                      BadTableCase{"String length beyond the table",
                                   "Text " + Bytes({0xFF, 0xFF, 0xFF, 0xFF}) + "abc"},
                      BadTableCase{"good entry then a cut one",
                                   "Visible " + Bytes({1}) + "Height " + Bytes({0, 0})}));

TEST(LayoutTable, WriterRefusesUnknownNamesAndWrongTypes) {
  fw::LayoutTableWriter w;
  EXPECT_THROW(w.Int32("Colour", 1), fw::RuntimeException);
  EXPECT_THROW(w.Bool("Width", true), fw::RuntimeException);
  EXPECT_THROW(w.String("Visible", "x"), fw::RuntimeException);
  EXPECT_THROW(w.Color("Title", 0), fw::RuntimeException);
  EXPECT_EQ(w.Bytes(), "");
}

// --- the one-step setter ---

class RecordingTarget : public fw::PropertyTarget {
 public:
  std::vector<std::string> applied;
  bool SetLayoutProperty(const fw::LayoutEntry& e) override {
    if (e.name == "Caption") return false;  // not one of ours
    applied.push_back(e.name);
    return true;
  }
};

TEST(SetProperties, AppliesEntriesInTableOrderAndSkipsNamesTheTargetLacks) {
  RecordingTarget t;
  fw::SetProperties(t, fw::LayoutTableWriter()
                           .Bool("Visible", true)
                           .String("Caption", "Go")
                           .Int32("Width", 5)
                           .Int32("Left", 1)
                           .Int32("Width", 6)
                           .Bytes());
  EXPECT_EQ(t.applied, (std::vector<std::string>{"Visible", "Width", "Left", "Width"}));
}

TEST(SetProperties, MalformedTableSetsNothing) {
  RecordingTarget t;
  EXPECT_THROW(fw::SetProperties(t, fw::LayoutTableWriter().Int32("Width", 5).Bytes() + "Height "),
               fw::RuntimeException);
  EXPECT_TRUE(t.applied.empty());
}

TEST(SetProperties, ThreadTakesPriorityAndStackSize) {
  auto thread = std::make_shared<fw::Thread>();
  fw::SetProperties(thread, fw::LayoutTableWriter()
                                .Int32("Priority", 7)
                                .Int32("StackSize", 65536)
                                .Int32("Width", 3)
                                .Bytes());
  EXPECT_EQ(thread->Priority, 7);
  EXPECT_EQ(thread->StackSize, 65536);
}

}  // namespace
