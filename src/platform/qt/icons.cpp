// Our alert icons, drawn by code: 128 stop (red octagon, white bar),
// 129 caution (yellow triangle, "!"), 130 note (blue circle, "i"). Each has
// a black-and-white form for monochrome displays.
#include <QPainterPath>

#include <cmath>
#include <map>
#include <utility>

#include "platform/qt/portimpl.h"

namespace plat::detail {
namespace {

constexpr int kSize = 32;

QPainterPath octagon() {
  QPainterPath p;
  const double c = 16, r = 15.2;
  for (int i = 0; i < 8; ++i) {
    const double a = (22.5 + 45.0 * i) * M_PI / 180.0;
    const QPointF pt(c + r * std::cos(a), c + r * std::sin(a));
    if (i == 0) p.moveTo(pt);
    else p.lineTo(pt);
  }
  p.closeSubpath();
  return p;
}

QPainterPath triangle() {
  QPainterPath p;
  p.moveTo(16, 1.5);
  p.lineTo(30.5, 29.5);
  p.lineTo(1.5, 29.5);
  p.closeSubpath();
  return p;
}

QImage drawIcon(int id, bool colour) {
  QImage img(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QColor ink = Qt::black;
  const QPen outline(ink, colour ? 1.0 : 1.5);
  switch (id) {
    case 128: {
      p.setPen(outline);
      p.setBrush(colour ? QColor(0xD0, 0x10, 0x10) : QColor(Qt::white));
      p.drawPath(octagon());
      p.setPen(Qt::NoPen);
      p.setBrush(colour ? QColor(Qt::white) : ink);
      p.drawRoundedRect(QRectF(7, 13.5, 18, 5), 1, 1);
      break;
    }
    case 129: {
      QPen edge = outline;
      edge.setJoinStyle(Qt::RoundJoin);
      p.setPen(edge);
      p.setBrush(colour ? QColor(0xFF, 0xD2, 0x1E) : QColor(Qt::white));
      p.drawPath(triangle());
      p.setPen(Qt::NoPen);
      p.setBrush(ink);
      QPainterPath bar;   // the "!": a tapered stroke and a dot
      bar.moveTo(14.2, 10);
      bar.lineTo(17.8, 10);
      bar.lineTo(16.8, 21);
      bar.lineTo(15.2, 21);
      bar.closeSubpath();
      p.drawPath(bar);
      p.drawEllipse(QRectF(14.4, 23, 3.2, 3.2));
      break;
    }
    case 130: {
      p.setPen(outline);
      p.setBrush(colour ? QColor(0x1E, 0x5A, 0xD2) : QColor(Qt::white));
      p.drawEllipse(QRectF(1.5, 1.5, 29, 29));
      p.setPen(Qt::NoPen);
      p.setBrush(colour ? QColor(Qt::white) : ink);
      p.drawEllipse(QRectF(14.1, 6.5, 3.8, 3.8));   // the "i": a dot and a stem with foot
      p.drawRect(QRectF(14.3, 12.5, 3.4, 11));
      p.drawRect(QRectF(12.5, 12.5, 2, 2));
      p.drawRect(QRectF(12.5, 22.5, 7, 2.5));
      break;
    }
    default:
      p.end();
      return QImage();
  }
  p.end();
  return img;
}

}  // namespace

const QImage& iconImage(int id, bool colour) {
  static std::map<std::pair<int, bool>, QImage> cache;
  auto key = std::make_pair(id, colour);
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, drawIcon(id, colour)).first;
  return it->second;
}

}  // namespace plat::detail
