// Mac Roman <-> Unicode, by our own table. Pure C++: files and labels are
// Mac Roman bytes; the GUI edge converts through UTF-8.
#pragma once
#include <string>
#include <string_view>

namespace plat {

// The Unicode code point of a Mac Roman byte.
char32_t macRomanToUnicode(unsigned char byte);
// The Mac Roman byte of a code point, or -1 when Mac Roman cannot hold it.
int unicodeToMacRoman(char32_t cp);

std::string macRomanToUtf8(std::string_view macRoman);
// Unmappable characters become '?', and *lossy is set.
std::string utf8ToMacRoman(std::string_view utf8, bool* lossy = nullptr);

// Line ends: the program's texts end lines with CR; these convert for views
// and readers that meet LF or CRLF.
std::string crToLf(std::string_view text);
std::string toCrLineEnds(std::string_view text);  // CR, LF and CRLF all become CR

// Text files for other programs: the program's text (Mac Roman, CR line
// ends) as UTF-8 with LF, and any text file (CR, LF or CRLF; UTF-8 or Mac
// Roman) back to the program's text. Bytes that are not valid UTF-8 are
// taken as Mac Roman.
bool isUtf8(std::string_view text);
std::string toDiskText(std::string_view programText);
std::string fromDiskText(std::string_view diskText);

}  // namespace plat
