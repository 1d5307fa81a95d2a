// The thermoregulation options driven headlessly: the first opening's shown
// defaults, the check boxes, the location dialog (stored, cancelled), the
// convection dialog's channel rule and the rejection rules.
#include <gtest/gtest.h>

#include <string>

#include "calculators/suncycle.h"
#include "calculators/ui/suncycle.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "support/gui_support.h"
#include "support/window_support.h"
#include "thermoregulation/options.h"
#include "thermoregulation/ui/options.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;

class TregOptionsDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWindowTest();
    latitude = longitude = 0;
    northLatitude = westLongitude = 1;
  }
  void TearDown() override { testsupport::ClearStore(); }
};

TEST_F(TregOptionsDialog, FirstOpeningShowsAndStoresTheShownDefaults) {
  std::string shown;
  int locationBefore = -1, locationAfter = -1;
  Script s;
  s.call([&] {
     for (int id : {kOptTbChange, kOptMaxTb, kOptCFactor, kOptDefaultTb})
       shown += plat::fieldText(kOptionsWindow, id) + "|";
     locationBefore = plat::buttonState(kOptionsWindow, kOptSetLocation);
     plat::test::saveArtifact(plat::test::windowImage(kOptionsWindow), "treg_options.png");
   })
      .click(kOptionsWindow, kOptTorpor)
      .click(kOptionsWindow, kOptDawnDusk)
      .call([&] { locationAfter = plat::buttonState(kOptionsWindow, kOptSetLocation); })
      .click(kOptionsWindow, kOptDone);
  plat::test::run(s, [] { TregCostOptions(); });
  EXPECT_EQ(shown, "2|44|1.4|37|");
  EXPECT_EQ(locationBefore, 0);
  EXPECT_EQ(locationAfter, 1);
  EXPECT_EQ(TbChange, 2.0f);
  EXPECT_EQ(prefsArray[kPrefMaxActiveTb], 44);
  EXPECT_EQ(ActivePhaseConductanceIncrease, 1.4f);
  EXPECT_EQ(DefaultTb, 37.0f);
  EXPECT_EQ(CalculationsCanUseTorpor, 0);
  EXPECT_EQ(UseTorpor, 0);
  EXPECT_EQ(ComputeDawnAndDusk, 1);
  EXPECT_FALSE(plat::windowExists(kOptionsWindow));
}

TEST_F(TregOptionsDialog, LocationConvectionAndRejectionDialogs) {
  ASSERT_EQ(AllocateSlot(0, 10, 3), StoreStatus::Ok);
  SetChannelLabel(0, 3, "wind m/s");
  TheFileInUse = 0;
  ComputeDawnAndDusk = 1;
  latitude = -33.5f;
  northLatitude = 0;
  longitude = 151.25f;
  auto rest = [](Script& s, int win) -> Script& { return s.moveTo(win, {5, 5}).moveTo(win, {5, 5}); };
  Script s;
  // Cancelled: the close box stores nothing.
  s.click(kOptionsWindow, kOptSetLocation)
      .click(kLocationWindow, kLocNorth)
      .closeBox(kLocationWindow);
  rest(s, kOptionsWindow).call([] {
    EXPECT_EQ(northLatitude, 0);
    EXPECT_EQ(latitude, -33.5f);
  });
  s.click(kOptionsWindow, kOptSetLocation).call([] {
    EXPECT_EQ(plat::fieldText(kLocationWindow, kLocLatField), "33.5");
    EXPECT_EQ(plat::buttonState(kLocationWindow, kLocSouth), 2);
    plat::test::saveArtifact(plat::test::windowImage(kLocationWindow), "treg_location.png");
  });
  // Out of range: refused by name, the window stays to be corrected.
  std::string refused;
  s.call([] { plat::setFieldText(kLocationWindow, kLocLatField, "95"); })
      .click(kLocationWindow, kLocCalculate)
      .call([&] { refused = plat::fieldText(kAlertWindow, kAlertMessage); })
      .click(kAlertWindow, kAlertOK)
      .call([&] {
        EXPECT_EQ(refused, "The latitude must lie between 0 and 90 degrees (North or South is set by its buttons).");
        EXPECT_TRUE(plat::windowExists(kLocationWindow));
        EXPECT_FALSE(plat::windowExists(kSunChartWindow));
        EXPECT_EQ(latitude, -33.5f);
        plat::setFieldText(kLocationWindow, kLocLatField, "33.5");
      });
  s.click(kLocationWindow, kLocCalculate).call([] {
    EXPECT_TRUE(plat::windowExists(kSunChartWindow));
    EXPECT_EQ(latitude, -33.5f);
    EXPECT_EQ(SunCycleBuiltFor.latitude, -33.5f);
  });
  s.closeBox(kSunChartWindow);
  rest(s, kOptionsWindow).click(kOptionsWindow, kOptConvection).click(kConvectionWindow, kWindYes).call([] {
    EXPECT_EQ(plat::buttonState(kConvectionWindow, kWindOK), 0);
    plat::test::saveArtifact(plat::test::windowImage(kConvectionWindow), "treg_convection.png");
  });
  s.click(kConvectionWindow, 3).call([] { EXPECT_EQ(plat::buttonState(kConvectionWindow, kWindOK), 1); });
  s.click(kConvectionWindow, kShelterYes).click(kConvectionWindow, kWindOK);
  rest(s, kOptionsWindow).click(kOptionsWindow, kOptRejection).click(kRejectionWindow, kRejectShade).call([] {
    plat::test::saveArtifact(plat::test::windowImage(kRejectionWindow), "treg_rejection.png");
  });
  s.click(kRejectionWindow, kRejectClose);
  rest(s, kOptionsWindow).click(kOptionsWindow, kOptDone);
  plat::test::run(s, [] { TregCostOptions(); });
  EXPECT_EQ(prefsArray[kPrefWindUsed], 1);
  EXPECT_EQ(prefsArray[kPrefWindChannel], 3);
  EXPECT_EQ(prefsArray[kPrefShelter], 1);
  EXPECT_EQ(prefsArray[kPrefRejectNoShade], 0);
  EXPECT_EQ(latitude, -33.5f);
}

}  // namespace
