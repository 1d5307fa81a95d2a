// Pictures: the display list a port records while it draws, replayed into
// any port through a transform from the picture's frame to the destination.
// At the same size and place the replay runs the very same primitives as
// the drawing did, so it is pixel for pixel identical.
#include <type_traits>

#include "platform/qt/portimpl.h"

namespace plat {

Rect Picture::frame() const { return data ? data->frame : Rect{}; }
bool Picture::empty() const { return !data || data->ops.empty(); }

namespace {
QRect toQRect(Rect r) { return QRect(r.left, r.top, r.width(), r.height()); }
}  // namespace

void Port::Impl::replay(const Picture::Data& pic, Rect dst) {
  const Rect f = pic.frame;
  if (f.empty() || dst.empty() || pic.ops.empty()) return;

  const QTransform savedReplay = replayXf;
  const std::optional<Rect> savedClip = clip;
  QTransform toDst;
  toDst.translate(dst.left, dst.top);
  toDst.scale(double(dst.width()) / f.width(), double(dst.height()) / f.height());
  toDst.translate(-f.left, -f.top);
  replayXf = toDst * savedReplay;
  applyTransformAndClip();

  // A clip inside the picture only narrows the destination's own clip.
  auto setPictureClip = [&](const std::optional<Rect>& r) {
    if (!r) {
      clip = savedClip;
    } else {
      QRect q = replayXf.mapRect(toQRect(*r));
      if (savedClip) q = q.intersected(toQRect(*savedClip));
      clip = Rect{q.left(), q.top(), q.left() + q.width(), q.top() + q.height()};
    }
    applyTransformAndClip();
  };

  for (const auto& o : pic.ops) {
    std::visit(
        [&](const auto& a) {
          using T = std::decay_t<decltype(a)>;
          if constexpr (std::is_same_v<T, op::Line>) drawLine(o.st, a.a, a.b, a.skipStart, a.skipEnd);
          else if constexpr (std::is_same_v<T, op::Segments>) drawSegments(o.st, a.pts.data(), a.pts.size() / 2);
          else if constexpr (std::is_same_v<T, op::StrokeRect>) strokeRect(o.st, a.r);
          else if constexpr (std::is_same_v<T, op::FillRect>) fillRect(o.st, a.r);
          else if constexpr (std::is_same_v<T, op::StrokeOval>) strokeOval(o.st, a.r);
          else if constexpr (std::is_same_v<T, op::FillOval>) fillOval(o.st, a.r);
          else if constexpr (std::is_same_v<T, op::FillPolygon>) fillPolygon(o.st, a.pts);
          else if constexpr (std::is_same_v<T, op::Text>) drawText(o.st, a.at, a.bytes, a.font);
          else if constexpr (std::is_same_v<T, op::Icon>) drawIcon(a.id, a.dst, a.colour);
          else if constexpr (std::is_same_v<T, op::Image>) drawImage(a.image, a.dst);
          else if constexpr (std::is_same_v<T, op::Clip>) setPictureClip(a.r);
          else if constexpr (std::is_same_v<T, op::Nested>) { if (a.pic) replay(*a.pic, a.dst); }
        },
        o.what);
  }

  replayXf = savedReplay;
  clip = savedClip;
  applyTransformAndClip();
}

}  // namespace plat
