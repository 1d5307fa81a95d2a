// The sunrise equation against worked days, the polar texts, the annual
// table and its spreadsheet, and the world map's pointer mapping.
#include "calculators/suncycle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// "h :mm" read back from a clock text such as "...time:   6 : 03".
std::string Tail(const std::string& s, size_t n) { return s.size() >= n ? s.substr(s.size() - n) : s; }

TEST(SunriseDay, WorkedDaysGiveTheirClockTexts) {
  const struct {
    float lat, lon;
    int day;
    bool dst;
    const char *rise, *set, *daylight;
  } cases[] = {
      {0, 0, 80, false, " 6 : 03", " 18 : 10", " 12 hours, 06 minutes of daylight"},
      {60, 0, 172, false, " 2 : 35", " 21 : 28", " 18 hours, 52 minutes of daylight"},
      {60, 0, 172, true, " 3 : 35", " 22 : 28", " 18 hours, 52 minutes of daylight"},
      {40, 0, 1, false, " 7 : 21", " 16 : 45", " 9 hours, 23 minutes of daylight"},
      {95, 0, 80, false, " 7 : 16", " 16 : 57", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.lat) + " day " + std::to_string(c.day));
    const SunDay d = SunriseDay(c.lat, c.lon, c.day, c.dst);
    ASSERT_TRUE(d.hasValue);
    const SunTexts t = SunDayTexts(d, c.lat, c.day);
    EXPECT_EQ(Tail(t.sunrise, std::string(c.rise).size()), c.rise);
    EXPECT_EQ(Tail(t.sunset, std::string(c.set).size()), c.set);
    if (c.daylight) {
      EXPECT_EQ(t.daylight, c.daylight);
    }
  }
  const SunDay eq = SunriseDay(0, 0, 80, false);
  EXPECT_NEAR(eq.noonMinutes, 726.84, 0.01);
  EXPECT_EQ(SunDayTexts(eq, 0, 80).noon, "Solar noon ~  12 : 06");
}

TEST(SunriseDay, LongitudeChangesNoTimeBeyondRounding) {
  for (int day : {1, 80, 172, 300}) {
    const SunTexts a = SunDayTexts(SunriseDay(40, 0, day, false), 40, day);
    const SunTexts b = SunDayTexts(SunriseDay(40, 120, day, false), 40, day);
    EXPECT_EQ(a.sunrise, b.sunrise) << day;
    EXPECT_EQ(a.sunset, b.sunset) << day;
  }
}

TEST(SunriseDay, PolarDaysAndNightsGiveTheirTextsAndNoNaN) {
  const struct {
    float lat;
    int day;
    const char* sunset;
    float daylight;
  } cases[] = {
      {70, 172, "24-hour sunlight (Arctic summer) ", 24},   {70, 355, "24-hour darkness (Arctic winter) ", 0},
      {-70, 172, "24-hour darkness (Antarctic winter) ", 0}, {-70, 355, "24-hour sunlight (Antarctic summer) ", 24},
      {90, 78, "24-hour sunlight (Arctic summer) ", 24},     {90, 268, "24-hour sunlight (Arctic summer) ", 24},
      {90, 77, "24-hour darkness (Arctic winter) ", 0},      {90, 269, "24-hour darkness (Arctic winter) ", 0},
      {90, 80, "24-hour sunlight (Arctic summer) ", 24},     {95, 172, "24-hour sunlight (Arctic summer) ", 24},
      {95, 355, "24-hour darkness (Arctic winter) ", 0},     {-90, 1, "24-hour sunlight (Antarctic summer) ", 24},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.lat) + " day " + std::to_string(c.day));
    const SunDay d = SunriseDay(c.lat, 0, c.day, false);
    const SunTexts t = SunDayTexts(d, c.lat, c.day);
    EXPECT_EQ(t.sunset, c.sunset);
    EXPECT_EQ(t.sunrise, "");
    EXPECT_EQ(t.daylight, " ");
    EXPECT_EQ(t.noon, "");
    EXPECT_EQ(d.daylight, c.daylight);
  }
  // Days far outside the year and absurd latitudes still end in a number or a polar text.
  for (float lat : {0.0f, 45.0f, 89.999f, 1e6f, -1e30f}) {
    for (int day : {-40000, 0, 367, 65535, 2000000000}) {
      const SunDay d = SunriseDay(lat, 0, day, false);
      EXPECT_FALSE(std::isnan(d.daylight)) << lat << " " << day;
      const SunTexts t = SunDayTexts(d, lat, day);
      for (const std::string* s : {&t.sunrise, &t.sunset, &t.daylight, &t.noon})
        EXPECT_EQ(s->find("NaN"), std::string::npos) << *s;
    }
  }
}

TEST(AnnualSunCycle, FillsEveryDayWithPolarEntriesPinned) {
  static float table[kSunCycleDays][3];
  FillAnnualSunCycle(70, 0, table);
  EXPECT_EQ(table[172][0], 24);
  EXPECT_EQ(table[172][1], 0);
  EXPECT_EQ(table[172][2], 24);
  EXPECT_EQ(table[355][0], 0);
  EXPECT_EQ(table[355][1], 24);
  EXPECT_EQ(table[355][2], 0);
  EXPECT_EQ(table[366][1], 24);   // day 366 is filled too

  FillAnnualSunCycle(40, 0, table);
  EXPECT_NEAR(table[366][0], table[1][0], 0.05);
  // Day 0, which a day-of-year channel may hold, is the day before day 1.
  EXPECT_NEAR(table[0][0], table[365][0], 0.05);
  EXPECT_NEAR(table[0][1], table[1][1], 0.02);
  const std::string text = SunCycleSpreadsheetText(table, 40, 0, true, false);
  size_t lines = 0;
  for (char ch : text) lines += ch == '\n';
  EXPECT_EQ(lines, 2u + 366u);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.rfind("Annual sun cycle at  40 degrees N,  0 degrees E\n"
                       "Julian date\tSunrise time\tSunset time\tHours of daylight\n1\t",
                       0),
            0u);
  EXPECT_NE(text.find("\n366\t"), std::string::npos);
}

TEST(TypedPlace, MagnitudesOutsideTheirRangesAreRefusedByName) {
  const struct {
    double lat, lon;
    const char* names;   // nullptr: accepted
  } cases[] = {
      {0, 0, nullptr},           {90, 180, nullptr},        {33.5, 151.25, nullptr}, {95, 0, "latitude"},
      {90.001, 10, "latitude"},  {-1, 10, "latitude"},      {45, 181, "longitude"},  {45, -0.5, "longitude"},
      {NAN, 10, "latitude"},     {45, INFINITY, "longitude"}, {95, 200, "latitude"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.lat) + " " + std::to_string(c.lon));
    const std::string m = LocationRangeMessage(c.lat, c.lon);
    if (!c.names) {
      EXPECT_EQ(m, "");
    } else {
      EXPECT_EQ(m.rfind(std::string("The ") + c.names + " must lie between 0 and ", 0), 0u) << m;
    }
  }
}

TEST(AnnualSunCycle, IsRebuiltOnlyWhenThePlaceChanged) {
  SunCycleBuiltFor = {};
  EXPECT_TRUE(EnsureSunCycleFor(50, 10));
  EXPECT_FALSE(EnsureSunCycleFor(50, 10));
  EXPECT_TRUE(EnsureSunCycleFor(-50, 10));
  EXPECT_EQ(SunCycleBuiltFor.latitude, -50);
}

TEST(WorldMap, PointerMappingAndZoom) {
  const struct {
    int x, y;
    const char *lon, *lat;
  } cases[] = {{540, 390, " 0.00\xA1 W", " 0.00\xA1 N"},
               {0, 30, " 180.00\xA1 W", " 90.00\xA1 N"},
               {1080, 750, " 180.00\xA1 E", " 90.00\xA1 S"}};
  for (const auto& c : cases) {
    const MapPlace p = MapPlaceUnzoomed(c.x, c.y);
    EXPECT_EQ(MapLongitudeText(p), c.lon);
    EXPECT_EQ(MapLatitudeText(p), c.lat);
  }
  const plat::Point off = ZoomOffsets(300, 100);
  EXPECT_EQ(off.x, -1500);
  EXPECT_EQ(off.y, -262);
  const MapPlace z = MapPlaceZoomed(0, 30, off.x, off.y);
  const MapPlace u = MapPlaceUnzoomed(300, 100);
  EXPECT_FLOAT_EQ(z.longitude, u.longitude);
  EXPECT_EQ(z.west, u.west);
  EXPECT_GT(z.latitude, u.latitude);
  EXPECT_LT(z.latitude - u.latitude, 0.1f);
  EXPECT_EQ(ClampZoomFrame({1000, 700}), (plat::Point{900, 558}));
  EXPECT_EQ(ClampZoomFrame({-5, 0}), (plat::Point{0, 30}));
}

}  // namespace
