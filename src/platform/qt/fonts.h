// The one place where the program's Mac font names meet installed faces.
// Layouts are pixel-fixed, so sizes are always pixel sizes.
#pragma once
#include <QFont>
#include <QString>

#include <string_view>

#include "platform/controls.h"

namespace plat::detail {

class FontMapper {
 public:
  // Installed family for a Mac family name or number ("Geneva", "3" ...).
  static QString family(std::string_view macName);
  static QFont font(const FontSpec& spec, bool antialiased = true);
  // Text bytes as the font shows them: Mac Roman, except for the Symbol
  // font, whose bytes follow its own encoding (0xAD is an up arrow).
  static QString decode(const FontSpec& spec, std::string_view bytes);
  static bool isSymbol(std::string_view macName);
};

}  // namespace plat::detail
