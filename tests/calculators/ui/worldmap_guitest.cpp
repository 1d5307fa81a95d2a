// The world map as drawn: land and sea where they are, unzoomed and zoomed,
// in the window the mouse mapping reads.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <filesystem>
#include <fstream>
#include <string>

#include "calculators/suncycle.h"
#include "calculators/ui/suncycle.h"
#include "calculators/worldmap.h"
#include "platform/port.h"
#include "platform/qt/internal.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "support/gui_support.h"
#include "support/scratch.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

bool Is(const QImage& img, plat::Point at, plat::Rgb16 c) {
  return img.pixelColor(at.x, at.y) == QColor(c.r >> 8, c.g >> 8, c.b >> 8);
}

TEST(WorldMapDrawn, LandAtParisSeaAtZeroNorth150WestUnzoomedAndZoomed) {
  plat::test::reset();
  SetFixedColours();
  SetSchemeDefaults();
  SetDEFAULTS();
  struct Place {
    const char* name;
    double lon, lat;
    plat::Rgb16 colour;
  };
  const Place paris{"Paris", 2.35, 48.85, kMapLand}, pacific{"0 N 150 W", -150, 0, kMapSea};
  // Each zoomed view is the area a user picks with its top-left corner there.
  const struct {
    const char* name;
    bool zoomed;
    int xA, yA;
  } views[] = {{"unzoomed", false, 0, 0}, {"zoomed-paris", true, 400, 100}, {"zoomed-pacific", true, 0, 300}};
  for (const auto& v : views) {
    SCOPED_TRACE(v.name);
    const plat::Point z = ZoomOffsets(v.xA, v.yA);
    const MapFrame f = v.zoomed ? ZoomedMapFrame(z.x, z.y) : UnzoomedMapFrame();
    // The land alone, as DrawWorldLand leaves it under the reference lines.
    plat::Port land(plat::Size{1080, 750});
    ASSERT_TRUE(DrawWorldLand(land, f, {0, 30, 1080, 750}));
    const QImage layer = plat::detail::portImage(land);
    int checked = 0;
    for (const Place& p : {paris, pacific}) {
      const plat::Point at = MapPixelOf(f, p.lon, p.lat);
      if (!plat::Rect{0, 30, 1080, 750}.contains(at)) continue;
      SCOPED_TRACE(p.name);
      EXPECT_TRUE(Is(layer, at, p.colour)) << at.x << "," << at.y;
      ++checked;
    }
    EXPECT_EQ(checked, v.zoomed ? 1 : 2) << "the view shows its place";
    // The window, reference lines on top, as the user sees it.
    plat::test::run(plat::test::Script{}, [&] {
      buildWorldMapWindow(v.zoomed ? 1 : 0, static_cast<int16_t>(z.x), static_cast<int16_t>(z.y));
    });
    const QImage shown = plat::test::windowImage(kWorldMapWindow);
    const plat::Point at = MapPixelOf(f, paris.lon, paris.lat);
    if (plat::Rect{0, 30, 1080, 750}.contains(at)) {
      EXPECT_TRUE(Is(shown, at, kMapLand)) << "Paris in the window";
    }
    plat::test::saveArtifact(shown, std::string("world-map-") + v.name + ".png");
    plat::disposeWindow(kWorldMapWindow);
  }
}

// A damaged land file: the map keeps its grid on a plain sea and says why
// it shows no land.
TEST(WorldMapDrawn, ADamagedLandFileLeavesTheGridAndSaysSo) {
  plat::test::reset();
  SetFixedColours();
  SetSchemeDefaults();
  SetDEFAULTS();
  const std::filesystem::path dir = testsupport::MakeScratchDir("corvimet-map-");
  {
    // A point far past the pole.
    const char bytes[] = {'C', 'V', 'M', 'L', 'A', 'N', 'D', '1', 1, 0, 0, 0, 0, 3, 0, 0, 0,
                          0, '\xFE', '\xFF', '\x7F', 2, 0, 2, 0};
    std::ofstream(dir / "land.bin", std::ios::binary).write(bytes, sizeof bytes);
  }
  UseLandFileForTest(dir / "land.bin");
  plat::Port land(plat::Size{1080, 750});
  EXPECT_FALSE(DrawWorldLand(land, UnzoomedMapFrame(), {0, 30, 1080, 750}));
  plat::test::run(plat::test::Script{}, [] { buildWorldMapWindow(0, 0, 0); });
  const QImage shown = plat::test::windowImage(kWorldMapWindow);
  plat::test::saveArtifact(shown, "world-map-damaged.png");
  const plat::Point paris = MapPixelOf(UnzoomedMapFrame(), 2.35, 48.85);
  EXPECT_TRUE(Is(shown, paris, {0x9C9C, 0xC4C4, 0xE2E2})) << "plain sea where Paris is";
  EXPECT_TRUE(Is(shown, {90, 200}, {0x7070, 0x9090, 0xB0B0})) << "the meridian of 150 W";
  EXPECT_TRUE(Is(shown, {845, 724}, rgbyellow)) << "the note's box";
  int ink = 0;
  for (int x = 230; x < 850; ++x)
    for (int y = 720; y < 746; ++y) ink += shown.pixelColor(x, y).lightness() < 96 ? 1 : 0;
  EXPECT_GT(ink, 300) << "the note's words";
  plat::disposeWindow(kWorldMapWindow);
  UseLandFileForTest({});
  std::filesystem::remove_all(dir);
}

}  // namespace
