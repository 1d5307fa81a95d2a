#include "platform/qt/fonts.h"

#include <QStringList>

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/macroman.h"

namespace plat::detail {
namespace {

constexpr const char* kSans = "Liberation Sans";
constexpr const char* kUi = "DejaVu Sans";
constexpr const char* kSerif = "Liberation Serif";
constexpr const char* kMono = "DejaVu Sans Mono";

std::string lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

struct Entry {
  const char* mac;
  const char* face;
};
// Names and the classic font numbers the program uses for them.
constexpr Entry kMap[] = {
    {"geneva", kSans},     {"helvetica", kSans},  {"arial", kSans},
    {"application", kSans}, {"1", kSans},         {"3", kSans},
    {"21", kSans},          {"system", kUi},      {"0", kUi},
    {"lucida grande", kUi}, {"chicago", kUi},     {"times", kSerif},
    {"times new roman", kSerif}, {"new york", kSerif}, {"2", kSerif},
    {"20", kSerif},         {"monaco", kMono},    {"courier", kMono},
    {"courier new", kMono}, {"4", kMono},         {"22", kMono},
    {"symbol", kUi},        {"23", kUi},
};

// The Symbol font's layout: letters are Greek, the high half holds
// arrows and mathematical signs. Bytes not listed read as ASCII.
char32_t symbolChar(unsigned char b) {
  static const char32_t upper[26] = {0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393, 0x397, 0x399,
                                     0x3D1, 0x39A, 0x39B, 0x39C, 0x39D, 0x39F, 0x3A0, 0x398, 0x3A1,
                                     0x3A3, 0x3A4, 0x3A5, 0x3C2, 0x3A9, 0x39E, 0x3A8, 0x396};
  static const char32_t lowerG[26] = {0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3C6, 0x3B3, 0x3B7, 0x3B9,
                                      0x3D5, 0x3BA, 0x3BB, 0x3BC, 0x3BD, 0x3BF, 0x3C0, 0x3B8, 0x3C1,
                                      0x3C3, 0x3C4, 0x3C5, 0x3D6, 0x3C9, 0x3BE, 0x3C8, 0x3B6};
  if (b >= 'A' && b <= 'Z') return upper[b - 'A'];
  if (b >= 'a' && b <= 'z') return lowerG[b - 'a'];
  switch (b) {
    case 0xA3: return 0x2264;  // less or equal
    case 0xA5: return 0x221E;  // infinity
    case 0xAB: return 0x2194;
    case 0xAC: return 0x2190;
    case 0xAD: return 0x2191;  // up arrow
    case 0xAE: return 0x2192;
    case 0xAF: return 0x2193;
    case 0xB0: return 0x00B0;
    case 0xB1: return 0x00B1;
    case 0xB3: return 0x2265;
    case 0xB4: return 0x00D7;
    case 0xB6: return 0x2202;
    case 0xB7: return 0x2022;
    case 0xB8: return 0x00F7;
    case 0xB9: return 0x2260;
    case 0xBA: return 0x2261;
    case 0xBB: return 0x2248;
    case 0xC6: return 0x2205;
    case 0xD6: return 0x221A;
    case 0xE5: return 0x2211;
    case 0xF2: return 0x222B;
    default: break;
  }
  return b < 0x80 ? char32_t(b) : macRomanToUnicode(b);
}

}  // namespace

bool FontMapper::isSymbol(std::string_view macName) {
  std::string n = lower(macName);
  return n == "symbol" || n == "23";
}

QString FontMapper::family(std::string_view macName) {
  std::string n = lower(macName);
  for (const Entry& e : kMap)
    if (n == e.mac) return QString::fromLatin1(e.face);
  return QString::fromLatin1(kSans);   // the application font
}

QFont FontMapper::font(const FontSpec& spec, bool antialiased) {
  QFont f;
  const QString fam = family(spec.family);
  // DejaVu Sans is the fallback when the Liberation faces are missing.
  f.setFamilies(QStringList{fam, QString::fromLatin1(kUi)});
  f.setPixelSize(std::max(1, spec.pixelSize));
  f.setBold(spec.bold);
  f.setItalic(spec.italic);
  f.setUnderline(spec.underline);
  f.setKerning(false);   // widths must add up character by character, as the layouts assume
  f.setStyleStrategy(antialiased ? QFont::PreferDefault : QFont::NoAntialias);
  return f;
}

QString FontMapper::decode(const FontSpec& spec, std::string_view bytes) {
  const bool sym = isSymbol(spec.family);
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()));
  for (unsigned char b : bytes) {
    char32_t cp = sym ? symbolChar(b) : (b < 0x80 ? char32_t(b) : macRomanToUnicode(b));
    out += QString::fromUcs4(&cp, 1);
  }
  return out;
}

}  // namespace plat::detail
