// The plot side stores and prints what it shows, from the program's own
// start-up on the demo: a previewed block is what goes to the printer,
// printing leaves the strips the screen draws with as they were, and the big
// distribution draws and names the bins it really has.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/program_support.h"
#include "support/window_support.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "analyses/ui/histogram.h"
#include "output/kittexts.h"
#include "output/numberformat.h"
#include "output/results.h"
#include "output/ui/printimage.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/stripheights.h"
#include "plot/ui/overlay.h"
#include "plot/ui/stacked.h"
#include "plot/ui/stripheights.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"
#include "platform/test.h"

namespace {

using plat::test::Script;
constexpr const char* kErase = "\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b";

class PlotSide : public ::testing::Test {
 protected:
  void SetUp() override {
    slot_ = testsupport::StartProgramOnDemo();
    ASSERT_GE(slot_, 0);
    plat::test::clearRecorders();
  }
  void TearDown() override {
    CustomPlot = CustomScreenPlot = 0;
    printblock = 0;
    testsupport::StopProgram();
  }
  void setBlock(int32_t first, int32_t last) const {
    testsupport::MarkBlock(slot_, first, last);
  }
  static std::string printedText() {
    std::string all;
    for (const auto& page : plat::test::printedPages())
      for (const std::string& l : page.lines) all += l + "\n";
    return all;
  }
  // Screen strip words that no print layout would give.
  void markScreenStrips() {
    for (int16_t c = 1; c <= nChannels[slot_]; ++c)
      for (int word = 8; word <= 12; ++word) nVar[slot_][c][word] = static_cast<float>(1000 + 10 * c + word);
    keptStrips_.assign(std::begin(nVar[slot_]), std::end(nVar[slot_]));
  }
  void expectScreenStripsKept() const {
    for (int16_t c = 1; c <= nChannels[slot_]; ++c)
      for (int word = 8; word <= 12; ++word)
        EXPECT_EQ(nVar[slot_][c][word], keptStrips_[static_cast<size_t>(c)][static_cast<size_t>(word)])
            << "channel " << c << ", word " << word;
  }
  static double fieldNumber(int win, int id) { return std::stod(plat::fieldText(win, id)); }

  int16_t slot_ = -1;
  std::vector<ChannelInfoRecord> keptStrips_;
  bool pageHeightsAsked_ = false;
};

TEST_F(PlotSide, PrintsAndStoresWhatItShows) {
  const testsupport::ScriptedRow rows[] = {
      {"the block previewed is the block printed",
       [this] {
         setBlock(100, 400);
         ASSERT_EQ(AddInterpolationPair(slot_, 250, 300), StoreStatus::Ok);   // beside the 202 at 300
       },
       [] {
         Script s;
         s.click(kPrintOptionsWindow, kPrintNext);
         s.click(kChannelSelectWindow, kSelectBlockOnly).click(kChannelSelectWindow, kSelectDone);
         s.call([] {
           // The sampling line keeps clear of the time index's rule and caption (y 490).
           const QImage img = plat::test::portImage(kPrintPageWindow);
           int ink = 0;
           for (int y = 491; y <= 494; ++y)
             for (int x = 120; x <= 620; ++x) ink += img.pixelColor(x, y) != QColor(Qt::white);
           EXPECT_EQ(ink, 0) << "the sampling line reaches up to the rule";
           // The start time stands under the rule, not struck through by it.
           const auto inkIn = [&img](int top, int bottom) {
             int n = 0;
             for (int y = top; y <= bottom; ++y)
               for (int x = 45; x <= 120; ++x) n += img.pixelColor(x, y) != QColor(Qt::white);
             return n;
           };
           EXPECT_EQ(inkIn(482, 489), 0) << "the start time reaches above the rule";
           EXPECT_GT(inkIn(491, 506), 0) << "the start time under the rule";
           plat::test::saveArtifact(plat::test::windowImage(kPrintPageWindow), "print-preview-block.png");
         });
         s.click(kPrintPageWindow, kPreviewSend).answerPageSetup(true).answerPrint(true);
         return s;
       },
       [] { EXPECT_TRUE(DoMENU(1, 15)); },
       [] {
         ASSERT_EQ(plat::test::printedPages().size(), 1u);
         const std::string all = printedText();
         EXPECT_NE(all.find("100.0 sec"), std::string::npos) << all;
         EXPECT_NE(all.find("400.0 sec"), std::string::npos) << all;
         EXPECT_EQ(all.find(" min\n"), std::string::npos) << "not the screen's segment\n" << all;
         // One line of labels: the 200 at 250, then 202 as its number with the 199 beside it.
         EXPECT_NE(all.find("\n\xC8" "2 \xC7\n"), std::string::npos) << all;
         EXPECT_EQ(printblock, 0);
       }},
      {"printing with equal strips leaves the screen's strips",
       [this] { markScreenStrips(); },
       [] {
         Script s;
         s.click(kPrintOptionsWindow, kPrintNext);
         s.click(kChannelSelectWindow, kSelectAll).click(kChannelSelectWindow, kSelectDone);
         s.answerPageSetup(true).answerPrint(true);
         return s;
       },
       [] { EXPECT_TRUE(DoMENU(1, 14)); },
       [this] {
         EXPECT_EQ(plat::test::printedPages().size(), 1u);
         expectScreenStripsKept();
       }},
      {"printing with custom heights leaves the screen's strips",
       [this] {
         markScreenStrips();
         CustomPlot = 1;
         CustomScreenPlot = 1;
       },
       [] {
         Script s;
         s.click(kPrintOptionsWindow, kPrintNext);
         s.click(kChannelSelectWindow, kSelectAll).click(kChannelSelectWindow, kSelectDone);
         s.answerPageSetup(true).answerPrint(true);
         return s;
       },
       [this] {
         // The custom-height dialog's part: it writes the strip words, here
         // the first channel a strip four times the others'.
         PrintImageServices services;
         services.customPlot = &CustomPlot;
         services.customHeights = [this] {
           pageHeightsAsked_ = true;
           for (int16_t c = 1; c <= nChannels[slot_]; ++c) {
             nVar[slot_][c][8] = c == 1 ? 160.0f : 40.0f;
             nVar[slot_][c][9] = nVar[slot_][c][11] = 0.0f;
           }
         };
         SCREENIMAGE(1, services);
       },
       [this] {
         EXPECT_TRUE(pageHeightsAsked_);
         EXPECT_EQ(plat::test::printedPages().size(), 1u);
         EXPECT_EQ(CustomPlot, 1) << "the choice stays for the next print";
         expectScreenStripsKept();
       }},
      {"big distribution of 10 cases: bars, axis and width field share the 10 bins",
       [this] { setBlock(1000, 1009); },
       [this] {
         const auto& v = gPointersToFileData[slot_][1];
         const auto [lo, hi] = std::minmax_element(v.begin() + 1000, v.begin() + 1010);
         const double span = static_cast<double>(*hi) - *lo;
         Script s;
         s.click(kResultsWindow, kBigHistogramButton);
         s.call([] {
           EXPECT_EQ(plat::fieldText(kHistogramWindow, kHistBinsField), "10");
           EXPECT_NEAR(fieldNumber(kHistogramWindow, kHistWidthField), (ma - mi) / 10.0, 1e-3 * (ma - mi));
           // The largest value is in the last bin, which ends where the axis does.
           const QImage img = plat::test::portImage(kHistogramWindow);
           EXPECT_EQ(img.pixelColor(580, 274), QColor(0x40, 0x60, 0xB0)) << "a bar under the axis's right end";
           plat::test::saveArtifact(plat::test::windowImage(kHistogramWindow), "histogram-fewer-cases.png");
         });
         // A width that does not divide the span: the field names the width drawn.
         s.type(kHistogramWindow, kHistWidthField, std::string(kErase) + RealText(span * 0.45));
         s.click(kHistogramWindow, kHistUseWidth);
         s.call([] {
           EXPECT_EQ(plat::fieldText(kHistogramWindow, kHistBinsField), "5");
           EXPECT_NEAR(fieldNumber(kHistogramWindow, kHistWidthField), (ma - mi) / 5.0, 1e-3 * (ma - mi));
           plat::test::saveArtifact(plat::test::windowImage(kHistogramWindow), "histogram-new-width.png");
         });
         s.click(kHistogramWindow, kHistClose).closeBox(kResultsWindow);
         return s;
       },
       [] { EXPECT_TRUE(DoMENU(3, 1)); },
       [] { EXPECT_FALSE(plat::windowExists(kHistogramWindow)); }},
  };
  for (const testsupport::ScriptedRow& r : rows) {
    SCOPED_TRACE(r.name);
    plat::test::clearRecorders();
    CustomPlot = CustomScreenPlot = 0;
    r.run();
  }
}

// Texts that read as words where they read as typos: no stored file depends on them.
TEST_F(PlotSide, CorrectedTextsAreShown) {
  const struct Row {
    int16_t menu, item;
    int win, control;   // control 0: the window's title
    const char* text;
    std::function<void(Script&)> leave;
  } rows[] = {
      {2, 11, kResultsWindow, 12, "Start of File", [](Script& s) { s.closeBox(kResultsWindow); }},
      {77, 2, kResultsWindow, 0, "Automatic Block Selection", [](Script& s) { s.closeBox(kResultsWindow); }},
      {4, 9, kOverlayOptionsWindow, 0, "Overlay Lines and Persistence", [](Script& s) {
         s.click(kOverlayOptionsWindow, kOverlayOK);
       }},
      {1, 15, kPrintOptionsWindow, kPrintCustomHeights, "Non-standard Plot Height",
       [](Script& s) { s.click(kPrintOptionsWindow, kPrintNext).closeBox(kChannelSelectWindow); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    Script s;
    if (r.win == kOverlayOptionsWindow)   // the channels to overlay come first
      s.click(kChannelSelectWindow, 2).click(kChannelSelectWindow, kSelectDone);
    s.call([&r] {
      EXPECT_EQ(r.control == 0 ? plat::title(r.win) : plat::controlTitle(r.win, r.control), r.text);
    });
    r.leave(s);
    plat::test::run(s, [&r] { EXPECT_TRUE(DoMENU(r.menu, r.item)); });
  }
}

}  // namespace
