#include "calculators/ui/suncycle.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#include "calculators/conversions.h"
#include "calculators/fieldcheck.h"
#include "calculators/suncycle.h"
#include "calculators/worldmap.h"
#include "shell/safewrite.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/menus.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"

namespace {

constexpr plat::Rect kCalculatorRect{40, 100, 640, 555};
constexpr int kChartLeft = 70, kChartTop = 30, kChartRight = 618, kChartBottom = 320;

// ---- Small builders ------------------------------------------------------------------------

void addPush(int win, int16_t id, const std::string& title, plat::Rect r, int state = 1,
             plat::ButtonKind kind = plat::ButtonKind::Push) {
  AddKitButton(win, id, kind, title, r, state);
}

void addStatic(int win, int16_t id, const std::string& text, plat::Rect r, int size = 12, bool bold = false,
               plat::Rgb16 fore = kBlack) {
  AddPlainLabel(win, id, text, r, size, bold, fore);
}

void addEdit(int win, int16_t id, const std::string& text, plat::Rect r) {
  AddTextField(win, id, text, r, plat::FieldKind::Editable, kBlack, lightBlue);
}

void addResult(int win, int16_t id, plat::Rect r) {
  plat::FieldSpec f;
  f.id = id;
  f.r = r;
  f.kind = plat::FieldKind::Static;
  f.back = manila;
  f.font.pixelSize = 12;
  f.font.bold = true;
  plat::addField(win, f);
}

void markPair(int win, int16_t on, int16_t off) {
  plat::setButtonState(win, on, 2);
  plat::setButtonState(win, off, 1);
}

double fieldValue(int win, int16_t id) { return TextToNum(plat::fieldText(win, id)); }

// A typed day of the year as the equation takes it: whole, within 16 bits.
int32_t typedDay(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int32_t>(std::trunc(std::clamp(v, 0.0, 65535.0)));
}

void defineMonthMenu() {
  if (plat::menuDefined(kSunMonthPopup)) return;
  static const char* const names[] = {"January", "February", "March",     "April",   "May",      "June",
                                      "July",    "August",   "September", "October", "November", "December"};
  std::vector<plat::MenuItemSpec> items;
  for (const char* n : names) items.push_back({n});
  plat::defineMenu(kSunMonthPopup, "Month", items);
}

// ---- The calculator's date fields ------------------------------------------------------------

struct DateParts {
  int month = 1;
  std::string day, year;
};

std::string todayText() {
  const std::time_t t = std::chrono::system_clock::to_time_t(plat::now());
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", tm.tm_mon + 1, tm.tm_mday, (tm.tm_year % 100 + 100) % 100);
  return buf;
}

int leadingNumber(const std::string& s, size_t n) {
  return static_cast<int>(TextToNum(s.substr(0, std::min(n, s.size()))));
}

// The two date buttons: day from characters 4 and 5, "20" and the last two
// characters for the year, the month from the first two (1 outside 1..12).
DateParts datePartsOf(const std::string& text) {
  DateParts d;
  d.month = leadingNumber(text, 2);
  if (d.month < 1 || d.month > 12) d.month = 1;
  d.day = text.size() >= 5 ? text.substr(3, 2) : "";
  d.year = "20" + (text.size() >= 2 ? text.substr(text.size() - 2) : std::string());
  return d;
}

// The date the dialog opens with: the file's start date, or today.
DateParts startDate() {
  const std::string today = todayText();
  const auto slot = static_cast<int16_t>(TheFileInUse);
  const bool file = ValidFileSlot(slot) && SlotHoldsFile(slot);
  const std::string s = file ? StartDate[slot] : today;
  DateParts d;
  d.month = leadingNumber(s, 2);
  if (d.month == 0) d.month = leadingNumber(today, 2);
  if (d.month < 1 || d.month > 12) d.month = 1;
  d.day = s.size() >= 5 ? s.substr(3, 2) : "";
  if (TrimTrailingBlanks(d.day).empty()) d.day = today.substr(3, 2);
  d.year = s.size() >= 4 && file ? s.substr(s.size() - 4) : "";
  if (TrimTrailingBlanks(d.year).empty()) d.year = "20" + today.substr(today.size() - 2);
  return d;
}

// The day-of-year calculator's rule, Gregorian leap years included.
int32_t dayOfYearFromDate(int month, double day, double year) {
  return typedDay(DayOfYearOfTypedDate(day, static_cast<int16_t>(month), year));
}

struct Calculator {
  bool calculated = false;
  int32_t lastDay = 0;
  uint16_t dst = 0;
  std::string dateKey;   // month, day and year when the day of the year was last derived

  std::string currentDateKey() const {
    return std::to_string(plat::popupValue(kCalculatorWindow, kSunMonthPopup)) + "|" +
           plat::fieldText(kCalculatorWindow, kSunDayField) + "|" + plat::fieldText(kCalculatorWindow, kSunYearField);
  }
  void deriveDayOfYear() {
    const int month = plat::popupValue(kCalculatorWindow, kSunMonthPopup);
    const int32_t doy = dayOfYearFromDate(month, fieldValue(kCalculatorWindow, kSunDayField),
                                          fieldValue(kCalculatorWindow, kSunYearField));
    const std::string text = FieldNumText(static_cast<double>(doy));
    if (typedDay(fieldValue(kCalculatorWindow, kSunDayOfYearField)) != doy ||
        plat::fieldText(kCalculatorWindow, kSunDayOfYearField).empty())
      plat::setFieldText(kCalculatorWindow, kSunDayOfYearField, text);
    dateKey = currentDateKey();
  }
  void setDate(const DateParts& d) {
    plat::setPopupValue(kCalculatorWindow, kSunMonthPopup, d.month);
    plat::setFieldText(kCalculatorWindow, kSunDayField, d.day);
    plat::setFieldText(kCalculatorWindow, kSunYearField, d.year);
    deriveDayOfYear();
  }
};

// A refused calculation: the day's results are blanked, so that no earlier
// day's stand beside the refused value, then the alert, then the field to correct.
void refuse(const std::string& message, int16_t field) {
  for (const int16_t id : {kSunRiseText, kSunSetText, kSunDaylightText, kSunNoonText})
    plat::setFieldText(kCalculatorWindow, id, "");
  ShowAlert(message);
  plat::focusField(kCalculatorWindow, field, true);
}

// The typed magnitudes within 0..90 and 0..180, or an alert and the field to correct.
bool placeInRange() {
  const double lat = fieldValue(kCalculatorWindow, kSunLatField), lon = fieldValue(kCalculatorWindow, kSunLonField);
  const std::string message = LocationRangeMessage(lat, lon);
  if (message.empty()) return true;
  refuse(message, LatitudeInRange(lat) ? kSunLonField : kSunLatField);
  return false;
}

void storeSignedLocation() {
  latitude = static_cast<float>(fieldValue(kCalculatorWindow, kSunLatField));
  if (plat::buttonState(kCalculatorWindow, kSunSouth) == 2) latitude = -latitude;
  longitude = static_cast<float>(fieldValue(kCalculatorWindow, kSunLonField));
  if (plat::buttonState(kCalculatorWindow, kSunEast) == 2) longitude = -longitude;
}

void calculate(Calculator& c) {
  // A day of the year typed since the date was last used wins over the date.
  if (c.currentDateKey() != c.dateKey) {
    const CheckedResult date = CheckedDayOfMonth(fieldValue(kCalculatorWindow, kSunDayField),
                                                 static_cast<int16_t>(plat::popupValue(kCalculatorWindow, kSunMonthPopup)),
                                                 fieldValue(kCalculatorWindow, kSunYearField));
    if (!date.ok()) {
      refuse(RefusalText(date), kSunDayField);
      return;
    }
    c.deriveDayOfYear();
  }
  const CheckedResult typed = CheckedDayOfYear(fieldValue(kCalculatorWindow, kSunDayOfYearField));
  if (!typed.ok()) {
    refuse(RefusalText(typed), kSunDayOfYearField);
    return;
  }
  const auto day = static_cast<int32_t>(typed.value);
  if (!placeInRange()) return;
  storeSignedLocation();
  SunriseCalc(1, static_cast<uint16_t>(day), c.dst);
  c.calculated = true;
  c.lastDay = day;
}

void buildCalculator() {
  const int w = kCalculatorWindow;
  BuildWINDOW(0, w, "Sun Cycle Calculator", kCalculatorRect.left, kCalculatorRect.top, kCalculatorRect.right,
              kCalculatorRect.bottom, kKindDocument, 1);
  // The platform's faces set their text lower in a field than the fonts
  // these rectangles were laid out for: room below keeps the descenders.
  addStatic(w, 201, "Sunrise, Sunset, and Day Length", {20, 6, 580, 36}, 20, true);
  addStatic(w, 202, "Enter location and date and click 'Calculate':", {20, 40, 580, 58});
  addStatic(w, 203, "Latitude in degrees (0 - 90) ", {20, 66, 210, 86});
  addEdit(w, kSunLatField, latitude != 0 ? FieldNumText(std::fabs(latitude)) : kDefaultLatitudeText,
          {212, 66, 290, 86});
  addPush(w, kSunNorth, "North", {300, 67, 370, 85}, northLatitude ? 2 : 1, plat::ButtonKind::Radio);
  addPush(w, kSunSouth, "South", {375, 67, 445, 85}, northLatitude ? 1 : 2, plat::ButtonKind::Radio);
  addStatic(w, 204, "Longitude in degrees (0 - 180) ", {20, 94, 210, 114});
  addEdit(w, kSunLonField, longitude != 0 ? FieldNumText(std::fabs(longitude)) : kDefaultLongitudeText,
          {212, 94, 290, 114});
  addPush(w, kSunWest, "West", {300, 95, 370, 113}, westLongitude ? 2 : 1, plat::ButtonKind::Radio);
  addPush(w, kSunEast, "East", {375, 95, 445, 113}, westLongitude ? 1 : 2, plat::ButtonKind::Radio);
  addPush(w, kSunMapButton, "Get Latitude and Longitude From World Map", {20, 122, 330, 144});
  DoubleLINE(10, 590, 154);
  addStatic(w, 205, "Enter either the day of the year OR the date:", {20, 160, 580, 180});
  addStatic(w, 206, "Day of the year:", {20, 186, 130, 206});
  addEdit(w, kSunDayOfYearField, "", {132, 186, 182, 206});
  plat::addPopup(w, kSunMonthPopup, kSunMonthPopup, 1, {200, 185, 320, 207});
  addEdit(w, kSunDayField, "", {326, 186, 360, 206});
  addEdit(w, kSunYearField, "", {366, 186, 420, 206});
  addPush(w, kSunToday, "Use Today's Date", {20, 216, 170, 238});
  const auto slot = static_cast<int16_t>(TheFileInUse);
  addPush(w, kSunFromFile, "Use Date From File", {176, 216, 326, 238}, ValidFileSlot(slot) && SlotHoldsFile(slot) ? 1 : 0);
  addPush(w, kSunDaylightSaving, "Daylight Savings Time", {340, 218, 540, 236}, 1, plat::ButtonKind::CheckBox);
  DoubleLINE(10, 590, 248);
  addPush(w, kSunCalculate, "Calculate", {20, 258, 130, 282}, 1, plat::ButtonKind::DefaultPush);
  addPush(w, kSunAnnualPlot, "Annual Plot", {140, 258, 250, 282});
  addPush(w, kSunWebButton, "US Naval Observatory Website\xC9", {260, 258, 480, 282});
  addResult(w, kSunRiseText, {20, 296, 580, 316});
  addResult(w, kSunSetText, {20, 322, 580, 342});
  addResult(w, kSunDaylightText, {20, 348, 580, 368});
  addResult(w, kSunNoonText, {20, 374, 580, 394});
  addPush(w, kSunHelp, "?", {20, 412, 50, 436});
  addPush(w, kSunDone, "Done", {490, 412, 580, 436});
}

// ---- Annual chart ----------------------------------------------------------------------------

int chartX(int day) { return static_cast<int>(std::trunc(1.5 * day + 70)); }
int chartY(float hours) { return static_cast<int>(std::trunc(320 - 12.083 * hours)); }

void legend(plat::Port& p) {
  p.resetPen();
  p.setTextSize(11);
  p.setForeColor(ToolBarBlueGray);
  p.fillRect({330, 348, 342, 360});
  p.setForeColor(kBlack);
  p.moveTo(344, 358);
  p.drawText(" = Night ");
  p.setForeColor(rgbyellow);
  p.fillRect({400, 348, 412, 360});
  p.setForeColor(ToolBarBlueGray);
  p.strokeRect({400, 348, 412, 360});
  p.setForeColor(kBlack);
  p.moveTo(416, 358);
  p.drawText("= Day");
  p.setForeColor(OldStyleColour(6));
  p.moveTo(460, 358);
  p.drawText("Sunrise time        ");
  p.setForeColor(OldStyleColour(4));
  p.drawText("Sunset time");
  p.setForeColor(kBlack);
}

// Reinstates the calling dialog's handlers and mailbox around a nested loop.
struct MailboxKeep {
  int16_t a = action, e = eventID;
  ~MailboxKeep() {
    action = a;
    eventID = e;
  }
};

}  // namespace

// ---- The calculation ---------------------------------------------------------------------

float SunriseCalc(uint16_t show, uint16_t dayOfYear, uint16_t daylightSaving) {
  const SunDay d = SunriseDay(latitude, longitude, dayOfYear, daylightSaving != 0);
  JulianSunrise = d.rise;
  JulianSunset = d.set;
  if (show == 1 && plat::windowExists(kCalculatorWindow)) {
    const SunTexts t = SunDayTexts(d, latitude, dayOfYear);
    plat::setFieldText(kCalculatorWindow, kSunRiseText, t.sunrise);
    plat::setFieldText(kCalculatorWindow, kSunSetText, t.sunset);
    plat::setFieldText(kCalculatorWindow, kSunDaylightText, t.daylight);
    plat::setFieldText(kCalculatorWindow, kSunNoonText, t.noon);
  }
  return d.daylight;
}

// ---- Annual chart --------------------------------------------------------------------------

void SunCycleGrids() {
  if (!plat::windowExists(kSunChartWindow)) return;
  plat::Port& p = plat::port(kSunChartWindow);
  p.resetPen();
  p.setForeColor(gray);
  for (int h = 1; h <= 24; ++h) {
    const int y = static_cast<int>(std::trunc(12.08333 * h + 30));
    p.moveTo(kChartLeft, y);
    p.lineTo(kChartRight, y);
  }
  const int width = plat::contentSize(kSunChartWindow).w;
  for (int x = 112; x < std::min(width, kChartRight); x += 45) {
    p.moveTo(x, kChartTop);
    p.lineTo(x, kChartBottom);
  }
  p.setForeColor(kBlack);
  p.strokeRect({kChartLeft, kChartTop, kChartRight + 1, kChartBottom + 1});
}

void SunCycleWindow() {
  const int w = kSunChartWindow;
  BuildWINDOW(0, w, SunCycleChartTitle(latitude, longitude, northLatitude != 0, westLongitude != 0), 660, 100,
              660 + 635, 100 + 373, kKindDocument, 1);
  plat::port(w).clearRect({0, 0, 635, 373});
  addPush(w, kSunPrintButton, "Print Data to Spreadsheet", {70, 340, 260, 364});
  SunCycleGrids();
  plat::Port& p = plat::port(w);
  p.setTextSize(10);
  for (int h = 24; h >= 0; h -= 2) {
    const int bottom = static_cast<int>(std::trunc(326 - 12.083 * h));
    const std::string t = std::to_string(h);
    p.moveTo(64 - p.textWidth(t), bottom - 2);
    p.drawText(t);
  }
  for (int day = 0; day <= 360; day += 30) {
    const std::string t = day == 0 ? "1" : std::to_string(day);
    p.moveTo(chartX(day) - p.textWidth(t) / 2, 332);
    p.drawText(t);
  }
  p.setTextSize(11);
  p.moveTo(300, 346);
  p.moveTo(kChartRight - 80, 346);
  p.drawText("Day of Year");
  const char* stack[] = {"Time", "of", "Day"};
  for (int i = 0; i < 3; ++i) {
    p.moveTo(8, 160 + 14 * i);
    p.drawText(stack[i]);
  }
  legend(p);
  plat::flushWindow(w);
  // The sheet says the year is being computed.
  plat::WindowSpec s;
  s.id = kSunChartSheet;
  s.cls = plat::WindowClass::Sheet;
  s.parent = w;
  s.closeBox = false;
  s.content = {760, 220, 1160, 300};
  s.background = rgbyellow;
  plat::createWindow(s);
  plat::Port& sp = plat::port(kSunChartSheet);
  sp.setTextSize(48);
  sp.moveTo(20, 58);
  sp.drawText("calculating...");
  plat::flushWindow(kSunChartSheet);
}

void SunCyclePlot() {
  const int w = kSunChartWindow;
  if (!plat::windowExists(w)) return;
  plat::Port& p = plat::port(w);
  p.resetPen();
  p.setForeColor(ToolBarBlueGray);
  p.fillRect({kChartLeft, kChartTop, kChartRight, kChartBottom});
  auto clampRise = [](int y) { return y < 30 ? 318 : y; };
  auto clampSet = [](int y) { return y < 30 ? 31 : y; };
  p.setForeColor(rgbyellow);
  for (int day = 1; day <= 365; ++day) {
    if (SunCycleArray[day][0] == 0) continue;
    const int x = chartX(day);
    const int y1 = clampRise(chartY(SunCycleArray[day][1]));
    const int y2 = clampSet(chartY(SunCycleArray[day][2]));
    p.fillRect({x - 1, std::min(y1, y2), x + 2, std::max(y1, y2) + 1});
  }
  SunCycleGrids();
  for (int day = 1; day <= 365; ++day) {
    if (SunCycleArray[day][0] == 0) continue;
    const int x = chartX(day);
    const int y1 = clampRise(chartY(SunCycleArray[day][1]));
    const int y2 = clampSet(chartY(SunCycleArray[day][2]));
    p.setForeColor(OldStyleColour(6));
    p.fillOval({x - 1, y1 - 1, x + 2, y1 + 2});
    p.setForeColor(OldStyleColour(4));
    p.fillOval({x - 1, y2 - 1, x + 2, y2 + 2});
  }
  p.setForeColor(kBlack);
  plat::disposeWindow(kSunChartSheet);
  plat::flushWindow(w);

  HandlerScope keep;
  MailboxKeep mail;
  InstallDialogHandlers();
  ClearMailbox();
  for (;;) {
    plat::pump();
    if (action == kActionClick && eventID == kSunPrintButton) {
      ClearMailbox();
      PrintSunCycleToSpreadsheet();
    } else if (action == kActionClose && eventID == w) {
      plat::disposeWindow(w);
      break;
    } else if (action == kActionActivate && eventID != w) {
      // The chart stays on screen, no longer printable.
      plat::setButtonState(w, kSunPrintButton, 0);
      plat::selectWindow(eventID);
      break;
    }
    ClearMailbox();
  }
  ClearMailbox();
}

void PrintSunCycleToSpreadsheet() {
  static const plat::FileKind kind{{'X', 'C', 'E', 'L'}, {'?', '?', '?', '?'}, "Spreadsheet text", {"xls"}};
  const std::optional<std::filesystem::path> path =
      plat::askSaveFile("File for sun cycle data:", "Sun cycle data.xls", kind);
  if (!path) return;
  const std::string text = SunCycleSpreadsheetText(SunCycleArray, latitude, longitude, northLatitude != 0, westLongitude != 0);
  SafeFileWriter out;
  if (!(out.open(*path) && out.write(text.data(), text.size()) && out.commit())) {
    HandleFileError(*path, out.error() ? out.error() : EIO);
    return;
  }
  plat::tagFile(*path, kind);
}

// ---- World map ---------------------------------------------------------------------------

namespace {

struct MapState {
  bool zoomed = false;
  int16_t x0 = 0, y0 = 0;
  bool shown = false;        // a place was shown under the pointer
  MapPlace shownPlace;
  bool selected = false;
  MapPlace selection;
  plat::Point lastPointer{-1, -1};
};

void patternedLine(plat::Port& p, plat::Rgb16 colour, int x1, int y1, int x2, int y2, bool xorMode = false) {
  p.resetPen();
  p.setForeColor(colour);
  p.setPenSize(1, 1);
  p.setPenPattern(plat::patterns::gray50);
  if (xorMode) p.setPenMode(plat::PenMode::Xor);
  p.moveTo(x1, y1);
  p.lineTo(x2, y2);
  p.resetPen();
}

void solidLine(plat::Port& p, plat::Rgb16 colour, int x1, int y1, int x2, int y2) {
  p.resetPen();
  p.setForeColor(colour);
  p.moveTo(x1, y1);
  p.lineTo(x2, y2);
}

// Without the picture: a plain ocean with a labelled 30-degree graticule,
// so the map still reads.
void drawFallbackMap(plat::Port& p, plat::Rect frame) {
  p.resetPen();
  p.setForeColor({0x9C9C, 0xC4C4, 0xE2E2});
  p.fillRect(frame);
  const double pxPerLon = frame.width() / 375.0, pxPerLat = frame.height() / 180.0;
  p.setTextSize(10);
  for (int lon = 0; lon <= 375; lon += 30) {
    const int x = frame.left + static_cast<int>(lon * pxPerLon);
    if (x < -40 || x > 1120) continue;
    p.setForeColor({0x7070, 0x9090, 0xB0B0});
    p.moveTo(x, std::max(frame.top, 30));
    p.lineTo(x, frame.bottom);
    const int deg = lon - 180 > 180 ? lon - 540 : lon - 180;   // east of 180 E the map repeats the west
    p.setForeColor({0x3030, 0x4848, 0x6868});
    p.moveTo(x + 3, std::max(frame.top, 30) + 12);
    p.drawText(std::to_string(std::abs(deg)) + (deg < 0 ? "\xA1" "W" : deg > 0 ? "\xA1" "E" : "\xA1"));
  }
  for (int lat = 0; lat <= 180; lat += 30) {
    const int y = frame.top + static_cast<int>(lat * pxPerLat);
    if (y < 30 || y > 760) continue;
    p.setForeColor({0x7070, 0x9090, 0xB0B0});
    p.moveTo(frame.left, y);
    p.lineTo(frame.right, y);
    const int deg = 90 - lat;
    p.setForeColor({0x3030, 0x4848, 0x6868});
    p.moveTo(std::max(frame.left, 0) + 3, y - 3);
    p.drawText(std::to_string(std::abs(deg)) + (deg > 0 ? "\xA1" "N" : deg < 0 ? "\xA1" "S" : "\xA1"));
  }
  p.resetPen();
  p.setForeColor(kBlack);
}

std::filesystem::path gLandFileForTest;

// Read once for each file asked for.
const LandOutlines* landOutlines() {
  static LandOutlines land;
  static std::filesystem::path readFrom;
  static bool loaded = false;
  const std::filesystem::path file =
      gLandFileForTest.empty() ? plat::resourceDir() / "map" / "land.bin" : gLandFileForTest;
  if (file != readFrom) {
    land = LandOutlines{};
    loaded = LoadLandOutlines(file, &land);
    readFrom = file;
  }
  return loaded ? &land : nullptr;
}

void showMapButtons(bool zooming, bool zoomed) {
  const int w = kWorldMapWindow;
  plat::showControl(w, kMapHelp, !zooming);
  plat::showControl(w, kMapDone, !zooming);
  plat::showControl(w, kMapCancelZoom, zooming);
  plat::setButtonState(w, kMapZoomIn, zoomed || zooming ? 0 : 1);
  plat::setButtonState(w, kMapZoomOut, zoomed || zooming ? 1 : 0);
}

void buildMapStrip() {
  const int w = kWorldMapWindow;
  addStatic(w, 21, "Longitude:", {4, 5, 70, 24});
  addStatic(w, kMapLongitudeReadout, "", {72, 5, 170, 24}, 12, true);
  addStatic(w, 22, "Latitude:", {176, 5, 236, 24});
  addStatic(w, kMapLatitudeReadout, "", {238, 5, 330, 24}, 12, true);
  addStatic(w, 23, "Selected position:", {336, 5, 450, 24});
  addStatic(w, kMapSelectedReadout, "", {452, 5, 650, 24}, 12, true, OldStyleColour(4));
  addPush(w, kMapZoomIn, "Zoom in X5", {660, 3, 760, 26});
  addPush(w, kMapZoomOut, "Zoom out", {766, 3, 856, 26}, 0);
  addPush(w, kMapHelp, "?", {870, 3, 900, 26});
  addPush(w, kMapDone, "Done", {990, 3, 1070, 26});
  addPush(w, kMapCancelZoom, "Cancel Zoom", {950, 3, 1070, 26});
  plat::showControl(w, kMapCancelZoom, false);
}

void updateReadouts(MapState& s, plat::Point pt) {
  s.lastPointer = pt;
  const bool inside = pt.x >= 0 && pt.x <= 1081 && pt.y >= 30 && pt.y <= 750;
  plat::setCursor(inside ? plat::CursorKind::Cross : plat::CursorKind::Arrow);
  if (!inside) return;
  s.shownPlace = s.zoomed ? MapPlaceZoomed(pt.x, pt.y, s.x0, s.y0) : MapPlaceUnzoomed(pt.x, pt.y);
  s.shown = true;
  plat::setFieldText(kWorldMapWindow, kMapLongitudeReadout, MapLongitudeText(s.shownPlace));
  plat::setFieldText(kWorldMapWindow, kMapLatitudeReadout, MapLatitudeText(s.shownPlace));
}

void selectShown(MapState& s) {
  if (!s.shown) return;
  s.selected = true;
  s.selection = s.shownPlace;
  northLatitude = s.selection.north ? 1 : 0;
  westLongitude = s.selection.west ? 1 : 0;
  plat::setFieldText(kWorldMapWindow, kMapSelectedReadout,
                     "  " + MapLatitudeText(s.selection) + ", " + MapLongitudeText(s.selection));
}

bool isSelectionKey() {
  return action == kActionSpace || (action == kActionKey && (eventID == 13 || eventID == 3 || eventID == 32));
}

}  // namespace

void UseLandFileForTest(const std::filesystem::path& file) { gLandFileForTest = file; }

bool DrawWorldLand(plat::Port& p, const MapFrame& f, plat::Rect area) {
  const LandOutlines* land = landOutlines();
  if (!land) return false;
  p.resetPen();
  p.setClip(area);
  p.setForeColor(kMapSea);
  p.fillRect(area);
  const std::vector<ProjectedRing> rings = ProjectLand(*land, f, area);
  // Lakes last, so that the land round them does not cover them.
  for (const bool lakes : {false, true}) {
    p.setForeColor(lakes ? kMapSea : kMapLand);
    for (const ProjectedRing& r : rings)
      if (r.lake == lakes) p.fillPolygon(r.polygon);
  }
  p.setForeColor(kMapCoast);
  for (const ProjectedRing& r : rings)
    if (!r.coast.empty()) p.drawSegments(r.coast.data(), r.coast.size() / 2);
  p.clearClip();
  p.resetPen();
  return true;
}

void drawStandardMeridians() {
  plat::Port& p = plat::port(kWorldMapWindow);
  const plat::Rgb16 yellow = OldStyleColour(1), blue = OldStyleColour(4);
  solidLine(p, yellow, 0, 390, 1080, 390);
  patternedLine(p, yellow, 540, 30, 540, 740);
  patternedLine(p, blue, 0, 123, 1080, 123);
  patternedLine(p, blue, 0, 656, 1080, 656);
  patternedLine(p, blue, 0, 296, 1080, 296, true);
  patternedLine(p, blue, 0, 484, 1080, 484, true);
  p.resetPen();
}

void drawEnlargedMeridians(int16_t x0, int16_t y0) {
  plat::Port& p = plat::port(kWorldMapWindow);
  const plat::Rgb16 yellow = OldStyleColour(1), blue = OldStyleColour(4);
  auto horizontal = [&](int y, plat::Rgb16 c, bool patterned, bool xorMode) {
    if (y < 30) return;
    if (patterned) patternedLine(p, c, 0, y, 1080, y, xorMode);
    else solidLine(p, c, 0, y, 1080, y);
  };
  horizontal(y0 + 1380, yellow, false, false);
  patternedLine(p, yellow, x0 + 2700, 30, x0 + 2700, 740);
  patternedLine(p, yellow, x0 + 5400, 30, x0 + 5400, 740);
  horizontal(y0 + 382, blue, true, false);
  horizontal(y0 + 2378, blue, true, false);
  horizontal(y0 + 1028, blue, true, true);
  horizontal(y0 + 1732, blue, true, true);
  p.resetPen();
}

void buildWorldMapWindow(uint16_t zoomed, int16_t xOffset, int16_t yOffset) {
  const int w = kWorldMapWindow;
  if (!plat::windowExists(w)) {
    plat::WindowSpec spec;
    spec.id = w;
    spec.title = "World map, Mercator projection         Click to select a position; hit <return> or <spacebar> to zoom in";
    spec.content = {20, 60, 20 + 1080, 60 + 750};
    spec.background = kWhite;
    spec.acceptsFirstClick = true;
    plat::createWindow(spec);
    buildMapStrip();
  }
  plat::Port& p = plat::port(w);
  p.resetPen();
  p.setForeColor(rgbyellow);
  p.fillRect({300, 330, 780, 420});
  p.setForeColor(kBlack);
  p.strokeRect({300, 330, 780, 420});
  p.setTextSize(48);
  p.moveTo(320, 392);
  p.drawText("  Loading map...  ");
  p.setTextSize(12);
  plat::flushWindow(w);
  // Drawn once per view: pointer moves only rewrite the read-outs.
  const MapFrame f = zoomed ? ZoomedMapFrame(xOffset, yOffset) : UnzoomedMapFrame();
  if (!DrawWorldLand(p, f, {0, 30, 1080, 750})) {
    const plat::Rect frame = zoomed ? plat::Rect{xOffset, yOffset + 30, xOffset + 5624, yOffset + 30 + 2700}
                                    : plat::Rect{0, 30, 1125, 750};
    p.setClip({0, 30, 1080, 750});
    drawFallbackMap(p, frame);
    p.clearClip();
    // The user is told why the map shows no land.
    p.setForeColor(rgbyellow);
    p.fillRect({230, 720, 850, 746});
    p.setForeColor(kBlack);
    p.setTextSize(12);
    p.moveTo(240, 738);
    p.drawText("The land outlines (map/land.bin) could not be read: the map shows its grid only.");
  }
  if (zoomed) drawEnlargedMeridians(xOffset, yOffset);
  else drawStandardMeridians();
  plat::flushWindow(w);
}

int16_t FindZoomArea(int16_t* xA, int16_t* yA) {
  const int w = kWorldMapWindow;
  plat::WindowSpec note;
  note.id = kZoomNoteWindow;
  note.cls = plat::WindowClass::Floating;
  note.closeBox = false;
  const plat::Rect mapRect = plat::contentRect(w);
  note.content = {mapRect.left + 300, mapRect.top + 40, mapRect.left + 700, mapRect.top + 66};
  note.background = rgbyellow;
  plat::createWindow(note);
  addStatic(kZoomNoteWindow, 1, "Hit  the spacebar or <return> key to select an area", {8, 5, 392, 21}, 12, true);
  plat::selectWindow(w);
  showMapButtons(true, false);

  plat::Port& p = plat::port(w);
  bool drawn = false;
  plat::Point frame{};
  auto xorFrame = [&](plat::Point at) {
    p.resetPen();
    p.setPenSize(2, 2);
    p.setPenMode(plat::PenMode::Xor);
    p.strokeRect({at.x, at.y, at.x + kZoomFrameWidth, at.y + kZoomFrameHeight});
    p.resetPen();
    plat::flushWindow(w);
  };
  int16_t result = 1;
  ClearMailbox();
  for (;;) {
    if (!plat::pump(20) || !drawn) {
      const plat::Point at = ClampZoomFrame(plat::pointerLocal(w));
      if (!drawn || !(at == frame)) {
        if (drawn) xorFrame(frame);
        frame = at;
        xorFrame(frame);
        drawn = true;
      }
    }
    if (action == kActionKey || action == kActionSpace) {
      result = 0;
      break;
    }
    if (action == kActionClick && eventID == kMapCancelZoom) break;
    if (action == kActionClose && eventID == w) break;
    ClearMailbox();
  }
  // Drawing the frame again erases it exactly.
  if (drawn) xorFrame(frame);
  const bool closing = action == kActionClose;
  ClearMailbox();
  plat::disposeWindow(kZoomNoteWindow);
  showMapButtons(false, false);
  *xA = static_cast<int16_t>(frame.x);
  *yA = static_cast<int16_t>(frame.y);
  if (closing) action = kActionClose, eventID = static_cast<int16_t>(w);
  return result;
}

bool GetMapCoordinates(int16_t returnWindow) {
  HandlerScope keep;
  MailboxKeep mail;
  const bool calculator = returnWindow == kCalculatorWindow && plat::windowExists(kCalculatorWindow);
  if (calculator) plat::showWindow(kCalculatorWindow, false);
  plat::disposeWindow(kWorldMapWindow);
  MapState s;
  const uint16_t entryNorth = northLatitude, entryWest = westLongitude;
  buildWorldMapWindow(0, 0, 0);

  bool done = false, stored = false;
  auto& h = plat::handlers();
  h.menu = KILLSCRIPT_for_Help;
  h.dialog = DoDIALOG;
  h.editKey = CHECKRETURN;
  bool pressed = false;
  plat::Point pressedAt;   // the pointer may have moved on since
  h.mouse = [&pressed, &pressedAt](const plat::Event& e) {
    if (e.kind == plat::EventKind::MouseDown && e.window == kWorldMapWindow) {
      pressed = true;
      pressedAt = e.local;
    }
  };
  ClearMailbox();
  while (!done) {
    // Blocks until an event comes or the pointer may have moved; only then is it read.
    if (!plat::pump(20)) {
      const plat::Point pt = plat::pointerLocal(kWorldMapWindow);
      if (!(pt == s.lastPointer)) updateReadouts(s, pt);
    } else if (pressed) {
      updateReadouts(s, pressedAt);
    }
    if (pressed || isSelectionKey()) {
      pressed = false;
      selectShown(s);
    } else if (action == kActionClick) {
      switch (eventID) {
        case kMapZoomIn: {
          int16_t xA = 0, yA = 0;
          if (FindZoomArea(&xA, &yA) == 0) {
            const plat::Point off = ZoomOffsets(xA, yA);
            s.zoomed = true;
            s.x0 = static_cast<int16_t>(off.x);
            s.y0 = static_cast<int16_t>(off.y);
            buildWorldMapWindow(1, s.x0, s.y0);
            showMapButtons(false, true);
          } else if (action == kActionClose) {
            done = true;   // the map's close box while zooming
          }
          s.lastPointer = {-1, -1};
          break;
        }
        case kMapZoomOut:
          s.zoomed = false;
          s.x0 = s.y0 = 0;
          buildWorldMapWindow(0, 0, 0);
          showMapButtons(false, false);
          s.lastPointer = {-1, -1};
          break;
        case kMapHelp:
          plat::openHelp(268);
          break;
        case kMapDone:
          // Without a selection the previous place and its flags stand.
          if (s.selected) {
            latitude = s.selection.latitude;
            longitude = s.selection.longitude;
            stored = true;
          }
          done = true;
          break;
        default: break;
      }
    } else if (action == kActionClose && eventID == kWorldMapWindow) {
      done = true;   // the close box leaves everything as it was
    } else if (action == kActionActivate && eventID == kWorldMapWindow) {
      if (s.zoomed) drawEnlargedMeridians(s.x0, s.y0);
      else drawStandardMeridians();
    }
    ClearMailbox();
  }
  if (!stored) {
    // The flags go with the place they describe, which stays.
    northLatitude = entryNorth;
    westLongitude = entryWest;
  }
  plat::setCursor(plat::CursorKind::Arrow);
  plat::disposeWindow(kWorldMapWindow);
  plat::disposeWindow(kZoomNoteWindow);
  if (calculator) {
    plat::setContentRect(kCalculatorWindow, kCalculatorRect);
    plat::showWindow(kCalculatorWindow, true);
    plat::selectWindow(kCalculatorWindow);
    plat::setCurrentPort(kCalculatorWindow);
  } else if (plat::windowExists(returnWindow)) {
    plat::selectWindow(returnWindow);
    plat::setCurrentPort(returnWindow);
  }
  return stored;
}

// ---- The calculator dialog -----------------------------------------------------------------

void Sunrise() {
  HelpSubject = 247;
  if (TheFileInUse == kNoFile) TheFileInUse = 0;
  HideTheToolBar();
  defineMonthMenu();
  northLatitude = latitude != 0 ? (latitude > 0 ? 1 : 0) : 1;
  westLongitude = longitude != 0 ? (longitude > 0 ? 1 : 0) : 1;
  buildCalculator();
  Calculator c;
  c.setDate(startDate());

  HandlerScope keep;
  InstallDialogHandlers();
  plat::handlers().menu = KILLSCRIPT_for_Help;
  const int w = kCalculatorWindow;
  calculate(c);
  ClearMailbox();
  for (bool done = false; !done;) {
    plat::pump();
    if (action == kActionKey && (eventID == 13 || eventID == 3)) {
      calculate(c);
    } else if (action == kActionKey && eventID == '?') {
      plat::openHelp(247);
    } else if (action == kActionClick) {
      switch (eventID) {
        case kSunNorth: northLatitude = 1; markPair(w, kSunNorth, kSunSouth); break;
        case kSunSouth: northLatitude = 0; markPair(w, kSunSouth, kSunNorth); break;
        case kSunWest: westLongitude = 1; markPair(w, kSunWest, kSunEast); break;
        case kSunEast: westLongitude = 0; markPair(w, kSunEast, kSunWest); break;
        case kSunMapButton:
          ClearMailbox();
          GetMapCoordinates(kCalculatorWindow);
          markPair(w, northLatitude ? kSunNorth : kSunSouth, northLatitude ? kSunSouth : kSunNorth);
          markPair(w, westLongitude ? kSunWest : kSunEast, westLongitude ? kSunEast : kSunWest);
          plat::setFieldText(w, kSunLatField, FieldNumText(std::fabs(latitude)));
          plat::setFieldText(w, kSunLonField, FieldNumText(std::fabs(longitude)));
          break;
        case kSunMonthPopup: c.deriveDayOfYear(); break;
        case kSunToday: c.setDate(datePartsOf(todayText())); break;
        case kSunFromFile: {
          const auto slot = static_cast<int16_t>(TheFileInUse);
          if (ValidFileSlot(slot) && SlotHoldsFile(slot)) c.setDate(datePartsOf(StartDate[slot]));
          break;
        }
        case kSunDaylightSaving:
          c.dst = ToggleValue(c.dst);
          plat::setButtonState(w, kSunDaylightSaving, c.dst ? 2 : 1);
          if (c.calculated) SunriseCalc(1, static_cast<uint16_t>(c.lastDay), c.dst);
          break;
        case kSunCalculate: calculate(c); break;
        case kSunAnnualPlot:
          ClearMailbox();
          if (!placeInRange()) break;
          storeSignedLocation();
          SunCycleWindow();
          BuildAnnualSunCycle();
          SunCyclePlot();
          plat::disposeWindow(kSunChartSheet);
          plat::selectWindow(w);
          plat::setCurrentPort(w);
          break;
        case kSunWebButton: plat::openUrl(kSunDataUrl); break;
        case kSunHelp: plat::openHelp(247); break;
        case kSunDone: done = true; break;
        default: break;
      }
    } else if (action == kActionClose) {
      if (eventID == w) done = true;
      else if (eventID == kSunChartWindow) plat::disposeWindow(kSunChartWindow);
    } else if (action == kActionActivate && SlotOfPlotWindow(eventID) >= 0) {
      plat::selectWindow(w);
    }
    ClearMailbox();
  }
  plat::disposeWindow(kSunChartWindow);
  plat::disposeWindow(kCalculatorWindow);
  RestoreTheToolBar();
}

void RegisterSunCycleCommands() {
  RegisterCommand(Cmd::Sunrise, [](int16_t) { Sunrise(); });
}
