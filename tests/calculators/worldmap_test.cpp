// The land outlines of the world map: the compact file, its refusals, and
// the frames that place it where the mouse mapping reads places.
#include "calculators/worldmap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "calculators/suncycle.h"

namespace {

const std::filesystem::path kLand = std::filesystem::path(TEST_GOLDEN_DIR).parent_path().parent_path().parent_path() /
                                    "resources" / "map" / "land.bin";

// Whether a place lies on land: even-odd over the rings at their longitudes
// and a turn either side, in hundredths of a degree.
bool OnLand(const LandOutlines& land, double lonEast, double latNorth) {
  bool inside = false;
  for (const LandRing& r : land.rings)
    for (const double shift : {-36000.0, 0.0, 36000.0}) {
      const double x = lonEast * 100 - shift, y = latNorth * 100;
      bool in = false;
      for (size_t i = 0, j = r.lon.size() - 1; i < r.lon.size(); j = i++)
        if ((r.lat[i] > y) != (r.lat[j] > y) &&
            x < (r.lon[j] - r.lon[i]) * (y - r.lat[i]) / double(r.lat[j] - r.lat[i]) + r.lon[i])
          in = !in;
      if (in) inside = !inside;
    }
  return inside;
}

TEST(WorldMapLand, TheFileGivesLandWhereLandIsAndSeaElsewhere) {
  LandOutlines land;
  ASSERT_TRUE(LoadLandOutlines(kLand, &land));
  EXPECT_GT(land.rings.size(), 1000u);
  const struct {
    const char* place;
    double lon, lat;
    bool land;
  } cases[] = {
      {"Paris", 2.35, 48.85, true},          {"0 N 150 W", -150, 0, false},
      {"Nairobi", 36.82, -1.29, true},       {"Caspian Sea", 51, 42, false},
      {"Chukotka, past 180", -175, 66, true}, {"Fiji's Vanua Levu", 179.5, -16.5, true},
      {"Antarctic plateau", 0, -85, true},    {"North Pole", 0, 89.5, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.place);
    EXPECT_EQ(OnLand(land, c.lon, c.lat), c.land);
  }
}

TEST(WorldMapLand, DamagedFilesAreRefusedAndLeaveTheOutlinesAlone) {
  std::vector<uint8_t> good = {'C', 'V', 'M', 'L', 'A', 'N', 'D', '1', 1, 0, 0, 0, 0, 3, 0, 0, 0,
                               2, 2, 4, 0, 3, 3};   // one ring: (1, 1), (3, 1), (1, -1)
  LandOutlines land;
  ASSERT_TRUE(ParseLandOutlines(good, &land));
  ASSERT_EQ(land.rings.size(), 1u);
  EXPECT_EQ(land.rings[0].lon, (std::vector<int32_t>{1, 3, 1}));
  EXPECT_EQ(land.rings[0].lat, (std::vector<int32_t>{1, 1, -1}));
  std::vector<uint8_t> badMagic = good, cut(good.begin(), good.end() - 1), huge = good, endless = good;
  badMagic[0] = 'X';
  huge[9] = 0x7F;                                   // rings beyond what the bytes can hold
  endless.back() = 0x83;                            // a number that never ends
  // One ring of three points given as steps from the one before: points off
  // the globe, and steps whose sum leaves 32 bits.
  const auto ringOf = [](std::initializer_list<int64_t> steps) {
    std::vector<uint8_t> b = {'C', 'V', 'M', 'L', 'A', 'N', 'D', '1', 1, 0, 0, 0, 0, 3, 0, 0, 0};
    for (const int64_t v : steps)
      for (auto z = static_cast<uint64_t>(v < 0 ? -2 * v - 1 : 2 * v);; z >>= 7) {
        b.push_back(static_cast<uint8_t>((z & 0x7F) | (z > 0x7F ? 0x80 : 0)));
        if (z <= 0x7F) break;
      }
    return b;
  };
  std::vector<uint8_t> pastPole = ringOf({0, 9001, 1, 0, 0, 1}), pastTurns = ringOf({54001, 0, 1, 0, 0, 1}),
                       wrapping = ringOf({1 << 30, 0, 1 << 30, 0, 1 << 30, 0}),
                       wrappingBack = ringOf({0, -(1 << 30), 0, -(1 << 30), 0, -(1 << 30)});
  LandOutlines edge;
  ASSERT_TRUE(ParseLandOutlines(ringOf({-37753, -9000, 55753, 0, 0, 18000}), &edge)) << "the file's own extremes";
  for (const auto* bytes : {&badMagic, &cut, &huge, &endless, &pastPole, &pastTurns, &wrapping, &wrappingBack}) {
    LandOutlines kept = land;
    EXPECT_FALSE(ParseLandOutlines(*bytes, &kept));
    EXPECT_EQ(kept.rings.size(), 1u);
  }
  EXPECT_FALSE(LoadLandOutlines(kLand.parent_path() / "missing.bin", &land));
}

// The land is drawn where the mouse mapping reads the place: the pixel of a
// place reads back as that place, unzoomed and zoomed.
TEST(WorldMapLand, PixelsOfPlacesReadBackThroughTheMouseMapping) {
  const plat::Point z = ZoomOffsets(300, 100);
  const struct {
    double lon, lat;
  } places[] = {{2.35, 48.85}, {-150, 0}, {-179, 89}, {179, -89}, {0, 0}, {-75.5, 40.25}};
  for (const auto& p : places) {
    SCOPED_TRACE(std::to_string(p.lon) + " " + std::to_string(p.lat));
    const plat::Point u = MapPixelOf(UnzoomedMapFrame(), p.lon, p.lat);
    const MapPlace a = MapPlaceUnzoomed(u.x, u.y);
    EXPECT_NEAR(a.west ? -a.longitude : a.longitude, p.lon, 0.34);
    EXPECT_NEAR(a.north ? a.latitude : -a.latitude, p.lat, 0.26);
    const plat::Point q = MapPixelOf(ZoomedMapFrame(z.x, z.y), p.lon, p.lat);
    const MapPlace b = MapPlaceZoomed(q.x, q.y, z.x, z.y);
    EXPECT_NEAR(b.west ? -b.longitude : b.longitude, p.lon, 0.07);
    EXPECT_NEAR(b.north ? b.latitude : -b.latitude, p.lat, 0.07);
  }
  EXPECT_EQ(MapPixelOf(UnzoomedMapFrame(), -180, 90), (plat::Point{0, 30}));
  EXPECT_EQ(MapPixelOf(UnzoomedMapFrame(), 0, 0), (plat::Point{540, 390}));
}

}  // namespace
