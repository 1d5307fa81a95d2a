// The sun-cycle calculator (Special menu), its annual chart and spreadsheet,
// and the world map on which a place is picked. The map and the annual chart
// also serve the thermoregulation model's location dialog.
#pragma once
#include <cstdint>

#include "calculators/worldmap.h"
#include "platform/port.h"
#include "platform/types.h"

// Window ids.
inline constexpr int16_t kCalculatorWindow = 8;
inline constexpr int16_t kSunChartWindow = 777;
inline constexpr int16_t kSunChartSheet = 779;
inline constexpr int16_t kWorldMapWindow = 778;
inline constexpr int16_t kZoomNoteWindow = 1776;

// Calculator controls (window 8).
inline constexpr int16_t kSunLatField = 101;
inline constexpr int16_t kSunNorth = 102;
inline constexpr int16_t kSunSouth = 103;
inline constexpr int16_t kSunLonField = 104;
inline constexpr int16_t kSunWest = 105;
inline constexpr int16_t kSunEast = 106;
inline constexpr int16_t kSunMapButton = 107;
inline constexpr int16_t kSunDayField = 111;      // day of the month
inline constexpr int16_t kSunDayOfYearField = 112;
inline constexpr int16_t kSunYearField = 113;
inline constexpr int16_t kSunToday = 114;
inline constexpr int16_t kSunFromFile = 115;
inline constexpr int16_t kSunDaylightSaving = 116;
inline constexpr int16_t kSunCalculate = 117;
inline constexpr int16_t kSunAnnualPlot = 118;
inline constexpr int16_t kSunWebButton = 119;
inline constexpr int16_t kSunHelp = 120;
inline constexpr int16_t kSunDone = 121;
inline constexpr int16_t kSunMonthPopup = 140;    // menu 140, the months
inline constexpr int16_t kSunRiseText = 131;
inline constexpr int16_t kSunSetText = 132;
inline constexpr int16_t kSunDaylightText = 133;
inline constexpr int16_t kSunNoonText = 134;
// Annual chart (window 777).
inline constexpr int16_t kSunPrintButton = 1;
// World map (window 778).
inline constexpr int16_t kMapZoomIn = 1;
inline constexpr int16_t kMapZoomOut = 2;
inline constexpr int16_t kMapHelp = 3;
inline constexpr int16_t kMapDone = 4;
inline constexpr int16_t kMapCancelZoom = 5;
inline constexpr int16_t kMapLongitudeReadout = 11;
inline constexpr int16_t kMapLatitudeReadout = 12;
inline constexpr int16_t kMapSelectedReadout = 13;

// Presets shown where no location is stored.
inline constexpr const char* kDefaultLatitudeText = "34.05";
inline constexpr const char* kDefaultLongitudeText = "118.25";
// The public sun-data page of the calculator's web button.
inline constexpr const char* kSunDataUrl = "https://aa.usno.navy.mil/data/RS_OneDay";

// The calculator: Special menu "Sun Cycle Calculator".
void Sunrise();
// One day at the stored location; with show = 1 writes the four result texts
// into window 8. Sets JulianSunrise and JulianSunset. Returns the daylight.
float SunriseCalc(uint16_t show, uint16_t dayOfYear, uint16_t daylightSaving);
// Opens the annual chart window with its axes, legend and print button, and
// the "calculating..." sheet.
void SunCycleWindow();
// Draws SunCycleArray into the chart, closes the sheet and runs the chart's
// loop until its close box or the activation of another window.
void SunCyclePlot();
void SunCycleGrids();
// Asks for a file and writes the annual table; a cancelled dialog writes nothing.
void PrintSunCycleToSpreadsheet();
// The world map dialog. A selection followed by "Done" leaves the place's
// magnitudes in latitude and longitude and its flags in northLatitude and
// westLongitude; without a selection, or by the close box, all four stay.
// Then window returnWindow comes back. True when a place was stored.
bool GetMapCoordinates(int16_t returnWindow);
void buildWorldMapWindow(uint16_t zoomed, int16_t xOffset, int16_t yOffset);
// The land of the map in frame f, sea and land in two calm colours with a
// crisp coast, within `area` of port p. False, with nothing drawn, when the
// land outlines could not be read.
bool DrawWorldLand(plat::Port& p, const MapFrame& f, plat::Rect area);
// Reads the land from this file instead of the resource folder's (empty:
// the resource folder's again), as a test of a damaged file does.
void UseLandFileForTest(const std::filesystem::path& file);
inline constexpr plat::Rgb16 kMapSea{0xB4B4, 0xD0D0, 0xE4E4};
inline constexpr plat::Rgb16 kMapLand{0xE8E8, 0xE2E2, 0xC8C8};
inline constexpr plat::Rgb16 kMapCoast{0x6C6C, 0x7878, 0x6060};
void drawStandardMeridians();
void drawEnlargedMeridians(int16_t xOffset, int16_t yOffset);
// Rubber-band choice of the area to enlarge: 1 cancelled, 0 chosen (*xA, *yA).
int16_t FindZoomArea(int16_t* xA, int16_t* yA);

// Registers Special "Sun Cycle Calculator".
void RegisterSunCycleCommands();
