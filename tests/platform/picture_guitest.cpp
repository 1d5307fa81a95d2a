// Recorded pictures: drawn while recorded, replayed exactly at the same
// place, moved and scaled into any destination.
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "platform/port.h"
#include "platform/qt/internal.h"

using namespace plat;

namespace {

constexpr QRgb kW = 0xFFFFFFFF;

QImage snap(Port& p) { return detail::portImage(p).copy(); }

// A bit of everything the display list holds, including the state that
// changes between operations.
void scene(Port& p) {
  p.setForeColor({0, 0, 0xC000});
  p.fillRect({4, 4, 40, 20});
  p.setPenMode(PenMode::Xor);
  p.setPenPattern(patterns::gray50);
  p.fillRect({20, 10, 70, 30});
  p.setPenPattern(patterns::solid);
  p.moveTo(5, 50);
  p.lineTo(60, 35);   // an XOR polyline: the joint is inverted once
  p.lineTo(75, 70);
  p.resetPen();
  p.setPenSize(3, 2);
  p.strokeRect({45, 45, 90, 75});
  p.resetPen();
  p.setForeColor({0xFFFF, 0, 0});
  p.strokeOval({2, 60, 40, 95});
  p.fillPolygon({{50, 80}, {95, 85}, {70, 98}});
  Point segs[] = {{80, 2}, {80, 40}, {84, 2}, {90, 30}};
  p.drawSegments(segs, 2);
  p.setForeColor({0, 0, 0});
  p.setFont({"Geneva", 11, true});
  p.moveTo(8, 34);
  p.drawText("Ch 3 \xB1 2");
  p.setClip({0, 0, 30, 100});
  p.setFont({"Times", 13});
  p.moveTo(10, 90);
  p.drawText("clipped text here");
  p.clearClip();
  p.drawIcon(129, {62, 2, 78, 18});
  p.invertOval({30, 40, 44, 54});
}

}  // namespace

TEST(Picture, ReplayInPlaceEqualsDirectDrawing) {
  const Rect frame{0, 0, 100, 100};
  Port direct({100, 100});
  scene(direct);

  Port recorded({100, 100});
  recorded.startRecording(frame);
  EXPECT_TRUE(recorded.recording());
  scene(recorded);
  const Picture pic = recorded.stopRecording();
  EXPECT_FALSE(recorded.recording());
  EXPECT_EQ(snap(recorded), snap(direct));   // recording draws as well
  EXPECT_EQ(pic.frame(), frame);
  EXPECT_FALSE(pic.empty());

  Port replayed({100, 100});
  replayed.drawPicture(pic, frame);
  EXPECT_EQ(snap(replayed), snap(direct));
}

TEST(Picture, ReplayMovedByWholePixelsEqualsDirectDrawing) {
  Port direct({100, 100});
  scene(direct);
  Port rec({100, 100});
  rec.startRecording({0, 0, 100, 100});
  scene(rec);
  const Picture pic = rec.stopRecording();

  Port moved({140, 130});
  moved.drawPicture(pic, {30, 20, 130, 120});
  EXPECT_EQ(snap(moved).copy(30, 20, 100, 100), snap(direct));
  EXPECT_EQ(snap(moved).pixel(29, 19), kW);
}

TEST(Picture, ReplayMovesAndScalesFrameToDestination) {
  Port src({60, 60});
  src.startRecording({10, 10, 30, 30});
  src.fillRect({10, 10, 20, 20});   // the frame's top left quarter
  const Picture pic = src.stopRecording();

  Port moved({60, 60});
  moved.drawPicture(pic, {30, 25, 50, 45});
  QImage img = snap(moved);
  EXPECT_EQ(img.pixel(30, 25), 0xFF000000u);
  EXPECT_EQ(img.pixel(39, 34), 0xFF000000u);
  EXPECT_EQ(img.pixel(40, 34), kW);
  EXPECT_EQ(img.pixel(39, 35), kW);
  EXPECT_EQ(img.pixel(29, 25), kW);

  Port scaled({60, 60});
  scaled.drawPicture(pic, {0, 0, 40, 20});   // twice as wide, as high
  img = snap(scaled);
  EXPECT_EQ(img.pixel(19, 9), 0xFF000000u);
  EXPECT_EQ(img.pixel(20, 9), kW);
  EXPECT_EQ(img.pixel(19, 10), kW);
}

TEST(Picture, ClipsInsideAPictureNarrowButDoNotLeak) {
  Port src({40, 40});
  src.startRecording({0, 0, 40, 40});
  src.setClip({0, 0, 10, 40});
  src.fillRect({0, 0, 40, 5});
  src.clearClip();
  src.fillRect({0, 10, 40, 15});
  const Picture pic = src.stopRecording();

  Port dst({40, 40});
  dst.setClip({5, 0, 40, 40});
  dst.drawPicture(pic, {0, 0, 40, 40});
  QImage img = snap(dst);
  EXPECT_EQ(img.pixel(4, 2), kW);            // the port's own clip holds
  EXPECT_EQ(img.pixel(7, 2), 0xFF000000u);
  EXPECT_EQ(img.pixel(12, 2), kW);           // the picture's clip holds
  EXPECT_EQ(img.pixel(4, 12), kW);           // clearing inside the picture keeps the port's
  EXPECT_EQ(img.pixel(30, 12), 0xFF000000u);
  // A picture that ends clipped leaves the port's clip and transform as before.
  Port tail({40, 40});
  tail.startRecording({0, 0, 20, 20});
  tail.setClip({0, 0, 2, 2});
  const Picture clipped = tail.stopRecording();
  dst.drawPicture(clipped, {0, 0, 40, 40});
  dst.fillRect({0, 30, 40, 32});
  img = snap(dst);
  EXPECT_EQ(img.pixel(4, 31), kW);
  EXPECT_EQ(img.pixel(35, 31), 0xFF000000u);
  EXPECT_EQ(img.pixel(35, 32), kW);
}

TEST(Picture, NestedPicturesAndEmptyOnes) {
  Port a({50, 50});
  a.startRecording({0, 0, 10, 10});
  a.fillRect({0, 0, 5, 5});
  const Picture inner = a.stopRecording();

  Port b({50, 50});
  b.startRecording({0, 0, 50, 50});
  b.drawPicture(inner, {20, 20, 30, 30});
  b.strokeRect({0, 0, 50, 50});
  const Picture outer = b.stopRecording();

  Port c({50, 50});
  c.drawPicture(outer, {0, 0, 50, 50});
  EXPECT_EQ(snap(c), snap(b));
  EXPECT_EQ(snap(c).pixel(22, 22), 0xFF000000u);

  Port d({10, 10});
  const Picture none = d.stopRecording();   // never started
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(none.frame(), Rect{});
  d.drawPicture(none, {0, 0, 10, 10});
  d.drawPicture(inner, {5, 5, 5, 9});       // empty destination
  d.startRecording({0, 0, 10, 10});
  const Picture blank = d.stopRecording();
  EXPECT_TRUE(blank.empty());
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(snap(d).pixel(x, y), kW);
}

TEST(Picture, PicturesReplayOntoPrinterPorts) {
  Port src({40, 40});
  src.startRecording({0, 0, 40, 40});
  src.setPenMode(PenMode::Xor);
  src.fillRect({5, 5, 15, 15});
  const Picture pic = src.stopRecording();

  QImage page(80, 80, QImage::Format_RGB32);
  page.fill(Qt::white);
  {
    QPainter painter(&page);
    auto port = detail::makePainterPort(&painter, {0, 0, 80, 80});
    port->drawPicture(pic, {0, 0, 80, 80});
  }
  EXPECT_EQ(page.pixel(15, 15), 0xFF000000u);   // scaled twice, in ink
  EXPECT_EQ(page.pixel(29, 29), 0xFF000000u);
  EXPECT_EQ(page.pixel(31, 31), kW);
}
