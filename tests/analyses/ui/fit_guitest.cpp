// "Fit Polynomial…", "Find Asymptote…" and "Basic Time Series…" driven
// headlessly on a generated file: the windows, their computations, the new
// channel, the printed pages, the recorded steps and Autorepeat.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <fstream>
#include <sstream>
#include <string>

#include "analyses/asymptote.h"
#include "analyses/periodicity.h"
#include "analyses/polyfit.h"
#include "analyses/ui/analyses_commands.h"
#include "analyses/ui/fit_commands.h"
#include "analyses/ui/regression.h"
#include "datafiles/save.h"
#include "output/results.h"
#include "output/ui/destination.h"
#include "output/ui/output_commands.h"
#include "output/ui/tabular_dialog.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "support/gui_support.h"
#include "support/window_support.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

float FieldValue(int win, int id) { return std::stof(plat::fieldText(win, id)); }
void Snap(int win, const std::string& name) { plat::test::saveArtifact(plat::test::windowImage(win), name); }


// Cases 1..200 (k = 0..199): channel 1 k, channel 2 1 + 2k + 3k^2, channel 3
// an approach to 10, channel 4 pulses of period 20.
class FitWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForAnalysisTest();
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    for (auto& step : ScriptSequenceArray)
      for (float& f : step) f = 0.0f;
    PortForResultsOutput = kPortNone;
    ASSERT_EQ(AllocateSlot(0, 200, 4), StoreStatus::Ok);
    for (int32_t c = 1; c <= 200; ++c) {
      const double k = c - 1;
      PutDatum(0, 1, c, static_cast<float>(k));
      PutDatum(0, 2, c, static_cast<float>(1 + 2 * k + 3 * k * k));
      PutDatum(0, 3, c, static_cast<float>(10.0 - 10.0 * std::exp(-0.01 * k)));
      PutDatum(0, 4, c, static_cast<int>(k) % 20 < 5 ? 1.0f : 0.0f);
    }
    testsupport::DescribeFile(0, "generated", 1.0f, {"time", "quadratic", "approach", "pulses"});
    testsupport::SelectBlock(0, 1, 200, 3);
  }

  void TearDown() override {
    TimeUnits = 0;
    prefsArray[kPrefAutorepeat] = 0;
    PolyDegree = 2;
    testsupport::EndWindowTest();
  }

  testsupport::PlotGeometryKeeper keptGeometry_;
};

TEST_F(FitWindows, PolynomialFitsShowsTheSeriesAndMakesAChannel) {
  const fs::path dir = testsupport::FreshTestDir("polynomial_");
  PortForResultsOutput = kPortTabular;
  Script open;
  open.click(kOutputOptionsWindow, 20).answerSave(dir / "results.txt");
  plat::test::run(open, [] { EXPECT_EQ(OPEN_OUTPUT_PORT(), 1); });
  RecordSCRIPT = 1;
  PolyDegree = 10;   // a stored 10 opens as 9
  Script s;
  s.click(kPickWindow, 1).click(kPickWindow, 4 + 2).click(kPickWindow, kPickOK);
  s.call([] {
    EXPECT_EQ(PolyDegree, 9);
    EXPECT_EQ(plat::title(kPolyWindow), "Polynomial Curve Fitting");
  });
  s.popup(kPolyWindow, kPolyDegreePopup, 2);
  s.call([] {
    EXPECT_NEAR(cc[1], 3.0, 1e-9);
    EXPECT_NEAR(cc[2], 2.0, 1e-8);
    EXPECT_NEAR(cc[3], 1.0, 1e-6);
    EXPECT_EQ(plat::fieldText(kPolyWindow, kPolyR2Field), " 1");
    EXPECT_EQ(plat::fieldText(kPolyWindow, kPolyYLabelField).substr(0, 9), "quadratic");
    Snap(kPolyWindow, "polynomial-window.png");
  });
  s.click(kPolyWindow, kPolyPrint);
  s.click(kPolyWindow, kPolyShowAll);
  s.call([] {
    EXPECT_TRUE(plat::windowExists(kR2HistogramWindow));
    EXPECT_NEAR(BLarray.get(1, 1), 0.937f, 1e-3);
    EXPECT_GE(PolyDegree, 2);
    Snap(kR2HistogramWindow, "polynomial-r2-histogram.png");
  });
  s.click(kPolyWindow, kPolyShowAll);
  s.popup(kPolyWindow, kPolyDegreePopup, 1);
  s.call([] {
    EXPECT_NEAR(cc[1], 599.0, 1e-6 * 599.0);   // the line through 1 + 2k + 3k^2, k = 0..199
    EXPECT_NEAR(r2, 0.937, 1e-3);
  });
  s.click(kPolyWindow, kPolyNewChannel);
  s.click(kPolyWindow, kPolyDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 18)); });

  EXPECT_EQ(Analysis_Code, kPolyAnalysisCode);
  EXPECT_EQ(topic, kTopicPolynomial);
  ASSERT_EQ(nChannels[0], 5);
  EXPECT_EQ(RetrieveLabelOf(0, 5), "ch. 2 as polynomial of ch. 1  ");
  // The line of the block over every case of the file, as displayed.
  const double a = cc[2], b = cc[1];
  EXPECT_NEAR(GetDatum(0, 5, 200), static_cast<float>(a + b * 199.0), 1e-3 * std::abs(a + b * 199.0));
  EXPECT_EQ(ScriptSequenceArray[1][kStepOperation], static_cast<float>(kOpPolynomial));
  EXPECT_EQ(ScriptCOUNT, 1u);
  CloseDestination();
  std::ifstream in(dir / "results.txt", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  // One named row per number, of the Y channel: r squared, constant, X^1, X^2.
  const std::string y = "\tquadratic" + std::string(21, ' ') + "\tpolynomial ";
  EXPECT_NE(text.find("\n 1\t\t\t\t" + y + "r-squared (X: ch.1)\n 1\t\t\t\t" + y + "constant (X: ch.1)\n 2\t\t\t\t" +
                      y + "X^1 coefficient (X: ch.1)\n 3\t\t\t\t" + y + "X^2 coefficient (X: ch.1)\n"),
            std::string::npos)
      << text;
}

// A fit that fails leaves the last fit's coefficients in the globals: there
// is nothing to store until one succeeds.
TEST_F(FitWindows, AFailedPolynomialHasNothingToStore) {
  PortForResultsOutput = kPortTextFile;   // Print would be on
  PolyDegree = 3;                         // X takes two values: only a line fits
  Script s;
  s.click(kPickWindow, 4).click(kPickWindow, 4 + 2).click(kPickWindow, kPickOK);
  s.click(kAlertWindow, kAlertOK);
  s.call([] {
    EXPECT_EQ(topic, 0);
    EXPECT_EQ(plat::buttonState(kPolyWindow, kPolyPrint), 0);
  });
  s.popup(kPolyWindow, kPolyDegreePopup, 1);
  s.call([] {
    EXPECT_EQ(topic, kTopicPolynomial);
    EXPECT_EQ(plat::buttonState(kPolyWindow, kPolyPrint), 1);
  });
  s.click(kPolyWindow, kPolyDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 18)); });
  PortForResultsOutput = kPortNone;
}

TEST_F(FitWindows, AsymptoteFindsTheLevelPlotsAndRecordsItsSettings) {
  RecordSCRIPT = 1;
  Script s;
  s.click(kTimeUnitsWindow, kTimeSeconds);
  s.call([] {
    EXPECT_NEAR(FieldValue(kResultsWindow, kAsymValueField), 9.99992f, 1e-3);
    EXPECT_NEAR(StandardDeviation, 9.99992f, 1e-3);
    EXPECT_NEAR(FieldValue(kResultsWindow, kAsymKField), 0.0099997f, 2e-6);   // |k| for rising data
    EXPECT_NEAR(FieldValue(kResultsWindow, kAsymTimeField), 69.317f, 0.01f);
    EXPECT_TRUE(plat::controlExists(kResultsWindow, kAsymShowResiduals));
    Snap(kResultsWindow, "asymptote-window.png");
    Snap(kAsymPlotWindow, "asymptote-fit-plot.png");
  });
  s.click(kResultsWindow, kAsymShowResiduals);
  s.call([] {
    Snap(kAsymPlotWindow, "asymptote-residuals-plot.png");
    EXPECT_TRUE(plat::controlExists(kResultsWindow, kAsymShowRegression));
  });
  s.popup(kResultsWindow, kAsymPercentPopup, 11);
  s.call([] { EXPECT_NEAR(FieldValue(kResultsWindow, kAsymTimeField), 4.6051698f / 0.0099997f, 0.1f); });
  s.type(kResultsWindow, kAsymIterField, "\b\b3");
  s.key(kResultsWindow, 13);
  s.call([] { EXPECT_EQ(plat::fieldText(kResultsWindow, kAsymIterField), "6"); });
  s.click(kResultsWindow, kAsymDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 17)); });
  EXPECT_EQ(Analysis_Code, kAsymptoteAnalysisCode);
  EXPECT_EQ(nrPoints, 6);
  EXPECT_EQ(ScriptSequenceArray[1][kStepOperation], static_cast<float>(kOpAsymptote));
  EXPECT_EQ(ScriptSequenceArray[1][asymptote_step::kIterations], 6.0f);
  EXPECT_FLOAT_EQ(ScriptSequenceArray[1][asymptote_step::kSlope], -4.6051698f);
  // A replay takes the step's settings without asking, and the pop-up follows the stored percentage.
  RecordSCRIPT = 0;
  RunScript = 1;
  ScriptRunStep = 1;
  Script r;
  r.call([] {
    EXPECT_EQ(SlopeID, 11);
    EXPECT_EQ(plat::fieldText(kResultsWindow, kAsymIterField), "6");
  });
  r.click(kResultsWindow, kAsymDone);
  plat::test::run(r, [] { EXPECT_TRUE(RunScriptStep(1)); });
}

TEST_F(FitWindows, TimeSeriesPlotsPrintsAndRunsThePeriodicityTest) {
  const fs::path dir = testsupport::FreshTestDir("periodicity_");
  ActiveChannel = 4;
  plat::test::clearRecorders();
  auto printed = [](const std::string& needle) {
    for (const auto& page : plat::test::printedPages())
      for (const std::string& line : page.lines)
        if (line.find(needle) != std::string::npos) return true;
    return false;
  };
  Script s;
  s.call([] { EXPECT_EQ(plat::buttonState(kSeriesWindow, kSeriesPrint), 0); });
  s.click(kSeriesWindow, kSeriesPlot);
  s.call([] {
    EXPECT_EQ(plat::fieldText(kSeriesWindow, kSeriesCellLabel + 1), " step 2 sec");
    EXPECT_EQ(chan2, 1);
    Snap(kSeriesWindow, "time-series-window.png");
  });
  s.click(kSeriesWindow, kSeriesPrint).answerPageSetup(true).answerPrint(true);
  s.click(kSeriesWindow, kSeriesPeriodicity);
  s.call([] {
    EXPECT_TRUE(plat::controlExists(kPeriodWindow, kPeriodPresetFirst + 1)) << "100 for a block of 199";
    EXPECT_FALSE(plat::controlExists(kPeriodWindow, kPeriodPresetFirst + 2));
    Snap(kPeriodWindow, "periodicity-parameters.png");
  });
  // K beyond the block: the window stays and says why (it closed and did nothing).
  s.type(kPeriodWindow, kPeriodKField, "\b\b500");
  s.click(kPeriodWindow, kPeriodOK);
  s.call([] {
    EXPECT_EQ(plat::fieldText(kPeriodWindow, kPeriodKRangeLine), "K must be from 1 to the block size (199).");
    Snap(kPeriodWindow, "periodicity-k-too-large.png");
  });
  s.type(kPeriodWindow, kPeriodKField, "\b\b\b50");
  s.click(kPeriodWindow, kPeriodOK);
  s.call([] {
    EXPECT_NE(plat::title(kPeriodWindow).find("50-Step Interval Test"), std::string::npos);
    EXPECT_FLOAT_EQ(rsquared, 1.0f);
    EXPECT_EQ(nPoints, 200 - 40);
    EXPECT_LE(prob, 1e-5f);
    Snap(kPeriodWindow, "periodicity-summary.png");
  });
  s.click(kPeriodWindow, kSummaryPrint).answerPageSetup(true).answerPrint(true);
  // Step 5: the block holds only 39 steps after the lag.
  s.type(kSeriesWindow, kSeriesStepField, "\b5");
  s.click(kSeriesWindow, kSeriesPeriodicity);
  s.click(kPeriodWindow, kPeriodOK);
  s.call([] {
    EXPECT_NE(plat::title(kPeriodWindow).find("39-Step"), std::string::npos);
    Snap(kPeriodWindow, "periodicity-summary-reduced.png");
  });
  s.click(kPeriodWindow, kSummarySave).answerSave(dir / "periodicity.txt");
  s.type(kSeriesWindow, kSeriesLagField, "\b-2");
  s.click(kSeriesWindow, kSeriesPlot);
  s.click(kAlertWindow, kAlertOK);
  s.click(kSeriesWindow, kSeriesDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(103, 1)); });

  EXPECT_EQ(Analysis_Code, kTimeSeriesAnalysisCode);
  EXPECT_TRUE(printed("Graphical Time Series Analysis"));
  EXPECT_TRUE(printed("Periodicity is highest at 40 sec"));
  EXPECT_TRUE(printed("Other peaks  were found at:"));
  std::ifstream in(dir / "periodicity.txt", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string t = text.str();
  EXPECT_EQ(t.substr(0, 31), "lag time (s)\tr-squared\tslope\tn\n");
  EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), 40);
  EXPECT_EQ(t.find('\r'), std::string::npos);

  // Autorepeat opens the window again on a new block.
  prefsArray[kPrefAutorepeat] = 1;
  Script again;
  again.call([] { EXPECT_TRUE(plat::windowExists(kSeriesWindow)); });
  again.click(kSeriesWindow, kSeriesDone);
  plat::test::run(again, [] { EXPECT_TRUE(AUTO_REPEAT()); });
}

}  // namespace
