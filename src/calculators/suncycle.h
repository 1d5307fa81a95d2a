// Sunrise, sunset and day length by the sunrise equation, the annual table of
// dawn and dusk, its spreadsheet text, and the world map's pointer mapping.
// Pure functions over plain values, plus the location's annual table that the
// thermoregulation model reads.
#pragma once
#include <cstdint>
#include <string>

#include "platform/types.h"

// One day at one place. Times are hours of local mean solar time.
struct SunDay {
  bool hasValue = false;    // false: no sunrise or sunset at all (polar day or night)
  float rise = 0, set = 0;  // unset (NaN) without a value; the sunrise is not wrapped into 0..24
  float length = 0;         // daylight by rise and set; NaN without a value
  float daylight = 0;       // the returned daylight: 24 or 0 in the polar cases
  float noonMinutes = 0;    // solar noon, minutes of the day; NaN without a value
  bool polarText = false;   // the sunset field shows the polar text
  bool sunlight = false;    // classification of the polar text: 24-hour sunlight
};

// latitude north positive, longitude west positive, degrees; day of the year
// (any value: the equation is periodic); with daylightSaving the times are
// one hour later (a sunset past 24 h wraps, a sunrise does not). Intermediate
// results are single precision. Never loops; a place without sunrise or
// sunset (cos of the hour angle outside -1..1, or not a number) has no value.
SunDay SunriseDay(float latitude, float longitude, int32_t dayOfYear, bool daylightSaving);

// Texts of the four result fields of the calculator.
struct SunTexts {
  std::string sunrise, sunset, daylight, noon;
};
SunTexts SunDayTexts(const SunDay& d, float latitude, int32_t dayOfYear);

// ---- The annual table --------------------------------------------------------------------

inline constexpr int kSunCycleDays = 367;   // entries 0..366; day 0 is the last day of the year before
// Per day: hours of daylight, sunrise, sunset (hours).
extern float SunCycleArray[kSunCycleDays][3];
// The last sunrise and sunset computed for the calculator.
extern float JulianSunrise, JulianSunset;

// The signed place the table was last built for.
struct SunCycleOrigin {
  bool built = false;
  float latitude = 0, longitude = 0;
};
extern SunCycleOrigin SunCycleBuiltFor;

// Fills days 0..366 for the signed place: a polar day as daylight 24,
// sunrise 0, sunset 24; a polar night as 0, 24, 0.
void FillAnnualSunCycle(float latitude, float longitude, float (&table)[kSunCycleDays][3]);
// Fills SunCycleArray for the stored location (latitude, longitude) and
// remembers it.
void BuildAnnualSunCycle();
// Rebuilds SunCycleArray when it was built for another place (or never).
// True when it was rebuilt.
bool EnsureSunCycleFor(float latitude, float longitude);

// The sun-cycle spreadsheet: two header lines, then days 1..366, tab
// separated, LF line ends.
// The hemispheres follow the flags, as the dialogs show them.
std::string SunCycleSpreadsheetText(const float (&table)[kSunCycleDays][3], float latitude, float longitude,
                                    bool north, bool west);
// Title of the annual chart window.
std::string SunCycleChartTitle(float latitude, float longitude, bool north, bool west);

// ---- The typed place ----------------------------------------------------------------------

// Typed magnitudes: latitude 0..90, longitude 0..180 (not a number is
// outside; text that is not a number has already read as 0).
bool LatitudeInRange(double latitudeField);
bool LongitudeInRange(double longitudeField);
// The message refusing the first magnitude out of range; empty when both lie within.
std::string LocationRangeMessage(double latitudeField, double longitudeField);

// ---- The world map ---------------------------------------------------------------------

// Magnitudes in degrees with their hemisphere flags.
struct MapPlace {
  float longitude = 0, latitude = 0;
  bool west = true, north = true;
};
// Unzoomed map: 3 pixels a degree across from 180 W at x 0, 4 a degree down
// from 90 N at y 30.
MapPlace MapPlaceUnzoomed(int x, int y);
// Zoomed five-fold across (15 pixels a degree both ways) at offsets X0, Y0.
MapPlace MapPlaceZoomed(int x, int y, int xOffset, int yOffset);
// Offsets of the zoomed map whose chosen area has its top-left corner at (xA, yA).
plat::Point ZoomOffsets(int xA, int yA);
// The zoom frame's top-left corner kept where the enlarged area lies inside the map.
plat::Point ClampZoomFrame(plat::Point p);
inline constexpr int kZoomFrameWidth = 216, kZoomFrameHeight = 192;
// Read-out texts: "###.##" + degree sign + " W"/" E"; "##.##" + " N"/" S".
std::string MapLongitudeText(const MapPlace& p);
std::string MapLatitudeText(const MapPlace& p);
