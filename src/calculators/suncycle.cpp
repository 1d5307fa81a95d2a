#include "calculators/suncycle.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "shell/defaults.h"
#include "shell/textutil.h"

float SunCycleArray[kSunCycleDays][3] = {};
float JulianSunrise = 0, JulianSunset = 0;
SunCycleOrigin SunCycleBuiltFor;

namespace {

constexpr double kDegToRad = 0.017453292521666667;
constexpr double kRadToDeg = 57.295779507424825;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

float sinDeg(float deg) { return static_cast<float>(std::sin(deg * kDegToRad)); }

// Within the first minute after midnight: no whole hours, no whole minutes.
bool firstMinute(float t) {
  return std::trunc(t) == 0.0f && std::trunc((t - std::trunc(t)) * 60.0f) == 0.0f;
}

// Northern summer half: days 78 to 268.
bool summerHalf(int32_t day) { return day >= 78 && day <= 268; }

std::string minutesText(float minutes) {
  const float m = std::trunc(minutes);
  const std::string t = NumText(m);
  return m <= 9.0f ? " 0" + t.substr(t.size() - 1) : t;
}

// " h :mm" of a time in hours.
std::string clockParts(float hours) {
  const float h = std::trunc(hours);
  return NumText(h) + " :" + minutesText((hours - h) * 60.0f);
}

}  // namespace

SunDay SunriseDay(float latitude, float longitude, int32_t n, bool daylightSaving) {
  SunDay d;
  const float L = longitude;
  const float nStar = (static_cast<float>(n) - L / 360.0f) + 0.5f;
  const float jStar = L / 360.0f + nStar;
  const float M = static_cast<float>(std::fmod(357.5291 + 0.98560028 * jStar, 360.0));
  const float Ce = 1.9148f * sinDeg(M) + 0.02f * sinDeg(2 * M) + 0.0003f * sinDeg(3 * M);
  const float lambda = static_cast<float>(std::fmod(M + 102.9372f + Ce + 180.0f, 360.0f));
  const float corr = 0.0053f * sinDeg(M) - 0.0069f * sinDeg(2 * lambda);
  const float jTransit = jStar + corr;
  const float sinDelta = static_cast<float>(std::sin(lambda * kDegToRad) * std::sin(0.40928));
  const float delta = static_cast<float>(std::asin(sinDelta));
  const float phi = static_cast<float>(latitude * kDegToRad);
  const float cosOmega = static_cast<float>((std::sin(-0.83 * kDegToRad) - std::sin(phi) * sinDelta) /
                                            (static_cast<float>(std::cos(phi)) * static_cast<float>(std::cos(delta))));
  d.sunlight = latitude > 0 ? summerHalf(n) : !summerHalf(n);
  // Written so that NaN falls outside as well.
  if (!(cosOmega >= -1.0f && cosOmega <= 1.0f)) {
    d.hasValue = false;
    d.rise = d.set = d.length = d.noonMinutes = kNaN;
    d.polarText = true;
    d.daylight = d.sunlight ? 24.0f : 0.0f;
    return d;
  }
  d.hasValue = true;
  const float omega = static_cast<float>(std::acos(cosOmega) * kRadToDeg);
  const float jSet = (omega + L) / 360.0f + nStar + corr;
  const float jRise = jTransit - (jSet - jTransit);
  float tSet = static_cast<float>((jSet - std::nearbyint(static_cast<double>(jSet))) * 24.0);
  if (daylightSaving) tSet += 1.0f;
  if (tSet < 0) tSet += 24.0f;
  if (tSet > 24) tSet -= 24.0f;
  float tRise = static_cast<float>((jRise - std::nearbyint(static_cast<double>(jRise))) * 24.0);
  if (daylightSaving) tRise += 1.0f;
  d.rise = tRise;
  d.set = tSet;
  d.length = tRise > tSet ? 24.0f - (tRise - tSet) : tSet - tRise;
  d.noonMinutes = std::fabs(tSet - tRise) * 30.0f + tRise * 60.0f;
  d.polarText = firstMinute(tSet);
  d.daylight = d.length < 1.0f / 60.0f ? (d.sunlight ? 24.0f : 0.0f) : d.length;
  return d;
}

SunTexts SunDayTexts(const SunDay& d, float latitude, int32_t day) {
  SunTexts t;
  if (d.hasValue && !firstMinute(d.rise)) t.sunrise = "Approximate local sunrise time:  " + clockParts(d.rise);
  if (d.polarText) {
    const bool north = latitude > 0;
    const bool summer = summerHalf(day);
    if (north) t.sunset = summer ? "24-hour sunlight (Arctic summer) " : "24-hour darkness (Arctic winter) ";
    else t.sunset = summer ? "24-hour darkness (Antarctic winter) " : "24-hour sunlight (Antarctic summer) ";
  } else {
    t.sunset = "Approximate local sunset time:  " + clockParts(d.set);
  }
  if (!d.hasValue || d.length < 1.0f / 60.0f) {
    t.daylight = " ";
  } else {
    const float h = std::trunc(d.length);
    t.daylight = NumText(h) + " hours," + minutesText((d.length - h) * 60.0f) + " minutes of daylight";
  }
  if (d.hasValue && d.noonMinutes > 0) {
    const float h = std::trunc(d.noonMinutes / 60.0f);
    t.noon = "Solar noon ~ " + NumText(h) + " :" + minutesText(d.noonMinutes - h * 60.0f);
  }
  return t;
}

void FillAnnualSunCycle(float latitude, float longitude, float (&table)[kSunCycleDays][3]) {
  // Day 366 too: the last day of a leap year needs its dawn and dusk; and
  // day 0, which a day-of-year channel may hold.
  for (int32_t day = 0; day < kSunCycleDays; ++day) {
    const SunDay d = SunriseDay(latitude, longitude, day, false);
    float* e = table[day];
    e[0] = d.daylight;
    e[1] = d.rise;
    e[2] = d.set;
    if (d.daylight >= 24.0f) {
      e[1] = 0.0f;
      e[2] = 24.0f;
    } else if (d.daylight <= 0.0f) {
      e[1] = 24.0f;
      e[2] = 0.0f;
    }
  }
}

void BuildAnnualSunCycle() {
  FillAnnualSunCycle(latitude, longitude, SunCycleArray);
  SunCycleBuiltFor = {true, latitude, longitude};
}

bool EnsureSunCycleFor(float lat, float lon) {
  if (SunCycleBuiltFor.built && SunCycleBuiltFor.latitude == lat && SunCycleBuiltFor.longitude == lon) return false;
  FillAnnualSunCycle(lat, lon, SunCycleArray);
  SunCycleBuiltFor = {true, lat, lon};
  return true;
}

std::string SunCycleSpreadsheetText(const float (&table)[kSunCycleDays][3], float lat, float lon, bool north,
                                    bool west) {
  std::string s = "Annual sun cycle at " + NumText(std::fabs(lat)) + (north ? " degrees N, " : " degrees S, ") +
                  NumText(std::fabs(lon)) + (west ? " degrees W" : " degrees E") + "\n";
  s += "Julian date\tSunrise time\tSunset time\tHours of daylight\n";
  for (int day = 1; day < kSunCycleDays; ++day) {
    s += std::to_string(day) + "\t" + NumText(table[day][1]) + "\t" + NumText(table[day][2]) + "\t" +
         NumText(table[day][0]) + "\n";
  }
  return s;
}

std::string SunCycleChartTitle(float lat, float lon, bool north, bool west) {
  return "Annual sun cycle for " + NumText(std::fabs(lat)) + "\xA1 " + (north ? "N, " : "S;  ") +
         NumText(std::fabs(lon)) + "\xA1 " + (west ? "W" : "E");
}

bool LatitudeInRange(double lat) { return lat >= 0 && lat <= 90; }
bool LongitudeInRange(double lon) { return lon >= 0 && lon <= 180; }

std::string LocationRangeMessage(double lat, double lon) {
  if (!LatitudeInRange(lat))
    return "The latitude must lie between 0 and 90 degrees (North or South is set by its buttons).";
  if (!LongitudeInRange(lon))
    return "The longitude must lie between 0 and 180 degrees (West or East is set by its buttons).";
  return {};
}

MapPlace MapPlaceUnzoomed(int x, int y) {
  MapPlace p;
  const int yy = y - 30;
  p.longitude = std::fabs(180.0f - x / 3.0f);
  p.west = x <= 540;
  p.latitude = std::fabs(90.0f - yy / 4.0f);
  p.north = yy <= 360;
  return p;
}

MapPlace MapPlaceZoomed(int x, int y, int xOffset, int yOffset) {
  MapPlace p;
  const int xx = x - xOffset, yy = y - yOffset;
  float lon = std::fabs(180.0f - xx / 15.0f);
  if (lon > 180.0f) {
    lon = 180.0f - std::fabs(180.0f - lon);
    p.west = true;
  } else {
    p.west = xx <= 2699;
  }
  p.longitude = lon;
  p.latitude = std::fabs(90.0f - (yy - 30) / 15.0f);
  p.north = yy - 30 <= 1350;
  return p;
}

plat::Point ZoomOffsets(int xA, int yA) {
  return {-5 * xA, static_cast<int>(std::trunc(-3.75 * (yA - 30)))};
}

plat::Point ClampZoomFrame(plat::Point p) { return {std::clamp(p.x, 0, 900), std::clamp(p.y, 30, 558)}; }

std::string MapLongitudeText(const MapPlace& p) {
  return FormatPicture(p.longitude, "###.##") + "\xA1" + (p.west ? " W" : " E");
}

std::string MapLatitudeText(const MapPlace& p) {
  return FormatPicture(p.latitude, "##.##") + "\xA1" + (p.north ? " N" : " S");
}
