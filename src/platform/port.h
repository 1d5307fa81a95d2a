// A port: everything a window (or a printed page) shows is drawn here, with
// QuickDraw-like rules. Rectangles exclude right and bottom; the pen hangs
// right of and below its position; XOR inverts exactly, so drawing a shape
// twice in XOR restores the image.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "platform/types.h"

namespace plat {

enum class PenMode {
  Copy,   // 1 bits in the fore colour, 0 bits of a pattern in the back colour
  Or,     // 1 bits in the fore colour, 0 bits untouched
  Xor,    // 1 bits invert the destination; the colour is ignored
  Bic     // 1 bits in the back colour
};

// 8 x 8 bit pattern, row 0 on top, bit 7 leftmost; a 1 bit draws.
struct Pattern {
  std::array<uint8_t, 8> rows{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  friend bool operator==(const Pattern&, const Pattern&) = default;
};
namespace patterns {
extern const Pattern solid, white, gray50, gray25, gray75, dotted, diagonal;
}
// Our own numbered pattern list (1..38); out-of-range numbers give solid.
const Pattern& systemPattern(int index);

// A recorded display list; replayed into any port, scaled frame to destination.
class Picture {
 public:
  Rect frame() const;
  bool empty() const;
  struct Data;
  std::shared_ptr<const Data> data;
};

class Port {
 public:
  Port();                      // 1 x 1 scratch image
  explicit Port(Size size, Rgb16 background = {0xFFFF, 0xFFFF, 0xFFFF});
  ~Port();
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  // pen
  void moveTo(int x, int y);
  void moveBy(int dx, int dy);
  Point pen() const;
  void setPenSize(int w, int h);
  Size penSize() const;
  void setPenMode(PenMode);
  PenMode penMode() const;
  void setPenPattern(const Pattern&);
  void resetPen();             // 1 x 1, copy, solid
  void setForeColor(Rgb16);
  void setBackColor(Rgb16);
  Rgb16 foreColor() const;
  Rgb16 backColor() const;

  // shapes
  void lineTo(int x, int y);
  void lineBy(int dx, int dy);
  // Many separate segments with the current pen in one call: pts holds pairs
  // (from, to). The pen ends at the last end point.
  void drawSegments(const Point* pts, size_t nPairs);
  void strokeRect(Rect);       // outline inside r, pen-sized bands
  void fillRect(Rect);         // with the pen pattern and mode
  void fillRect(Rect, const Pattern&);
  void clearRect(Rect);        // back colour
  void invertRect(Rect);
  void strokeOval(Rect);
  void fillOval(Rect);
  void clearOval(Rect);
  void invertOval(Rect);
  void fillPolygon(const std::vector<Point>&);
  void strokePolygon(const std::vector<Point>&);

  // text: drawn on the baseline at the pen, which advances
  void setFont(const FontSpec&);
  const FontSpec& font() const;
  void setTextSize(int px);
  void setTextFace(bool bold, bool italic, bool underline);
  void drawText(std::string_view macRoman);
  int textWidth(std::string_view macRoman) const;
  struct Metrics { int ascent = 0, descent = 0, leading = 0; };
  Metrics metrics() const;
  void newLine();              // PRINT-style: back to the line's start x, one line down

  // images
  void drawIcon(int iconId, Rect dst, bool colour = true);   // our icons 128, 129, 130
  bool drawBundleImage(std::string_view fileName, Rect dst); // false when missing
  void drawPicture(const Picture&, Rect dst);

  // recording: operations are drawn and recorded until stopRecording
  void startRecording(Rect frame);
  Picture stopRecording();
  bool recording() const;

  void setClip(Rect);
  void clearClip();
  Rect bounds() const;         // (0, 0, width, height)
  void copyRect(Rect src, Rect dst);   // within the port
  void flush();                // show what is drawn (window ports)

  struct Impl;
  Impl* impl() { return d_.get(); }
  const Impl* impl() const { return d_.get(); }

 private:
  explicit Port(std::unique_ptr<Impl>);
  std::unique_ptr<Impl> d_;
  friend struct PortFactory;
};

}  // namespace plat
