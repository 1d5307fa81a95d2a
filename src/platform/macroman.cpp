// Mac Roman <-> Unicode. The table is the later Mac Roman: 0xDB is the euro
// sign (it was the currency sign before 1998) and 0xF0, the Apple logo, sits
// in the private use area at U+F8FF.
#include "platform/macroman.h"

#include <algorithm>
#include <array>
#include <utility>

namespace plat {
namespace {

constexpr std::array<char16_t, 128> kHigh = {
    // 0x80
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,
    // 0x90
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,
    // 0xA0
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    // 0xB0
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,
    // 0xC0
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,
    // 0xD0
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    // 0xE0
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,
    // 0xF0
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

// Look-alikes that older tables and keyboards produce for the same glyphs.
constexpr std::array<std::pair<char16_t, unsigned char>, 3> kAliases = {{
    {0x0394, 0xC6},  // Greek capital delta for the increment sign
    {0x03BC, 0xB5},  // Greek small mu for the micro sign
    {0x2126, 0xBD},  // ohm sign for capital omega
}};

struct Reverse {
  std::array<std::pair<char16_t, unsigned char>, 128 + kAliases.size()> entries{};
  Reverse() {
    for (size_t i = 0; i < 128; ++i) entries[i] = {kHigh[i], static_cast<unsigned char>(0x80 + i)};
    for (size_t i = 0; i < kAliases.size(); ++i) entries[128 + i] = kAliases[i];
    std::sort(entries.begin(), entries.end());
  }
};

const Reverse& reverse() {
  static const Reverse r;
  return r;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    // The table holds only BMP characters.
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one code point at s[i]. On a malformed sequence returns -1 and
// advances over its longest valid-looking prefix (at least one byte), so one
// bad sequence becomes one replacement and decoding resynchronises.
long decodeUtf8(std::string_view s, size_t& i) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  if (c < 0x80) {
    ++i;
    return c;
  }
  int need;
  char32_t cp;
  unsigned char lo = 0x80, hi = 0xBF;  // permitted range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    need = 1;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 2;
    cp = c & 0x0F;
    if (c == 0xE0) lo = 0xA0;        // overlong
    if (c == 0xED) hi = 0x9F;        // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 3;
    cp = c & 0x07;
    if (c == 0xF0) lo = 0x90;        // overlong
    if (c == 0xF4) hi = 0x8F;        // above U+10FFFF
  } else {
    ++i;
    return -1;
  }
  size_t k = i + 1;
  for (int n = 0; n < need; ++n, ++k) {
    if (k >= s.size()) {
      i = k;
      return -1;
    }
    unsigned char cc = b(k);
    unsigned char l = n == 0 ? lo : 0x80, h = n == 0 ? hi : 0xBF;
    if (cc < l || cc > h) {
      i = k;
      return -1;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  i = k;
  return static_cast<long>(cp);
}

}  // namespace

char32_t macRomanToUnicode(unsigned char byte) {
  return byte < 0x80 ? char32_t(byte) : char32_t(kHigh[byte - 0x80]);
}

int unicodeToMacRoman(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp > 0xFFFF) return -1;
  const auto& e = reverse().entries;
  auto it = std::lower_bound(e.begin(), e.end(), std::pair<char16_t, unsigned char>{char16_t(cp), 0});
  if (it != e.end() && it->first == cp) return it->second;
  return -1;
}

std::string macRomanToUtf8(std::string_view macRoman) {
  std::string out;
  out.reserve(macRoman.size() + macRoman.size() / 4);
  for (char ch : macRoman) appendUtf8(out, macRomanToUnicode(static_cast<unsigned char>(ch)));
  return out;
}

std::string utf8ToMacRoman(std::string_view utf8, bool* lossy) {
  std::string out;
  out.reserve(utf8.size());
  bool lost = false;
  size_t i = 0;
  while (i < utf8.size()) {
    long cp = decodeUtf8(utf8, i);
    int b = cp < 0 ? -1 : unicodeToMacRoman(static_cast<char32_t>(cp));
    if (b < 0) {
      out.push_back('?');
      lost = true;
    } else {
      out.push_back(static_cast<char>(b));
    }
  }
  if (lossy) *lossy = lost;
  return out;
}

std::string crToLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;   // CRLF is one line end
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string toCrLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out.push_back('\r');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      out.push_back('\r');
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool isUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    if (decodeUtf8(text, i) < 0) return false;
  }
  return true;
}

std::string toDiskText(std::string_view programText) { return macRomanToUtf8(crToLf(programText)); }

std::string fromDiskText(std::string_view diskText) {
  const std::string lines = toCrLineEnds(diskText);
  return isUtf8(lines) ? utf8ToMacRoman(lines) : lines;
}

}  // namespace plat
