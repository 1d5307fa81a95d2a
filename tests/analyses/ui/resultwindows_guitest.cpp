// The results windows as a user first sees them, from the program's own
// start-up on the demo recording.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/layout_checks.h"
#include "support/program_support.h"
#include "support/window_support.h"

#include "platform/qt/portimpl.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "analyses/ui/average.h"
#include "analyses/ui/fit_commands.h"
#include "analyses/statspanel.h"
#include "analyses/ui/compaction.h"
#include "analyses/ui/fft.h"
#include "editing/ui/smoothing.h"
#include "plot/ui/plotwindow.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/menutable.h"
#include "analyses/ui/regression.h"
#include "analyses/ui/scans.h"
#include "analyses/ui/stepped.h"
#include "analyses/ui/timeintegrate.h"
#include "analyses/ui/waveform.h"
#include "respirometry/ui/effvolume.h"
#include "output/kittexts.h"
#include "output/results.h"
#include "output/numberformat.h"
#include "output/ui/destination.h"
#include "output/ui/tabular_dialog.h"
#include "shell/ui/kit.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/redraw.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kitglobals.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "support/desk_activation.h"
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

using testsupport::ShownImage;
using testsupport::UnshownPixels;
using testsupport::LayoutFaults;

class ResultWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    slot_ = testsupport::StartProgramOnDemo();
    ASSERT_GE(slot_, 0);
    testsupport::MarkBlock(slot_, 100, 400);
    plat::test::run(Script{}, [] { DRAWBLOCK(); });
  }
  void TearDown() override {
    testsupport::ClearStore();
    ClearCommandRegistry();
    ClearScriptOps();
  }
  int16_t slot_ = -1;
};

// The texts drawn into a port while it recorded.
std::vector<std::string> RecordedTexts(const plat::Picture& pic) {
  std::vector<std::string> out;
  if (!pic.data) return out;
  for (const auto& op : pic.data->ops)
    if (const auto* t = std::get_if<plat::op::Text>(&op.what)) out.push_back(t->bytes);
  return out;
}

bool Contains(const std::vector<std::string>& texts, const std::string& needle) {
  return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(needle) != std::string::npos; });
}

// Checks window win as the screen shows it and saves that picture.
void Settled(Script& s, int win, const std::string& name) {
  s.call([win, name] {
    SCOPED_TRACE(name);
    ASSERT_TRUE(plat::windowExists(win));
    EXPECT_EQ(UnshownPixels(win), 0) << "drawn but not flushed to the screen";
    plat::test::saveArtifact(ShownImage(win), "shown-" + name + ".png");
  });
}

TEST_F(ResultWindows, EachShowsWhatItDrewAsSoonAsItWaitsAndLeavesNoDeadButtons) {
  using Steps = std::function<void(Script&)>;
  const struct {
    const char* name;
    int16_t menu, item;
    Steps before;
    int win;
    Steps after;
  } cases[] = {
      {"descriptive", 3, 1, [](Script&) {}, kResultsWindow, [](Script& s) { s.closeBox(kResultsWindow); }},
      {"slope-over-time", 3, 15, [](Script& s) { s.click(kTimeUnitsWindow, kTimeMinutes); }, kResultsWindow,
       [](Script& s) { s.closeBox(kResultsWindow); }},
      {"regression", 3, 16,
       [](Script& s) {
         s.click(kPickWindow, 1).click(kPickWindow, 4 + 2).click(kPickWindow, kPickOK);
         s.click(kPickWindow, kModelDone);
       },
       kResultsWindow, [](Script& s) { s.click(kResultsWindow, kRegExit); }},
      {"waveform", 3, 11, [](Script& s) { s.click(kSecondaryWindow, kWaveDefaultTriggers); }, kResultsWindow,
       [](Script& s) { s.closeBox(kResultsWindow); }},
      {"time-series", 103, 1, [](Script& s) { s.click(kSeriesWindow, kSeriesPlot); }, kSeriesWindow,
       [](Script& s) { s.click(kSeriesWindow, kSeriesDone); }},
      {"minimum-scan", 3, 2,
       [](Script& s) { s.type(kScanIntervalWindow, kScanSecondsField, "2").click(kScanIntervalWindow, kScanIntervalOK); },
       kResultsWindow, [](Script& s) { s.closeBox(kResultsWindow); }},
      {"most-level-scan", 3, 4,
       [](Script& s) { s.type(kScanIntervalWindow, kScanSecondsField, "2").click(kScanIntervalWindow, kScanIntervalOK); },
       kResultsWindow, [](Script& s) { s.closeBox(kResultsWindow); }},
      {"integration", 3, 6, [](Script&) {}, kResultsWindow, [](Script& s) { s.closeBox(kResultsWindow); }},
      {"asymptote", 3, 17, [](Script& s) { s.click(kTimeUnitsWindow, kTimeSeconds); }, kResultsWindow,
       [](Script& s) { s.click(kResultsWindow, kAsymDone); }},
      {"polynomial", 3, 18,
       [](Script& s) { s.click(kPickWindow, 1).click(kPickWindow, 4 + 2).click(kPickWindow, kPickOK); }, kPolyWindow,
       [](Script& s) { s.click(kPolyWindow, kPolyDone); }},
      {"time-integration", 3, 20, [](Script&) {}, kResultsWindow, [](Script& s) { s.closeBox(kResultsWindow); }},
      {"event-counting", 3, 21, [](Script&) {}, kResultsWindow, [](Script& s) { s.closeBox(kResultsWindow); }},
      {"selective-integration", 3, 22, [](Script&) {}, kResultsWindow,
       [](Script& s) { s.closeBox(kResultsWindow); }},
      {"stepped-sampling", 103, 2, [](Script& s) { s.click(kResultsWindow, kStepPlot); }, kStepPlotWindow,
       [](Script& s) { s.click(kResultsWindow, kStepDone); }},
      {"fft-setup", 3, 13, [](Script&) {}, kResultsWindow, [](Script& s) { s.click(kResultsWindow, kFftExit); }},
      {"running-average", 3, 8, [](Script&) {}, kResultsWindow, [](Script& s) { s.closeBox(kResultsWindow); }},
      {"pair-differences", 3, 9, [](Script&) {}, kResultsWindow, [](Script& s) { s.closeBox(kResultsWindow); }},
      {"sample-averaging", 83, 1, [](Script&) {}, kResultsWindow, [](Script& s) { s.click(kResultsWindow, kParseDone); }},
      {"time-averaging", 83, 2, [](Script&) {}, kResultsWindow, [](Script& s) { s.click(kResultsWindow, kParseDone); }},
      {"effective-volume", 76, 12, [](Script& s) { s.click(kEffVolumeWindow, kEffVolumeCompute); }, kResultsWindow,
       [](Script& s) { s.click(kResultsWindow, kEffVolumeDone); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Script s;
    c.before(s);
    Settled(s, c.win, c.name);
    c.after(s);
    plat::test::run(s, [&] { DoMENU(c.menu, c.item); });
    // Buttons left standing after the loop would answer nothing: the window
    // goes, or keeps only its numbers.
    for (QWidget* b : testsupport::VisibleControls(c.win))
      if (qobject_cast<QAbstractButton*>(b) && b->isEnabled()) ADD_FAILURE() << "live after the loop: " << testsupport::Describe(b);
  }
}

// Each fault as a failure, and the window as the screen shows it saved.
void ExpectClearLayout(int win, const std::string& name) {
  SCOPED_TRACE(name);
  ASSERT_TRUE(plat::windowExists(win));
  for (const std::string& f : LayoutFaults(win)) ADD_FAILURE() << f;
  EXPECT_EQ(UnshownPixels(win), 0);
  plat::test::saveArtifact(ShownImage(win), name + ".png");
}

// The clock line (green) lies between the header and the mean, and the two
// header lines above it keep every row of their text.
void ExpectHeaderClockAndMeanApart() {
  const QImage port = plat::test::portImage(kResultsWindow).convertToFormat(QImage::Format_RGB32);
  const plat::Rect mean = plat::controlRect(kResultsWindow, kPanelMeanField);
  int greenTop = port.height(), greenBottom = -1;
  std::vector<bool> ink(static_cast<size_t>(port.height()), false);
  for (int y = 0; y < port.height(); ++y)
    for (int x = 0; x < 240; ++x) {
      const QRgb c = port.pixel(x, y);
      if (qGreen(c) > 150 && qRed(c) < 120 && qBlue(c) < 120) {
        greenTop = std::min(greenTop, y);
        greenBottom = std::max(greenBottom, y);
      } else if (qGray(c) < 96) {
        ink[static_cast<size_t>(y)] = true;
      }
    }
  ASSERT_GE(greenBottom, 0) << "no clock line";
  EXPECT_LT(greenBottom, mean.top - 1) << "the clock runs into the mean";
  std::vector<int> runs;
  for (int y = 0, run = 0; y <= greenTop; ++y) {
    if (y < greenTop && ink[static_cast<size_t>(y)]) {
      ++run;
    } else if (run > 0) {
      runs.push_back(run);
      run = 0;
    }
  }
  ASSERT_EQ(runs.size(), 2u) << "two header lines above the clock";
  for (int r : runs) EXPECT_GE(r, 10) << "a header line lost rows of its text";
}

// After a channel button every header names the new channel on the screen,
// not only in the window's picture, and the descriptive statistics' bound
// fields and the limits windows' limits offer what a window opened on the
// new channel offers unless typed into; a result stored then names and
// holds the new channel in the text and tabular files. A limits window
// opened while the block window shows another channel offers the range of
// the channel it analyses.
TEST_F(ResultWindows, AChannelButtonShowsTheNewChannelEverywhere) {
  using Steps = std::function<void(Script&)>;
  const Steps scan = [](Script& s) {
    s.type(kScanIntervalWindow, kScanSecondsField, "2").click(kScanIntervalWindow, kScanIntervalOK);
  };
  const struct {
    const char* name;
    int16_t item;
    Steps before;
    int16_t shown = 0;   // the block window's channel at opening; 0 the active one
  } cases[] = {
      {"descriptive", 1, [](Script&) {}},
      {"minimum-scan", 2, scan},
      {"maximum-scan", 3, scan},
      {"most-level-scan", 4, scan},
      {"most-variable-scan", 5, [scan](Script& s) { scan(s); s.click(kScanIntervalWindow, kOverallSlopeButton); }},
      {"integration", 6, [](Script&) {}},
      {"slope-over-time", 15, [](Script& s) { s.click(kTimeUnitsWindow, kTimeMinutes); }},
      {"time-integration", 20, [](Script&) {}},
      {"event-counting", 21, [](Script&) {}},
      {"selective-integration", 22, [](Script&) {}},
      {"time-integration-beside-another-block", 20, [](Script&) {}, 2},
  };
  constexpr int16_t kNew = 3;
  const int16_t slot = slot_;
  auto header = [slot](int16_t c) {
    return ResultsHeaderTexts(c, RetrieveLabelOf(slot, c), BeginBlock[slot], EndBlock[slot],
                              FileInfoFLOATS[slot][kInfoInterval])
        .channelLine;
  };
  // The channel made active, its block shown as the block window shows it,
  // or the block window left on another channel.
  auto activate = [](int16_t c, int16_t shown = 0) {
    ActiveChannel = c;
    chanB = static_cast<uint16_t>(c);
    plat::test::run(Script{}, [] { DRAWBLOCK(); });
    if (shown == 0) return;
    chanB = static_cast<uint16_t>(shown);
    plat::test::run(Script{}, [] { DRAWBLOCK(); });
  };
  auto limitsOf = [](int16_t item, float lo, float hi) {
    const float g = item == 21 ? lo + (hi - lo) * 0.5f : lo;
    return std::pair{FieldNumText(g), FieldNumText(item == 21 ? g : hi)};
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    activate(1);
    const auto opened = limitsOf(c.item, BlockMinY, BlockMaxY);
    activate(1, c.shown);
    Script s;
    c.before(s);
    for (int k = 0; k < 300; ++k) s.call([] {});
    std::string typedMax, firstLimit;
    if (c.item == 1)
      s.call([&typedMax] { typedMax = plat::fieldText(kResultsWindow, kStatsMaxField); });
    // The limits windows as a fresh program opens them: none remembered.
    LastPosSelectiveLimit = LastNegSelectiveLimit = 0.0f;
    if (c.item >= 20)
      s.call([&firstLimit, &opened] {
        firstLimit = plat::fieldText(kResultsWindow, kLimitGreaterField);
        EXPECT_EQ(firstLimit, opened.first) << "not the analysed channel's range";
        EXPECT_EQ(plat::fieldText(kResultsWindow, kLimitLessField), opened.second);
      });
    s.click(kResultsWindow, kNew);
    for (int k = 0; k < 300; ++k) s.call([] {});
    s.call([&, name = std::string(c.name), item = c.item] {
      EXPECT_EQ(ch, kNew);
      EXPECT_EQ(UnshownPixels(kResultsWindow), 0) << "drawn but not shown";
      const std::vector<std::string> drawn = plat::test::drawnTexts(kResultsWindow);
      EXPECT_TRUE(Contains(drawn, header(kNew))) << "no header of channel " << kNew;
      EXPECT_FALSE(Contains(drawn, header(1))) << "the first channel's header still showing";
      plat::test::saveArtifact(ShownImage(kResultsWindow), "channel-switched-" + name + ".png");
      if (item >= 20) {
        const float g = item == 21 ? BlockMinY + (BlockMaxY - BlockMinY) * 0.5f : BlockMinY;
        EXPECT_EQ(plat::fieldText(kResultsWindow, kLimitGreaterField), FieldNumText(g));
        EXPECT_EQ(plat::fieldText(kResultsWindow, kLimitLessField), FieldNumText(item == 21 ? g : BlockMaxY));
        EXPECT_NE(plat::fieldText(kResultsWindow, kLimitGreaterField), firstLimit) << "channel 1's limit left standing";
      }
      if (item != 1) return;
      EXPECT_EQ(plat::fieldText(kResultsWindow, kStatsMaxField), RealText(BlockMaxY));
      EXPECT_EQ(plat::fieldText(kResultsWindow, kStatsMinField), RealText(BlockMinY));
      EXPECT_NE(plat::fieldText(kResultsWindow, kStatsMaxField), typedMax) << "channel 1's bound left standing";
    });
    if (c.item == 1) {
      // A bound typed by the user stays through the next channel.
      s.call([] { plat::setFieldText(kResultsWindow, kStatsMaxField, "12.5"); });
      s.click(kResultsWindow, 2);
      for (int k = 0; k < 300; ++k) s.call([] {});
      s.call([] {
        EXPECT_EQ(plat::fieldText(kResultsWindow, kStatsMaxField), "12.5");
        EXPECT_EQ(plat::fieldText(kResultsWindow, kStatsMinField), RealText(BlockMinY));
      });
    }
    if (c.item >= 20) {
      // So does a typed limit; the other still follows.
      s.call([] { plat::setFieldText(kResultsWindow, kLimitLessField, "12.5"); });
      s.click(kResultsWindow, 2);
      for (int k = 0; k < 300; ++k) s.call([] {});
      s.call([item = c.item] {
        const float g = item == 21 ? BlockMinY + (BlockMaxY - BlockMinY) * 0.5f : BlockMinY;
        EXPECT_EQ(plat::fieldText(kResultsWindow, kLimitLessField), "12.5");
        EXPECT_EQ(plat::fieldText(kResultsWindow, kLimitGreaterField), FieldNumText(g));
      });
    }
    if (c.item == 20 || c.item == 22) {
      // The kind switch analyses the active channel again: the block window
      // and the untyped limit follow it, the typed one stays.
      s.click(kResultsWindow, kLimitSwitchKind);
      for (int k = 0; k < 300; ++k) s.call([] {});
      s.call([&opened] {
        EXPECT_EQ(chanB, static_cast<uint16_t>(ch)) << "the block window shows another channel";
        EXPECT_EQ(plat::fieldText(kResultsWindow, kLimitGreaterField), opened.first);
        EXPECT_EQ(plat::fieldText(kResultsWindow, kLimitLessField), "12.5");
      });
    }
    s.closeBox(kResultsWindow);
    plat::test::run(s, [&] { DoMENU(3, c.item); });
  }

  // Stored after the switch, the text and the tabular record name the new
  // channel and hold what a run opened on it stores. A scan's window was
  // found on the first channel, which its record names as the scan's own.
  const fs::path dir = testsupport::FreshTestDir("corvimet-switched-records-");
  for (const bool tabular : {false, true}) {
    const fs::path file = dir / (tabular ? "switched.txt" : "switched");
    Script port;
    if (tabular) port.click(kOutputOptionsWindow, kTabChannelFile).click(kOutputOptionsWindow, kTabOK);
    port.answerSave(file);
    plat::test::run(port, [tabular] { DoMENU(kMenuSendResults, tabular ? 2 : 3); });
    for (const auto& c : cases)
      for (const int16_t first : {int16_t{1}, kNew}) {
        SCOPED_TRACE(std::string(c.name) + (first == 1 ? ", switched" : ", opened on it"));
        activate(first, c.shown);
        LastPosSelectiveLimit = LastNegSelectiveLimit = 0.0f;
        Script s;
        c.before(s);
        for (int k = 0; k < 300; ++k) s.call([] {});
        if (first != kNew) s.click(kResultsWindow, kNew);
        for (int k = 0; k < 300; ++k) s.call([] {});
        // A window with a Print button stores the result opened on the
        // channel with it and the switched one with P, typed as the window
        // manager leaves the keyboard: the same record.
        const int16_t print = c.item == 15 ? kSlopePrint : c.item >= 20 ? kLimitPrintButton : int16_t{0};
        if (print != 0 && first == kNew) s.click(kResultsWindow, print);
        else s.call(testsupport::DeskActivatedAgain).key(kResultsWindow, 'p');
        if (tabular && c.item == 15) {
          // A slope takes no row: the key says so as the button does.
          s.call([] {
             EXPECT_NE(plat::fieldText(kAlertWindow, kAlertMessage).find("takes no row"), std::string::npos);
           }).click(kAlertWindow, kAlertOK);
        }
        for (int k = 0; k < 300; ++k) s.call([] {});
        s.closeBox(kResultsWindow);
        plat::test::run(s, [&] { DoMENU(3, c.item); });
      }
    CloseDestination();
    std::ifstream in(file, std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(in), {}};
    // One record a store: tabular rows under their header, text records
    // between rules.
    std::vector<std::string> records(tabular ? 0 : 1);
    for (size_t at = 0; at < all.size();) {
      const size_t end = std::min(all.find_first_of("\r\n", at), all.size());
      const std::string line = all.substr(at, end - at);
      at = end + 1;
      if (tabular) {
        if (!line.empty()) records.push_back(line);
      } else if (line == std::string(50, '_')) {
        records.emplace_back();
      } else {
        records.back() += line + "\n";
      }
    }
    // The first record follows the file's own header.
    if (!tabular) records[0] = records[0].substr(records[0].rfind('\n', records[0].find(" FILE  '")) + 1);
    const std::string named = tabular ? "\t" + IntText(kNew) + "\t" : "CHANNEL " + std::to_string(kNew) + ":";
    size_t at = tabular ? 1 : 0;   // past the tabular header
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (tabular ? ", tabular" : ", text"));
      if (tabular && c.item == 15) continue;   // a slope takes no row
      // Event counting stores a row for each direction.
      const size_t rows = tabular && c.item == 21 ? 2 : 1;
      ASSERT_LE(at + 2 * rows, records.size()) << all;
      std::string switched, opened;
      for (size_t k = 0; k < rows; ++k) switched += records[at++] + "\n";
      for (size_t k = 0; k < rows; ++k) opened += records[at++] + "\n";
      EXPECT_NE(switched.find(named), std::string::npos) << switched;
      EXPECT_NE(switched.find(RetrieveLabelOf(slot, kNew)), std::string::npos) << switched;
      if (c.item < 2 || c.item > 5) {
        EXPECT_EQ(switched, opened);
      } else if (!tabular) {
        // The scan's cases, read on the new channel.
        const size_t cs = switched.find("at cases ");
        ASSERT_NE(cs, std::string::npos) << switched;
        const int32_t b = std::stoi(switched.substr(cs + 9)), e = std::stoi(switched.substr(switched.find(" to ", cs) + 4));
        double sum = 0;
        for (int32_t k = b; k <= e; ++k) sum += GetDatum(slot, kNew, k);
        const size_t m = switched.find("Mean =");
        ASSERT_NE(m, std::string::npos) << switched;
        EXPECT_NEAR(std::stod(switched.substr(m + 6)), sum / (e - b + 1), 5e-3) << switched;
        EXPECT_NE(switched.find("based on channel 1:"), std::string::npos) << switched;
      }
    }
  }
  fs::remove_all(dir);
}

// Store Current Result ('p'), typed in a fit window as the window manager
// leaves the keyboard, does what the window's Print button does: the same
// record in the text file, the same row in the tabular file, or the same
// alert where the tabular file takes no row.
TEST_F(ResultWindows, ThePKeyStoresWhatPrintStores) {
  using Steps = std::function<void(Script&)>;
  const Steps pick = [](Script& s) { s.click(kPickWindow, 1).click(kPickWindow, 4 + 2).click(kPickWindow, kPickOK); };
  const struct {
    const char* name;
    int16_t item;
    int32_t first, last;
    int16_t channel;
    Steps before;
    int win;
    int16_t print;
    bool noRow;   // the tabular file takes none: an alert says so
    Steps after;
  } cases[] = {
      {"regression", 16, 100, 400, 1, [pick](Script& s) { pick(s); s.click(kPickWindow, kModelDone); },
       kResultsWindow, kRegPrint, true, [](Script& s) { s.click(kResultsWindow, kRegExit); }},
      {"polynomial", 18, 100, 400, 1, pick, kPolyWindow, kPolyPrint, false,
       [](Script& s) { s.click(kPolyWindow, kPolyDone); }},
      {"asymptote", 17, 2419, 2460, 1, [](Script& s) { s.click(kTimeUnitsWindow, kTimeMinutes); }, kResultsWindow,
       kAsymPrint, false, [](Script& s) { s.click(kResultsWindow, kAsymDone); }},
      {"waveform", 11, 0, 7199, 4, [](Script& s) { s.click(kSecondaryWindow, kWaveDefaultTriggers); },
       kResultsWindow, kWavePrint, false, [](Script& s) { s.closeBox(kResultsWindow); }},
  };
  const fs::path dir = testsupport::FreshTestDir("corvimet-p-key-records-");
  for (const bool tabular : {false, true}) {
    const fs::path file = dir / (tabular ? "stored.txt" : "stored");
    Script port;
    if (tabular) port.click(kOutputOptionsWindow, kTabChannelFile).click(kOutputOptionsWindow, kTabOK);
    port.answerSave(file);
    plat::test::run(port, [tabular] { DoMENU(kMenuSendResults, tabular ? 2 : 3); });
    auto size = [file] {
      std::error_code none;
      const auto n = fs::file_size(file, none);
      return none ? size_t{0} : static_cast<size_t>(n);
    };
    auto since = [file](size_t at) {
      std::ifstream in(file, std::ios::binary);
      const std::string all{std::istreambuf_iterator<char>(in), {}};
      return all.substr(std::min(at, all.size()));
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (tabular ? ", tabular" : ", text"));
      testsupport::SelectBlock(slot_, c.first, c.last, c.channel);
      size_t before = 0, between = 0;
      std::string printed, keyed;
      auto noRowAlert = [&c, tabular](Script& s) {
        if (!tabular || !c.noRow) return;
        s.call([] {
           ASSERT_TRUE(plat::windowExists(kAlertWindow)) << "no alert";
           EXPECT_NE(plat::fieldText(kAlertWindow, kAlertMessage).find("takes no row"), std::string::npos);
         }).click(kAlertWindow, kAlertOK);
      };
      Script s;
      c.before(s);
      s.call([&] { before = size(); });
      s.click(c.win, c.print);
      noRowAlert(s);
      s.call([&] {
        printed = since(before);
        between = size();
      });
      s.call(testsupport::DeskActivatedAgain).key(c.win, 'p');
      noRowAlert(s);
      s.call([&] { keyed = since(between); });
      c.after(s);
      plat::test::run(s, [&] { DoMENU(3, c.item); });
      EXPECT_EQ(printed.empty(), tabular && c.noRow) << printed;
      EXPECT_EQ(keyed, printed);
    }
    CloseDestination();
  }
  fs::remove_all(dir);
}

TEST_F(ResultWindows, NothingClippedOrOverlapping) {
  Script s;
  s.click(kEffVolumeWindow, kEffVolumeCompute);
  s.call([] {
    ExpectClearLayout(kResultsWindow, "layout-effective-volume");
    ExpectHeaderClockAndMeanApart();
  });
  s.click(kResultsWindow, kEffVolumeDone);
  plat::test::run(s, [] { DoMENU(76, 12); });

  Script r;
  r.click(kPickWindow, 1).click(kPickWindow, 4 + 2).click(kPickWindow, kPickOK).click(kPickWindow, kModelDone);
  r.click(kResultsWindow, kRegResiduals);
  r.call([] { ExpectClearLayout(kResidualsWindow, "layout-residuals"); });
  r.click(kResidualsWindow, kResidualsDone).click(kResultsWindow, kRegExit);
  plat::test::run(r, [] { DoMENU(3, 16); });

  Script w;
  w.click(kSecondaryWindow, kWaveDefaultTriggers);
  w.call([] { ExpectClearLayout(kResultsWindow, "layout-waveform"); });
  w.closeBox(kResultsWindow);
  plat::test::run(w, [] { DoMENU(3, 11); });

  SteppedSampleInterval = 10.0f;
  SteppedSampleSkip = 20.0f;
  Script t;
  t.click(kResultsWindow, kStepPlot);
  t.call([] { ExpectClearLayout(kStepPlotWindow, "layout-stepped-plot"); });
  t.click(kResultsWindow, kStepDone);
  plat::test::run(t, [] { DoMENU(103, 2); });
}

}  // namespace


namespace {

TEST_F(ResultWindows, BasicTimeSeriesWithoutABlockSaysSo) {
  FileSHORTS[slot_][kShortBlockState] = 0;
  bool alerted = false;
  Script s;
  s.call([&] { alerted = plat::windowExists(kAlertWindow); }).click(kAlertWindow, kAlertOK);
  plat::test::run(s, [] { DoMENU(103, 1); });
  EXPECT_TRUE(alerted);
  EXPECT_FALSE(plat::windowExists(kSeriesWindow));
}

// The transform tells its stages while it runs; afterwards the file has no
// block and window 2 shows none.
TEST_F(ResultWindows, TheSpectrumTellsItsStagesAndLeavesNoBlockShown) {
  const int plot = PlotWindowId(slot_);
  const plat::Point middle{ScreenWidth / 2, BottomOfPlotArea / 2};
  std::string during;
  bool bar = false;
  Script s;
  s.click(kResultsWindow, 9);
  testsupport::Idle(s, 30);
  s.moveTo(plot, middle).clickAt(plot, middle);
  testsupport::Idle(s, 8);
  s.call([] { ASSERT_EQ(BlockWindowIsOpen, 1); });
  s.click(kResultsWindow, kFftDo);
  s.call([&] {   // the pause after the transform
    during = plat::fieldText(kResultsWindow, kFftStatusField);
    bar = plat::controlExists(kResultsWindow, kProgressControl);
  });
  testsupport::Idle(s, 8);
  s.call([this] {
    EXPECT_EQ(FileSHORTS[slot_][kShortBlockState], 0);
    EXPECT_EQ(BlockWindowIsOpen, 0) << "window 2 still shows the old block";
    EXPECT_FALSE(plat::controlExists(kResultsWindow, kProgressControl));
    EXPECT_EQ(UnshownPixels(kResultsWindow), 0);
  });
  s.click(kResultsWindow, kFftExit);
  plat::test::run(s, [] { DoMENU(3, 13); });
  EXPECT_EQ(during, "FFT phase two...");
  EXPECT_TRUE(bar);
  EXPECT_EQ(BlockWindowIsOpen, 0);
}

TEST_F(ResultWindows, TheTimeSeriesPrintoutAdvisesItsScaleAndShowsItsProgress) {
  QImage before, after;
  std::vector<std::string> texts;
  Script s;
  s.click(kSeriesWindow, kSeriesPlot);
  s.call([&] {
    before = plat::test::portImage(kSeriesWindow);
    plat::port(kSeriesWindow).startRecording(plat::port(kSeriesWindow).bounds());
  });
  s.click(kSeriesWindow, kSeriesPrint).answerPageSetup(true).answerPrint(true);
  s.call([&] {
    texts = RecordedTexts(plat::port(kSeriesWindow).stopRecording());
    after = plat::test::portImage(kSeriesWindow);
  });
  s.click(kSeriesWindow, kSeriesDone);
  plat::test::run(s, [] { DoMENU(103, 1); });
  for (const char* t : {"Recommended scaling", "78%", "90%", " Sending time series to printer", "Plot #"}) {
    SCOPED_TRACE(t);
    EXPECT_TRUE(Contains(texts, t));
  }
  EXPECT_TRUE(before == after) << "the plots come back once the page is sent";
  ASSERT_FALSE(plat::test::printedPages().empty());
}

// Undo of a smoothing a script replayed shows the plot a full redraw shows:
// the trace within the plot, under its own axis labels.
TEST_F(ResultWindows, UndoOfAReplayedSmoothingRedrawsThePlot) {
  const int plot = PlotWindowId(slot_);
  RecordSCRIPT = 1;
  Script s;
  s.click(kResultsWindow, 10).click(kResultsWindow, kSmoothFirstPreset + 6).click(kResultsWindow, kSmoothAll);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 16)); });
  RecordSCRIPT = 0;
  plat::test::run(Script{}, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 1)); });
  for (const bool zoomed : {false, true}) {
    SCOPED_TRACE(zoomed);
    if (zoomed) plat::test::run(Script{}, [] { DoMENU(4, 6); });
    autoscript = 1;
    ScriptRunOnce = 1;
    plat::test::run(Script{}, [] { EXPECT_TRUE(RunScriptStep(1)); });
    autoscript = ScriptRunOnce = 0;
    plat::test::run(Script{}, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 1)); });
    const QImage undone = ShownImage(plot);
    plat::test::run(Script{}, [] { EXPECT_TRUE(DoMENU(4, 8)); });
    EXPECT_TRUE(undone == ShownImage(plot));
  }
}

}  // namespace
