// "Sun Cycle Calculator" driven headlessly: a worked day with and without
// daylight saving, the date buttons, the annual chart and its spreadsheet,
// the web button, and the world map with its read-outs, selection and zoom.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "calculators/suncycle.h"
#include "calculators/ui/suncycle.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "support/gui_support.h"
#include "support/window_support.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

std::string Field(int id) { return plat::fieldText(kCalculatorWindow, id); }

void Set(int id, const std::string& text) { plat::setFieldText(kCalculatorWindow, id, text); }

class SunCalculator : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWindowTest();
    RegisterSunCycleCommands();
    latitude = longitude = 0;
  }
  void TearDown() override { testsupport::EndWindowTest(); }
};

TEST_F(SunCalculator, WorkedDayDaylightSavingDatesChartAndWeb) {
  ASSERT_TRUE(CommandRegistered(Cmd::Sunrise));
  const fs::path dir = testsupport::FreshTestDir("suncycle");
  const fs::path sheet = dir / "Sun cycle data.xls";
  std::string calculated, saving, today;
  Script s;
  s.call([] {
     Set(kSunLatField, "0");
     Set(kSunLonField, "0");
     Set(kSunDayOfYearField, "80");   // typed, the date untouched: the typed day wins
   })
      .click(kCalculatorWindow, kSunCalculate)
      .call([&] { calculated = Field(kSunRiseText) + "|" + Field(kSunSetText) + "|" + Field(kSunDaylightText); })
      .click(kCalculatorWindow, kSunDaylightSaving)
      .call([&] {
        saving = Field(kSunRiseText);
        plat::test::saveArtifact(plat::test::windowImage(kCalculatorWindow), "suncycle_calculator.png");
      })
      .click(kCalculatorWindow, kSunToday)
      .call([&] { today = Field(kSunDayOfYearField) + "|" + Field(kSunDayField) + "|" + Field(kSunYearField); })
      .click(kCalculatorWindow, kSunWebButton)
      .call([] {
        Set(kSunLatField, "40");
      })
      .click(kCalculatorWindow, kSunAnnualPlot)
      .call([] {
        EXPECT_TRUE(plat::windowExists(kSunChartWindow));
        EXPECT_FALSE(plat::windowExists(kSunChartSheet));
        EXPECT_EQ(plat::title(kSunChartWindow), "Annual sun cycle for  40\xA1 N,  0\xA1 W");
        plat::test::saveArtifact(plat::test::windowImage(kSunChartWindow), "suncycle_annual_chart.png");
      })
      .click(kSunChartWindow, kSunPrintButton)
      .answerSave(sheet)
      .closeBox(kSunChartWindow)
      .click(kCalculatorWindow, kSunDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(8, 17)); });

  EXPECT_EQ(calculated,
            "Approximate local sunrise time:   6 : 03|Approximate local sunset time:   18 : 10|"
            " 12 hours, 06 minutes of daylight");
  EXPECT_EQ(saving, "Approximate local sunrise time:   7 : 03");
  EXPECT_EQ(today, "75|15|2024");   // the virtual clock's 15 March 2024
  ASSERT_EQ(plat::test::urlsOpened().size(), 1u);
  EXPECT_EQ(plat::test::urlsOpened()[0], kSunDataUrl);
  EXPECT_FALSE(plat::windowExists(kCalculatorWindow));
  EXPECT_EQ(latitude, 40.0f);
  std::ifstream in(sheet, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  const fs::path golden = fs::path(TEST_SOURCE_DIR) / "calculators" / "golden" / "Sun cycle data 40N.xls";
  std::ifstream g(golden, std::ios::binary);
  std::stringstream want;
  want << g.rdbuf();
  if (want.str().empty()) std::ofstream(golden.string() + ".new", std::ios::binary) << all.str();
  EXPECT_EQ(all.str(), want.str());
}

// A place outside 0..90 or 0..180, or a day of the year outside 1..366, is
// refused by name, nothing is computed or stored, and the day's results are
// blanked; the day of the year follows the Gregorian leap years, as the
// day-of-year calculator does (1 March 2100 is day 60).
TEST_F(SunCalculator, OutOfRangePlacesAreRefusedAndLeapYearsAreGregorian) {
  std::string shown, latitudeMessage, longitudeMessage, dayMessage, dayOfYearMessage, afterDayOfYear;
  std::string days;
  Script s;
  s.call([&] {
     shown = Field(kSunRiseText) + Field(kSunSetText);
     Set(kSunLatField, "95");
   })
      .click(kCalculatorWindow, kSunCalculate)
      .call([&] { latitudeMessage = plat::fieldText(kAlertWindow, kAlertMessage); })
      .click(kAlertWindow, kAlertOK)
      .call([&] {
        EXPECT_FALSE(shown.empty());
        EXPECT_EQ(Field(kSunRiseText) + Field(kSunSetText) + Field(kSunNoonText), "");
        Set(kSunLatField, "40");
      })
      .click(kCalculatorWindow, kSunCalculate)
      .call([&] {
        EXPECT_NE(Field(kSunRiseText), "");
        Set(kSunDayOfYearField, "400");   // it was computed as a day 400
      })
      .click(kCalculatorWindow, kSunCalculate)
      .call([&] { dayOfYearMessage = plat::fieldText(kAlertWindow, kAlertMessage); })
      .click(kAlertWindow, kAlertOK)
      .call([&] {
        afterDayOfYear = Field(kSunRiseText) + Field(kSunDaylightText);
        Set(kSunDayOfYearField, "100");
        Set(kSunLonField, "181");
      })
      .click(kCalculatorWindow, kSunAnnualPlot)
      .call([&] {
        longitudeMessage = plat::fieldText(kAlertWindow, kAlertMessage);
        plat::test::saveArtifact(plat::test::windowImage(kAlertWindow), "suncycle_refused_longitude.png");
      })
      .click(kAlertWindow, kAlertOK)
      .call([] {
        EXPECT_FALSE(plat::windowExists(kSunChartWindow));
        Set(kSunLonField, "0");
        Set(kSunDayField, "1");
        Set(kSunYearField, "2100");
      })
      .popup(kCalculatorWindow, kSunMonthPopup, 3)
      .call([&] {
        days += Field(kSunDayOfYearField) + "|";
        Set(kSunYearField, "1900");
      })
      .click(kCalculatorWindow, kSunCalculate)
      .call([&] {
        days += Field(kSunDayOfYearField) + "|";
        Set(kSunYearField, "2000");
      })
      .click(kCalculatorWindow, kSunCalculate)
      .call([&] {
        days += Field(kSunDayOfYearField);
        Set(kSunDayField, "40");   // of March: it was taken as day 100
      })
      .click(kCalculatorWindow, kSunCalculate)
      .call([&] { dayMessage = plat::fieldText(kAlertWindow, kAlertMessage); })
      .click(kAlertWindow, kAlertOK)
      .call([&] { days += "|" + Field(kSunDayOfYearField); })
      .click(kCalculatorWindow, kSunDone);
  plat::test::run(s, [] { Sunrise(); });
  EXPECT_EQ(dayMessage.rfind("\"day of the month\": it must lie within the month chosen", 0), 0u) << dayMessage;
  EXPECT_EQ(dayOfYearMessage.rfind("\"Day of the year\": it must lie from 1 to 366", 0), 0u) << dayOfYearMessage;
  EXPECT_EQ(afterDayOfYear, "");
  EXPECT_EQ(latitudeMessage, "The latitude must lie between 0 and 90 degrees (North or South is set by its buttons).");
  EXPECT_EQ(longitudeMessage.rfind("The longitude must lie between 0 and 180 degrees", 0), 0u) << longitudeMessage;
  EXPECT_EQ(days, "60|60|61|61");
  EXPECT_EQ(latitude, 40.0f);
  EXPECT_EQ(longitude, 0.0f);
}

TEST_F(SunCalculator, MapReadsSelectsZoomsAndKeepsThePlaceWhenClosed) {
  ASSERT_EQ(AllocateSlot(0, 10, 1), StoreStatus::Ok);
  StartDate[0] = "07-04-2023";
  TheFileInUse = 0;
  std::string readout, zoomedReadout, dayFromFile;
  // Steps run one a poll while queued events are handled one a pass: resting
  // the pointer lets each loop catch up before the next step.
  auto rest = [](Script& s, int win, plat::Point at) -> Script& { return s.moveTo(win, at).moveTo(win, at).moveTo(win, at); };
  Script s;
  s.click(kCalculatorWindow, kSunFromFile).call([&] { dayFromFile = Field(kSunDayOfYearField); });
  s.click(kCalculatorWindow, kSunMapButton);
  rest(s, kWorldMapWindow, {540, 390}).call([&] {
    readout = plat::fieldText(kWorldMapWindow, kMapLongitudeReadout) + "|" +
              plat::fieldText(kWorldMapWindow, kMapLatitudeReadout);
  });
  s.clickAt(kWorldMapWindow, {510, 470});   // 10 W, 20 S
  rest(s, kWorldMapWindow, {510, 470}).call([] {
    EXPECT_EQ(plat::fieldText(kWorldMapWindow, kMapSelectedReadout), "   20.00\xA1 S,  10.00\xA1 W");
    plat::test::saveArtifact(plat::test::windowImage(kWorldMapWindow), "suncycle_world_map.png");
  });
  s.click(kWorldMapWindow, kMapZoomIn);
  rest(s, kWorldMapWindow, {300, 100}).click(kWorldMapWindow, kMapCancelZoom);
  rest(s, kWorldMapWindow, {300, 100}).click(kWorldMapWindow, kMapZoomIn);
  rest(s, kWorldMapWindow, {300, 100}).key(kWorldMapWindow, ' ');
  rest(s, kWorldMapWindow, {0, 30}).call([&] {
    zoomedReadout = plat::fieldText(kWorldMapWindow, kMapLongitudeReadout);
    plat::test::saveArtifact(plat::test::windowImage(kWorldMapWindow), "suncycle_world_map_zoomed.png");
  });
  s.click(kWorldMapWindow, kMapDone);
  rest(s, kCalculatorWindow, {10, 10}).call([] {
    EXPECT_EQ(Field(kSunLatField), "20");
    EXPECT_EQ(Field(kSunLonField), "10");
    EXPECT_EQ(plat::buttonState(kCalculatorWindow, kSunSouth), 2);
    EXPECT_EQ(plat::buttonState(kCalculatorWindow, kSunWest), 2);
  });
  // The close box after a new selection keeps the place stored before.
  s.click(kCalculatorWindow, kSunMapButton).clickAt(kWorldMapWindow, {900, 200});
  rest(s, kWorldMapWindow, {900, 200}).closeBox(kWorldMapWindow);
  rest(s, kCalculatorWindow, {10, 10}).click(kCalculatorWindow, kSunDone);
  plat::test::run(s, [] { Sunrise(); });
  EXPECT_EQ(dayFromFile, "185");
  EXPECT_EQ(readout, " 0.00\xA1 W| 0.00\xA1 N");
  EXPECT_EQ(zoomedReadout, " 80.00\xA1 W");   // the unzoomed map's longitude at x 300
  EXPECT_EQ(latitude, 20.0f);
  EXPECT_EQ(longitude, 10.0f);
  EXPECT_EQ(northLatitude, 0);
  EXPECT_EQ(westLongitude, 1);
}

}  // namespace
