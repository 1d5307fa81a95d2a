// Pixel rules of the port: pen geometry, XOR exactness, patterns, text and
// the image and painter plumbing.
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <cmath>
#include <random>

#include "platform/port.h"
#include "platform/qt/fonts.h"
#include "platform/qt/internal.h"
#include "platform/qt/portimpl.h"
#include "platform/test.h"

using namespace plat;

namespace {

constexpr Rgb16 kWhite{0xFFFF, 0xFFFF, 0xFFFF};
constexpr Rgb16 kBlack{0, 0, 0};
constexpr Rgb16 kRed{0xFFFF, 0, 0};
constexpr QRgb kW = 0xFFFFFFFF, kB = 0xFF000000;

QImage snap(Port& p) { return detail::portImage(p).copy(); }

// Pixels that differ from the background, as a set of points.
std::vector<QPoint> inked(const QImage& img, QRgb bg = kW) {
  std::vector<QPoint> out;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixel(x, y) != bg) out.emplace_back(x, y);
  return out;
}

QRect inkBox(const QImage& img, QRgb bg = kW) {
  QRect box;
  for (const QPoint& p : inked(img, bg)) box |= QRect(p, QSize(1, 1));
  return box;
}

QRgb raw(const QImage& img, int x, int y) {
  return reinterpret_cast<const QRgb*>(img.constScanLine(y))[x];
}

void fillNoise(Port& port, unsigned seed) {
  QImage& img = detail::portImage(port);
  std::mt19937 rng(seed);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, 0xFF000000u | (rng() & 0xFFFFFF));
}

}  // namespace

TEST(PortBasics, ImageIsOpaqueRgb32AtPixelRatioOne) {
  Port scratch;
  EXPECT_EQ(scratch.bounds(), (Rect{0, 0, 1, 1}));
  Port p({30, 20}, {0x8000, 0x8000, 0x8000});
  EXPECT_EQ(p.bounds(), (Rect{0, 0, 30, 20}));
  QImage& img = detail::portImage(p);
  EXPECT_EQ(img.format(), QImage::Format_RGB32);
  EXPECT_EQ(img.devicePixelRatio(), 1.0);
  EXPECT_EQ(img.pixel(29, 19), qRgb(0x80, 0x80, 0x80));
  // Erasing uses the window's background until the program sets another.
  p.setForeColor(kBlack);
  p.fillRect({0, 0, 30, 20});
  p.clearRect({5, 5, 6, 6});
  EXPECT_EQ(snap(p).pixel(5, 5), qRgb(0x80, 0x80, 0x80));
}

TEST(PortLines, OnePixelPenDrawsBothEndPoints) {
  Port p({20, 20});
  p.moveTo(2, 3);
  p.lineTo(6, 3);
  QImage img = snap(p);
  EXPECT_EQ(inkBox(img), QRect(2, 3, 5, 1));
  EXPECT_EQ(p.pen(), (Point{6, 3}));

  Port d({20, 20});
  d.moveTo(10, 2);
  d.lineTo(3, 9);   // drawn right to left and upwards
  img = snap(d);
  EXPECT_EQ(img.pixel(10, 2), kB);
  EXPECT_EQ(img.pixel(3, 9), kB);
  EXPECT_EQ(inked(img).size(), 8u);   // one pixel per column on a 45 degree line

  Port dot({5, 5});
  dot.moveTo(2, 2);
  dot.lineTo(2, 2);
  EXPECT_EQ(inked(snap(dot)).size(), 1u);
}

TEST(PortLines, LinesAreTheSameWhicheverEndTheyStartFrom) {
  Port a({40, 40}), b({40, 40});
  a.moveTo(1, 2);
  a.lineTo(33, 17);
  b.moveTo(33, 17);
  b.lineTo(1, 2);
  EXPECT_EQ(snap(a), snap(b));
}

TEST(PortLines, FarOffEndPointsDrawOnlyTheVisiblePart) {
  Port p({20, 20});
  p.moveTo(-2000000000, -2000000000);
  p.lineTo(2000000000, 2000000000);
  QImage img = snap(p);
  EXPECT_EQ(inked(img).size(), 20u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(img.pixel(i, i), kB);
  p.moveTo(-2147483647, 3);
  p.lineTo(2147483647, 3);
  EXPECT_EQ(inked(snap(p), kW).size(), 39u);
}

TEST(PortLines, WidePenHangsRightAndDown) {
  Port p({30, 30});
  p.setPenSize(3, 3);
  p.moveTo(5, 10);
  p.lineTo(15, 10);
  EXPECT_EQ(inkBox(snap(p)), QRect(5, 10, 13, 3));   // y 10..12, x 5..17

  Port d({30, 30});
  d.setPenSize(3, 2);
  d.moveTo(4, 4);
  d.lineTo(14, 20);
  QImage img = snap(d);
  EXPECT_EQ(inkBox(img), QRect(4, 4, 13, 18));
  // Both pen rectangles are covered whole.
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(img.pixel(4 + x, 4 + y), kB);
      EXPECT_EQ(img.pixel(14 + x, 20 + y), kB);
    }
}

TEST(PortLines, SegmentsMatchSeparateLines) {
  std::vector<Point> pts;
  for (int x = 0; x < 60; ++x) {
    pts.push_back({x, 5 + (x * 7) % 13});
    pts.push_back({x, 30 - (x * 3) % 11});
  }
  pts.push_back({3, 40});
  pts.push_back({50, 55});
  Port batch({64, 64}), single({64, 64});
  batch.drawSegments(pts.data(), pts.size() / 2);
  for (size_t i = 0; i < pts.size(); i += 2) {
    single.moveTo(pts[i].x, pts[i].y);
    single.lineTo(pts[i + 1].x, pts[i + 1].y);
  }
  EXPECT_EQ(snap(batch), snap(single));
  EXPECT_EQ(batch.pen(), (Point{50, 55}));
}

TEST(PortRects, StrokeStaysInsideAndBandsFollowThePen) {
  Port p({20, 20});
  p.strokeRect({2, 3, 8, 9});
  QImage img = snap(p);
  EXPECT_EQ(inkBox(img), QRect(2, 3, 6, 6));
  EXPECT_EQ(inked(img).size(), 20u);   // 6 x 6 outline
  EXPECT_EQ(img.pixel(4, 5), kW);

  Port w({20, 20});
  w.setPenSize(2, 3);
  w.strokeRect({0, 0, 10, 12});
  img = snap(w);
  EXPECT_EQ(img.pixel(1, 5), kB);
  EXPECT_EQ(img.pixel(2, 5), kW);
  EXPECT_EQ(img.pixel(5, 2), kB);
  EXPECT_EQ(img.pixel(5, 3), kW);
  EXPECT_EQ(img.pixel(5, 9), kB);
  EXPECT_EQ(img.pixel(5, 8), kW);
  EXPECT_EQ(img.pixel(8, 5), kB);

  Port e({10, 10});
  e.strokeRect({5, 5, 5, 9});   // empty
  e.fillRect({6, 6, 2, 2});     // inverted
  EXPECT_TRUE(inked(snap(e)).empty());
}

TEST(PortRects, RectanglesSpanningMostOfTheIntRangeStillFill) {
  Port p({20, 20});
  p.fillRect({3, -2000000000, 5, 2000000000});
  p.fillRect({-2147483647, 7, 2147483647, 8});
  QImage img = snap(p);
  EXPECT_EQ(inkBox(img), QRect(0, 0, 20, 20));
  EXPECT_EQ(inked(img).size(), 20u * 2 + 20 - 2);
  EXPECT_EQ(img.pixel(4, 0), kB);
  EXPECT_EQ(img.pixel(4, 19), kB);
  EXPECT_EQ(img.pixel(0, 7), kB);
  EXPECT_EQ(img.pixel(0, 8), kW);
}

TEST(PortRects, XorFrameInvertsEveryPixelOnce) {
  Port p({20, 20}, kWhite);
  p.setPenMode(PenMode::Xor);
  p.setPenSize(2, 2);
  p.strokeRect({1, 1, 15, 15});
  QImage img = snap(p);
  // Corners are black (inverted once), not white (inverted twice).
  EXPECT_EQ(img.pixel(1, 1), kB);
  EXPECT_EQ(img.pixel(14, 14), kB);
  EXPECT_EQ(inked(img).size(), size_t(14 * 14 - 10 * 10));
}

TEST(PortXor, EveryShapeAndPatternRestoresWhenDrawnTwice) {
  const std::vector<std::pair<const char*, std::function<void(Port&)>>> shapes = {
      {"line", [](Port& p) { p.moveTo(3, 4); p.lineTo(50, 37); }},
      {"wide line", [](Port& p) { p.setPenSize(4, 3); p.moveTo(50, 5); p.lineTo(7, 40); }},
      {"polyline", [](Port& p) { p.moveTo(5, 5); p.lineTo(40, 9); p.lineTo(12, 30); p.lineTo(12, 50); }},
      {"wide polyline", [](Port& p) { p.setPenSize(3, 3); p.moveTo(5, 5); p.lineTo(40, 9); p.lineTo(40, 40); }},
      {"segments", [](Port& p) { Point s[] = {{1, 1}, {1, 40}, {3, 50}, {50, 3}}; p.drawSegments(s, 2); }},
      {"fill", [](Port& p) { p.fillRect({4, 4, 44, 30}); }},
      {"frame", [](Port& p) { p.setPenSize(3, 2); p.strokeRect({4, 4, 44, 30}); }},
      {"oval", [](Port& p) { p.strokeOval({2, 2, 51, 37}); }},
      {"wide oval", [](Port& p) { p.setPenSize(3, 3); p.strokeOval({2, 2, 51, 37}); }},
      {"filled oval", [](Port& p) { p.fillOval({5, 6, 40, 48}); }},
      {"polygon", [](Port& p) { p.fillPolygon({{2, 2}, {50, 10}, {30, 50}, {8, 30}}); }},
      {"closed outline", [](Port& p) { p.strokePolygon({{2, 2}, {50, 10}, {30, 50}, {2, 2}}); }},
      {"text", [](Port& p) { p.moveTo(3, 30); p.drawText("Wg\xA5 Block 12"); }},
      {"invert", [](Port& p) { p.invertRect({10, 10, 30, 30}); p.invertOval({0, 0, 20, 20}); }},
  };
  const Pattern pats[] = {patterns::solid, patterns::gray50, patterns::diagonal, systemPattern(26)};
  for (const auto& [name, draw] : shapes) {
    for (const Pattern& pat : pats) {
      Port p({56, 56});
      fillNoise(p, 7);
      const QImage before = snap(p);
      p.setPenPattern(pat);
      p.setForeColor(kRed);   // the colour must not matter
      p.setPenMode(PenMode::Xor);
      auto pen = p.pen();
      draw(p);
      const QImage once = snap(p);
      EXPECT_NE(once, before) << name;
      p.moveTo(pen.x, pen.y);
      p.setPenSize(1, 1);
      draw(p);
      const QImage twice = snap(p);
      EXPECT_EQ(twice, before) << name;
      // Every pixel is either untouched or exactly complemented, its stored
      // alpha byte still 0xFF (pixel() would hide it).
      for (int y = 0; y < 56; ++y)
        for (int x = 0; x < 56; ++x) {
          const QRgb a = raw(before, x, y), b = raw(once, x, y);
          ASSERT_TRUE(b == a || b == (a ^ 0x00FFFFFFu)) << name << " at " << x << "," << y;
        }
    }
  }
}

TEST(PortXor, PolylineJointsAreInvertedOnce) {
  Port p({30, 30});
  p.setPenMode(PenMode::Xor);
  p.moveTo(2, 2);
  p.lineTo(20, 2);
  p.lineTo(20, 20);
  p.lineTo(2, 20);
  QImage img = snap(p);
  EXPECT_EQ(img.pixel(20, 2), kB);
  EXPECT_EQ(img.pixel(20, 20), kB);
  EXPECT_EQ(inked(img).size(), size_t(19 * 3 - 2));

  // A moveTo in between starts a new polyline: the shared point cancels.
  Port m({30, 30});
  m.setPenMode(PenMode::Xor);
  m.moveTo(2, 2);
  m.lineTo(20, 2);
  m.moveTo(20, 2);
  m.lineTo(20, 20);
  EXPECT_EQ(snap(m).pixel(20, 2), kW);

  // Wide pens: the pen rectangle at the joint is inverted once too.
  Port w({40, 40});
  w.setPenMode(PenMode::Xor);
  w.setPenSize(3, 3);
  w.moveTo(2, 2);
  w.lineTo(20, 2);
  w.lineTo(20, 20);
  img = snap(w);
  for (int y = 2; y < 5; ++y)
    for (int x = 20; x < 23; ++x) EXPECT_EQ(img.pixel(x, y), kB) << x << "," << y;

  // A closed outline inverts its first point once.
  Port c({30, 30});
  c.setPenMode(PenMode::Xor);
  c.strokePolygon({{2, 2}, {20, 2}, {20, 20}, {2, 2}});
  EXPECT_EQ(snap(c).pixel(2, 2), kB);
}

TEST(PortPatterns, ModesTreatOneAndZeroBits) {
  const Rgb16 green{0, 0xFFFF, 0};
  auto bit = [](const Pattern& pat, int x, int y) { return (pat.rows[y % 8] & (0x80 >> (x % 8))) != 0; };
  const Pattern pat = systemPattern(4);
  for (PenMode mode : {PenMode::Copy, PenMode::Or, PenMode::Bic, PenMode::Xor}) {
    Port p({24, 24}, {0x4000, 0x4000, 0x4000});
    p.setForeColor(kRed);
    p.setBackColor(green);
    p.setPenMode(mode);
    p.setPenPattern(pat);
    p.fillRect({3, 5, 21, 22});   // an offset rectangle: the pattern keeps the port's grid
    const QImage img = snap(p);
    const QRgb grey = qRgb(0x40, 0x40, 0x40);
    for (int y = 5; y < 22; ++y)
      for (int x = 3; x < 21; ++x) {
        QRgb want;
        const bool on = bit(pat, x, y);
        switch (mode) {
          case PenMode::Copy: want = on ? qRgb(255, 0, 0) : qRgb(0, 255, 0); break;
          case PenMode::Or: want = on ? qRgb(255, 0, 0) : grey; break;
          case PenMode::Bic: want = on ? qRgb(0, 255, 0) : grey; break;
          case PenMode::Xor: want = on ? qRgb(0xBF, 0xBF, 0xBF) : grey; break;
        }
        ASSERT_EQ(img.pixel(x, y), want) << int(mode) << " at " << x << "," << y;
      }
    EXPECT_EQ(img.pixel(2, 5), grey);
    EXPECT_EQ(img.pixel(21, 21), grey);
  }
  // A pattern without 1 bits draws nothing except in copy mode.
  Port p({8, 8});
  p.setPenMode(PenMode::Or);
  p.fillRect({0, 0, 8, 8}, patterns::white);
  EXPECT_TRUE(inked(snap(p)).empty());
}

TEST(PortPatterns, NumberedListFallsBackToSolid) {
  EXPECT_EQ(systemPattern(0), patterns::solid);
  EXPECT_EQ(systemPattern(39), patterns::solid);
  EXPECT_EQ(systemPattern(1), patterns::solid);
  EXPECT_NE(systemPattern(4), patterns::solid);
  EXPECT_NE(systemPattern(26), systemPattern(28));
}

TEST(PortOvals, OutlineInsideTheRectangleAndFillUnderIt) {
  Port p({40, 40});
  const Rect r{5, 6, 25, 30};
  p.strokeOval(r);
  QImage img = snap(p);
  EXPECT_EQ(inkBox(img), QRect(5, 6, 20, 24));
  EXPECT_EQ(img.pixel(15, 18), kW);   // hollow
  p.setForeColor(kRed);
  p.fillOval(r);
  img = snap(p);
  EXPECT_EQ(img.pixel(15, 18), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(5, 6), kW);     // corners stay
  // The fill covers no more than the outline did.
  for (const QPoint& q : inked(img)) EXPECT_TRUE(QRect(5, 6, 20, 24).contains(q));
  p.clearOval(r);
  EXPECT_TRUE(inked(snap(p)).empty());
}

TEST(PortText, BaselineAtThePenAndThePenAdvances) {
  Port p({200, 60});
  p.setFont({"Geneva", 12});
  p.moveTo(10, 30);
  p.drawText("HHH");
  const int w = p.textWidth("HHH");
  EXPECT_GT(w, 15);
  EXPECT_EQ(p.pen(), (Point{10 + w, 30}));
  const QRect box = inkBox(snap(p));
  EXPECT_EQ(box.bottom(), 29);                  // capitals sit on the baseline
  EXPECT_GE(box.top(), 30 - p.metrics().ascent);
  EXPECT_GE(box.left(), 10);
  EXPECT_LE(box.right(), 10 + w);
  // Widths add up, so pieces drawn one after another line up.
  EXPECT_EQ(p.textWidth("Ch 12"), p.textWidth("Ch ") + p.textWidth("12"));
  EXPECT_EQ(p.textWidth(""), 0);
}

TEST(PortText, NewLineReturnsToWhereTheLineBegan) {
  Port p({200, 100});
  p.setFont({"Monaco", 10});
  const auto m = p.metrics();
  const int lh = m.ascent + m.descent + m.leading;
  p.moveTo(15, 20);
  p.drawText("abc");
  p.drawText("def");
  p.newLine();
  EXPECT_EQ(p.pen(), (Point{15, 20 + lh}));
  p.drawText("x");
  p.newLine();
  EXPECT_EQ(p.pen(), (Point{15, 20 + 2 * lh}));
  p.drawText("one\rtwo");
  EXPECT_EQ(p.pen(), (Point{15 + p.textWidth("two"), 20 + 3 * lh}));
  // A move starts a new line position.
  p.moveTo(40, 90);
  p.newLine();
  EXPECT_EQ(p.pen().x, 40);
}

// Texts are shaped once and drawn from the kept layout afterwards: every
// pixel, the first time and the next, is what Qt's own drawText paints, in
// every face, in XOR, and with a tab or line feed in the text.
TEST(PortText, KeptLayoutsPaintWhatDrawTextPaints) {
  struct Case {
    FontSpec font;
    const char* text;
    bool xorMode;
  };
  const Case cases[] = {
      {{"Geneva", 12}, "Channel 1 of 4    O2 (%)", false},
      {{"application", 11, true}, "12:00:00  03-15-2024", false},
      {{"Times", 14, false, true, true}, "expanded 4X ±¥", false},
      {{"Symbol", 12}, "m­", false},
      {{"Monaco", 10}, "tab\there", false},
      {{"Geneva", 12}, "line\nfeed", false},
      {{"Geneva", 12}, " 25.5", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    QImage want(160, 40, QImage::Format_RGB32);
    want.fill(Qt::white);
    {
      QPainter q(&want);
      q.setRenderHint(QPainter::TextAntialiasing, true);
      q.setFont(detail::FontMapper::font(c.font, !c.xorMode));
      q.setPen(c.xorMode ? Qt::white : Qt::black);
      if (c.xorMode) q.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      q.drawText(QPointF(5, 25), detail::FontMapper::decode(c.font, c.text));
    }
    ASSERT_GT(inked(want).size(), 20u);
    for (int time = 0; time < 2; ++time) {
      Port p({160, 40});
      p.setFont(c.font);
      p.setForeColor(kBlack);
      if (c.xorMode) p.setPenMode(PenMode::Xor);
      p.moveTo(5, 25);
      p.drawText(c.text);
      EXPECT_TRUE(snap(p) == want) << "drawing " << time;
    }
  }
}

TEST(PortText, FontsMapToInstalledFacesAtPixelSizes) {
  using detail::FontMapper;
  EXPECT_EQ(FontMapper::family("Geneva"), "Liberation Sans");
  EXPECT_EQ(FontMapper::family("helvetica"), "Liberation Sans");
  EXPECT_EQ(FontMapper::family("3"), "Liberation Sans");
  EXPECT_EQ(FontMapper::family("Lucida Grande"), "DejaVu Sans");
  EXPECT_EQ(FontMapper::family("Times"), "Liberation Serif");
  EXPECT_EQ(FontMapper::family("Courier"), "DejaVu Sans Mono");
  EXPECT_EQ(FontMapper::family("NoSuchFace"), "Liberation Sans");
  const QFont f = FontMapper::font({"Arial", 14, true});
  EXPECT_EQ(f.pixelSize(), 14);
  EXPECT_EQ(QFontInfo(f).pixelSize(), 14);
  EXPECT_TRUE(QFontInfo(f).bold());
  // Symbol bytes have their own layout; other fonts read Mac Roman.
  EXPECT_EQ(FontMapper::decode({"Symbol", 12}, "\xAD").at(0).unicode(), 0x2191);
  EXPECT_EQ(FontMapper::decode({"Symbol", 12}, "m").at(0).unicode(), 0x03BC);
  EXPECT_EQ(FontMapper::decode({"Geneva", 12}, "\xB1\xA5").toStdU16String(), u"\u00B1\u2022");
}

TEST(PortClip, ClipLimitsDrawingUntilCleared) {
  Port p({20, 20});
  p.setClip({5, 5, 10, 10});
  p.fillRect({0, 0, 20, 20});
  EXPECT_EQ(inkBox(snap(p)), QRect(5, 5, 5, 5));
  p.clearClip();
  p.fillRect({0, 0, 2, 2});
  EXPECT_EQ(snap(p).pixel(0, 0), kB);
}

TEST(PortCopy, CopyRectMovesPixelsWithinThePort) {
  Port p({30, 30});
  p.setForeColor(kRed);
  p.fillRect({2, 2, 6, 5});
  p.copyRect({2, 2, 6, 5}, {20, 10, 24, 13});
  QImage img = snap(p);
  EXPECT_EQ(img.pixel(20, 10), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(23, 12), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(24, 12), kW);
  // A source reaching past the edge copies only what exists, in its place.
  p.copyRect({-2, 0, 8, 10}, {10, 0, 20, 10});
  img = snap(p);
  EXPECT_EQ(img.pixel(14, 2), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(10, 2), kW);
}

TEST(PortPlumbing, PainterSurvivesSnapshotsAndResizes) {
  Port p({10, 10});
  p.fillRect({0, 0, 2, 2});
  const QImage kept = detail::portImage(p);          // a shallow copy
  EXPECT_EQ(kept.pixel(1, 1), kB);                   // ended, so complete
  p.fillRect({8, 0, 9, 1});
  p.moveTo(0, 9);
  p.lineTo(9, 9);
  EXPECT_EQ(kept.pixel(8, 0), kW);                   // copies kept elsewhere stay as they were
  EXPECT_EQ(kept.pixel(3, 9), kW);
  EXPECT_EQ(snap(p).pixel(3, 9), kB);
  p.fillRect({2, 2, 4, 4});                            // begins again
  detail::resizePort(p, {20, 15}, {0, 0, 0xFFFF});
  EXPECT_EQ(p.bounds(), (Rect{0, 0, 20, 15}));
  QImage img = snap(p);
  EXPECT_EQ(img.pixel(3, 3), kB);
  EXPECT_EQ(img.pixel(5, 5), kW);
  EXPECT_EQ(img.pixel(15, 12), qRgb(0, 0, 255));
  p.setForeColor(kRed);
  p.fillRect({18, 13, 20, 15});
  EXPECT_EQ(snap(p).pixel(19, 14), qRgb(255, 0, 0));

  int flushed = 0;
  detail::setFlushHook(p, [&] { ++flushed; });
  p.flush();
  EXPECT_EQ(flushed, 1);
}

TEST(PortPlumbing, PrinterPortsDrawXorAsInk) {
  QImage page(100, 100, QImage::Format_RGB32);
  page.fill(qRgb(0, 0, 200));
  QPainter painter(&page);
  {
    auto port = detail::makePainterPort(&painter, {0, 0, 100, 100});
    EXPECT_EQ(port->bounds(), (Rect{0, 0, 100, 100}));
    port->setForeColor(kRed);   // inverting white paper gives black, whatever the colour
    port->setPenMode(PenMode::Xor);
    port->fillRect({10, 10, 20, 20});
    port->moveTo(30, 30);
    port->lineTo(60, 30);
    port->flush();
    EXPECT_TRUE(painter.isActive());   // the job's painter is not ours to end
  }
  painter.end();
  EXPECT_EQ(page.pixel(15, 15), kB);
  EXPECT_EQ(page.pixel(45, 30), kB);
  EXPECT_EQ(page.pixel(5, 5), qRgb(0, 0, 200));
}

TEST(PortImages, IconsAndMissingBundleImages) {
  Port p({100, 40});
  p.drawIcon(128, {0, 0, 32, 32});
  p.drawIcon(129, {34, 0, 66, 32});
  p.drawIcon(130, {68, 0, 100, 32}, false);
  p.drawIcon(999, {0, 32, 32, 40});   // unknown: nothing
  QImage img = snap(p);
  const QRgb stop = img.pixel(8, 8), caution = img.pixel(44, 26), note = img.pixel(72, 16);
  EXPECT_GT(qRed(stop), 150);
  EXPECT_LT(qGreen(stop), 60);
  EXPECT_GT(qRed(caution), 200);
  EXPECT_GT(qGreen(caution), 150);
  EXPECT_LT(qBlue(caution), 80);
  EXPECT_EQ(qRed(note), qBlue(note));   // the monochrome form has no colour
  for (int x = 0; x < 100; ++x) EXPECT_EQ(img.pixel(x, 36), kW);

  EXPECT_FALSE(p.drawBundleImage("no such image.jpg", {0, 0, 10, 10}));
  EXPECT_FALSE(p.drawBundleImage("../port.h", {0, 0, 10, 10}));
}

TEST(PortSample, DrawingLooksClean) {
  Port p({320, 200}, {0xE8E8, 0xE8E8, 0xE8E8});
  p.setBackColor(kWhite);
  p.clearRect({10, 10, 310, 190});
  p.strokeRect({10, 10, 310, 190});
  for (int i = 0; i < 6; ++i) p.fillRect({20 + 25 * i, 20, 40 + 25 * i, 40}, systemPattern(i * 5 + 2));
  p.setForeColor({0, 0, 0xD8D8});
  p.setPenSize(2, 2);
  p.moveTo(20, 120);
  for (int x = 0; x <= 140; x += 4) p.lineTo(20 + x, 100 + int(20 * std::sin(x / 12.0)));
  p.resetPen();
  p.setForeColor(kBlack);
  p.strokeOval({180, 20, 240, 60});
  p.setForeColor({0xFFFF, 0x8000, 0});
  p.fillOval({250, 20, 300, 60});
  p.setForeColor(kBlack);
  p.setPenMode(PenMode::Xor);
  p.setPenPattern(systemPattern(26));
  for (int x = 175; x < 300; x += 12) {
    p.moveTo(x, 70);
    p.lineTo(x, 130);
  }
  p.resetPen();
  p.setFont({"Geneva", 14, true});
  p.moveTo(20, 160);
  p.drawText("Bold 14 \xB1\xA1 25.3 \xB5l");
  p.setFont({"Times", 12, false, true});
  p.moveTo(20, 180);
  p.drawText("Times italic 12");
  p.setFont({"Symbol", 14});
  p.drawText(" \xAD m");
  p.drawIcon(128, {180, 140, 212, 172});
  p.drawIcon(129, {218, 140, 250, 172});
  p.drawIcon(130, {256, 140, 288, 172});
  const QImage img = snap(p);
  EXPECT_EQ(img.pixel(0, 0), qRgb(0xE8, 0xE8, 0xE8));
  test::saveArtifact(img, "port-sample.png");
}
