// Calculator windows read whole: nothing cut or covered in the sun-cycle
// calculator or in the simple calculator while it flashes its MATH ERROR.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/window_support.h"
#include "support/layout_checks.h"

#include <string>

#include "calculators/rpn.h"
#include "calculators/ui/calculators_commands.h"
#include "calculators/ui/simplecalc.h"
#include "calculators/ui/suncycle.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;
constexpr int W = kCalculatorWindow;

void ExpectClearLayout(const std::string& name) {
  SCOPED_TRACE(name);
  ASSERT_TRUE(plat::windowExists(W));
  for (const std::string& f : testsupport::LayoutFaults(W)) ADD_FAILURE() << f;
  EXPECT_EQ(testsupport::UnshownPixels(W), 0);
  plat::test::saveArtifact(testsupport::ShownImage(W), name + ".png");
}

class CalculatorLayouts : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWindowTest();
    RegisterCalculatorCommands();
    RegisterSunCycleCommands();
    testsupport::OpenStandInToolbar(kToolbarWindow);
  }
  void TearDown() override { testsupport::EndWindowTest(); }
};

TEST_F(CalculatorLayouts, NothingClippedOrOverlapping) {
  Script rpn;
  rpn.call([] {
       plat::setFieldText(W, kRpnXField, "-8");
       plat::setFieldText(W, kRpnYField, "0.5");
     })
      .click(W, 12)   // X^Y of a negative X: the MATH ERROR flashes
      .call([] {
        ASSERT_EQ(plat::fieldText(W, kRpnXField), kRpnMathErrorText);
        ExpectClearLayout("layout-rpn-math-error");
      });
  for (int i = 0; i < 12; ++i) rpn.call([] {});
  rpn.closeBox(W);
  plat::test::run(rpn, [] { DoMENU(kMenuSpecial, 1); });

  Script sun;
  sun.click(W, kSunCalculate).call([] {
    ExpectClearLayout("layout-sun-cycle"); }).click(W, kSunDone);
  plat::test::run(sun, [] { DoMENU(kMenuSpecial, 17); });
}

}  // namespace
