// Inside a port: the image or outside painter it draws on, its drawing state
// and the display list of pictures. Shared by the port, picture and icon code.
#pragma once
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QTransform>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/port.h"

namespace plat {

// What a drawing operation needs of the port's state.
struct DrawState {
  PenMode mode = PenMode::Copy;
  Pattern pattern{};
  Size pen{1, 1};
  Rgb16 fore{0, 0, 0};
  Rgb16 back{0xFFFF, 0xFFFF, 0xFFFF};
};

namespace op {
struct Line { Point a, b; bool skipStart, skipEnd; };
struct Segments { std::vector<Point> pts; };
struct StrokeRect { Rect r; };
struct FillRect { Rect r; };            // the state's pattern and mode
struct StrokeOval { Rect r; };
struct FillOval { Rect r; };
struct FillPolygon { std::vector<Point> pts; };
struct Text { Point at; std::string bytes; FontSpec font; };
struct Icon { int id; Rect dst; bool colour; };
struct Image { QImage image; Rect dst; };
struct Clip { std::optional<Rect> r; };
struct Nested { std::shared_ptr<const Picture::Data> pic; Rect dst; };
}  // namespace op

struct Picture::Data {
  using Kind = std::variant<op::Line, op::Segments, op::StrokeRect, op::FillRect, op::StrokeOval,
                            op::FillOval, op::FillPolygon, op::Text, op::Icon, op::Image, op::Clip,
                            op::Nested>;
  struct Op {
    DrawState st;
    Kind what;
  };
  Rect frame;
  std::vector<Op> ops;
};

struct Port::Impl {
  QImage image;                      // image ports
  QPainter* outside = nullptr;       // painter ports (print jobs): not ours to end
  std::unique_ptr<QPainter> own;
  QTransform base;                   // the outside painter's transform when we got it
  Rect pageRect;                     // painter ports: their bounds

  DrawState st;
  Point penPos;
  FontSpec font;
  std::optional<Rect> clip;          // port coordinates
  QTransform replayXf;               // picture coordinates -> port, while replaying

  // An XOR polyline: the next lineTo starting here leaves its first point alone.
  bool xorJoin = false;
  Point joinAt;
  // newLine goes back to where the current text line started.
  bool inTextLine = false;
  int lineStartX = 0;

  std::shared_ptr<Picture::Data> rec;   // while recording
  // Test mode: each text drawn and not painted over since, with the box of
  // its ink and the clip it was drawn under, so that the test driver can
  // find texts cut by their window, clip, frames or controls.
  struct DrawnText {
    std::string bytes;
    Rect box;
    std::optional<Rect> clip;
    bool partlyCovered = false;   // an opaque fill since took part of it
    std::vector<Rect> glyphs;     // the ink of each character, in the box's coordinates
  };
  std::vector<DrawnText> drawnTexts;
  std::vector<Rect> outlines;   // framed rectangles (one-pixel pen) not painted over since
  void noteText(const DrawState&, Point at, const std::string& bytes, int width);
  void noteFill(const DrawState&, Rect r);
  std::function<void()> flushHook;

  bool printer() const { return outside != nullptr; }
  QPainter& painter();               // begins lazily
  void endPainter();
  void applyTransformAndClip();

  void record(const DrawState& st, Picture::Data::Kind k);

  // Primitives in port (or, while replaying, picture) coordinates.
  void drawLine(const DrawState&, Point a, Point b, bool skipStart, bool skipEnd);
  void drawSegments(const DrawState&, const Point* pts, size_t nPairs);
  void strokeRect(const DrawState&, Rect r);
  void fillRect(const DrawState&, Rect r);
  void strokeOval(const DrawState&, Rect r);
  void fillOval(const DrawState&, Rect r);
  void fillPolygon(const DrawState&, const std::vector<Point>& pts);
  void drawText(const DrawState&, Point at, const std::string& bytes, const FontSpec& font);
  void drawIcon(int id, Rect dst, bool colour);
  void drawImage(const QImage& img, Rect dst);
  void fillRectSet(const DrawState&, const QVector<QRect>& rects);
  QRect lineLimit() const;
  void setClipState(std::optional<Rect> r);
  void replay(const Picture::Data& pic, Rect dst);

 private:
  // Sets brush and composition for the state's pattern and mode; false when
  // the op draws nothing (a pattern without 1 bits in a mode that leaves 0 bits alone).
  bool prepareFill(const DrawState&);
  struct {
    bool valid = false;
    Pattern pat;
    PenMode mode;
    Rgb16 fore, back;
    QBrush brush;
  } brushCache_;
};

namespace detail {
// Window ports: what flush() does after the painter is ended (repaint the window).
void setFlushHook(Port&, std::function<void()> hook);
// Our icons 128, 129, 130 as 32 x 32 images; a null image for other ids.
const QImage& iconImage(int id, bool colour);
}  // namespace detail

}  // namespace plat
