#include "platform/macroman.h"

#include <gtest/gtest.h>

#include <set>

namespace plat {
namespace {

TEST(MacRoman, EveryByteRoundTripsThroughUnicodeAndUtf8) {
  std::set<char32_t> seen;
  std::string all;
  for (int b = 0; b < 256; ++b) {
    char32_t cp = macRomanToUnicode(static_cast<unsigned char>(b));
    EXPECT_TRUE(seen.insert(cp).second) << "two bytes share U+" << std::hex << unsigned(cp);
    EXPECT_EQ(unicodeToMacRoman(cp), b) << "byte 0x" << std::hex << b;
    all.push_back(static_cast<char>(b));
  }
  bool lossy = true;
  EXPECT_EQ(utf8ToMacRoman(macRomanToUtf8(all), &lossy), all);
  EXPECT_FALSE(lossy);
}

TEST(MacRoman, SymbolsTheProgramPrints) {
  struct { unsigned char byte; const char* utf8; } cases[] = {
      {0xA5, "\u2022"},  // bullet
      {0xC6, "\u2206"},  // increment
      {0xDB, "\u20AC"},  // euro
      {0xB1, "\u00B1"},  // plus-minus
      {0xB7, "\u2211"}, {0xBA, "\u222B"}, {0xB6, "\u2202"}, {0xC9, "\u2026"},
      {0xD1, "\u2014"}, {0xD6, "\u00F7"}, {0xA1, "\u00B0"}, {0xAF, "\u00D8"},
      {0xB2, "\u2264"}, {0xB3, "\u2265"}, {0xBF, "\u00F8"}, {0xB9, "\u03C0"},
      {0xCA, "\u00A0"}, {0xF0, "\uF8FF"}, {0x80, "\u00C4"}, {0xFF, "\u02C7"},
  };
  for (auto& c : cases) {
    std::string byte(1, static_cast<char>(c.byte));
    EXPECT_EQ(macRomanToUtf8(byte), c.utf8) << std::hex << int(c.byte);
    EXPECT_EQ(utf8ToMacRoman(c.utf8), byte) << std::hex << int(c.byte);
  }
  EXPECT_EQ(macRomanToUtf8("\xA5\xA5\xA5  FILE"), "\u2022\u2022\u2022  FILE");
}

TEST(MacRoman, LookAlikesMapToTheSameGlyph) {
  EXPECT_EQ(utf8ToMacRoman("\u0394"), "\xC6");   // Greek delta
  EXPECT_EQ(utf8ToMacRoman("\u03BC"), "\xB5");   // Greek mu
  EXPECT_EQ(utf8ToMacRoman("\u2126"), "\xBD");   // ohm
  // ...but they do not change what a byte decodes to.
  EXPECT_EQ(macRomanToUnicode(0xC6), U'\u2206');
}

TEST(MacRoman, UnmappableCharactersBecomeQuestionMarksAndAreReported) {
  bool lossy = false;
  EXPECT_EQ(utf8ToMacRoman("a\u4E2Db", &lossy), "a?b");
  EXPECT_TRUE(lossy);
  lossy = false;
  EXPECT_EQ(utf8ToMacRoman("x\U0001F600y", &lossy), "x?y");   // outside the BMP
  EXPECT_TRUE(lossy);
  lossy = false;
  EXPECT_EQ(utf8ToMacRoman("\u00A4", &lossy), "?");   // currency sign is not the euro
  EXPECT_TRUE(lossy);
  EXPECT_EQ(unicodeToMacRoman(0x110000), -1);
  EXPECT_EQ(unicodeToMacRoman(0xFFFF), -1);
  EXPECT_EQ(utf8ToMacRoman("plain", &lossy), "plain");
  EXPECT_FALSE(lossy);
  EXPECT_EQ(utf8ToMacRoman("no flag pointer \u4E2D"), "no flag pointer ?");
}

TEST(MacRoman, MalformedUtf8IsReplacedWithoutOverrunning) {
  struct { std::string in; std::string out; } cases[] = {
      {"a\x80z", "a?z"},                   // stray continuation byte
      {"a\xC3", "a?"},                     // truncated at the end
      {"a\xE2\x82", "a?"},                 // truncated three-byte sequence
      {"a\xE2\x82z", "a?z"},               // interrupted sequence resynchronises
      {"\xC0\xAF", "??"},                  // overlong '/' must not become '/'
      {"\xE0\x80\xAF", "???"},             // overlong three-byte form
      {"\xED\xA0\x80", "???"},             // surrogate half
      {"\xF4\x90\x80\x80", "????"},        // above U+10FFFF
      {"\xFF\xFE", "??"},                  // never valid
      {std::string("a\0b", 3), std::string("a\0b", 3)},   // NUL is data
  };
  for (auto& c : cases) {
    bool lossy = false;
    EXPECT_EQ(utf8ToMacRoman(c.in, &lossy), c.out) << testing::PrintToString(c.in);
    EXPECT_EQ(lossy, c.out.find('?') != std::string::npos);
  }
  EXPECT_EQ(utf8ToMacRoman(""), "");
}

TEST(MacRoman, LineEnds) {
  EXPECT_EQ(crToLf("a\rb\r"), "a\nb\n");
  EXPECT_EQ(crToLf("a\r\nb"), "a\nb");        // CRLF is one line end, not two
  EXPECT_EQ(crToLf("a\nb"), "a\nb");
  EXPECT_EQ(crToLf("\r\r"), "\n\n");          // empty lines survive
  EXPECT_EQ(toCrLineEnds("a\nb\n"), "a\rb\r");
  EXPECT_EQ(toCrLineEnds("a\r\nb\r\n"), "a\rb\r");
  EXPECT_EQ(toCrLineEnds("a\rb"), "a\rb");
  EXPECT_EQ(toCrLineEnds("1\r2\n3\r\n4\n\r5"), "1\r2\r3\r4\r\r5");   // LF CR is two
  EXPECT_EQ(toCrLineEnds(""), "");
  const std::string cr = "first\r\rthird\r\xA5 bullet";
  EXPECT_EQ(toCrLineEnds(crToLf(cr)), cr);
}

TEST(MacRoman, FilesForOtherProgramsAndBack) {
  const std::string program = "\xA5 mean \xB1 sd\r\xB7 total\r";
  EXPECT_EQ(toDiskText(program), "\xE2\x80\xA2 mean \xC2\xB1 sd\n\xE2\x88\x91 total\n");
  EXPECT_EQ(fromDiskText(toDiskText(program)), program);
  EXPECT_EQ(fromDiskText("\xA5 a\r\nb\n"), "\xA5 a\rb\r");      // Mac Roman bytes, CRLF and LF
  EXPECT_EQ(fromDiskText("\xE2\x80\xA2 a\r"), "\xA5 a\r");       // UTF-8, CR
  EXPECT_TRUE(isUtf8("plain"));
  EXPECT_FALSE(isUtf8("\xA5"));
}

}  // namespace
}  // namespace plat
