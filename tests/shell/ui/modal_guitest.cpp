// Every modal loop the driver can open from the menus on the demo, left by
// each of its exits: its Done or Cancel button, the close box and Escape.
// A loop that ignores one of them holds the user (the driver reports the
// stall), and none leaves a pick to run after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <tuple>

#include "support/program_support.h"
#include "support/scratch.h"

#include "editing/customtransforms.h"
#include "analyses/ui/histogram.h"
#include "analyses/ui/scans.h"
#include "shell/menutable.h"
#include "plot/ui/plot_commands.h"
#include "respirometry/ui/effvolume.h"
#include "analyses/ui/regression.h"
#include "analyses/ui/waveform.h"
#include "calculators/rpn.h"
#include "calculators/ui/conversions_windows.h"
#include "calculators/ui/metabolism.h"
#include "calculators/ui/oxygen_windows.h"
#include "calculators/ui/pressure_windows.h"
#include "calculators/ui/suncycle.h"
#include "datafiles/ui/merge_dialog.h"
#include "datafiles/repairs.h"
#include "datafiles/ui/textimport_dialog.h"
#include "datafiles/ui/save_dialog.h"
#include "editing/ui/references.h"
#include "editing/ui/timescale_dialog.h"
#include "editing/ui/transformations.h"
#include "output/kittexts.h"
#include "respirometry/ui/watervo2.h"
#include "platform/resources.h"
#include "thermoregulation/ui/tregwindow.h"
#include "output/results.h"
#include "platform/app.h"
#include "output/ui/destination.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/stripheights.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/commentsbox.h"
#include "plot/ui/databar.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "plot/ui/toolbar.h"
#include "plot/ui/stacked.h"
#include "plot/ui/stripheights.h"
#include "scripts/ui/scriptview.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;

enum class Exit { Button, CloseBox, Escape };

const char* exitName(Exit e) {
  switch (e) {
    case Exit::Button: return "button";
    case Exit::CloseBox: return "close box";
    case Exit::Escape: return "Escape";
  }
  return "";
}

struct Loop {
  const char* name;
  int16_t menu, item;    // 0, 0: opened by `open`
  int window;            // the loop's window
  int button;            // its Done or Cancel; 0 when it has none
  // Steps that leave what the exit led to (a time-unit choice leads on to
  // its analysis whichever way it ends), and what only the button led to.
  std::function<void(Script&)> after;
  std::function<void(Script&)> afterButton;
  std::function<void()> open;
  std::function<void()> setup;
  std::function<void(Script&)> prelude;   // steps to the state the geometry is checked in
};

void closeResults(Script& s) { s.closeBox(kResultsWindow); }

// The started program on the demo, cases 1000..2000 its block, its toolbar
// at the left and no destination open, then the loop's own set-up. Returns
// the demo's slot, -1 when it did not load.
int16_t startLoop(const Loop& loop) {
  const int16_t slot = testsupport::StartProgramOnDemo();
  if (slot < 0) return slot;
  BeginBlock[slot] = 1000;
  EndBlock[slot] = 2000;
  FileSHORTS[slot][kShortBlockState] = 2;
  CloseDestination();
  ToolBar();   // the program's own toolbar at the left, where the start-up builds it
  if (loop.setup) loop.setup();
  return slot;
}

// Opens the loop under the script; a script that fails is reported, and false.
bool runLoop(const Loop& loop, const Script& s) {
  try {
    plat::test::run(s, [&] {
      if (loop.open) loop.open();
      else DoMENU(loop.menu, loop.item);
    });
  } catch (const plat::test::Failure& f) {
    ADD_FAILURE() << f.what();
    return false;
  }
  return true;
}

std::vector<Loop> loops() {
  return {
      {"Close Several Files", 1, 10, 24, 102},
      {"Acquisition data", 1, 12, 444, 0},
      {.name = "Nothing to store", .menu = 1, .item = 16, .window = kAlertWindow, .button = kAlertOK,
       .setup = [] { topic = 0; }},
      {.name = "No results destination", .menu = 1, .item = 16, .window = 99, .button = 0, .setup = [] { topic = 2; }},
      {"Save As", 1, 7, 9, 2},
      {"Preferences", 1, 13, 9, 502},
      {"Print image options", 1, 14, 5, 0},
      {"Preview options", 1, 15, 5, 0},
      {"Time scale adjustment", 75, 4, 20, 1},
      {"Tabular file options", 80, 2, 9, 0},
      {"File data", 2, 9, 6, 134},
      {"Baseline", 2, 11, 4, 0},
      {"Lag", 2, 12, 4, 3},
      {"Integral channel", 2, 13, 4, 0},
      {"Derivative channel", 2, 14, 4, 0},
      {"Smoothing", 2, 16, 4, 0},
      {"Automatic spike removal", 2, 17, 4, 45},
      {"References", 2, 18, 4, 9},
      {"Transformations", 2, 22, 4, 0},
      {.name = "Custom transforms", .menu = 2, .item = 23, .window = 150, .button = 53,
       .setup = [] { std::filesystem::remove(plat::appFolder() / kCustomTransformsFile); }},
      {"Expression transforms", 2, 24, 6, 50},
      {"Scale to block", 2, 25, 4, 110},
      {"Crop", 2, 30, 9, 2},
      {"Re-arrange", 2, 32, 6, 229},
      {"Interactive spikes", 2, 38, 4, 43},
      {"Set blocks", 73, 1, 9, 0},
      {"Cut block", 73, 2, 9, 4},
      {"Compaction", 83, 1, 4, 23},
      {"Time averaging", 83, 2, 4, 23},
      {"VO2", 76, 1, 4, 0},
      {"VCO2", 76, 2, 4, 0},
      {"Analyzer humidity", 76, 3, 4, 0},
      {"EWL", 76, 5, 4, 0},
      {"VO2 in water", 76, 7, 4, 0},
      {"Heat equivalents", 76, 9, 44, 5},
      {"Effective volume", 76, 12, 44, 0},
      {"Descriptive statistics", 3, 1, 4, 0},
      {"Minimum scan interval", 3, 2, 5, 124, nullptr, closeResults},
      {"Maximum scan interval", 3, 3, 5, 124, nullptr, closeResults},
      {"Most level interval", 3, 4, 5, 124, nullptr, closeResults},
      {"Most variable interval", 3, 5, 5, 124, nullptr,
       [](Script& s) { s.key(5, 13).closeBox(kResultsWindow); }},
      {"Block integration", 3, 6, 4, 0},
      {"Running average", 3, 8, 4, 700},
      {"Pair differences", 3, 9, 4, 700},
      {"Waveform triggers", 3, 11, 6, 5},
      {"FFT", 3, 13, 4, 26},
      {"Slope time units", 3, 15, 7, 11, closeResults},
      {"Regression channels", 3, 16, 7, 0},
      {"Asymptote time units", 3, 17, 7, 11, closeResults},
      {"Polynomial channels", 3, 18, 7, 0},
      {"Time integration", 3, 20, 4, 0},
      {"Event counting", 3, 21, 4, 0},
      {"Selective integration", 3, 22, 4, 0},
      {"Cross-channel subset", 3, 24, 99, 120},
      {"Block-shift rules", 3, 29, 14, 3},
      {"Automatic blocks", 77, 2, 4, 112},
      {"Time series", 103, 1, 6, 3},
      {"Stepped sampling", 103, 2, 4, 64},
      {"Overlay channels", 4, 9, 10, 104},
      {"Multichannel display", 4, 12, 6, 8},
      {"Manual scaling", 71, 5, 9, 3},
      {"Scaling palette", 71, 6, 11, 6},
      {"Insert marker", 82, 2, 4, 0},
      {"Script viewer", 6, 5, 5, 246},
      {"RPN calculator", 8, 1, 8, 41},
      {"Expression evaluator", 8, 2, 6, 50},
      {"STP flow", 8, 4, 8, 13},
      {"Altitude", 8, 5, 8, 4},
      {"Altitude simulation", 8, 6, 8, 4},
      {"Oxygen pressure", 8, 7, 8, 20},
      {"Dissolved oxygen", 8, 8, 8, 14},
      {"Metabolism", 8, 10, 8, 3},
      {"Q10", 8, 11, 8, 3},
      {"Closed system", 8, 12, 8, 2},
      {"Ventilation", 8, 13, 8, 3},
      {"Thermoregulation", 8, 14, 4, 260},
      {"Day of the year", 8, 16, 8, 2},
      {"Sun cycle", 8, 17, 8, 121},
      {"Unit conversions", 8, 18, 8, 14},
      {"About", 9, 1, 15, 1},
      {"Plot heights", 0, 0, kHeightsWindow, 0, nullptr, nullptr, [] {
         for (int16_t c = 1; c <= 3; ++c) OverlayArray[TheFileInUse][1][c] = 1;
         ChangeCHARTHITE(kHeightsForScreen);
       }},
  };
}

TEST(ModalLoops, EveryLoopEndsByItsButtonItsCloseBoxAndEscape) {
  for (const Loop& loop : loops()) {
    for (Exit exit : {Exit::Button, Exit::CloseBox, Exit::Escape}) {
      if (exit == Exit::Button && loop.button == 0) continue;
      SCOPED_TRACE(std::string(loop.name) + " by " + exitName(exit));
      ASSERT_GE(startLoop(loop), 0);
      bool opened = false;
      Script s;
      s.call([&] { opened = plat::windowExists(loop.window) && plat::windowVisible(loop.window); });
      switch (exit) {
        case Exit::Button:
          s.click(loop.window, loop.button);
          if (loop.afterButton) loop.afterButton(s);
          break;
        case Exit::CloseBox: s.closeBox(loop.window); break;
        case Exit::Escape: s.key(loop.window, 27); break;
      }
      if (loop.after) loop.after(s);
      if (!runLoop(loop, s)) continue;
      EXPECT_TRUE(opened);
      EXPECT_FALSE(plat::windowExists(loop.window) && plat::windowVisible(loop.window) && loop.window != kResultsWindow)
          << "the loop's window stays";
      EXPECT_EQ(MenuIDENTIFIER, 0) << "a pick left to run after the loop";
    }
  }
}

}  // namespace

// Once the plot-heights panel took only some clicks and ran a File-menu pick
// made meanwhile as an unexpected Save As after it closed.
TEST(ModalLoops, PlotHeightsTakesEveryClickAndRunsNoPickAfterwards) {
  const int16_t slot = testsupport::StartProgramOnDemo();
  ASSERT_GE(slot, 0);
  for (int16_t c = 1; c <= 3; ++c) OverlayArray[slot][1][c] = 1;
  CustomScreenPlot = 0;
  Script s;
  // A press and its release between two looks at the pointer are still a click.
  s.menu(kMenuFile, 7).clickAt(kHeightsWindow, {100, 60}).clickAt(kHeightsWindow, {100, 120});
  // Each look at the pointer runs a step: one more before the buttons wake.
  s.call([] {}).call([] { plat::test::saveArtifact(plat::test::windowImage(kHeightsWindow), "plot-heights.png"); });
  s.click(kHeightsWindow, kHeightsOK);
  plat::test::run(s, [] { ChangeCHARTHITE(kHeightsForScreen); });
  EXPECT_EQ(CustomScreenPlot, 1);
  EXPECT_FLOAT_EQ(nVar[slot][1][8], 60);
  EXPECT_FLOAT_EQ(nVar[slot][2][8], 60);
  EXPECT_EQ(MenuIDENTIFIER, 0) << "the Save As pick waits for nothing";
  EXPECT_TRUE(testsupport::SoundPlayed("beep")) << "it was refused when made";

  // Left by Escape half-way: the strips stay as they were.
  const ChannelInfoRecord before = nVar[slot][2];
  Script left;
  left.clickAt(kHeightsWindow, {100, 90}).key(kHeightsWindow, 27);
  plat::test::run(left, [] { ChangeCHARTHITE(kHeightsForScreen); });
  EXPECT_EQ(nVar[slot][2], before);
  EXPECT_FLOAT_EQ(nVar[slot][1][8], 60);
  EXPECT_EQ(CustomScreenPlot, 1);
  CustomScreenPlot = 0;
}

// A conversion that adds a channel asks whether to plot it; the plot-heights
// panel then opened by itself.
TEST(ModalLoops, PlotHeightsOpenOnlyWhenAsked) {
  const int16_t slot = testsupport::StartProgramOnDemo();
  ASSERT_GE(slot, 0);
  for (int16_t c = 1; c <= 4; ++c) OverlayArray[slot][1][c] = 1;
  FileSHORTS[slot][kShortView] = 1;
  CustomScreenPlot = 1;
  prefsArray[kPrefAskToPlotNewChannel] = 1;
  Script s;
  s.click(kMultiDisplayWindow, kMultiOK).click(kChannelSelectWindow, kSelectAll).click(kChannelSelectWindow, kSelectDone);
  plat::test::run(s, [] { DoMENU(kMenuEdit, 31); });   // Duplicate Channel
  EXPECT_EQ(nChannels[slot], 5);
  EXPECT_FALSE(plat::windowExists(kHeightsWindow));
  EXPECT_EQ(CustomScreenPlot, 0) << "heights made for four strips give way to equal ones";

  // Asked for from the View menu, it opens.
  CustomScreenPlot = 1;
  bool opened = false;
  Script asked;
  asked.click(kMultiDisplayWindow, kMultiOK)
      .click(kChannelSelectWindow, kSelectDone)
      .call([&] { opened = plat::windowExists(kHeightsWindow); })
      .closeBox(kHeightsWindow);
  plat::test::run(asked, [] { DoMENU(kMenuView, 12); });
  EXPECT_TRUE(opened);
  CustomScreenPlot = 0;
}

namespace {

struct GeometryFault {
  std::string what;
};

// A number that ends in an ellipsis was cut short of its room ("Save\xC9"
// is a title, "-3.25e+\xC9" a number).
bool cutNumber(const std::string& t) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  for (size_t i = t.find('\xC9'); i != std::string::npos && i > 0; i = t.find('\xC9', i + 1)) {
    size_t k = i - 1;
    if ((t[k] == '+' || t[k] == '-') && k > 0) --k;
    if ((t[k] == 'e' || t[k] == 'E' || t[k] == '.') && k > 0) --k;
    if (digit(t[k])) return true;
  }
  return false;
}

// Controls of every open window: each inside its window, no two overlapping,
// none with its text cut; every window on the desk, none over the toolbar.
// `reach`: only whether every window and control is on the desk.
std::vector<std::string> geometryFaults(bool reach = false) {
  std::vector<std::string> out;
  const plat::Size desk = plat::displaySize();
  const bool toolbar = plat::windowExists(kToolbarWindow) && plat::windowVisible(kToolbarWindow);
  const plat::Rect bar = toolbar ? plat::frameRect(kToolbarWindow) : plat::Rect{};
  for (int win : plat::windowIds()) {
    if (!plat::windowVisible(win)) continue;
    const std::string name = "window " + std::to_string(win) + " \"" + plat::title(win) + "\"";
    const plat::Rect frame = plat::frameRect(win);
    if (frame.left < 0 || frame.top < plat::config().menuBarHeight || frame.right > desk.w || frame.bottom > desk.h)
      out.push_back(name + " runs off the desk: " + std::to_string(frame.left) + "," + std::to_string(frame.top) + " to " +
                    std::to_string(frame.right) + "," + std::to_string(frame.bottom));
    if (reach) {
      const plat::Size size = plat::contentSize(win);
      for (int id : plat::controlIds(win)) {
        const plat::Rect r = plat::controlFrame(win, id);
        if (r.width() > 0 && r.height() > 0 && (r.left < 0 || r.top < 0 || r.right > size.w || r.bottom > size.h))
          out.push_back(name + ": control " + std::to_string(id) + " \"" + plat::controlTitle(win, id) +
                        "\" leaves it");
      }
      continue;
    }
    // The plot furniture (block window, comments box) stands by the toolbar, not under it.
    if (toolbar && win != kToolbarWindow && PlotSlotOfWindow(win) < 0 &&
        !(frame.right <= bar.left || bar.right <= frame.left || frame.bottom <= bar.top || bar.bottom <= frame.top))
      out.push_back(name + " lies under the toolbar");
    for (const std::string& cut : plat::test::cutTexts(win)) out.push_back(name + ": " + cut);
    // The plot draws its axis numbers under its clip and over them again.
    if (PlotSlotOfWindow(win) < 0)
      for (const std::string& cut : plat::test::drawnTextFaults(win)) out.push_back(name + ": " + cut);
    const plat::Size size = plat::contentSize(win);
    std::vector<std::pair<int, plat::Rect>> placed;
    for (int id : plat::controlIds(win)) {
      const plat::Rect r = plat::controlFrame(win, id);
      if (r.width() <= 0 || r.height() <= 0) continue;
      if (cutNumber(plat::controlTitle(win, id)))
        out.push_back(name + ": control " + std::to_string(id) + " \"" + plat::controlTitle(win, id) +
                      "\" cuts its number short");
      if (r.left < 0 || r.top < 0 || r.right > size.w || r.bottom > size.h)
        out.push_back("window " + std::to_string(win) + " \"" + plat::title(win) + "\": control " + std::to_string(id) +
                      " \"" + plat::controlTitle(win, id) + "\" leaves it");
      for (const auto& [other, o] : placed)
        if (!(r.right <= o.left || o.right <= r.left || r.bottom <= o.top || o.bottom <= r.top))
          out.push_back("window " + std::to_string(win) + " \"" + plat::title(win) + "\": controls " +
                        std::to_string(id) + " \"" + plat::controlTitle(win, id) + "\" and " + std::to_string(other) +
                        " \"" + plat::controlTitle(win, other) + "\" overlap");
      placed.push_back({id, r});
    }
  }
  return out;
}

// Windows a command shows side by side, each to be read while the other is
// open: neither may cover the other. Not every pair: a dialog may stand over
// the plot's furniture while it waits.
std::vector<std::string> coveredWindows() {
  const std::pair<int, int> besides[] = {
      {kResultsWindow, kSecondaryWindow},
      {kCommentsWindow, kBlockWindow},
      {kResultsWindow, kHistogramWindow},
      {kHistogramWindow, kCommentsWindow},
      // Not the block window: at 1280 x 800 the desk has no other room for
      // it, and the pair tool neither draws nor picks there and brings it in
      // front again when it ends.
      {kSecondaryWindow, kCommentsWindow},
      // Nor over the plot the user picks in, which the tools bring in front.
      {kSecondaryWindow, PlotWindowId(TheFileInUse)},
      {kHistogramWindow, PlotWindowId(TheFileInUse)},
  };
  std::vector<std::string> out;
  for (const auto& [a, b] : besides) {
    if (!plat::windowExists(a) || !plat::windowVisible(a) || !plat::windowExists(b) || !plat::windowVisible(b))
      continue;
    // Of the commands' second windows only the one read beside its results;
    // the others are dialogs that wait.
    if (a == kSecondaryWindow && plat::title(a) != "Elapsed Time Statistics") continue;
    const plat::Rect r = plat::frameRect(a), o = plat::frameRect(b);
    if (!(r.right <= o.left || o.right <= r.left || r.bottom <= o.top || o.bottom <= r.top))
      out.push_back("windows " + std::to_string(a) + " \"" + plat::title(a) + "\" and " + std::to_string(b) + " \"" +
                    plat::title(b) + "\" overlap");
  }
  return out;
}

// Every window and dialog the menus open, on a small and a large desk: no
// control cut off by its window, none over another.
// Windows that show more after a first step, and the plot's own furniture
// in the stacked view and with the toolbar below and above.
std::vector<Loop> laterStates() {
  const auto stacked = [] {
    for (int16_t c = 1; c <= 4; ++c) OverlayArray[TheFileInUse][1][c] = 1;
    FileSHORTS[TheFileInUse][kShortView] = 1;
    RefreshSCREEN();
  };
  const auto toolbarAt = [](int16_t place) {
    return [place] {
      prefsArray[kPrefToolbarPosition] = place;
      ToolBar();
    };
  };
  const auto fourthFile = [] {
    for (int k = 0; k < 3; ++k) testsupport::OpenDemo();
    BeginBlock[TheFileInUse] = 1000;
    EndBlock[TheFileInUse] = 2000;
    FileSHORTS[TheFileInUse][kShortBlockState] = 2;
  };
  // The desk as the set-up left it, with no window of a command over it.
  const auto deskOnly = [] {
    while (plat::test::stepsLeft() > 0) plat::pump();
  };
  return {
      {.name = "Insert marker, placing", .menu = 82, .item = 2, .window = kResultsWindow,
       .prelude = [](Script& s) { s.click(kResultsWindow, 1); }},
      {.name = "Stacked view", .menu = 4, .item = 12, .window = kMultiDisplayWindow, .setup = stacked},
      {.name = "Spike tool, stacked", .menu = 2, .item = 38, .window = kResultsWindow, .setup = stacked},
      {.name = "Preview channels", .menu = 1, .item = 15, .window = kChannelSelectWindow,
       .prelude = [](Script& s) { s.click(5, 9); }},
      {.name = "Remove channels", .menu = 73, .item = 4, .window = kChannelSelectWindow},
      // Result texts as a run leaves them.
      {.name = "Minimum scan, found", .menu = 3, .item = 2, .window = kResultsWindow,
       .prelude = [](Script& s) { s.click(5, kScanIntervalOK); }},
      {.name = "Slope over time, results", .menu = 3, .item = 15, .window = kResultsWindow,
       .prelude = [](Script& s) { s.click(7, 11); }},
      {.name = "Waveform, results", .menu = 3, .item = 11, .window = kResultsWindow,
       .prelude = [](Script& s) { s.click(kSecondaryWindow, kWaveDefaultTriggers).call([] {}).call([] {}).call([] {}); }},
      {.name = "VO2 in water, closed system", .menu = 76, .item = 7, .window = kResultsWindow,
       .setup = [] { FileInfoFLOATS[TheFileInUse][kInfoEffectiveVolume] = 1000.0f / 3.0f; },
       .prelude = [](Script& s) {
         s.click(kResultsWindow, kWaterClosed).click(kResultsWindow, kWaterContinue);
         s.click(kWaterChannelWindow, kWaterChannelsDone);
       }},
      // The data bar reading a small CO2 value, or one in exponent form.
      {.name = "Data bar reading", .window = PlotWindowId(0),
       .open = [] { while (plat::test::stepsLeft() > 0) plat::pump(); },
       .setup = [] { ActiveChannel = 2; },
       .prelude = [](Script& s) {
         s.moveTo(PlotWindowId(TheFileInUse), {ScreenWidth / 3, 100}).call([] { TrackPointerOverPlot(); });
       }},
      {.name = "Toolbar below", .window = PlotWindowId(0), .open = deskOnly, .setup = toolbarAt(1)},
      {.name = "Toolbar above", .window = PlotWindowId(0), .open = deskOnly, .setup = toolbarAt(2)},
      // Left, below, above and back to the left by its close box, then on.
      {.name = "Toolbar round trip", .window = PlotWindowId(0), .open = deskOnly,
       .setup = [] { for (int k = 0; k < 3; ++k) ToolbarClosed(); }},
      {.name = "Toolbar round trip without block", .window = PlotWindowId(0), .open = deskOnly,
       .setup = [] {
         FileSHORTS[TheFileInUse][kShortBlockState] = 0;
         OPENBLOCKWINDOW();
         for (int k = 0; k < 3; ++k) ToolbarClosed();
       }},
      // Below the plot and narrowed by the user to three rows, then on.
      {.name = "Toolbar below narrowed", .window = PlotWindowId(0), .open = deskOnly,
       .setup = [toolbarAt] {
         toolbarAt(1)();
         const plat::Rect r = plat::contentRect(kToolbarWindow);
         plat::setContentRect(kToolbarWindow, {r.left, r.top, r.left + 520, r.bottom});
         ToolbarResized();
       }},
      {.name = "Channels to append", .menu = kMenuAppendOrStack, .item = 1, .window = kChannelPickerWindow,
       .prelude = [](Script& s) { s.answerOpen(testsupport::kDemoRecording).click(kMergeModeWindow, kMergeAppend); }},
      {.name = "Channels to add", .menu = kMenuAppendOrStack, .item = 1, .window = kChannelPickerWindow,
       .prelude = [](Script& s) { s.answerOpen(testsupport::kDemoRecording).click(kMergeModeWindow, kMergeStack); }},
      {.name = "Help page", .menu = 3, .item = 1, .window = plat::kHelpWindow,
       .after = closeResults,
       .setup = [] { plat::test::setBrowserAvailable(false); },
       .prelude = [](Script& s) { s.click(kResultsWindow, kHelpButton).call([] {}); }},
      {.name = "Sixteen files", .window = PlotWindowId(0), .open = deskOnly,
       .setup = [] {
         for (int k = 1; k < kMaxOpenFiles; ++k) testsupport::OpenDemo();
       }},
      // A cascaded file's analysis windows, the deepest place of the cascade.
      {.name = "Descriptive statistics, fourth file", .menu = 3, .item = 1, .window = kResultsWindow,
       .setup = fourthFile},
      {.name = "Time integration, fourth file", .menu = 3, .item = 20, .window = kResultsWindow, .setup = fourthFile},
      // A rate in exponent form at its longest, in the result field, from a
      // mass typed as a user types it.
      {.name = "Metabolism, longest result", .menu = 8, .item = 10, .window = 8,
       .prelude = [](Script& s) {
         s.type(8, kBmrMassField, std::string(16, '\x08') + "3.4e25").click(8, kBmrCompute);
       }},
      // A pair picked: the results and the elapsed-time lines drawn for it.
      {.name = "Pair differences, one pair", .menu = 3, .item = 9, .window = kResultsWindow,
       .prelude = [](Script& s) {
         for (const int x : {200, 300}) s.clickAt(PlotWindowId(0), {x, 120}).call([] {}).call([] {});
       }},
      {.name = "Block distribution", .menu = 3, .item = 1, .window = kResultsWindow,
       .prelude = [](Script& s) { s.click(kResultsWindow, 232).call([] {}); }},
      {.name = "Scatterplot channels", .menu = 103, .item = 2, .window = kSecondaryWindow,
       .after = closeResults,
       .prelude = [](Script& s) { s.click(kResultsWindow, 62); }},
      {.name = "Script step editor", .menu = kMenuScript, .item = 5, .window = kStepEditorWindow,
       .after = [](Script& s) { s.closeBox(kViewerWindow); },
       .setup = [] {
         ScriptSequenceArray[1][kStepOperation] = kOpTransformations;
         ScriptSequenceArray[1][transform_step::kKind] = 5;
       },
       .prelude = [](Script& s) { s.click(kViewerWindow, 1); }},
  };
}

// Windows opened fresh and filled as a user fills them, to the longest text
// each result field's formatter writes.
std::vector<Loop> longestFromFreshWindows() {
  // Mac Delete keys take back a field's text before the typed one.
  const auto retype = [](Script& s, int field, const std::string& typed) {
    s.type(kCalculatorWindow, field, std::string(16, '\x08') + typed);
  };
  return {
      // A volume no chamber has: VO2 and its rate in exponent form, a change
      // in CO2 too small for the O2 taken up gives a negative VCO2.
      {.name = "Closed system, longest results", .menu = 8, .item = 12, .window = kCalculatorWindow,
       .prelude = [retype](Script& s) {
         retype(s, kCsVolume, "3.4e37");
         retype(s, kCsDeltaCO2, ".0001");
         s.click(kCalculatorWindow, kCsCalculate);
       }},
      // The other calculators' results from a quantity typed far beyond any
      // instrument's range, each in exponent form.
      {.name = "STP flow, longest result", .menu = 8, .item = 4, .window = kCalculatorWindow,
       .prelude = [retype](Script& s) {
         retype(s, kStpFlowField, "3.4e37");
         s.click(kCalculatorWindow, kStpCompute);
       }},
      {.name = "Oxygen pressure, longest result", .menu = 8, .item = 7, .window = kCalculatorWindow,
       .prelude = [retype](Script& s) {
         retype(s, kPo2PressureField, "3.4e37");
         // A vapour pressure of a float's longest text, " 1.03652845e+26" torr, shown whole.
         retype(s, kPo2TemperatureField, "1281000");
         s.click(kCalculatorWindow, kPo2Compute);
       }},
      {.name = "Dissolved oxygen, longest results", .menu = 8, .item = 8, .window = kCalculatorWindow,
       .prelude = [retype](Script& s) {
         retype(s, kDoVolume, "3.4e37");
         s.click(kCalculatorWindow, kDoContent);
       }},
      {.name = "Ventilation, longest results", .menu = 8, .item = 13, .window = kCalculatorWindow,
       .prelude = [retype](Script& s) {
         // A calibration first: a fresh window has none.
         for (const int field : {kVentCalGain, kVentCalVolts, kVentSampGain, kVentSampVolts}) retype(s, field, "1");
         retype(s, kVentCalVol, "3.4e25");
         s.click(kCalculatorWindow, kVentCalculate);
       }},
      {.name = "Q10, longest result", .menu = 8, .item = 11, .window = kCalculatorWindow,
       .prelude = [retype](Script& s) {
         retype(s, kQ10BaseValueField, "3.4e37");
         s.click(kCalculatorWindow, kQ10ComputeAdjusted);
       }},
      {.name = "Unit conversions, longest result", .menu = 8, .item = 18, .window = kCalculatorWindow,
       .prelude = [retype](Script& s) {
         retype(s, kConvInput, "-3.4e37");
         s.click(kCalculatorWindow, kConvCompute);
       }},
      // Four pairs: the spread of the differences and of their elapsed times.
      {.name = "Pair differences, four pairs", .menu = 3, .item = 9, .window = kResultsWindow,
       .prelude = [](Script& s) {
         for (const int x : {200, 300, 400, 520, 600, 750, 820, 990}) s.clickAt(PlotWindowId(0), {x, 120}).call([] {}).call([] {});
         s.call([] {}).call([] {});
       }},
      // A column whose first cell is a float's extreme written out whole.
      {.name = "Import text columns, longest first cells", .window = kTextImportWindow,
       .open = [] {
         const std::filesystem::path dir = testsupport::MakeScratchDir("corvimet-longest-");
         {
           std::ofstream out(dir / "longest.txt");
           out << "Time\tneghuge\tthe longest channel name one types\n";
           for (int k = 0; k < 3; ++k) out << k << "\t-3.4028234663852886e+38\t-1.1754943508222875e-38\n";
         }
         RepairReport report;
         int64_t unread = 0;
         LoadASCIItextFile(dir / "longest.txt", &report, &unread);
         std::filesystem::remove_all(dir);
       }},
  };
}

const char* placeNameOf(int16_t place) { return place == 0 ? "left" : place == 1 ? "below" : "above"; }

// One desk size and toolbar place a test, so that the runner runs them side
// by side; the longest values only on the small desk.
struct GeometryDesk {
  plat::Size desk;
  int16_t place;
  bool longest;
  // The analysis windows alone, which open below the plot: under a plot
  // window the user made this much taller, and with a results destination
  // open (its store buttons shown).
  bool analyses = false;
  int taller = 0;
  bool destination = false;
};

void PrintTo(const GeometryDesk& d, std::ostream* os) {
  *os << d.desk.w << "x" << d.desk.h << " toolbar " << placeNameOf(d.place) << (d.longest ? " longest values" : "");
  if (d.analyses) *os << " analyses, plot " << d.taller << " taller" << (d.destination ? ", destination open" : "");
}

// The windows the analyses open below the plot, and the states their first
// step leaves them in.
std::vector<Loop> analysisWindows() {
  std::vector<Loop> out;
  for (std::vector<Loop> from : {loops(), laterStates()})
    for (Loop& l : from)
      if (l.window == kResultsWindow) out.push_back(std::move(l));
  const auto scanned = [](Script& s) { s.type(5, kScanSecondsField, "2").click(5, kScanIntervalOK); };
  out.push_back({.name = "Maximum scan, found", .menu = 3, .item = 3, .window = kResultsWindow, .prelude = scanned});
  out.push_back({.name = "Most level scan, found", .menu = 3, .item = 4, .window = kResultsWindow, .prelude = scanned});
  out.push_back({.name = "Most variable scan, found", .menu = 3, .item = 5, .window = kResultsWindow,
                 .prelude = [scanned](Script& s) {
                   scanned(s);
                   s.click(5, kOverallSlopeButton);
                 }});
  out.push_back({.name = "Regression, results", .menu = 3, .item = 16, .window = kResultsWindow,
                 .prelude = [](Script& s) {
                   s.click(kPickWindow, 1).click(kPickWindow, 4 + 2).click(kPickWindow, kPickOK);
                   s.click(kPickWindow, kModelDone);
                 }});
  out.push_back({.name = "Asymptote, results", .menu = 3, .item = 17, .window = kResultsWindow,
                 .prelude = [](Script& s) { s.click(kTimeUnitsWindow, kTimeSeconds); }});
  out.push_back({.name = "Effective volume, results", .menu = 76, .item = 12, .window = kResultsWindow,
                 .prelude = [](Script& s) { s.click(kEffVolumeWindow, kEffVolumeCompute); }});
  return out;
}

// The plot window made taller by the user's grow box.
void growPlot(int16_t slot, int taller) {
  const int plot = PlotWindowId(slot);
  const plat::Rect r = plat::contentRect(plot);
  plat::setContentRect(plot, {r.left, r.top, r.right, r.bottom + taller});
  plat::test::run(Script{}, [] { ResizeTheMainWindow(1); });
}

class WindowGeometryOnDesk : public testing::TestWithParam<GeometryDesk> {};

TEST_P(WindowGeometryOnDesk, NoControlLeavesItsWindowOrCoversAnother) {
  const auto [desk, place, longest, analyses, taller, destination] = GetParam();
  std::vector<Loop> all = analyses ? analysisWindows() : loops();
  if (!analyses)
    for (Loop& l : laterStates()) all.push_back(std::move(l));
  if (longest)
    for (Loop& l : longestFromFreshWindows()) all.push_back(std::move(l));
  const std::filesystem::path results = destination ? testsupport::MakeScratchDir("corvimet-destination-") : "";
  int destinations = 0;
  // The binary's own desk comes back however the test ends.
  struct DeskBack {
    ~DeskBack() { plat::test::setDesk(plat::test::optionsDesk()); }
  } deskBack;
  // Snapshots of the whole desk for a person to look at, at the small desk.
  const std::vector<std::string> pictured = {"Block-shift rules", "Descriptive statistics", "Save As",
                                             "Time series", "Thermoregulation", "Effective volume",
                                             "Minimum scan, found", "Slope over time, results", "Event counting",
                                             "VO2 in water, closed system", "Data bar reading", "Waveform triggers",
                                             "Block integration", "Metabolism", "Closed system",
                                             "Minimum scan interval", "Waveform, results",
                                             "Pair differences", "Channels to append", "Script step editor",
                                             "Toolbar round trip", "Toolbar round trip without block",
                                             "Help page", "Sixteen files", "Toolbar below narrowed", "Scatterplot channels",
                                             "Descriptive statistics, fourth file", "Time integration, fourth file",
                                             "Block distribution", "Metabolism, longest result",
                                             "Pair differences, one pair", "Closed system, longest results", "Pair differences, four pairs",
                                             "STP flow, longest result", "Oxygen pressure, longest result",
                                             "Dissolved oxygen, longest results", "Ventilation, longest results",
                                             "Unit conversions, longest result", "Q10, longest result",
                                             "Import text columns, longest first cells"};
  {
    plat::test::setDesk(desk);
    for (const Loop& loop : all) {
      // The asymptote fit refuses such values with an alert before its window shows.
      if (longest && std::string(loop.name).rfind("Asymptote", 0) == 0) continue;
      const char* placeName = placeNameOf(place);
      SCOPED_TRACE(std::to_string(desk.w) + "x" + std::to_string(desk.h) + " toolbar " + placeName +
                   (longest ? " longest values " : " ") + loop.name);
      const int16_t slot = startLoop(loop);
      ASSERT_GE(slot, 0);
      if (longest)
        for (int16_t c = 1; c <= nChannels[slot]; ++c)
          for (int32_t k = 0; k <= nCases[slot]; ++k) PutDatum(slot, c, k, -3.2345679e37f + 1e30f * GetDatum(slot, c, k));
      // Each toolbar place as a user reaches it: by its close box from the left.
      for (int16_t at = 0; at < place; ++at) ToolbarClosed();
      if (taller != 0) growPlot(slot, taller);
      if (destination) {
        Script d;
        d.answerSave(results / ("results-" + std::to_string(++destinations)));
        plat::test::run(d, [] { DoMENU(kMenuSendResults, 3); });
        ASSERT_NE(OpenDestinationPort(), 0);
      }
      std::vector<std::string> faults;
      Script s;
      if (loop.prelude) loop.prelude(s);
      s.call([&] {
        faults = geometryFaults(analyses);
        if (!analyses)
          for (std::string& f : coveredWindows()) faults.push_back(std::move(f));
        if (desk.w == 1280 && std::find(pictured.begin(), pictured.end(), loop.name) != pictured.end()) {
          std::string name = "desk-1280x" + std::to_string(desk.h) + "-toolbar-" + placeName +
                             (longest ? "-longest-" : "-") +
                             (analyses ? "plot-" + std::to_string(taller) + "-taller-" +
                                             (destination ? "destination-" : "")
                                       : "") +
                             loop.name;
          std::replace(name.begin(), name.end(), ' ', '-');
          std::erase(name, ',');
          plat::test::saveArtifact(plat::test::deskImage(), name + ".png");
          if (place == 0) plat::test::saveArtifact(plat::test::windowImage(loop.window), name + "-window.png");
        }
      });
      s.closeBox(loop.window);
      if (loop.after) loop.after(s);
      runLoop(loop, s);
      for (const std::string& f : faults) ADD_FAILURE() << f;
      prefsArray[kPrefToolbarPosition] = 0;
      ToolbarBandBelowPlot = 0;
    }
  }
  if (destination) {
    CloseDestination();
    std::filesystem::remove_all(results);
  }
}

// The values shown at their usual length, and at their longest: every
// reading a large negative number in exponent form.
INSTANTIATE_TEST_SUITE_P(Desks, WindowGeometryOnDesk,
                         testing::Values(GeometryDesk{{1280, 800}, 0, false}, GeometryDesk{{1280, 800}, 1, false},
                                         GeometryDesk{{1280, 800}, 2, false}, GeometryDesk{{1280, 800}, 0, true},
                                         GeometryDesk{{1280, 800}, 1, true}, GeometryDesk{{1280, 800}, 2, true},
                                         GeometryDesk{{1920, 1080}, 0, false}, GeometryDesk{{1920, 1080}, 1, false},
                                         GeometryDesk{{1920, 1080}, 2, false},
                                         // Every control of the analysis windows on the desk.
                                         GeometryDesk{{1280, 800}, 0, false, true, 0, false},
                                         GeometryDesk{{1280, 800}, 0, false, true, 0, true},
                                         GeometryDesk{{1280, 800}, 0, false, true, 60, false},
                                         GeometryDesk{{1280, 800}, 0, false, true, 60, true},
                                         GeometryDesk{{1280, 768}, 0, false, true, 0, false},
                                         GeometryDesk{{1280, 768}, 0, false, true, 0, true},
                                         GeometryDesk{{1280, 768}, 0, false, true, 60, false},
                                         GeometryDesk{{1280, 768}, 0, false, true, 60, true},
                                         // The toolbar below the plot takes the room a raised window had.
                                         GeometryDesk{{1280, 800}, 1, false, true, 0, true},
                                         GeometryDesk{{1280, 800}, 1, false, true, 60, true},
                                         GeometryDesk{{1280, 768}, 1, false, true, 0, true},
                                         GeometryDesk{{1280, 768}, 1, false, true, 60, true}),
                         [](const testing::TestParamInfo<GeometryDesk>& i) {
                           return std::to_string(i.param.desk.w) + "x" + std::to_string(i.param.desk.h) + "Toolbar" +
                                  (i.param.place == 0 ? "Left" : i.param.place == 1 ? "Below" : "Above") +
                                  (i.param.longest ? "LongestValues" : "") +
                                  (i.param.analyses ? "AnalysesPlot" + std::to_string(i.param.taller) + "Taller" +
                                                          (i.param.destination ? "WithDestination" : "")
                                                    : "");
                         });

// The title bar and the data bar (the info line's top 18 rows) of every
// plot window: the one place a user grips a back window and reads the front
// one. The toolbar floats over them.
std::vector<std::string> plotBarsUnderToolbar() {
  std::vector<std::string> out;
  if (!plat::windowExists(kToolbarWindow) || !plat::windowVisible(kToolbarWindow)) return out;
  const plat::Rect bar = plat::frameRect(kToolbarWindow);
  const auto meets = [&](const plat::Rect& r) {
    return r.left < bar.right && bar.left < r.right && r.top < bar.bottom && bar.top < r.bottom;
  };
  for (int16_t f = 0; f < kSlotCount; ++f) {
    const int win = PlotWindowId(f);
    if (!plat::windowExists(win) || !plat::windowVisible(win)) continue;
    const plat::Rect frame = plat::frameRect(win), content = plat::contentRect(win);
    if (meets({frame.left, frame.top, frame.right, content.top}))
      out.push_back("the title bar of plot window " + std::to_string(win) + " lies under the toolbar");
    if (meets({content.left, content.top, content.right, content.top + 18}))
      out.push_back("the data bar of plot window " + std::to_string(win) + " lies under the toolbar");
  }
  return out;
}

// Any two plot windows: the back one's close box and the letters of its
// title either wholly in view or wholly behind the front one (the cascade
// going round again), never cut by it. A window a few pixels lower covered
// half of the title and close box of the one behind.
std::vector<std::string> partlyCoveredTitles() {
  std::vector<int> plots;   // front to back
  for (int win : plat::windowIds())
    if (PlotSlotOfWindow(win) >= 0 && plat::windowVisible(win)) plots.push_back(win);
  std::vector<std::string> out;
  for (size_t back = 1; back < plots.size(); ++back)
    for (size_t front = 0; front < back; ++front) {
      const plat::Rect f = plat::frameRect(plots[front]);
      for (const auto& [what, part] : {std::pair{"close box", plat::test::closeBoxRect(plots[back])},
                                       std::pair{"title", plat::test::titleTextRect(plots[back])}}) {
        const plat::Rect cut{std::max(part.left, f.left), std::max(part.top, f.top), std::min(part.right, f.right),
                             std::min(part.bottom, f.bottom)};
        if (part.width() > 0 && cut.width() > 0 && cut.height() > 0 && !(cut == part))
          out.push_back(std::string("the ") + what + " of plot window " + std::to_string(plots[back]) +
                        " lies partly under plot window " + std::to_string(plots[front]));
      }
    }
  return out;
}

// The windows under the plot and the help page stand in one place whichever
// file is in front: with the toolbar at the left the comments box followed
// the cascade 36 pixels sideways.
std::vector<std::string> furnitureFollowingTheFrontFile() {
  std::vector<std::string> out;
  std::vector<int16_t> open;
  for (int16_t f = 0; f < kSlotCount; ++f)
    if (plat::windowExists(PlotWindowId(f))) open.push_back(f);
  const int16_t front = static_cast<int16_t>(TheFileInUse);
  std::map<int, plat::Rect> first;
  // The results window as any analysis opens it, where none is open.
  const bool results = !plat::windowExists(kResultsWindow);
  for (int16_t f : open) {
    BringFileToFront(f);
    if (results) OpenResultsWIndow(0, 1, 1, "Results", 0);
    for (const int win : {int{kCommentsWindow}, int{kBlockWindow}, plat::kHelpWindow, int{kResultsWindow}}) {
      if (!plat::windowExists(win)) continue;
      const plat::Rect r = plat::frameRect(win);
      const auto [at, added] = first.insert({win, r});
      if (!added && !(at->second == r))
        out.push_back("window " + std::to_string(win) + " \"" + plat::title(win) + "\" stands at " +
                      std::to_string(r.left) + "," + std::to_string(r.top) + " to " + std::to_string(r.right) + "," +
                      std::to_string(r.bottom) + " with file " + std::to_string(f + 1) + " in front, at " +
                      std::to_string(at->second.left) + "," + std::to_string(at->second.top) + " to " +
                      std::to_string(at->second.right) + "," + std::to_string(at->second.bottom) + " with file " +
                      std::to_string(open.front() + 1));
    }
  }
  if (results) plat::disposeWindow(kResultsWindow);
  BringFileToFront(front);
  return out;
}

std::vector<std::string> manyFilesFaults() {
  // With a results window, as after any analysis of the front file.
  OpenResultsWIndow(0, 1, 1, "Results", 0);
  std::vector<std::string> out = geometryFaults();
  plat::disposeWindow(kResultsWindow);
  for (std::string& f : plotBarsUnderToolbar()) out.push_back(std::move(f));
  for (std::string& f : partlyCoveredTitles()) out.push_back(std::move(f));
  for (std::string& f : furnitureFollowingTheFrontFile()) out.push_back(std::move(f));
  return out;
}

// Many files opened with the toolbar in one place, then the toolbar moved
// round all three by its close box: after each step every window whole on
// the desk, every plot window's title and data bars clear of the toolbar and
// its close box and title clear of the other plot windows, and the furniture
// in one place whichever file is in front. On the test desk, a real
// 1280 x 800 screen's desk below its menu bar, and 1280 x 768.
class ManyFiles : public testing::TestWithParam<std::tuple<int, int16_t, int>> {};

TEST_P(ManyFiles, EveryWindowStaysOnTheDeskAndEveryPlotBarClearOfTheToolbar) {
  const auto [files, place, deskHeight] = GetParam();
  struct DeskBack {
    ~DeskBack() { plat::test::setDesk(plat::test::optionsDesk()); }
  } deskBack;
  plat::test::setDesk({1280, deskHeight});
  const std::string desk = "desk-1280x" + std::to_string(deskHeight) + "-";
  testsupport::StartProgram();
  plat::test::setBrowserAvailable(false);
  // The program builds its toolbar as the first file comes to the front.
  plat::disposeWindow(kToolbarWindow);
  prefsArray[kPrefToolbarPosition] = place;
  for (int k = 0; k < files; ++k) ASSERT_GE(testsupport::OpenDemo(), 0);
  ASSERT_TRUE(plat::windowExists(kToolbarWindow));
  plat::openHelp(HelpSubject);
  int16_t at = place;
  for (int move = 0; move <= 3; ++move) {
    const std::string state = std::to_string(files) + "-files-toolbar-" + placeNameOf(place) +
                              (move == 0 ? "" : std::string("-moved-to-") + placeNameOf(at));
    SCOPED_TRACE(desk + state);
    for (const std::string& f : manyFilesFaults()) ADD_FAILURE() << f;
    plat::test::saveArtifact(plat::test::deskImage(), desk + state + ".png");
    if (move < 3) {
      ToolbarClosed();
      at = prefsArray[kPrefToolbarPosition];
    }
  }
  // Made larger by the user, left and widened, then narrowed below one pair
  // of buttons (its rows ran off the desk in one column), then above and
  // narrowed (one row higher): every plot window steps clear of it, not only
  // the front one, and back beside it as it narrows.
  for (const auto& [where, name, width] :
       {std::tuple{int16_t{0}, "left-widened", 200}, std::tuple{int16_t{0}, "left-narrowed", 82},
        std::tuple{int16_t{2}, "above-narrowed", 520}}) {
    while (prefsArray[kPrefToolbarPosition] != where) ToolbarClosed();
    const plat::Rect r = plat::contentRect(kToolbarWindow);
    plat::setContentRect(kToolbarWindow, {r.left, r.top, r.left + width, r.bottom});
    ToolbarResized();
    SCOPED_TRACE(desk + "toolbar " + name);
    for (const std::string& f : manyFilesFaults()) ADD_FAILURE() << f;
    if (std::string(name) == "left-narrowed") {
      EXPECT_EQ(plat::frameRect(PlotWindowId(0)).left, PlotWindowPlace(0).left) << "back beside the toolbar";
    }
    if (place == where)
      plat::test::saveArtifact(plat::test::deskImage(),
                               desk + std::to_string(files) + "-files-toolbar-" + name + ".png");
  }
  // Back at its own place, files 3 and 5 closed by their close boxes, then
  // one opened after: the others keep where they stood, a step further along
  // than counting the open files now gives.
  do ToolbarClosed();
  while (prefsArray[kPrefToolbarPosition] != place);
  for (const int16_t slot : {int16_t{2}, int16_t{4}}) {
    BringFileToFront(slot);
    plat::test::Script s;
    s.closeBox(PlotWindowId(slot)).stop();
    plat::test::run(s, [] { MainProgramLoop(); });
    ASSERT_FALSE(plat::windowExists(PlotWindowId(slot)));
  }
  for (const char* name : {"files-3-and-5-closed", "then-one-opened"}) {
    if (std::string(name) == "then-one-opened") {
      ASSERT_GE(testsupport::OpenDemo(), 0);
    }
    SCOPED_TRACE(desk + std::to_string(files) + "-files-toolbar-" + placeNameOf(place) + "-" + name);
    for (const std::string& f : manyFilesFaults()) ADD_FAILURE() << f;
    plat::test::saveArtifact(plat::test::deskImage(),
                             desk + std::to_string(files) + "-files-toolbar-" + placeNameOf(place) + "-" + name + ".png");
  }
  prefsArray[kPrefToolbarPosition] = 0;
  ToolbarBandBelowPlot = 0;
}

INSTANTIATE_TEST_SUITE_P(Desk1280, ManyFiles,
                         testing::Combine(testing::Values(7, 16), testing::Values<int16_t>(0, 1, 2),
                                          testing::Values(800, 771, 768)),
                         [](const testing::TestParamInfo<ManyFiles::ParamType>& i) {
                           return std::to_string(std::get<0>(i.param)) + "FilesToolbar" +
                                  (std::get<1>(i.param) == 0 ? "Left" : std::get<1>(i.param) == 1 ? "Below" : "Above") +
                                  "Desk" + std::to_string(std::get<2>(i.param));
                         });

}  // namespace

namespace {

// Thirty windows dropped the opener's failure, so that "?" did nothing on a
// desk without a browser. Every "?" goes through the one opener, which then
// shows the page in the program's own window.
TEST(Help, EveryQuestionMarkShowsItsPageWithoutABrowser) {
  const Loop rows[] = {
      {"RPN calculator", 8, 1, 8, kRpnHelp},
      {"Q10", 8, 11, 8, kQ10Help},
      {"Day of the year", 8, 16, 8, kDoyHelp},
      {"Sun cycle", 8, 17, 8, kSunHelp},
      {"Transformations", 2, 22, 4, kTrHelp},
      {"References", 2, 18, 4, kRefHelpButton},
      {"Time scale adjustment", 75, 4, 20, kTimeScaleHelpButton},
      {"Waveform triggers", 3, 11, 6, kWaveHelp},
      {"FFT", 3, 13, 4, kHelpButton},
      {"Descriptive statistics", 3, 1, 4, kHelpButton},
      {"Save As", 1, 7, 9, kSaveAsHelp},
      {"Thermoregulation", 8, 14, 4, kTregHelp},
  };
  for (const Loop& loop : rows) {
    SCOPED_TRACE(loop.name);
    ASSERT_GE(startLoop(loop), 0);
    plat::test::setBrowserAvailable(false);
    bool shown = false, alert = true;
    std::string page;
    Script s;
    s.click(loop.window, loop.button).call([] {}).call([&] {
      shown = plat::windowExists(plat::kHelpWindow);
      alert = plat::windowExists(kAlertWindow);
      page = plat::fieldText(plat::kHelpWindow, plat::kHelpView);
      if (loop.menu == 8 && loop.item == 1) plat::test::saveArtifact(plat::test::deskImage(), "help-window-over-rpn.png");
    });
    s.closeBox(plat::kHelpWindow).closeBox(loop.window);
    if (!runLoop(loop, s)) continue;
    EXPECT_TRUE(shown) << "the page in a window of the program";
    EXPECT_FALSE(alert);
    EXPECT_FALSE(page.empty());
    EXPECT_EQ(plat::test::helpSubjects().size(), 1u) << "through the one opener";
    EXPECT_FALSE(plat::windowExists(plat::kHelpWindow)) << "its close box closes it";
  }
}

// The distribution of a block opened behind the statistics window.
TEST(WindowGeometry, TheDistributionOpensInFrontOfItsResultsWindow) {
  const int16_t slot = testsupport::StartProgramOnDemo();
  ASSERT_GE(slot, 0);
  BeginBlock[slot] = 1000;
  EndBlock[slot] = 2000;
  FileSHORTS[slot][kShortBlockState] = 2;
  int frontmost = 0;
  Script s;
  s.click(kResultsWindow, 232).call([&] { frontmost = plat::windowIds().front(); }).closeBox(kResultsWindow);
  plat::test::run(s, [] { DoMENU(kMenuAnalyze, 1); });
  EXPECT_EQ(frontmost, 151);
}

}  // namespace
