// A command or a reader that runs out of memory half-way: the main loop
// catches it, the user is told, and what was open stays as it was.
// Allocation failures are injected by replacements of the global operator
// new and of the source of channels' large blocks, which refuse one request
// of a set size.
#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "datafiles/fixture.h"
#include "datafiles/native_binary.h"
#include "datafiles/ui/close.h"
#include "editing/references.h"
#include "editing/smoothing.h"
#include "editing/transforms.h"
#include "editing/ui/blockpick.h"
#include "editing/ui/copychannel.h"
#include "editing/ui/expressions.h"
#include "editing/ui/references.h"
#include "editing/ui/smoothing.h"
#include "editing/ui/spiketool.h"
#include "editing/ui/transformations.h"
#include "editing/zeroblock.h"
#include "platform/channel_array.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "respirometry/aquatic.h"
#include "respirometry/gasexchange.h"
#include "respirometry/ui/gasdialogs.h"
#include "respirometry/ui/gasexchange.h"
#include "respirometry/ui/humidity.h"
#include "respirometry/ui/watervo2.h"
#include "scripts/ui/runner.h"
#include "plot/ui/redraw.h"
#include "shell/dispatch.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/store.h"
#include "shell/ui/mainloop.h"
#include "support/program_support.h"
#include "support/refusing_allocator.h"
#include "support/scratch.h"
#include "support/window_support.h"

namespace {
// The next request of exactly this size (a channel's array) is refused,
// then every request is served again, as when one large allocation fails;
// 0: none is refused.
std::atomic<size_t> gRefuseFrom{0};
// Or the one a countdown comes to, whatever its size.
std::atomic<int64_t>& gCountdown = testsupport::gRefusalCountdown;
// Past the first redraw of the comments box the countdown counts only its
// redraws: the plot's redraws between them ask Qt, which does not survive
// a refusal.
std::atomic<bool> gRedrawsOnly{false};
// Or only the store's own requests, whatever a window's events ask of Qt
// meanwhile: a channel's pages, the copy of the markers list (of this many
// bytes, which nothing else asks for), and each call of a store hook.
std::atomic<bool> gStoreOnly{false};
std::atomic<size_t> gMarkerListBytes{0};

}  // namespace

bool testsupport::RefuseAllocation(std::size_t n) {
  if (gStoreOnly ? n == gMarkerListBytes && n != 0 && RefuseCounted() : !gRedrawsOnly && RefuseCounted()) return true;
  const size_t limit = gRefuseFrom.load(std::memory_order_relaxed);
  return limit != 0 && n == limit && gRefuseFrom.exchange(0) == limit;
}
// A channel's large block is whole pages.
bool testsupport::RefusePages(std::size_t bytes) {
  if (!gRedrawsOnly && RefuseCounted()) return true;
  const size_t limit = gRefuseFrom.load(std::memory_order_relaxed);
  const size_t pages = (limit + 4095) & ~size_t{4095};
  return limit != 0 && bytes == pages && gRefuseFrom.exchange(0) == limit;
}

namespace {

namespace fs = std::filesystem;
using plat::test::Script;
constexpr int kTransformWindow = kResultsWindow;

class AllocationFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    slot_ = testsupport::StartProgramOnDemo();
    ASSERT_GE(slot_, 0);
    plat::test::clearRecorders();
    InstallMainLoopHandlers();
  }
  void TearDown() override {
    gRefuseFrom = 0;
    gCountdown = 0;
    gRedrawsOnly = gStoreOnly = false;
    testsupport::StopProgram();
  }
  // The bytes of one channel of the demo: the work copy a transformation makes.
  size_t channelBytes() const { return gPointersToFileData[slot_][1].size() * sizeof(float); }
  static void runMainLoop(const Script& s) {
    plat::test::run(s, [] {
      while (plat::test::stepsLeft() > 0) MainLoopPass(0);
    });
  }
  int16_t slot_ = -1;
};

TEST_F(AllocationFailure, AnEditOrAReaderThatRunsOutOfMemoryIsReportedAndChangesNothing) {
  const std::vector<float> before = gPointersToFileData[slot_][1];
  const int16_t channels = nChannels[slot_];
  const size_t limit = channelBytes();
  std::string alert;
  auto readAlert = [&] {
    ASSERT_TRUE(plat::windowExists(kAlertWindow));
    alert = plat::fieldText(kAlertWindow, kAlertMessage);
  };

  // A transformation of the whole channel: its work copy cannot be had.
  Script transform;
  transform.menu(kMenuEdit, 22)
      .popup(kTransformWindow, kTrTransformPopup, 4)
      .call([&] { gRefuseFrom = limit; })
      .click(kTransformWindow, kTrAll)
      .call(readAlert)
      .click(kAlertWindow, kAlertOK);
  runMainLoop(transform);
  EXPECT_NE(alert.find("Not enough memory to finish"), std::string::npos) << alert;
  EXPECT_FALSE(plat::windowExists(kTransformWindow)) << "the failed command's window is closed";
  EXPECT_EQ(gPointersToFileData[slot_][1], before);
  EXPECT_EQ(nChannels[slot_], channels);

  // Into a new channel whose array cannot be had (the work copy was had by
  // a first run): told as a shortage, not run into the source channel.
  alert.clear();
  Script toNew;
  toNew.menu(kMenuEdit, 22)
      .popup(kTransformWindow, kTrTransformPopup, 4)
      .click(kTransformWindow, kTrAll)
      .click(kTransformWindow, kTrNewChannel)
      .call([&] { gRefuseFrom = limit; })
      .click(kTransformWindow, kTrAll)
      .call(readAlert)
      .click(kAlertWindow, kAlertOK)
      .click(kTransformWindow, kTrCancel);
  runMainLoop(toNew);
  EXPECT_NE(alert.find("memory"), std::string::npos) << alert;
  EXPECT_EQ(gPointersToFileData[slot_][1], before);
  EXPECT_EQ(nChannels[slot_], channels);

  // Opening a long second recording from the desktop: one of its channels
  // (4 MB, a size nothing else asks for meanwhile) cannot be had.
  const fs::path dir = testsupport::MakeScratchDir("corvimet-nomem-");
  {
    DataFileImage big;
    big.cases = 1'000'000;
    big.interval = 1.0f;
    big.startDate = "03-15-2024";
    big.startTime = "10:00:00";
    big.data.assign(2, std::vector<float>(static_cast<size_t>(big.cases) + 1, 20.9f));
    big.labels.assign(2, std::string(30, ' '));
    big.travel.assign(2, TravelValues{});
    std::string bytes;
    ASSERT_EQ(EncodeNativeBinary(ViewOfImage(big), &bytes), FileStatus::Ok);
    std::ofstream(dir / "second.orl", std::ios::binary) << bytes;
  }
  const size_t bigLimit = (1'000'000 + 1) * sizeof(float);
  alert.clear();
  int files = 0;
  for (int16_t s = 0; s < kMaxOpenFiles; ++s) files += SlotHoldsFile(s) ? 1 : 0;
  Script open;
  open.call([&] { gRefuseFrom = bigLimit; })
      .openDocuments({dir / "second.orl"})
      .call(readAlert)
      .click(kAlertWindow, kAlertOK);
  runMainLoop(open);
  int after = 0;
  for (int16_t s = 0; s < kMaxOpenFiles; ++s) after += SlotHoldsFile(s) ? 1 : 0;
  EXPECT_EQ(after, files);
  EXPECT_NE(alert.find("memory"), std::string::npos) << alert;
  EXPECT_EQ(TheFileInUse, static_cast<uint16_t>(slot_));
  EXPECT_EQ(gPointersToFileData[slot_][1], before);
  fs::remove_all(dir);

  // The program goes on: the same command works once memory is there.
  Script again;
  again.menu(kMenuEdit, 22)
      .popup(kTransformWindow, kTrTransformPopup, 4)
      .click(kTransformWindow, kTrAll)
      .click(kTransformWindow, kTrDone);
  runMainLoop(again);
  EXPECT_NE(gPointersToFileData[slot_][1], before);
}

// The alert says nothing was changed, or that the channel was put back,
// only where that holds: a command that added a channel or a marker before
// it ran out of memory is not reported as harmless. Taking back an edit
// that was never logged logs nothing.
TEST_F(AllocationFailure, TheAlertSaysNothingChangedOnlyWhereNothingDid) {
  const auto rewrite = [&] {
    ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
    std::fill(gPointersToFileData[slot_][1].begin(), gPointersToFileData[slot_][1].end(), -1.0f);
  };
  const struct {
    const char* name;
    std::function<void()> change;  // before the command fails
    int addedChannels;
    const char* said;
  } rows[] = {
      {"fails at once", [] {}, 0, "Nothing was changed."},
      {"fails after adding a channel", [&] { ASSERT_EQ(AddChannel(slot_), StoreStatus::Ok); }, 1,
       "Part of it may have been done"},
      {"fails after rewriting a channel it kept an undo copy of", rewrite, 0, "put back as it was"},
      {"fails after rewriting a channel and adding a marker",
       [&] {
         rewrite();
         ASSERT_EQ(AddMarker(slot_, 5, 77), StoreStatus::Ok);
       },
       0, "Part of it may have been done"},
      // A list written in place, as a restore does, its length kept.
      {"fails after moving a marker in place", [&] { ++MarkersArray[slot_].front().caseNumber; }, 0,
       "Part of it may have been done"},
      {"fails after rewriting a channel and moving a marker in place",
       [&] {
         rewrite();
         ++MarkersArray[slot_].front().caseNumber;
       },
       0, "Part of it may have been done"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const int16_t channels = nChannels[slot_];
    const std::vector<float> samples = gPointersToFileData[slot_][1];
    const std::string comments = CommentContainer[slot_];
    const int16_t changed = FileSHORTS[slot_][kShortChanged];
    RegisterCommand(Cmd::Transformations, [&](int16_t) {
      row.change();
      throw std::bad_alloc();
    });
    std::string alert;
    Script s;
    s.menu(kMenuEdit, 22)
        .call([&] {
          ASSERT_TRUE(plat::windowExists(kAlertWindow));
          alert = plat::fieldText(kAlertWindow, kAlertMessage);
        })
        .click(kAlertWindow, kAlertOK);
    runMainLoop(s);
    EXPECT_NE(alert.find(row.said), std::string::npos) << alert;
    EXPECT_EQ(nChannels[slot_], channels + row.addedChannels);
    EXPECT_EQ(gPointersToFileData[slot_][1], samples);
    EXPECT_EQ(CommentContainer[slot_], comments) << "edits are logged";
    if (alert.find("put back") != std::string::npos) {
      EXPECT_EQ(FileSHORTS[slot_][kShortChanged], changed);
    }
  }
}

// Commands as the Edit menu runs them, with one more of the store's
// requests refused each time (the windows' own, made by Qt, are left alone:
// it does not survive a refusal): the alert says nothing was changed, or
// that the channel was put back, only where the file is as it was; otherwise
// the file is as it was but for its changed mark, or the command is whole.
TEST_F(AllocationFailure, ACommandThatRunsOutOfMemoryIsToldAsItEnded) {
  int64_t armed = 0;
  // The store's own part of a command runs armed; each row names the menu
  // item whose command it stands in for.
  const auto armedRun = [&](const std::function<void()>& run) {
    struct Disarm {
      ~Disarm() {
        if (gCountdown > 0) gCountdown = 0;
      }
    } disarm;
    gCountdown = armed;
    run();
  };
  // The windows the store tells of its changes are Qt's: no refusal there.
  static void (*commentsChanged)(int16_t) = nullptr;
  static void (*playSound)(const char*) = nullptr;
  commentsChanged = gStoreHooks.commentsChanged;
  playSound = gStoreHooks.playSound;
  // Each redraw of the comments box is one request of the store's, refused
  // in its turn; the refusals go on past it, through every redraw the
  // command makes.
  gStoreHooks.commentsChanged = [](int16_t slot) {
    if (testsupport::RefuseCounted()) throw std::bad_alloc();
    if (gCountdown > 0) gRedrawsOnly = true;
    struct Paused {
      int64_t left = gCountdown.exchange(0);
      ~Paused() { gCountdown = left; }
    } paused;
    if (commentsChanged) commentsChanged(slot);
  };
  gStoreHooks.playSound = [](const char* name) {
    if (gCountdown > 0) gCountdown = 0;
    if (playSound) playSound(name);
  };
  // The linearising tool draws the plot once its stroke has told the
  // store: the refusals stop there.
  static void (*channelChanged)(int16_t, int16_t) = nullptr;
  static bool disarmOnChannelChange = false;
  // Or armed there, once its undo copy is taken, by a command whose
  // dialog's click is Qt's: the refusals begin after the copy.
  static int64_t armOnChannelChange = 0;
  channelChanged = gStoreHooks.channelChanged;
  gStoreHooks.channelChanged = [](int16_t slot, int16_t c) {
    if (gStoreOnly && testsupport::RefuseCounted()) throw std::bad_alloc();
    if (disarmOnChannelChange && gCountdown > 0) gCountdown = 0;
    if (channelChanged) channelChanged(slot, c);
    if (armOnChannelChange != 0) gCountdown = std::exchange(armOnChannelChange, 0);
  };
  // While only the store's own requests are refused, each call of a plot
  // hook is one too: the redraws a command ends with, after its window has
  // gone, are refused in their turn.
  const PlotHooks plotHooks = gPlotHooks;
  const auto counted = [](auto& hook) {
    if (!hook) return;
    hook = [next = hook](auto... a) {
      if (gStoreOnly && testsupport::RefuseCounted()) throw std::bad_alloc();
      next(a...);
    };
  };
  counted(gPlotHooks.drawLabelStuff);
  counted(gPlotHooks.drawTimeDate);
  counted(gPlotHooks.drawMarkers);
  counted(gPlotHooks.drawBlock);
  counted(gPlotHooks.drawAllChannels);
  counted(gPlotHooks.multiChannelDisplay);
  // A copy of the demo, for a file opened while the table's is open.
  const fs::path openedDir = testsupport::MakeScratchDir("corvimet-nomem-open-");
  const fs::path opened = openedDir / "opened.orl";
  fs::copy_file(testsupport::kDemoRecording, opened);
  // A replayed step takes its settings without a dialog.
  const auto replayStep = [](const float (&fields)[28], int16_t op) {
    std::copy(std::begin(fields), std::end(fields), ScriptSequenceArray[1]);
    ScriptSequenceArray[1][kStepOpField] = static_cast<float>(op);
    autoscript = ScriptRunOnce = 1;
  };
  const auto endReplay = [] { autoscript = ScriptRunOnce = RunScript = 0; };
  const SlotState original = SlotState::of(slot_);
  // Markers enough that their list's copy is a size of its own.
  constexpr size_t kManyMarkers = 1021;
  const int16_t channel = 1;
  const auto& samples = original.data[channel];
  const float lo = *std::min_element(samples.begin() + 1, samples.end());
  const float hi = *std::max_element(samples.begin() + 1, samples.end());
  // Four references on the demo's first channel, each marked as
  // interpolated and logged: the step a replay runs.
  const auto referenceFix = [&] {
    ReferenceSettings r;
    r.cutoff = lo + (hi - lo) / 10;
    r.markers = true;
    float fields[28] = {};
    ToScriptStep(r, fields);
    replayStep(fields, kOpRemoveReferences);
  };
  // A line drawn with markers on inside a span a fix flagged: the list
  // keeps the one span, the flags follow it.
  SlotState spanned;   // the file as the tool found it
  const auto lineInSpan = [&](bool flagsBuilt) {
    ASSERT_EQ(AddInterpolationPair(slot_, 150, 450), StoreStatus::Ok);
    MakeInterpolationRecordFor(slot_);
    if (!flagsBuilt) BackupCache.release(kBackupInterpolation);
    FileSHORTS[slot_][kShortSegment] = 1;
    spikeInterpMarkers = 1;
    prefsArray[kPrefConserveVariation] = 0;
    spanned = SlotState::of(slot_);
  };
  const auto lineRun = [&] {
    gCountdown = 0;   // armed by its stroke
    struct Stroke {
      Stroke() {
        disarmOnChannelChange = true;
        prefsArray[kPrefSoundLevel] = 0;
      }
      ~Stroke() {
        disarmOnChannelChange = false;
        prefsArray[kPrefSoundLevel] = 25;
      }
    } stroke;
    IntREMOVESPIKE(0);
  };
  const auto lineWhole = [&](const SlotState& after) {
    return after.data[channel] != spanned.data[channel] && after.markers == spanned.markers;
  };
  const auto lineDrive = [&](Script& s) {
    const int win = PlotWindowId(slot_);
    const auto px = [](int32_t c) { return static_cast<int>(c) * Xstep + Xstep / 2; };
    const int y = BottomOfPlotArea / 2;
    s.click(kResultsWindow, kToolLinearMode)
        .activate(win)
        .moveTo(win, {px(250), y})
        .moveTo(win, {px(250), y})
        .moveTo(win, {px(250), y})
        .press(win, {px(250), y})
        .moveTo(win, {px(275), y})
        .moveTo(win, {px(300), y})
        .call([&] { gCountdown = armed; })
        .release()
        .moveTo(win, {px(300), y});
  };
  // The window's formula on the first channel, into a new channel: the
  // refusals start with its Run.
  const auto expressionPrepare = [&] {
    // A run stopped inside its alert leaves the window up.
    plat::disposeWindow(kExpressionWindow);
    ActiveChannel = channel;
  };
  const auto expressionRun = [&] {
    gCountdown = 0;
    ExpressionEvaluator(1);
  };
  const auto expressionWhole = [&](const SlotState& after) {
    return after.channels == original.channels + 1 && after.data[channel] == original.data[channel] &&
           after.comments.size() > original.comments.size();
  };
  const auto expressionDrive = [&](Script& s) {
    s.click(kExpressionWindow, kExprNewChannel)
        .click(kExpressionWindow, kExprCheck)
        .call([&] { gCountdown = armed; })
        .click(kExpressionWindow, kExprRun)
        .activate(PlotWindowId(slot_));
  };
  // Runs a command with its sounds off, as a replayed step does.
  const auto quietly = [](std::function<void()> run) {
    return [run] {
      prefsArray[kPrefSoundLevel] = 0;
      run();
      prefsArray[kPrefSoundLevel] = 25;
    };
  };
  // A new, labelled channel with its log line, its source as it was.
  const auto addedLabelledChannel = [&](const SlotState& after) {
    return after.channels == original.channels + 1 && after.data[channel] == original.data[channel] &&
           after.labels[1].substr(static_cast<size_t>(original.channels) * 30, 30).find_first_not_of(' ') !=
               std::string::npos &&
           after.comments.size() > original.comments.size();
  };
  const auto lines = [](const std::string& c) { return std::count(c.begin(), c.end(), '\xC6'); };
  // The file the command acts on, as the command found it: the file in use,
  // or one a script step runs on in the pass that opened it.
  int16_t subject = slot_;
  SlotState before;
  // Each channel added stands with its log line, the source as it was.
  const auto channelsWithTheirLines = [&](const SlotState& after) {
    const int added = after.channels - original.channels;
    return added >= 1 && lines(after.comments) - lines(original.comments) == added &&
           after.data[channel] == original.data[channel];
  };
  // The block of the first channel set to 21.5.
  const auto blockValues = [&](const SlotState& after) {
    const auto& v = after.data[channel];
    return std::all_of(v.begin() + 300, v.begin() + 801, [](float x) { return x == 21.5f; });
  };
  // And logged.
  const auto blockSet = [&](const SlotState& after) {
    return blockValues(after) && after.comments.size() > original.comments.size();
  };
  // Analyzer humidity into a new channel: constant humidity and temperature.
  const auto humidityPrepare = [&] {
    ActiveChannel = channel;
    // What an earlier row left past the file's last channel is no part of it.
    nVar[slot_][original.channels + 1].fill(0.0f);
  };
  const auto humidityRun = [&] {
    gCountdown = 0;   // armed as its last window is left
    ANALYZER_HUMIDITY(0);
  };
  const auto humidityWhole = [&](const SlotState& after) {
    return addedLabelledChannel(after) &&
           after.data[static_cast<size_t>(original.channels) + 1] != original.data[channel];
  };
  const auto humidityDrive = [&](Script& s) {
    s.click(kResultsWindow, kHumidityNewChannelBox)
        .click(kResultsWindow, kHumiditySelectGas)
        .click(kSecondaryWindow, kChannelsNext)
        .click(kHumidityWindow, kHumidityDone)
        .click(kHumidityWindow, kConstantButton)
        .click(kHumidityWindow, kHumidityOK)
        .click(kSecondaryWindow, kConstantButton)
        .call([&] {
          // Unless armed from the pick on already.
          if (!gStoreOnly) gCountdown = armed;
        })
        .click(kSecondaryWindow, kTemperatureOK);
  };
  // Script step n: channel X - 1.5 of the first channel, then the end.
  const auto xLessStep = [&](int16_t n, bool toNew) {
    TransformSettings t;
    t.code = 7;
    t.item1 = 7;
    t.a = 1.5f;
    t.chan1 = channel;
    t.makeNewChan = toNew;
    TransformToStep(t, ScriptSequenceArray[n]);
    ScriptSequenceArray[n][kStepOpField] = kOpTransformations;
    ScriptSequenceArray[n + 1][kStepOpField] = kOpEndScript;
    InitialNumberOfScriptOperationChannels = 0;
  };
  // A run armed for the next file opened, that step its one: its refusals
  // armed as it begins, the file snapshot as it opened.
  const auto runOnOpened = [&](bool toNew) {
    xLessStep(1, toNew);
    plat::setItemEnabled(kMenuScript, 8, true);
    RegisterScriptOp(kOpTransformations, [&](int16_t step) {
      subject = static_cast<int16_t>(TheFileInUse);
      before = SlotState::of(subject);
      gCountdown = armed;
      struct Quiet {
        Quiet() { prefsArray[kPrefSoundLevel] = 0; }
        ~Quiet() { prefsArray[kPrefSoundLevel] = 25; }
      } quiet;
      TRANSFORMATIONS(step);
    });
  };
  // As the menu item arms a run: it starts on the next file loaded.
  const auto armRunOnOpened = [] {
    gCountdown = 0;
    RunScript = ScriptRunOnce = autoscript = 1;
    FileJustLoaded = 0;
  };
  const auto openFromDesk = [&](Script& s) { s.openDocuments({opened}); };
  const struct Row {
    const char* name;
    int16_t item;  // of `menu`
    Cmd cmd;
    std::function<void()> prepare;             // before the snapshot
    std::function<void()> run;                 // armed
    std::function<bool(const SlotState&)> whole;  // the command's clean result
    // Steps of its window after the menu pick; they arm the refusals, or
    // the run leaves its undo copy to arm them.
    std::function<void(Script&)> drive = nullptr;
    int16_t menu = kMenuEdit;
  } rows[] = {
      {"undo", 1, Cmd::Undo,
       [&] {
         ASSERT_EQ(MAKEBACKUP(channel), StoreStatus::Ok);
         std::fill(gPointersToFileData[slot_][channel].begin(), gPointersToFileData[slot_][channel].end(), -1.0f);
         SetChannelLabel(slot_, channel, "edited");
         gDispatchHooks.refreshMenus();   // Undo is offered
       },
       [&] { UNDO(); },
       [&](const SlotState& after) {
         return after.data[channel] == original.data[channel] && after.labels == original.labels;
       }},
      {"reference fix with interpolation markers", 18, Cmd::RemoveReferences, referenceFix,
       quietly([&] { REMOVEREFS(1); }),
       [&](const SlotState& after) {
         return after.markers.size() > original.markers.size() && after.comments.size() > original.comments.size() &&
                after.data[channel] != original.data[channel];
       }},
      // The undo copy and the markers of a reference fix taken back, the
      // flags rebuilt from the list it puts back.
      {"undo after a reference fix with interpolation markers", 1, Cmd::Undo,
       [&] {
         referenceFix();
         prefsArray[kPrefSoundLevel] = 0;
         REMOVEREFS(1);
         prefsArray[kPrefSoundLevel] = 25;
         endReplay();
         ASSERT_GT(MarkersArray[slot_].size(), original.markers.size());
         gDispatchHooks.refreshMenus();
       },
       [&] { UNDO(); },
       [&](const SlotState& after) {
         return after.data[channel] == original.data[channel] && after.markers == original.markers;
       }},
      // A line drawn with markers on inside a span a fix flagged: the list
      // keeps the one span, the flags follow it.
      {"linearising tool inside an interpolated span", 38, Cmd::InteractiveSpikes, [&] { lineInSpan(true); },
       lineRun, lineWhole, lineDrive},
      // The stroke's flags are built afresh, and refused.
      {"linearising tool inside an interpolated span, flags never built", 38, Cmd::InteractiveSpikes,
       [&] { lineInSpan(false); }, lineRun, lineWhole, lineDrive},
      {"transformation into a new channel", 22, Cmd::Transformations,
       [&] {
         xLessStep(1, true);
         autoscript = ScriptRunOnce = 1;
       },
       quietly([&] { TRANSFORMATIONS(1); }),
       [&](const SlotState& after) {
         return after.channels == original.channels + 1 && after.data[channel] == original.data[channel] &&
                after.comments.size() > original.comments.size();
       }},
      // The log line is written, then the comments box's redraw is refused:
      // the channel and the comments are both put back.
      {"smoothing, refused after its log line", 16, Cmd::Smoothing,
       [&] {
         SmoothingSettings st;
         st.button = 2;   // 5 points
         st.cycles = 3;
         float fields[28] = {};
         ToScriptStep(st, fields);
         replayStep(fields, kOpSmoothing);
         ActiveChannel = channel;
       },
       quietly([&] { SMOOTHING(1); }),
       [&](const SlotState& after) {
         return after.data[channel] != original.data[channel] && after.comments.size() > original.comments.size();
       },
       nullptr, kMenuEdit},
      {"change blocks", 1, Cmd::BlockSet,
       [&] {
         testsupport::MarkBlock(slot_, 300, 800);
         ActiveChannel = channel;
       },
       [&] {
         gCountdown = 0;   // armed by its undo copy
         armOnChannelChange = armed;
         BLOCKSET();
       },
       blockSet,
       [&](Script& s) {
         // The file's block is the one to change: the picker ends as its
         // window comes back to the front, once the picker has taken the
         // events the activations queued (one a step).
         s.activate(PlotWindowId(slot_)).activate(kBlockSetWindow);
         for (int k = 0; k < 4; ++k) s.moveTo(kBlockSetWindow, {4, 4});
         s.type(kBlockSetWindow, kBlockSetValueField, "21.5").click(kBlockSetWindow, kBlockSetChange);
         // Its redraws poll for events: the pointer rests on the plot
         // until it has ended, or its alert is up.
         for (int k = 0; k < 12; ++k) s.moveTo(PlotWindowId(slot_), {4, 4});
       },
       73},
      // The label and the log line of the new channel are made first.
      {"gas exchange into a new channel", 1, Cmd::GasExchange,
       [&] {
         GasExchangeSettings g;
         g.chan1 = channel;
         g.makeNewChan = true;
         float fields[28] = {};
         GasToScriptStep(g, fields);
         replayStep(fields, static_cast<int16_t>(kGasOpBase + kGasO2));
         GasType = kGasO2;
       },
       quietly([&] { GASEXCHANGE(1); }),
       addedLabelledChannel,
       nullptr, 76},
      // Refused a new channel, the source channel is not written over.
      {"oxygen consumption in water into a new channel", 7, Cmd::WaterVO2,
       [&] {
         WaterVO2Settings w;
         w.waterSystem = 1;
         w.volumeOrFlow = 600;
         w.chan1 = channel;
         w.makeNewChan = true;
         float fields[28] = {};
         WaterToScriptStep(w, 1.0, 600, fields);
         replayStep(fields, kWaterVO2Op);
         FileInfoFLOATS[slot_][kInfoFlow] = 600;
       },
       quietly([&] { WATERVO2(1); }),
       addedLabelledChannel,
       nullptr, 76},
      // Stored from its window: a refusal while the run is stored takes the
      // pending channel with the log line the recovery takes back.
      {"transformation into a new channel, stored from its window", 22, Cmd::Transformations,
       [&] { ActiveChannel = channel; },
       [&] {
         gCountdown = 0;   // armed by its Done
         TRANSFORMATIONS(0);
       },
       [&](const SlotState& after) {
         return after.channels == original.channels + 1 && after.data[channel] == original.data[channel] &&
                after.comments.size() > original.comments.size();
       },
       [&](Script& s) {
         s.popup(kTransformWindow, kTrTransformPopup, 4)
             .click(kTransformWindow, kTrNewChannel)
             .click(kTransformWindow, kTrAll)
             .call([&] { gCountdown = armed; })
             .click(kTransformWindow, kTrDone);
       }},
      // The copy's log line is made before the copy is added.
      {"duplicate channel", 31, Cmd::CopyChannel, [&] { ActiveChannel = channel; }, [&] { COPYCHAN(1); },
       [&](const SlotState& after) {
         return after.channels == original.channels + 1 &&
                after.data[static_cast<size_t>(original.channels) + 1] == original.data[channel] &&
                after.comments.size() > original.comments.size();
       }},
      // The new channel's log line is made first; a refusal after it, in
      // the comments box's redraw or later, takes the channel with its line.
      {"expression transform into a new channel", 24, Cmd::ExpressionTransforms, expressionPrepare, expressionRun,
       expressionWhole, expressionDrive},
      // A refusal before the copy is compensated takes the copy and its
      // log line back: no uncompensated copy is left.
      {"analyzer humidity compensation into a new channel, refused after the copy's log line", 3,
       Cmd::AnalyzerHumidity, humidityPrepare, humidityRun, humidityWhole, humidityDrive, 76},
      // The same from the menu pick on, in the store's own requests only:
      // each of its windows' steps, and each comments redraw, between them.
      {"analyzer humidity compensation into a new channel, refused from the pick on", 3, Cmd::AnalyzerHumidity,
       humidityPrepare,
       [&] {
         gStoreOnly = true;
         ANALYZER_HUMIDITY(0);
       },
       humidityWhole, humidityDrive, 76},
      // A run into a new channel stored, then a refusal later in the same
      // window: the stored channel keeps its log line.
      {"transformation into a new channel stored, then refused in its window", 22, Cmd::Transformations,
       [&] {
         // A run stopped in its window leaves the window up.
         plat::disposeWindow(kTransformWindow);
         ActiveChannel = channel;
       },
       [&] {
         gCountdown = 0;   // armed after the first run is stored, until the next run's undo copy
         struct Disarming {
           Disarming() { disarmOnChannelChange = true; }
           ~Disarming() { disarmOnChannelChange = false; }
         } disarming;
         TRANSFORMATIONS(0);
       },
       channelsWithTheirLines,
       [&](Script& s) {
         s.popup(kTransformWindow, kTrTransformPopup, 4)
             .click(kTransformWindow, kTrNewChannel)
             .click(kTransformWindow, kTrAll)
             .click(kTransformWindow, kTrSaveContinue)
             .call([&] { gCountdown = armed; })
             .click(kTransformWindow, kTrAll);
       }},
      {"expression transform into a new channel, then refused in its window", 24, Cmd::ExpressionTransforms,
       expressionPrepare, expressionRun, channelsWithTheirLines,
       [&](Script& s) {
         s.click(kExpressionWindow, kExprNewChannel)
             .click(kExpressionWindow, kExprCheck)
             .click(kExpressionWindow, kExprRun)
             .call([&] { gCountdown = armed; })
             .click(kExpressionWindow, kExprRun)
             .activate(PlotWindowId(slot_));
       }},
      // A replayed "\xC6 Block to:" step of the transformations window,
      // refused its undo copy: it says so and keeps the user's block.
      {"\xC6 Block to:, replayed", 22, Cmd::Transformations,
       [&] {
         testsupport::MarkBlock(slot_, 300, 800);
         float fields[28] = {};
         BlockSetToStep(kBlockSetByDialog, 21.5f, channel, fields);
         replayStep(fields, kOpTransformations);
       },
       [&] {
         // Until its undo copy is taken: the plot's redraws ask Qt.
         struct Disarming {
           Disarming() { disarmOnChannelChange = true; }
           ~Disarming() { disarmOnChannelChange = false; }
         } disarming;
         BackupCache.release(kBackupUndo);
         TRANSFORMATIONS(1);
       },
       blockValues},
      // Run from its window, refused from its click on in the store's own
      // requests: its undo copy (the markers list it keeps), then each hook
      // the store calls, through the redraws after its window has gone.
      // Refused its copy, it says so and the window goes as Cancel leaves
      // it; refused later, the channel is put back. The user's block stays
      // either way.
      {"\xC6 Block to:, from its window", 22, Cmd::Transformations,
       [&] {
         // A run stopped in its window leaves the window up.
         plat::disposeWindow(kTransformWindow);
         testsupport::MarkBlock(slot_, 300, 800);
         // Drawn, as a user's block is: its edges on the plot are kept.
         RefreshSCREEN();
         std::vector<MarkerRecord> many(kManyMarkers);
         for (size_t k = 0; k < many.size(); ++k) many[k] = {static_cast<int32_t>(k + 1), 1};
         SetMarkers(slot_, many);
         gMarkerListBytes = kManyMarkers * sizeof(MarkerRecord);
       },
       [&] {
         gCountdown = 0;   // armed by its click
         TRANSFORMATIONS(0);
       },
       blockValues,
       [&](Script& s) {
         s.type(kTransformWindow, kTrBlockValue, "21.5")
             .call([&] {
               gStoreOnly = true;
               gCountdown = armed;
             })
             .click(kTransformWindow, kTrSetBlock);
       }},
      // Each replayed step is a command of its own: a refusal in the second
      // takes back no part of the first, and the channel it drops goes with
      // its line.
      {"script of a smoothing and a transformation into a new channel", 22, Cmd::Transformations,
       [&] {
         SmoothingSettings st;
         st.button = 2;
         st.cycles = 3;
         ToScriptStep(st, ScriptSequenceArray[1]);
         ScriptSequenceArray[1][kStepOpField] = kOpSmoothing;
         xLessStep(2, true);
         RunScript = ScriptRunOnce = autoscript = 1;
       },
       quietly([&] {
         // Armed as the second step begins: the first one's redraws ask Qt.
         gCountdown = 0;
         RegisterScriptOp(kOpTransformations, [&](int16_t step) {
           gCountdown = armed;
           TRANSFORMATIONS(step);
         });
         struct Registered {
           ~Registered() { RegisterScriptOp(kOpTransformations, [](int16_t step) { TRANSFORMATIONS(step); }); }
         } registered;
         DOSCRIPT();
       }),
       [&](const SlotState& after) {
         const int added = after.channels - original.channels;
         return after.data[channel] != original.data[channel] && (added == 0 || added == 1) &&
                lines(after.comments) - lines(original.comments) == 1 + added;
       }},
      // "Run Script [ Automatic, All Files ]", then a file opened from the
      // desk: the step runs in the pass that opened its file, a command of
      // its own. The new file keeps no channel without its line and no line
      // without its channel; the file already open is not touched.
      {"script run on a file as it opens, a transformation into a new channel", 8, Cmd::RunScriptAllFiles,
       [&] { runOnOpened(true); }, armRunOnOpened,
       [&](const SlotState& after) {
         return after.channels == before.channels + 1 && lines(after.comments) - lines(before.comments) == 1 &&
                after.data[channel] == before.data[channel];
       },
       openFromDesk, kMenuScript},
      // In place: the recovery puts the new file's channel back from the
      // step's undo copy, and its "changed" mark as it opened.
      {"script run on a file as it opens, a transformation in place", 8, Cmd::RunScriptAllFiles,
       [&] { runOnOpened(false); }, armRunOnOpened,
       [&](const SlotState& after) {
         return after.channels == before.channels && lines(after.comments) - lines(before.comments) == 1 &&
                after.data[channel] != before.data[channel];
       },
       openFromDesk, kMenuScript},
  };
  for (const Row& row : rows) {
    RegisterCommand(row.cmd, [&](int16_t) {
      armedRun(row.run);
      if (row.cmd == Cmd::Undo) {
        RefreshSCREEN();
        DRAWBLOCK();
      }
    });
    int refusals = 0;
    bool toldNotCopied = false;
    SlotState clean;   // as the command leaves the file with nothing refused
    for (armed = 0;; ++armed) {
      SCOPED_TRACE(testing::Message() << row.name << ", request " << armed << " refused");
      gStoreOnly = false;
      gMarkerListBytes = 0;
      // The file as the program loaded it, each time.
      for (int16_t c = 1; c <= kMaxChannels; ++c) gPointersToFileData[slot_][c] = original.data[c];
      nChannels[slot_] = original.channels;
      for (int i = 0; i < 6; ++i) LabelStrings[slot_][i] = original.labels[static_cast<size_t>(i)];
      SetMarkers(slot_, original.markers);
      CommentContainer[slot_] = original.comments;
      std::copy(original.shorts.begin(), original.shorts.end(), FileSHORTS[slot_]);
      MakeInterpolationRecordFor(slot_);
      DropUndoCopy(slot_);
      ActiveChannel = channel;
      gRedrawsOnly = false;
      row.prepare();
      subject = slot_;
      before = SlotState::of(slot_);
      const SlotState home = before;
      std::string alert;
      Script s;
      // Read from within the alert, if one came, then left by a stop.
      s.menu(row.menu, row.item);
      if (row.drive) row.drive(s);
      // A window that took an undo copy as it opened, still up behind the
      // alert, told of the refusal itself: it goes on as its Cancel would
      // leave the file.
      int copyingWindow = 0;
      if (row.drive && row.cmd == Cmd::Transformations) copyingWindow = kTransformWindow;
      if (row.drive && row.cmd == Cmd::ExpressionTransforms) copyingWindow = kExpressionWindow;
      bool windowTold = false;
      s.call([&] {
        if (gCountdown > 0) gCountdown = 0;
        gStoreOnly = false;
        if (plat::windowExists(kAlertWindow)) alert = plat::fieldText(kAlertWindow, kAlertMessage);
        windowTold = copyingWindow != 0 && !alert.empty() && plat::windowExists(copyingWindow);
      });
      // The alert, or the linearising tool still open, is left by Return;
      // to the plot, Return would toggle its view.
      if (row.cmd == Cmd::InteractiveSpikes) s.key(PlotWindowId(slot_), 13);
      s.stop();
      runMainLoop(s);
      armOnChannelChange = 0;
      plat::disposeWindow(kAlertWindow);
      endReplay();
      const bool refused = gCountdown.exchange(0) < 0;
      const SlotState after = SlotState::of(subject);
      // Another open file is left as it was, its comments and mark too.
      if (subject != slot_) {
        EXPECT_TRUE(SlotState::of(slot_) == home) << "another file was touched";
      }
      // The interpolation flags follow the markers left, whatever happened.
      if (BackupCache.heldFloats(kBackupInterpolation) > nCases[subject]) {
        const std::vector<float> flags(BackupCache.view(kBackupInterpolation),
                                       BackupCache.view(kBackupInterpolation) + nCases[subject] + 1);
        MakeInterpolationRecordFor(subject);
        EXPECT_TRUE(std::equal(flags.begin(), flags.end(), BackupCache.view(kBackupInterpolation)))
            << "flags that do not follow the markers";
      }
      // A file the row opened goes again: the next run begins as this one did.
      for (int16_t f = 0; f < kMaxOpenFiles; ++f)
        if (f != slot_ && SlotHoldsFile(f)) DiscardFileSlot(f);
      if (TheFileInUse != static_cast<uint16_t>(slot_)) BringFileToFront(slot_);
      FileJustLoaded = 0;
      if (!refused) {
        EXPECT_EQ(alert, "");
        EXPECT_TRUE(row.whole(after));
        EXPECT_EQ(after.shorts[kShortChanged], 1);
        if (armed == 0) {
          clean = after;
          continue;
        }
        break;
      }
      ++refusals;
      // The file as it was but for its comments and its "changed" mark:
      // then those are as they were too. Else what stays is the command's
      // (whole, or a part of it that stands whole), marked changed, with
      // the lines of what stays after the file's own and no others.
      const auto bare = [](SlotState st) {
        st.comments.clear();
        st.shorts[kShortChanged] = 0;
        return st;
      };
      if (bare(after) == bare(before)) {
        EXPECT_FALSE(alert.empty()) << "a refusal that did nothing was not told";
        EXPECT_EQ(after.comments, before.comments) << alert;
        // Opening the window took an undo copy, which marks the file changed.
        EXPECT_EQ(after.shorts[kShortChanged], windowTold ? 1 : before.shorts[kShortChanged]) << alert;
      } else {
        EXPECT_TRUE(row.whole(after)) << alert;
        EXPECT_EQ(after.shorts[kShortChanged], 1) << "a change that stays is not marked: " << alert;
        EXPECT_TRUE(after.comments.starts_with(before.comments)) << alert;
        if (after.channels == clean.channels) {
          EXPECT_EQ(after.comments, clean.comments) << alert;
        } else {
          EXPECT_LE(lines(after.comments), lines(clean.comments)) << alert;
        }
      }
      if (alert.empty()) continue;
      EXPECT_NE(alert.find("memory"), std::string::npos) << alert;
      // The words of a file that could not be loaded tell nothing here.
      if (row.cmd == Cmd::ExpressionTransforms || row.cmd == Cmd::CopyChannel) {
        EXPECT_EQ(alert.find("memory for this file"), std::string::npos) << alert;
      }
      if (alert.find("Not enough memory for a new channel: the channel was not copied, and nothing was written.") !=
          std::string::npos) {
        toldNotCopied = true;
      }
      if (alert.find("Nothing was changed") != std::string::npos ||
          alert.find("put back as it was") != std::string::npos) {
        EXPECT_TRUE(after == before) << alert;
      }
    }
    EXPECT_GE(refusals, 1) << row.name;
    // Refused its new channel, a copy says so.
    if (row.cmd == Cmd::CopyChannel) {
      EXPECT_TRUE(toldNotCopied) << row.name;
    }
  }
  gRedrawsOnly = gStoreOnly = false;
  RegisterScriptOp(kOpTransformations, [](int16_t step) { TRANSFORMATIONS(step); });
  fs::remove_all(openedDir);
  gStoreHooks.commentsChanged = commentsChanged;
  gStoreHooks.playSound = playSound;
  gStoreHooks.channelChanged = channelChanged;
  gPlotHooks = plotHooks;
  for (int n = 1; n <= 3; ++n) std::fill(std::begin(ScriptSequenceArray[n]), std::end(ScriptSequenceArray[n]), 0.0f);
  spikeInterpMarkers = 0;
  DoSlant = 0;
}

// The main loop's recovery runs out of memory too, before its alert: the
// user is still told, the menus are set as after any command, and the pick
// the failed command left is not run afterwards. (A refusal inside Qt, building the window, is not survivable.)
TEST_F(AllocationFailure, ARecoveryThatRunsOutOfMemoryStillAlertsAndForgetsThePicks) {
  int64_t armed = 0;
  RegisterCommand(Cmd::Transformations, [&](int16_t) {
    // As a command with a dialog up: its menus off, a pick left for later.
    plat::setMenuEnabled(kMenuEdit, false);
    MenuIDENTIFIER = kMenuEdit;
    MenuItem = 1;
    gCountdown = armed;
    throw std::bad_alloc();
  });
  // The requests the recovery makes before it builds its alert.
  constexpr int64_t kRecoveryRequests = 2;
  bool undoRan = false;
  RegisterCommand(Cmd::Undo, [&](int16_t) { undoRan = true; });
  for (armed = 1; armed <= kRecoveryRequests; ++armed) {
    SCOPED_TRACE(testing::Message() << "request " << armed << " of the recovery refused");
    std::string alert;
    Script s;
    // Read from within the alert, if one came, then left by a stop.
    s.menu(kMenuEdit, 22)
        .call([&] {
          if (gCountdown > 0) gCountdown = 0;
          if (plat::windowExists(kAlertWindow)) alert = plat::fieldText(kAlertWindow, kAlertMessage);
        })
        .stop();
    runMainLoop(s);
    plat::disposeWindow(kAlertWindow);
    const bool refused = gCountdown.exchange(0) < 0;
    EXPECT_NE(alert.find("Not enough memory to finish"), std::string::npos) << alert;
    EXPECT_NE(alert.find("Nothing was changed."), std::string::npos) << alert;
    EXPECT_EQ(MenuIDENTIFIER, 0);
    EXPECT_TRUE(plat::menuEnabled(kMenuEdit));
    EXPECT_FALSE(undoRan);
    EXPECT_TRUE(refused);
  }
}

}  // namespace
