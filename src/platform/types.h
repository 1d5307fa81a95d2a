// Plain value types shared by the platform layer and the program. No Qt here:
// the GUI-free core uses them too.
#pragma once
#include <cstdint>
#include <string>

namespace plat {

// Text as the program holds it: Mac Roman bytes, no length byte.
using MacText = std::string;

struct Point {
  int x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int w = 0, h = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Rectangles as the program writes them: (left, top, right, bottom), with
// right and bottom exclusive.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  Rect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  Rect inset(int dx, int dy) const { return {left + dx, top + dy, right - dx, bottom - dy}; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// 16-bit colour components, 0..65535.
struct Rgb16 {
  uint16_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb16&, const Rgb16&) = default;
};

}  // namespace plat
