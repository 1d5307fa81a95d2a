// Ports: QuickDraw-like drawing on a QImage (windows) or on an outside
// painter (print jobs).
//
// Pixel rules, all in one place:
// - Rect (l, t, r, b) excludes r and b; toQ() is the only conversion to QRect.
// - Every shape is a fill with the pen pattern in the pen mode, so XOR inverts
//   each pixel of a shape exactly once and drawing it twice restores the image.
// - The pen hangs right of and below its position: a line covers the pen
//   rectangle at both end points and everything between (their convex hull).
//   A 1 x 1 pen on an image draws the Bresenham pixels, both end points included.
// - XOR polylines: a lineTo that continues the previous XOR lineTo leaves its
//   first point alone, so a joint is inverted once, like every other pixel of
//   the polyline, and the polyline drawn twice still disappears.
// - Printers cannot invert: XOR draws the pattern's 1 bits in black there.
#include <QFontMetrics>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextLayout>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/app.h"
#include "platform/qt/fonts.h"
#include "platform/qt/internal.h"
#include "platform/qt/portimpl.h"

namespace plat {

namespace patterns {
const Pattern solid{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
const Pattern white{{0, 0, 0, 0, 0, 0, 0, 0}};
const Pattern gray50{{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}};
const Pattern gray25{{0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22}};
const Pattern gray75{{0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD}};
const Pattern dotted{{0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00}};
const Pattern diagonal{{0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}};
}  // namespace patterns

const Pattern& systemPattern(int index) {
  // Our own list. Entries the program names: 4 dashes (dashed lines),
  // 7 a fine checker (dotted frames), 26 alternate rows (dotted vertical
  // lines), 28 a sparse grid.
  static const Pattern list[38] = {
      patterns::solid,                                            // 1
      patterns::gray75,                                           // 2
      {{0xEE, 0xBB, 0xEE, 0xBB, 0xEE, 0xBB, 0xEE, 0xBB}},         // 3
      {{0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F}},         // 4 dashes
      {{0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77}},         // 5
      {{0xFF, 0x55, 0xFF, 0x55, 0xFF, 0x55, 0xFF, 0x55}},         // 6
      patterns::gray50,                                           // 7
      {{0x55, 0xFF, 0x55, 0xFF, 0x55, 0xFF, 0x55, 0xFF}},         // 8
      {{0xAA, 0x44, 0xAA, 0x11, 0xAA, 0x44, 0xAA, 0x11}},         // 9
      patterns::gray25,                                           // 10
      {{0x88, 0x00, 0x22, 0x00, 0x88, 0x00, 0x22, 0x00}},         // 11
      {{0x80, 0x00, 0x08, 0x00, 0x80, 0x00, 0x08, 0x00}},         // 12
      {{0x80, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00}},         // 13
      {{0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},         // 14
      patterns::white,                                            // 15
      patterns::diagonal,                                         // 16
      {{0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}},         // 17
      {{0xC0, 0x60, 0x30, 0x18, 0x0C, 0x06, 0x03, 0x81}},         // 18
      {{0x03, 0x06, 0x0C, 0x18, 0x30, 0x60, 0xC0, 0x81}},         // 19
      {{0xF0, 0x78, 0x3C, 0x1E, 0x0F, 0x87, 0xC3, 0xE1}},         // 20
      {{0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87}},         // 21
      {{0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00}},         // 22
      {{0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},         // 23
      {{0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88}},         // 24
      {{0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}},         // 25
      {{0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00}},         // 26 alternate rows
      {{0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},         // 27
      {{0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}},         // 28 grid
      {{0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88}},         // 29
      {{0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}},         // 30
      {{0x82, 0x44, 0x28, 0x10, 0x28, 0x44, 0x82, 0x01}},         // 31
      {{0x00, 0x66, 0x66, 0x00, 0x00, 0x66, 0x66, 0x00}},         // 32
      {{0xCC, 0xCC, 0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33}},         // 33
      {{0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0}},         // 34
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}},         // 35
      {{0x10, 0x38, 0x7C, 0xFE, 0x7C, 0x38, 0x10, 0x00}},         // 36
      {{0x08, 0x1C, 0x22, 0xC1, 0x80, 0x01, 0x02, 0x04}},         // 37
      {{0x77, 0x89, 0x8F, 0x8F, 0x77, 0x98, 0xF8, 0xF8}},         // 38
  };
  if (index < 1 || index > 38) return patterns::solid;
  return list[index - 1];
}

namespace {

// The one conversion from Mac rectangles to Qt's.
// Sizes in 64-bit: a rectangle spanning most of the int range must not wrap
// to an empty one. Nothing beyond kFar is ever visible.
QRect toQ(Rect r) {
  static constexpr long long kFar = 1 << 29;
  auto c = [](int v) { return std::clamp<long long>(v, -kFar, kFar); };
  const long long l = c(r.left), t = c(r.top);
  return QRect(int(l), int(t), int(c(r.right) - l), int(c(r.bottom) - t));
}

QColor toColor(Rgb16 c) { return QColor(c.r >> 8, c.g >> 8, c.b >> 8); }

bool isSolid(const Pattern& p) { return p == patterns::solid; }
bool isEmptyPattern(const Pattern& p) { return p == patterns::white; }

// Wide enough for lines between any two int points.
using Wide = __int128;
long long floorDiv(Wide a, Wide b) {   // b > 0
  Wide q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return static_cast<long long>(q);
}

// The pixels of a 1-pixel line, the same whichever end it is drawn from.
// Appends horizontal (x-major) or vertical (y-major) runs to out; only the
// part within `limit` (the image), so far-off end points cost nothing.
void bresenhamRuns(Point a, Point b, bool skipA, bool skipB, QVector<QRect>& out,
                   const QRect& limit) {
  const long long adx = std::llabs(Wide(b.x) - a.x), ady = std::llabs(Wide(b.y) - a.y);
  const bool xMajor = adx >= ady;
  Point p = a, q = b;
  if (xMajor ? (p.x > q.x) : (p.y > q.y)) std::swap(p, q);
  auto skipped = [&](int x, int y) {
    return (skipA && x == a.x && y == a.y) || (skipB && x == b.x && y == b.y);
  };
  QRect run;
  auto flush = [&] {
    if (!run.isNull()) out.push_back(run);
    run = QRect();
  };
  if (xMajor) {
    const Wide dx = Wide(q.x) - p.x, dy = Wide(q.y) - p.y;
    for (int x = std::max(p.x, limit.left()), end = std::min(q.x, limit.right()); x <= end; ++x) {
      const int y = dx == 0 ? p.y : int(p.y + floorDiv(2 * (Wide(x) - p.x) * dy + dx, 2 * dx));
      if (skipped(x, y)) { flush(); continue; }
      if (!run.isNull() && run.top() == y && run.right() == x - 1) run.setRight(x);
      else { flush(); run = QRect(x, y, 1, 1); }
    }
  } else {
    const Wide dx = Wide(q.x) - p.x, dy = Wide(q.y) - p.y;
    for (int y = std::max(p.y, limit.top()), end = std::min(q.y, limit.bottom()); y <= end; ++y) {
      const int x = int(p.x + floorDiv(2 * (Wide(y) - p.y) * dx + dy, 2 * dy));
      if (skipped(x, y)) { flush(); continue; }
      if (!run.isNull() && run.left() == x && run.bottom() == y - 1) run.setBottom(y);
      else { flush(); run = QRect(x, y, 1, 1); }
    }
  }
  flush();
}

// Convex hull of the pen rectangles at both ends (monotone chain).
QPolygonF penHull(Point a, Point b, Size pen) {
  std::vector<QPointF> pts;
  for (Point p : {a, b}) {
    pts.emplace_back(p.x, p.y);
    pts.emplace_back(p.x + pen.w, p.y);
    pts.emplace_back(p.x, p.y + pen.h);
    pts.emplace_back(p.x + pen.w, p.y + pen.h);
  }
  std::sort(pts.begin(), pts.end(), [](const QPointF& l, const QPointF& r) {
    return l.x() < r.x() || (l.x() == r.x() && l.y() < r.y());
  });
  auto cross = [](const QPointF& o, const QPointF& p, const QPointF& q) {
    return (p.x() - o.x()) * (q.y() - o.y()) - (p.y() - o.y()) * (q.x() - o.x());
  };
  std::vector<QPointF> hull(2 * pts.size());
  size_t k = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  for (size_t i = pts.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  hull.resize(k > 0 ? k - 1 : 0);
  return QPolygonF(QVector<QPointF>(hull.begin(), hull.end()));
}

// A straight horizontal or vertical line: one rectangle, less the pen
// rectangle at a skipped end.
QRect axisLine(Point a, Point b, Size pen, bool skipA, bool skipB) {
  // 64-bit so that end points near the int limits cannot overflow.
  long long l = std::min(a.x, b.x), t = std::min(a.y, b.y);
  long long r = std::max<long long>(a.x, b.x) + pen.w, btm = std::max<long long>(a.y, b.y) + pen.h;
  auto cut = [&](Point p) {
    if (a.y == b.y && a.x != b.x) {
      if (p.x == l) l = std::max<long long>(l, 0LL + p.x + pen.w);
      else r = std::min<long long>(r, p.x);
    } else if (a.x == b.x && a.y != b.y) {
      if (p.y == t) t = std::max<long long>(t, 0LL + p.y + pen.h);
      else btm = std::min<long long>(btm, p.y);
    } else {
      r = l;   // a single point
    }
  };
  if (skipA) cut(a);
  if (skipB) cut(b);
  if (r <= l || btm <= t) return QRect();
  // Nothing beyond this is ever visible; QRect needs its sizes in int.
  constexpr long long kFar = 1 << 29;
  l = std::clamp(l, -kFar, kFar);
  r = std::clamp(r, -kFar, kFar);
  t = std::clamp(t, -kFar, kFar);
  btm = std::clamp(btm, -kFar, kFar);
  return QRect(int(l), int(t), int(r - l), int(btm - t));
}

// Four pixels a store also where the compiler does not vectorise (-O2): a
// redraw fills the whole plot area.
void fillPixels(QRgb* p, int n, QRgb c) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i v = _mm_set1_epi32(static_cast<int>(c));
  for (; i + 4 <= n; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), v);
#endif
  for (; i < n; ++i) p[i] = c;
}

// A text as a port draws it. Every redraw draws the same labels again; the
// font, the decoded string and the width are made once per text and font.
struct TextLayout {
  QFont font;
  QString text;
  int width = 0;
  std::shared_ptr<QTextLayout> shaped;   // made when first drawn on an image
  qreal ascent = 0;
  bool asGiven = false;   // drawn by drawText each time: tabs, line feeds
};

TextLayout& layoutOf(const FontSpec& f, bool antialiased, std::string_view bytes) {
  static std::unordered_map<std::string, TextLayout> cache;
  std::string key = f.family;
  key += '\0';
  key += std::to_string(f.pixelSize);
  key += static_cast<char>('0' + (f.bold ? 1 : 0) + (f.italic ? 2 : 0) + (f.underline ? 4 : 0) + (antialiased ? 8 : 0));
  key.append(bytes);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  if (cache.size() >= 1024) cache.clear();   // texts that change all the time, such as a running clock
  TextLayout l;
  l.font = detail::FontMapper::font(f, antialiased);
  l.text = detail::FontMapper::decode(f, bytes);
  l.asGiven = std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
  // The width with the smoothed face, whichever face draws.
  l.width = QFontMetrics(antialiased ? l.font : detail::FontMapper::font(f)).horizontalAdvance(l.text);
  return cache.emplace(std::move(key), std::move(l)).first->second;
}

}  // namespace

// ---- Impl -----------------------------------------------------------------

QPainter& Port::Impl::painter() {
  if (outside) return *outside;
  if (!own) own = std::make_unique<QPainter>();
  if (!own->isActive()) {
    own->begin(&image);
    own->setRenderHint(QPainter::Antialiasing, false);
    own->setRenderHint(QPainter::TextAntialiasing, true);
    applyTransformAndClip();
  }
  return *own;
}

void Port::Impl::endPainter() {
  if (own && own->isActive()) own->end();
}

void Port::Impl::applyTransformAndClip() {
  QPainter* p = outside ? outside : (own && own->isActive() ? own.get() : nullptr);
  if (!p) return;   // applied when the painter begins
  p->setWorldTransform(base);
  if (clip) p->setClipRect(toQ(*clip));
  else p->setClipping(false);
  p->setWorldTransform(replayXf * base);
}

void Port::Impl::setClipState(std::optional<Rect> r) {
  clip = r;
  applyTransformAndClip();
}

void Port::Impl::record(const DrawState& s, Picture::Data::Kind k) {
  if (rec) rec->ops.push_back({s, std::move(k)});
}

bool Port::Impl::prepareFill(const DrawState& s) {
  QPainter& p = painter();
  PenMode mode = s.mode;
  Rgb16 fore = s.fore;
  if (printer() && mode == PenMode::Xor) {   // paper cannot invert
    mode = PenMode::Or;
    fore = {0, 0, 0};
  }
  p.setPen(Qt::NoPen);
  p.setCompositionMode(mode == PenMode::Xor ? QPainter::RasterOp_SourceXorDestination
                                            : QPainter::CompositionMode_SourceOver);
  if (isEmptyPattern(s.pattern)) {
    if (mode != PenMode::Copy) return false;
    p.setBrush(toColor(s.back));
    return true;
  }
  if (isSolid(s.pattern)) {
    switch (mode) {
      case PenMode::Copy:
      case PenMode::Or: p.setBrush(toColor(fore)); break;
      case PenMode::Bic: p.setBrush(toColor(s.back)); break;
      case PenMode::Xor: p.setBrush(QColor(Qt::white)); break;
    }
    return true;
  }
  auto& c = brushCache_;
  if (!(c.valid && c.pat == s.pattern && c.mode == mode && c.fore == fore && c.back == s.back)) {
    // Copy is opaque in two colours; Xor is white on black (XOR with black
    // changes nothing); Or and Bic leave the 0 bits transparent.
    QImage tex(8, 8, QImage::Format_ARGB32_Premultiplied);
    const QRgb transparent = 0;
    QRgb on = 0, off = transparent;
    switch (mode) {
      case PenMode::Copy: on = toColor(fore).rgb(); off = toColor(s.back).rgb(); break;
      case PenMode::Or: on = toColor(fore).rgb(); break;
      case PenMode::Bic: on = toColor(s.back).rgb(); break;
      case PenMode::Xor: on = 0xFFFFFFFF; off = 0xFF000000; break;
    }
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) tex.setPixel(x, y, (s.pattern.rows[y] & (0x80 >> x)) ? on : off);
    c.valid = true;
    c.pat = s.pattern;
    c.mode = mode;
    c.fore = fore;
    c.back = s.back;
    c.brush = QBrush(tex);
  }
  p.setBrush(c.brush);
  p.setBrushOrigin(0, 0);   // patterns line up with the port, whatever is drawn
  return true;
}

// Rectangles are the bulk of the drawing (a plot redraw is about 1800 thin
// lines). On an image at its own scale they are written straight into the
// pixels: Qt's raster engine spends a call per row of a one-pixel-wide
// rectangle for patterns and XOR, some 40 times slower. The painter, if
// open, writes into the same memory synchronously, so the two interleave.
void Port::Impl::fillRectSet(const DrawState& s, const QVector<QRect>& rects) {
  if (rects.isEmpty()) return;
  if (printer() || !replayXf.isIdentity()) {
    if (!prepareFill(s)) return;
    QPainter& p = painter();
    const QBrush brush = p.brush();
    for (const QRect& r : rects)
      if (!r.isEmpty()) p.fillRect(r, brush);
    return;
  }
  const bool solid = isSolid(s.pattern), none = isEmptyPattern(s.pattern);
  if (none && s.mode != PenMode::Copy) return;
  const QRgb fore = toColor(s.fore).rgb(), back = toColor(s.back).rgb();
  QRect limit = image.rect();
  if (clip) limit &= toQ(*clip);
  // bits() detaches from any copy someone kept; it never detaches while the
  // painter is open, as Qt does not share an image that is being painted.
  uchar* base = image.bits();
  const qsizetype stride = image.bytesPerLine();
  const QRgb solidColour = s.mode == PenMode::Bic ? back : fore;
  for (const QRect& r0 : rects) {
    const QRect r = r0 & limit;
    if (r.isEmpty()) continue;
    if (solid && s.mode != PenMode::Xor) {
      uchar* at = base + r.top() * stride + r.left() * qsizetype(sizeof(QRgb));
      if (r.width() == 1) {   // most of a trace
        for (int y = r.top(); y <= r.bottom(); ++y, at += stride) *reinterpret_cast<QRgb*>(at) = solidColour;
        continue;
      }
      for (int y = r.top(); y <= r.bottom(); ++y, at += stride) fillPixels(reinterpret_cast<QRgb*>(at), r.width(), solidColour);
      continue;
    }
    for (int y = r.top(); y <= r.bottom(); ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(base + y * stride);
      const uint8_t bits = s.pattern.rows[y & 7];
      for (int x = r.left(); x <= r.right(); ++x) {
        const bool on = solid || (!none && (bits & (0x80 >> (x & 7))));
        switch (s.mode) {
          case PenMode::Copy: row[x] = on ? fore : back; break;
          case PenMode::Or: if (on) row[x] = fore; break;
          case PenMode::Bic: if (on) row[x] = back; break;
          case PenMode::Xor: if (on) row[x] ^= 0x00FFFFFFu; break;
        }
      }
    }
  }
}

// Where 1-pixel lines can show, in the coordinates they are drawn in.
QRect Port::Impl::lineLimit() const {
  if (replayXf.isIdentity()) return image.rect();
  return replayXf.inverted().mapRect(QRectF(image.rect())).toAlignedRect().adjusted(-1, -1, 1, 1);
}

void Port::Impl::drawLine(const DrawState& s, Point a, Point b, bool skipA, bool skipB) {
  const Size pen{std::max(0, s.pen.w), std::max(0, s.pen.h)};
  if (pen.w == 0 || pen.h == 0) return;
  if (a.x == b.x || a.y == b.y) {
    const QRect r = axisLine(a, b, pen, skipA, skipB);
    if (!r.isNull()) fillRectSet(s, {r});
    return;
  }
  if (pen.w == 1 && pen.h == 1 && !printer()) {
    QVector<QRect> runs;
    bresenhamRuns(a, b, skipA, skipB, runs, lineLimit());
    fillRectSet(s, runs);
    return;
  }
  if (!prepareFill(s)) return;
  QPainterPath path;
  path.addPolygon(penHull(a, b, pen));
  path.closeSubpath();
  for (auto [skip, at] : {std::pair{skipA, a}, std::pair{skipB, b}}) {
    if (!skip) continue;
    QPainterPath cut;
    cut.addRect(QRectF(at.x, at.y, pen.w, pen.h));
    path = path.subtracted(cut);
  }
  painter().drawPath(path);
}

void Port::Impl::drawSegments(const DrawState& s, const Point* pts, size_t nPairs) {
  const Size pen = s.pen;
  if (nPairs == 0 || pen.w <= 0 || pen.h <= 0) return;
  QVector<QRect> rects;
  rects.reserve(static_cast<qsizetype>(nPairs));
  QPainterPath hulls;
  for (size_t i = 0; i < nPairs; ++i) {
    Point a = pts[2 * i], b = pts[2 * i + 1];
    if (a.x == b.x || a.y == b.y) rects.push_back(axisLine(a, b, pen, false, false));
    else if (pen.w == 1 && pen.h == 1 && !printer()) bresenhamRuns(a, b, false, false, rects, lineLimit());
    else hulls.addPolygon(penHull(a, b, pen));
  }
  fillRectSet(s, rects);
  if (!hulls.isEmpty() && prepareFill(s)) painter().drawPath(hulls);
}

void Port::Impl::strokeRect(const DrawState& s, Rect r) {
  const int w = std::max(0, s.pen.w), h = std::max(0, s.pen.h);
  if (r.empty() || w == 0 || h == 0) return;
  if (2 * w >= r.width() || 2 * h >= r.height()) {
    fillRectSet(s, {toQ(r)});   // the bands would overlap: the outline is the whole rectangle
    return;
  }
  fillRectSet(s, {
                     toQ({r.left, r.top, r.right, r.top + h}),
                     toQ({r.left, r.bottom - h, r.right, r.bottom}),
                     toQ({r.left, r.top + h, r.left + w, r.bottom - h}),
                     toQ({r.right - w, r.top + h, r.right, r.bottom - h}),
                 });
}

void Port::Impl::fillRect(const DrawState& s, Rect r) {
  if (!r.empty()) fillRectSet(s, {toQ(r)});
}

void Port::Impl::strokeOval(const DrawState& s, Rect r) {
  if (r.empty() || !prepareFill(s)) return;
  const int w = std::max(0, s.pen.w), h = std::max(0, s.pen.h);
  if (w == 0 || h == 0) return;
  // The outline is the oval less the oval inset by the pen: every pixel once.
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  path.addEllipse(QRectF(toQ(r)));
  if (r.width() > 2 * w && r.height() > 2 * h) path.addEllipse(QRectF(toQ(r.inset(w, h))));
  painter().drawPath(path);
}

void Port::Impl::fillOval(const DrawState& s, Rect r) {
  if (r.empty() || !prepareFill(s)) return;
  QPainterPath path;
  path.addEllipse(QRectF(toQ(r)));
  painter().drawPath(path);
}

void Port::Impl::fillPolygon(const DrawState& s, const std::vector<Point>& pts) {
  if (pts.size() < 3 || !prepareFill(s)) return;
  QPolygonF poly;
  for (Point q : pts) poly << QPointF(q.x, q.y);
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  path.addPolygon(poly);
  path.closeSubpath();
  painter().drawPath(path);
}

void Port::Impl::drawText(const DrawState& s, Point at, const std::string& bytes,
                          const FontSpec& f) {
  if (bytes.empty()) return;
  QPainter& p = painter();
  PenMode mode = s.mode;
  QColor colour = toColor(s.fore);
  if (printer() && mode == PenMode::Xor) {
    mode = PenMode::Or;
    colour = Qt::black;
  }
  // Smoothed glyphs cannot be inverted exactly; XOR text is drawn aliased.
  const bool xorText = mode == PenMode::Xor;
  TextLayout& l = layoutOf(f, !xorText, bytes);
  p.setFont(l.font);
  if (xorText) colour = Qt::white;
  else if (mode == PenMode::Bic) colour = toColor(s.back);
  p.setCompositionMode(xorText ? QPainter::RasterOp_SourceXorDestination
                               : QPainter::CompositionMode_SourceOver);
  p.setPen(colour);
  p.setBrush(Qt::NoBrush);
  // Shaped once: the same glyphs on the same path as drawText. Texts with
  // control characters, whose layout may place them otherwise (a line feed
  // ends the line), are drawn as given.
  if (!l.shaped && !l.asGiven && !printer()) {
    auto shaped = std::make_shared<QTextLayout>(l.text, l.font);
    QTextOption once = shaped->textOption();
    once.setWrapMode(QTextOption::NoWrap);
    shaped->setTextOption(once);
    shaped->setCacheEnabled(true);   // else the glyphs are thrown away after the layout
    shaped->beginLayout();
    shaped->createLine();
    shaped->endLayout();
    if (shaped->lineCount() == 1 && shaped->lineAt(0).textLength() == l.text.size()) {
      l.ascent = shaped->lineAt(0).ascent();
      l.shaped = std::move(shaped);
    } else {
      l.asGiven = true;
    }
  }
  if (l.shaped && !printer()) l.shaped->draw(&p, QPointF(at.x, at.y - l.ascent));
  else p.drawText(QPointF(at.x, at.y), l.text);
}

void Port::Impl::drawIcon(int id, Rect dst, bool colour) {
  const QImage& img = detail::iconImage(id, colour);
  if (img.isNull()) return;
  drawImage(img, dst);
}

void Port::Impl::drawImage(const QImage& img, Rect dst) {
  if (dst.empty() || img.isNull()) return;
  QPainter& p = painter();
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  const bool scaled = img.size() != QSize(dst.width(), dst.height());
  p.setRenderHint(QPainter::SmoothPixmapTransform, scaled);
  p.drawImage(toQ(dst), img);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

// ---- Port -----------------------------------------------------------------

namespace {
std::unique_ptr<Port::Impl> imageImpl(Size size, Rgb16 background) {
  auto d = std::make_unique<Port::Impl>();
  d->image = QImage(std::max(1, size.w), std::max(1, size.h), QImage::Format_RGB32);
  d->image.setDevicePixelRatio(1);
  d->image.fill(toColor(background));
  d->st.back = background;
  return d;
}
}  // namespace

struct PortFactory {
  static std::unique_ptr<Port> make(std::unique_ptr<Port::Impl> d) {
    return std::unique_ptr<Port>(new Port(std::move(d)));
  }
};

Port::Port() : d_(imageImpl({1, 1}, {0xFFFF, 0xFFFF, 0xFFFF})) {}
Port::Port(Size size, Rgb16 background) : d_(imageImpl(size, background)) {}
Port::Port(std::unique_ptr<Impl> d) : d_(std::move(d)) {}
Port::~Port() { d_->endPainter(); }

void Port::moveTo(int x, int y) {
  d_->penPos = {x, y};
  d_->xorJoin = false;
  d_->inTextLine = false;
}
void Port::moveBy(int dx, int dy) { moveTo(d_->penPos.x + dx, d_->penPos.y + dy); }
Point Port::pen() const { return d_->penPos; }
void Port::setPenSize(int w, int h) {
  d_->st.pen = {w, h};
  d_->xorJoin = false;
}
Size Port::penSize() const { return d_->st.pen; }
void Port::setPenMode(PenMode m) {
  if (m != d_->st.mode) d_->xorJoin = false;
  d_->st.mode = m;
}
PenMode Port::penMode() const { return d_->st.mode; }
void Port::setPenPattern(const Pattern& p) { d_->st.pattern = p; }
void Port::resetPen() {
  setPenSize(1, 1);
  setPenMode(PenMode::Copy);
  setPenPattern(patterns::solid);
}
void Port::setForeColor(Rgb16 c) { d_->st.fore = c; }
void Port::setBackColor(Rgb16 c) { d_->st.back = c; }
Rgb16 Port::foreColor() const { return d_->st.fore; }
Rgb16 Port::backColor() const { return d_->st.back; }

void Port::lineTo(int x, int y) {
  Impl& d = *d_;
  const Point a = d.penPos, b{x, y};
  const bool xorMode = d.st.mode == PenMode::Xor && !d.printer();
  const bool skip = xorMode && d.xorJoin && d.joinAt == a;
  d.drawLine(d.st, a, b, skip, false);
  d.record(d.st, op::Line{a, b, skip, false});
  d.penPos = b;
  d.xorJoin = xorMode;
  d.joinAt = b;
  d.inTextLine = false;
}
void Port::lineBy(int dx, int dy) { lineTo(d_->penPos.x + dx, d_->penPos.y + dy); }

void Port::drawSegments(const Point* pts, size_t nPairs) {
  if (nPairs == 0) return;
  Impl& d = *d_;
  d.drawSegments(d.st, pts, nPairs);
  if (d.rec) d.record(d.st, op::Segments{std::vector<Point>(pts, pts + 2 * nPairs)});
  d.penPos = pts[2 * nPairs - 1];
  d.xorJoin = false;
  d.inTextLine = false;
}

void Port::Impl::noteText(const DrawState& s, Point at, const std::string& bytes, int width) {
  // XOR texts are transient marks drawn twice; printed pages are not checked.
  if (!detail::notesDrawnTexts() || printer() || s.mode == PenMode::Xor) return;
  // The ink, not the advance: blanks and the font's empty ascent may run
  // anywhere, a descender may not.
  const TextLayout& l = layoutOf(font, true, bytes);
  const QRect ink = QFontMetrics(l.font).tightBoundingRect(l.text);
  if (ink.isEmpty() || width <= 0) return;
  DrawnText t{bytes, {at.x + ink.left(), at.y + ink.top(), at.x + ink.right() + 1, at.y + ink.bottom() + 1}, clip};
  // Each character's ink apart: a subscript drawn in the blanks left for it
  // meets the whole text's box but none of its ink.
  const QFontMetrics fm(l.font);
  for (qsizetype k = 0; k < l.text.size(); ++k) {
    const QRect g = fm.tightBoundingRect(l.text.mid(k, 1));
    if (g.isEmpty()) continue;
    const int x = at.x + fm.horizontalAdvance(l.text.left(k));
    t.glyphs.push_back({x + g.left(), at.y + g.top(), x + g.right() + 1, at.y + g.bottom() + 1});
  }
  drawnTexts.push_back(std::move(t));
  // A window redrawn without ever erasing wholly keeps only its latest texts.
  constexpr size_t kKept = 4096;
  if (drawnTexts.size() > kKept) drawnTexts.erase(drawnTexts.begin(), drawnTexts.begin() + kKept / 2);
}

void Port::Impl::noteFill(const DrawState& s, Rect r) {
  if ((drawnTexts.empty() && outlines.empty()) || s.mode != PenMode::Copy || s.pattern != patterns::solid ||
      r.empty())
    return;
  if (clip) r = {std::max(r.left, clip->left), std::max(r.top, clip->top), std::min(r.right, clip->right),
                 std::min(r.bottom, clip->bottom)};
  if (r.empty()) return;
  std::erase_if(outlines, [&](const Rect& o) {
    return r.left <= o.left && o.right <= r.right && r.top <= o.top && o.bottom <= r.bottom;
  });
  std::erase_if(drawnTexts, [&](DrawnText& t) {
    const Rect& b = t.box;
    if (b.right <= r.left || r.right <= b.left || b.bottom <= r.top || r.bottom <= b.top) return false;
    if (r.left <= b.left && b.right <= r.right && r.top <= b.top && b.bottom <= r.bottom) return true;
    t.partlyCovered = true;
    return false;
  });
}

void Port::strokeRect(Rect r) {
  d_->strokeRect(d_->st, r);
  if (detail::notesDrawnTexts() && !d_->printer() && d_->st.mode != PenMode::Xor && d_->st.pen == Size{1, 1} &&
      r.width() > 2 && r.height() > 2 && d_->outlines.size() < 1024)
    d_->outlines.push_back(r);
  d_->record(d_->st, op::StrokeRect{r});
  d_->xorJoin = false;
}
void Port::fillRect(Rect r) {
  d_->fillRect(d_->st, r);
  d_->noteFill(d_->st, r);
  d_->record(d_->st, op::FillRect{r});
  d_->xorJoin = false;
}
// The given pattern in the pen mode: XOR pattern fills must self-invert too.
void Port::fillRect(Rect r, const Pattern& p) {
  DrawState s = d_->st;
  s.pattern = p;
  d_->fillRect(s, r);
  d_->noteFill(s, r);
  d_->record(s, op::FillRect{r});
  d_->xorJoin = false;
}

namespace {
DrawState eraseState(const DrawState& cur) {
  DrawState s = cur;
  s.mode = PenMode::Copy;
  s.pattern = patterns::solid;
  s.fore = cur.back;
  return s;
}
DrawState invertState(const DrawState& cur) {
  DrawState s = cur;
  s.mode = PenMode::Xor;
  s.pattern = patterns::solid;
  return s;
}
}  // namespace

void Port::clearRect(Rect r) {
  DrawState s = eraseState(d_->st);
  d_->fillRect(s, r);
  d_->noteFill(s, r);
  d_->record(s, op::FillRect{r});
  d_->xorJoin = false;
}
void Port::invertRect(Rect r) {
  DrawState s = invertState(d_->st);
  d_->fillRect(s, r);
  d_->record(s, op::FillRect{r});
  d_->xorJoin = false;
}
void Port::strokeOval(Rect r) {
  d_->strokeOval(d_->st, r);
  d_->record(d_->st, op::StrokeOval{r});
  d_->xorJoin = false;
}
void Port::fillOval(Rect r) {
  d_->fillOval(d_->st, r);
  d_->record(d_->st, op::FillOval{r});
  d_->xorJoin = false;
}
void Port::clearOval(Rect r) {
  DrawState s = eraseState(d_->st);
  d_->fillOval(s, r);
  d_->record(s, op::FillOval{r});
  d_->xorJoin = false;
}
void Port::invertOval(Rect r) {
  DrawState s = invertState(d_->st);
  d_->fillOval(s, r);
  d_->record(s, op::FillOval{r});
  d_->xorJoin = false;
}
void Port::fillPolygon(const std::vector<Point>& pts) {
  d_->fillPolygon(d_->st, pts);
  d_->record(d_->st, op::FillPolygon{pts});
  d_->xorJoin = false;
}

// Lines through the points in order; a closed outline repeats its first
// point. In XOR every vertex is inverted once. The pen does not move.
void Port::strokePolygon(const std::vector<Point>& pts) {
  Impl& d = *d_;
  if (pts.empty()) return;
  const bool xorMode = d.st.mode == PenMode::Xor && !d.printer();
  const bool closed = pts.size() > 2 && pts.front() == pts.back();
  if (pts.size() == 1) {
    d.drawLine(d.st, pts[0], pts[0], false, false);
    d.record(d.st, op::Line{pts[0], pts[0], false, false});
  }
  for (size_t i = 1; i < pts.size(); ++i) {
    const bool skipA = xorMode && i > 1;
    const bool skipB = xorMode && closed && i + 1 == pts.size();
    d.drawLine(d.st, pts[i - 1], pts[i], skipA, skipB);
    d.record(d.st, op::Line{pts[i - 1], pts[i], skipA, skipB});
  }
  d.xorJoin = false;
}

void Port::setFont(const FontSpec& f) { d_->font = f; }
const FontSpec& Port::font() const { return d_->font; }
void Port::setTextSize(int px) { d_->font.pixelSize = px; }
void Port::setTextFace(bool bold, bool italic, bool underline) {
  d_->font.bold = bold;
  d_->font.italic = italic;
  d_->font.underline = underline;
}

// A carriage return in the text starts a new line, as PRINT does.
void Port::drawText(std::string_view macRoman) {
  Impl& d = *d_;
  d.xorJoin = false;
  size_t start = 0;
  while (start <= macRoman.size()) {
    const size_t cr = macRoman.find('\r', start);
    const std::string_view part =
        macRoman.substr(start, cr == std::string_view::npos ? std::string_view::npos : cr - start);
    if (!part.empty()) {
      if (!d.inTextLine) {
        d.inTextLine = true;
        d.lineStartX = d.penPos.x;
      }
      const std::string bytes(part);
      d.drawText(d.st, d.penPos, bytes, d.font);
      d.record(d.st, op::Text{d.penPos, bytes, d.font});
      const int width = textWidth(part);
      d.noteText(d.st, d.penPos, bytes, width);
      d.penPos.x += width;
    }
    if (cr == std::string_view::npos) break;
    newLine();
    start = cr + 1;
  }
}

int Port::textWidth(std::string_view macRoman) const {
  if (macRoman.empty()) return 0;
  return layoutOf(d_->font, true, macRoman).width;
}

Port::Metrics Port::metrics() const {
  QFontMetrics fm(detail::FontMapper::font(d_->font));
  return {fm.ascent(), fm.descent(), std::max(0, fm.leading())};
}

void Port::newLine() {
  Impl& d = *d_;
  if (!d.inTextLine) {
    d.inTextLine = true;
    d.lineStartX = d.penPos.x;
  }
  const Metrics m = metrics();
  d.penPos = {d.lineStartX, d.penPos.y + m.ascent + m.descent + m.leading};
  d.xorJoin = false;
}

void Port::drawIcon(int iconId, Rect dst, bool colour) {
  d_->drawIcon(iconId, dst, colour);
  d_->record(d_->st, op::Icon{iconId, dst, colour});
}

bool Port::drawBundleImage(std::string_view fileName, Rect dst) {
  // Loaded pictures stay: the map is drawn again at every redraw.
  static std::map<std::string, QImage, std::less<>> cache;
  auto it = cache.find(fileName);
  if (it == cache.end()) {
    if (fileName.empty() || fileName.find('/') != std::string_view::npos) return false;
    const auto path = resourceDir() / "images" / std::string(fileName);
    QImage img(QString::fromStdString(path.string()));
    if (img.isNull()) return false;   // missing ones may turn up later: not cached
    it = cache.emplace(std::string(fileName), std::move(img)).first;
  }
  d_->drawImage(it->second, dst);
  d_->record(d_->st, op::Image{it->second, dst});
  return true;
}

void Port::drawPicture(const Picture& pic, Rect dst) {
  if (!pic.data) return;
  d_->replay(*pic.data, dst);
  d_->record(d_->st, op::Nested{pic.data, dst});
}

void Port::startRecording(Rect frame) {
  d_->rec = std::make_shared<Picture::Data>();
  d_->rec->frame = frame;
}

Picture Port::stopRecording() {
  Picture p;
  p.data = std::move(d_->rec);
  d_->rec.reset();
  return p;
}

bool Port::recording() const { return d_->rec != nullptr; }

void Port::setClip(Rect r) {
  d_->setClipState(r);
  d_->record(d_->st, op::Clip{r});
}

void Port::clearClip() {
  d_->setClipState(std::nullopt);
  d_->record(d_->st, op::Clip{std::nullopt});
}

Rect Port::bounds() const {
  if (d_->printer()) return d_->pageRect;
  return {0, 0, d_->image.width(), d_->image.height()};
}

void Port::copyRect(Rect src, Rect dst) {
  Impl& d = *d_;
  if (d.printer() || src.empty() || dst.empty()) return;
  const QRect s = toQ(src).intersected(d.image.rect());
  if (s.isEmpty()) return;
  // Keep the source's place in dst when it was cut at the edges.
  const double sx = double(dst.width()) / src.width(), sy = double(dst.height()) / src.height();
  const QRectF target(dst.left + (s.left() - src.left) * sx, dst.top + (s.top() - src.top) * sy,
                      s.width() * sx, s.height() * sy);
  const QImage piece = d.image.copy(s);
  QPainter& p = d.painter();
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(target, piece);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  const Rect recDst{int(target.left()), int(target.top()), int(target.left() + target.width()),
                    int(target.top() + target.height())};
  d.record(d.st, op::Image{piece, recDst});
  d.xorJoin = false;
}

void Port::flush() {
  d_->endPainter();
  if (d_->flushHook) d_->flushHook();
}

// ---- hooks for the rest of the layer --------------------------------------

namespace detail {

QImage& portImage(Port& port) {
  Port::Impl& d = *port.impl();
  d.endPainter();
  return d.image;   // painter ports keep a 1 x 1 stand-in
}

void resizePort(Port& port, Size size, Rgb16 background) {
  Port::Impl& d = *port.impl();
  if (d.printer()) return;
  d.endPainter();
  QImage img(std::max(1, size.w), std::max(1, size.h), QImage::Format_RGB32);
  img.setDevicePixelRatio(1);
  img.fill(toColor(background));
  {
    QPainter p(&img);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, d.image);
  }
  d.image = std::move(img);
}

std::unique_ptr<Port> makePainterPort(void* qpainter, Rect pageRect) {
  auto d = std::make_unique<Port::Impl>();
  d->image = QImage(1, 1, QImage::Format_RGB32);
  d->image.fill(Qt::white);
  d->outside = static_cast<QPainter*>(qpainter);
  d->base = d->outside->worldTransform();
  d->pageRect = pageRect;
  d->outside->setRenderHint(QPainter::Antialiasing, false);
  return PortFactory::make(std::move(d));
}

void setFlushHook(Port& port, std::function<void()> hook) {
  port.impl()->flushHook = std::move(hook);
}

}  // namespace detail
}  // namespace plat
