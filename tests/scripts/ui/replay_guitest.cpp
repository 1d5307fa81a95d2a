// Every step a command records, recorded by hand on the demo and replayed
// by the runner on a second copy of it, from the program's own start-up:
// the replay must do what the hand run did, on the same channel, in the
// same units, and no recorded code may lack a replay.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "analyses/ui/average.h"
#include "analyses/ui/fit_commands.h"
#include "analyses/ui/integration.h"
#include "analyses/ui/regression.h"
#include "analyses/ui/scans.h"
#include "analyses/ui/timeintegrate.h"
#include "analyses/ui/waveform.h"
#include "datafiles/save.h"
#include "datafiles/ui/save_dialog.h"
#include "editing/ui/baseline.h"
#include "editing/ui/blockscale.h"
#include "editing/ui/integrate.h"
#include "editing/ui/lag.h"
#include "editing/ui/references.h"
#include "editing/ui/smoothing.h"
#include "editing/ui/spikes.h"
#include "editing/ui/blockpick.h"
#include "editing/ui/transformations.h"
#include "output/results.h"
#include "output/writer.h"
#include "platform/controls.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "respirometry/ui/gasdialogs.h"
#include "respirometry/ui/gasexchange.h"
#include "respirometry/ui/humidity.h"
#include "respirometry/ui/watervo2.h"
#include "shell/recording.h"
#include "scripts/scriptfile.h"
#include "shell/steptable.h"
#include "scripts/ui/runner.h"
#include "scripts/ui/scriptview.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mainloop.h"
#include "shell/worktables.h"
#include "support/gui_support.h"
#include "support/program_support.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

constexpr int kHandPlot = 1000, kReplayPlot = 1001;
// Of editing/ui/fileinfo.h, whose field names clash with the gas dialogs'.
constexpr int kFileDataWindow = 6, kFileDataDone = 134;
// Of editing/baseline.h, whose block span clashes with the line fit's: the
// automatic baseline's start/end preference and its "start" choice.
constexpr int kPrefBaselineEnds = 8, kBaselineFromStart = 12;

// What a run leaves: the channels, their labels, the markers, the case
// count and interval, the active channel and the result of the analysis as
// the results writer would print it.
struct Outcome {
  int16_t channels = 0, active = 0;
  int32_t cases = 0;
  float interval = 0.0f;
  std::vector<std::vector<float>> data;
  std::vector<std::string> labels;
  std::vector<MarkerRecord> markers;
  std::string result;
};

Outcome Capture(int16_t topicShown) {
  Outcome o;
  const auto f = static_cast<int16_t>(TheFileInUse);
  o.channels = nChannels[f];
  o.active = ActiveChannel;
  o.cases = nCases[f];
  o.interval = FileInfoFLOATS[f][kInfoInterval];
  o.markers = MarkersArray[f];
  for (int16_t c = 1; c <= nChannels[f]; ++c) {
    o.data.push_back(gPointersToFileData[f][c]);
    o.labels.push_back(RetrieveLabel(c));
  }
  if (topicShown > 0) {
    ResultRecord r = CaptureResult();
    r.topic = topicShown;
    r.fileName.clear();  // the one thing the two files may differ in
    o.result = ResultText(r);
  }
  return o;
}

void ExpectSame(const Outcome& hand, const Outcome& replay) {
  EXPECT_EQ(replay.channels, hand.channels);
  EXPECT_EQ(replay.active, hand.active) << "the channel worked on";
  EXPECT_EQ(replay.labels, hand.labels);
  EXPECT_EQ(replay.cases, hand.cases);
  EXPECT_EQ(replay.interval, hand.interval);
  EXPECT_TRUE(replay.markers == hand.markers) << replay.markers.size() << " markers, by hand " << hand.markers.size();
  EXPECT_EQ(replay.result, hand.result);
  ASSERT_EQ(replay.data.size(), hand.data.size());
  for (size_t c = 0; c < hand.data.size(); ++c) EXPECT_TRUE(replay.data[c] == hand.data[c]) << "channel " << c + 1;
}

// Polls made while the block request flashes take these instead of the
// user's next steps.
Script& Idle(Script& s) {
  for (int k = 0; k < 30; ++k) s.call([] {});
  return s;
}
// Long runs pump as they go (progress bars): each pump takes one of these,
// so the user's next step waits for the window it is meant for.
Script& Settle(Script& s) {
  for (int k = 0; k < 300; ++k) s.call([] {});
  return s;
}
// The pixels a block is dragged over: a step down, or the recovery after it.
struct Span {
  int from, to;
};
constexpr Span kStepDown{120, 300}, kRecovery{303, 425};
Script& DragBlock(Script& s, int win, Span span) {
  Idle(s).press(win, {span.from, 150}).moveTo(win, {(span.from + span.to) / 2, 150}).moveTo(win, {span.to, 150});
  s.release();
  return Idle(s);
}

using Steps = std::function<void(Script&)>;

// The folder of the running case, for paths that steps need before it runs.
fs::path gScratch;
fs::path ScratchPath(const char* name) { return gScratch / name; }

struct ReplayCase {
  const char* name;
  int16_t code;    // the step the hand run records last
  bool block;      // a block is dragged before the hand run, and again when the replay asks
  Steps byHand;    // the command from its menu, its dialog answered
  Steps onReplay;  // what the user does while the step replays (a dialog shown again, results closed)
  Span span = kStepDown;
  // Instead of comparing the second file with the first: steps on files.
  std::function<void(const fs::path& dir)> check;
  // Before recording, on the first file (a step that needs a set-up first).
  Steps before;
  // After the recording is halted: the remembered choices changed, as a
  // user working on would change them before the replay.
  Steps afterHalt;
  int16_t steps = 0;   // the steps the hand run records; 0 unchecked
};

const std::vector<ReplayCase>& Cases() {
  static const std::vector<ReplayCase> cases = {
      {"channel from the Channel menu", kOpChangeChannel, false, [](Script& s) { s.menu(kMenuChannel, 3); }, {}},
      {"lag typed",
       kOpLag,
       false,
       [](Script& s) {
         s.menu(kMenuEdit, 12).clickField(kResultsWindow, kLagField).call([] {
           plat::setFieldText(kResultsWindow, kLagField, "");
         });
         s.type(kResultsWindow, kLagField, "12.5").click(kResultsWindow, kLagOK);
       },
       {}},
      {"baseline from typed points",
       kOpBaseline,
       false,
       [](Script& s) {
         s.menu(kMenuEdit, 11).click(kResultsWindow, kBaselineTyped);
         s.call([] {
           plat::setFieldText(kResultsWindow, kBaselineStartField, "20.6");
           plat::setFieldText(kResultsWindow, kBaselineEndField, "20.7");
         });
         s.click(kResultsWindow, kBaselineValuesOK).click(kResultsWindow, kBaselineOK);
       },
       {}},
      {"integral",
       kOpIntegrate,
       false,
       [](Script& s) { s.menu(kMenuEdit, 13).click(kResultsWindow, kIntegrateOK); },
       {}},
      {"derivative",
       kOpDerivative,
       false,
       [](Script& s) { s.menu(kMenuEdit, 14).click(kResultsWindow, kIntegrateOK); },
       {}},
      {"spike sweep",
       kOpSpikes,
       false,
       [](Script& s) {
         s.menu(kMenuEdit, 17).clickField(kResultsWindow, kSpikeThresholdField).call([] {
           plat::setFieldText(kResultsWindow, kSpikeThresholdField, "");
         });
         s.type(kResultsWindow, kSpikeThresholdField, "0.002").click(kResultsWindow, kSpikeSweep);
         s.click(kResultsWindow, kSpikeDone);
       },
       {}},
      {"VO2",
       kOpO2Consumption,
       false,
       [](Script& s) {
         s.menu(kMenuRespirometry, 1);
         Idle(s).click(kResultsWindow, kNewChannelBox).click(kResultsWindow, kGasNext);
         s.click(kSecondaryWindow, kChannelsNext).click(kSecondaryWindow, 1).click(kSecondaryWindow, kModeNext);
         s.click(kResultsWindow, kComputeButton);
       },
       {}},
      {"VCO2 of channel 2",
       kOpCO2Production,
       false,
       [](Script& s) {
         s.key(kHandPlot, '2').menu(kMenuRespirometry, 2);
         Idle(s).click(kResultsWindow, kNewChannelBox).click(kResultsWindow, kGasNext);
         s.click(kSecondaryWindow, kChannelsNext).click(kSecondaryWindow, 1).click(kSecondaryWindow, kModeNext);
         s.click(kSecondaryWindow, kConstantRQ).click(kResultsWindow, kComputeButton);
       },
       {}},
      {"water loss",
       kOpWaterLoss,
       false,
       [](Script& s) {
         s.menu(kMenuRespirometry, 5);
         Idle(s).click(kResultsWindow, kGasNext).click(kSecondaryWindow, kChannelsNext);
         s.click(kSecondaryWindow, kRelativeHumidity).click(kSecondaryWindow, kTemperatureOK);
         s.click(kResultsWindow, kComputeButton);
       },
       {}},
      {"sensor RH fix",
       kOpSensorRH,
       false,
       [](Script& s) {
         s.menu(kMenuRespirometry, 3);
         Idle(s).click(kResultsWindow, kHumiditySelectGas).click(kSecondaryWindow, kChannelsNext);
         s.click(kHumidityWindow, kHumidityDone).click(kHumidityWindow, kConstantButton);
         s.click(kHumidityWindow, kHumidityOK).click(kSecondaryWindow, kTemperatureOK);
       },
       {}},
      {"VO2 in water",
       kOpVO2InWater,
       false,
       [](Script& s) {
         s.menu(kMenuRespirometry, 7);
         Idle(s).click(kResultsWindow, kWaterClosed).click(kResultsWindow, kWaterContinue);
         s.click(kWaterChannelWindow, kWaterChannelsDone).click(kResultsWindow, kWaterResult3);
         s.click(kResultsWindow, kDoCalculations);
       },
       {}},
      {"transformation X - a",
       kOpTransformations,
       false,
       [](Script& s) {
         s.menu(kMenuEdit, 22).popup(kResultsWindow, kTrTransformPopup, 7).clickField(kResultsWindow, kTrField1);
         s.call([] { plat::setFieldText(kResultsWindow, kTrField1, "1.5"); });
         s.click(kResultsWindow, kTrAll).click(kResultsWindow, kTrDone);
       },
       {}},
      {"copy channel", kOpCopyChannel, false, [](Script& s) { s.menu(kMenuEdit, 31); }, {}},
      {"references",
       kOpRemoveReferences,
       false,
       [](Script& s) {
         s.menu(kMenuEdit, 18).clickField(kResultsWindow, kRefCutoffField).call([] {
           plat::setFieldText(kResultsWindow, kRefCutoffField, "");
         });
         s.type(kResultsWindow, kRefCutoffField, "20.5").click(kResultsWindow, kRefFix);
         s.click(kResultsWindow, kRefDone);
       },
       {}},
      {"smoothing",
       kOpSmoothing,
       false,
       [](Script& s) {
         s.menu(kMenuEdit, 16).click(kResultsWindow, 2).click(kResultsWindow, kSmoothFirstPreset + 1);
         s.click(kResultsWindow, kSmoothAll);
       },
       {}},
      {"basic stats", kOpBasicStats, true, [](Script& s) { Settle(s.menu(kMenuAnalyze, 1)).closeBox(kResultsWindow); },
       [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      // After another block step on the same block, as a script of two analyses runs.
      {"slope in minutes", kOpSlopeVsTime, true,
       [](Script& s) {
         Settle(s.menu(kMenuAnalyze, 1)).closeBox(kResultsWindow);
         Settle(s.menu(kMenuAnalyze, 15).click(kTimeUnitsWindow, kTimeMinutes)).closeBox(kResultsWindow);
       },
       [](Script& s) {
         Settle(s).closeBox(kResultsWindow);
         Idle(s).click(kReplayPlot, kContinueScriptButton);
         Idle(s).call([] { EXPECT_FALSE(plat::windowExists(kTimeUnitsWindow)) << "the unit comes from the step"; });
         Settle(s).closeBox(kResultsWindow);
       }},
      {"minimum over 60 s", kOpMinimum, true,
       [](Script& s) {
         s.menu(kMenuAnalyze, 2).clickField(kScanIntervalWindow, kScanSecondsField).call([] {
           plat::setFieldText(kScanIntervalWindow, kScanSecondsField, "");
         });
         s.type(kScanIntervalWindow, kScanSecondsField, "60").click(kScanIntervalWindow, kScanIntervalOK);
         Settle(s).closeBox(kResultsWindow);
       },
       [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {"maximum over 60 s", kOpMaximum, true,
       [](Script& s) {
         s.menu(kMenuAnalyze, 3).clickField(kScanIntervalWindow, kScanSecondsField).call([] {
           plat::setFieldText(kScanIntervalWindow, kScanSecondsField, "");
         });
         s.type(kScanIntervalWindow, kScanSecondsField, "60").click(kScanIntervalWindow, kScanIntervalOK);
         Settle(s).closeBox(kResultsWindow);
       },
       [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {"most level over 60 s", kOpMostLevel, true,
       [](Script& s) {
         s.menu(kMenuAnalyze, 4).clickField(kScanIntervalWindow, kScanSecondsField).call([] {
           plat::setFieldText(kScanIntervalWindow, kScanSecondsField, "");
         });
         s.type(kScanIntervalWindow, kScanSecondsField, "60").click(kScanIntervalWindow, kScanIntervalOK);
         Settle(s).closeBox(kResultsWindow);
       },
       [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {"most variable point to point over 60 s", kOpMostVariable, true,
       [](Script& s) {
         s.menu(kMenuAnalyze, 5).clickField(kScanIntervalWindow, kScanSecondsField).call([] {
           plat::setFieldText(kScanIntervalWindow, kScanSecondsField, "");
         });
         s.type(kScanIntervalWindow, kScanSecondsField, "60").click(kScanIntervalWindow, kScanIntervalOK);
         s.click(kScanIntervalWindow, kPointToPointButton);
         Settle(s).closeBox(kResultsWindow);
       },
       [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {"integrate block", kOpIntegrateBlock, true,
       [](Script& s) { Settle(s.menu(kMenuAnalyze, 6).click(kResultsWindow, kUnitMinutes)).closeBox(kResultsWindow); },
       [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {"waveform", kOpWaveform, true,
       [](Script& s) {
         s.menu(kMenuAnalyze, 11);
         Idle(s).click(kSecondaryWindow, kWaveDefaultTriggers);
         Idle(s).closeBox(kResultsWindow);
       },
       [](Script& s) {
         s.click(kSecondaryWindow, kWaveDefaultTriggers);
         Idle(s).closeBox(kResultsWindow);
       }},
      {"regression", kOpRegress, true,
       [](Script& s) {
         s.menu(kMenuAnalyze, 16).click(kPickWindow, 1).click(kPickWindow, 4 + 3).click(kPickWindow, kPickOK);
         s.click(kPickWindow, 1).click(kPickWindow, kModelDone).click(kResultsWindow, kRegExit);
       },
       [](Script& s) {
         s.click(kPickWindow, 1).click(kPickWindow, 4 + 3).click(kPickWindow, kPickOK);
         s.click(kPickWindow, 1).click(kPickWindow, kModelDone).click(kResultsWindow, kRegExit);
       }},
      {"asymptote in minutes", kOpAsymptote, true,
       [](Script& s) {
         s.menu(kMenuAnalyze, 17).click(kTimeUnitsWindow, kTimeMinutes).click(kResultsWindow, kAsymDone);
       },
       [](Script& s) {
         s.call([] { EXPECT_FALSE(plat::windowExists(kTimeUnitsWindow)) << "the unit comes from the step"; });
         s.click(kResultsWindow, kAsymDone);
       },
       kRecovery},
      {"polynomial", kOpPolynomial, true,
       [](Script& s) {
         s.menu(kMenuAnalyze, 18).click(kPickWindow, 1).click(kPickWindow, 4 + 2).click(kPickWindow, kPickOK);
         s.popup(kPolyWindow, kPolyDegreePopup, 2).click(kPolyWindow, kPolyDone);
       },
       [](Script& s) {
         s.click(kPickWindow, 1).click(kPickWindow, 4 + 2).click(kPickWindow, kPickOK);
         s.popup(kPolyWindow, kPolyDegreePopup, 2).click(kPolyWindow, kPolyDone);
       }},
      {"time integration", kOpTimeIntegration, true,
       [](Script& s) { Settle(s.menu(kMenuAnalyze, 20)).closeBox(kResultsWindow); },
       [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {"event counting", kOpEventCounting, true,
       [](Script& s) { Settle(s.menu(kMenuAnalyze, 21)).closeBox(kResultsWindow); },
       [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {"selective integration", kOpSelectiveIntegrate, true,
       [](Script& s) { Settle(s.menu(kMenuAnalyze, 22)).closeBox(kResultsWindow); },
       [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {"scale the block only", kOpScaleToBlock, true,
       [](Script& s) {
         s.menu(kMenuEdit, 25).click(kResultsWindow, kScaleZeroTo100).click(kResultsWindow, kScaleBlockOnly);
         s.click(kResultsWindow, kScaleOK).click(kResultsWindow, kScaleDone);
       },
       // The step says what was scaled: no dialog.
       [](Script& s) { Idle(s).call([] { EXPECT_FALSE(plat::windowExists(kResultsWindow)); }); }},
      {"save as", kOpSaveAs, false,
       [](Script& s) { s.menu(kMenuFile, 7).click(kSaveAsWindow, kSaveAsSave).answerSave(ScratchPath("hand.orl")); },
       [](Script& s) { s.click(kSaveAsWindow, kSaveAsSave).answerSave(ScratchPath("replayed.orl")); }, kStepDown,
       [](const fs::path& dir) {
         EXPECT_EQ(fs::file_size(dir / "replayed.orl"), fs::file_size(dir / "hand.orl"));
         EXPECT_EQ(FileName[TheFileInUse], "replayed.orl");
       }},
      // The demo is first saved elsewhere: a plain Save then writes there.
      {"save",
       kOpSaveFile,
       false,
       [](Script& s) { s.menu(kMenuFile, 6); },
       {},
       kStepDown,
       [](const fs::path& dir) {
         EXPECT_EQ(FileSHORTS[TheFileInUse][kShortChanged], 0);
         EXPECT_GT(fs::last_write_time(dir / "34.orl"), fs::last_write_time(dir / "hand.orl"));
       },
       [](Script& s) { s.menu(kMenuFile, 7).click(kSaveAsWindow, kSaveAsSave).answerSave(ScratchPath("hand.orl")); }},
      {"open file", kOpOpenFile, false, [](Script& s) { s.menu(kMenuFile, 1).answerOpen(ScratchPath("other.orl")); },
       // The run starts again on the file the step opened; there the step asks again.
       [](Script& s) { s.answerOpen(ScratchPath("other.orl")).cancelFileDialog(); }, kStepDown,
       [](const fs::path&) {
         EXPECT_EQ(TheFileInUse, 3);
         EXPECT_EQ(FileName[TheFileInUse], "other.orl");
       }},
      {"file data", kOpEditFileData, false,
       [](Script& s) { s.menu(kMenuEdit, 9).click(kFileDataWindow, kFileDataDone); },
       [](Script& s) { s.click(kFileDataWindow, kFileDataDone); }},
  };
  return cases;
}


// A value a tenth of the way in from the top (or the bottom) of a channel of
// the file in front, for limits that catch some of its cases.
std::string Inside(int16_t c, bool top) {
  const auto f = static_cast<int16_t>(TheFileInUse);
  const std::vector<float>& d = gPointersToFileData[f][c];
  float lo = d[1], hi = d[1];
  for (int32_t k = 1; k <= nCases[f]; ++k) {
    lo = std::min(lo, d[static_cast<size_t>(k)]);
    hi = std::max(hi, d[static_cast<size_t>(k)]);
  }
  return std::to_string(top ? hi - (hi - lo) / 10 : lo + (hi - lo) / 10);
}
// The click waits for the dialog a menu pick opens.
void Type(Script& s, int win, int16_t field, const std::string& text) {
  s.clickField(win, field).call([=] { plat::setFieldText(win, field, text); });
}
// "Set Block to:" in Transformations, the block already picked.
void SetBlockInTransformations(Script& s, const std::string& value) {
  s.menu(kMenuEdit, 22);
  Type(s, kResultsWindow, kTrBlockValue, value);
  s.click(kResultsWindow, kTrSetBlock);
}
// "Change Blocks…" on the block already picked, picking no other.
void ChangeStandingBlock(Script& s, const char* value) {
  Idle(s.menu(kMenuChangeOrRemove, 1)).activate(kHandPlot).activate(kBlockSetWindow);
  s.call([=] { plat::setFieldText(kBlockSetWindow, kBlockSetValueField, value); });
  s.click(kBlockSetWindow, kBlockSetChange);
}
void SmoothBlockOnly(Script& s) {
  s.menu(kMenuEdit, 16).click(kResultsWindow, 4).click(kResultsWindow, kSmoothFirstPreset + 3);
  s.click(kResultsWindow, kSmoothBlock);
}
// The replay asks for a second block: the recovery.
void PickRecovery(Script& s) { DragBlock(s, kReplayPlot, kRecovery); }
void TypeInside(Script& s, int16_t field, int16_t channel, bool top) {
  s.clickField(kResultsWindow, field).call([=] { plat::setFieldText(kResultsWindow, field, Inside(channel, top)); });
}

// Event counting shows its counts and durations in its window's fields,
// where a stored result reads them: compared while the window is open.
std::vector<std::string> gShownCounts;
std::vector<std::string> ShownCounts() {
  std::vector<std::string> t;
  for (int id : {2, 4, 10, 11, 12, 13, 20, 21, 22, 23}) t.push_back(plat::fieldText(kResultsWindow, 100 + id));
  return t;
}
Script& NoteShownCounts(Script& s) {
  return s.call([] {
    gShownCounts = ShownCounts();
    EXPECT_NE(gShownCounts.front(), "") << "counts shown by hand";
  });
}
Script& ExpectShownCounts(Script& s) {
  return s.call([] { EXPECT_EQ(ShownCounts(), gShownCounts) << "the events shown"; });
}

// By hand: the analysis of the Analyze menu's `item`, a left limit set in
// the block window with its `button`, the results closed.
Steps WithLeftLimit(int16_t item, int16_t button) {
  return [=](Script& s) {
    Settle(s.menu(kMenuAnalyze, item)).click(kResultsWindow, button);
    s.press(kBlockWindow, {200, 80}).release();
    Settle(s).closeBox(kResultsWindow);
  };
}
void CloseResults(Script& s) { Settle(s).closeBox(kResultsWindow); }
// After the halt: minutes become the remembered unit.
void MinutesSince(Script& s) { s.call([] { IntegrationUnit = kUnitMinutes; }); }

// Choices other than the defaults: a channel picked inside a dialog or a
// results window, two actions in one opening, units, baselines, directions
// and block-only edits; after the halt the remembered choices change.
const std::vector<ReplayCase>& OptionCases() {
  static const std::vector<ReplayCase> cases = {
      {.name = "integral of channel 2 picked in the dialog, labelled",
       .code = kOpIntegrate,
       .block = false,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 13).click(kResultsWindow, 2);
         Type(s, kResultsWindow, kIntegrateLabelField, "VCO2 summed");
         s.click(kResultsWindow, kIntegrateOK);
       }},
      {.name = "derivative of channel 3 picked in the dialog",
       .code = kOpDerivative,
       .block = false,
       .byHand = [](Script& s) { s.menu(kMenuEdit, 14).click(kResultsWindow, 3).click(kResultsWindow, kIntegrateOK); }},
      {.name = "spikes swept below, then trimmed, in one opening",
       .code = kOpSpikes,
       .block = false,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 17).popup(kResultsWindow, kSpikeDirectionPopup, 2);
         Type(s, kResultsWindow, kSpikeThresholdField, "0.002");
         s.click(kResultsWindow, kSpikeSweep);
         TypeInside(s, kSpikeUpLimitField, 1, true);
         TypeInside(s, kSpikeUpValueField, 1, true);
         TypeInside(s, kSpikeLowLimitField, 1, false);
         TypeInside(s, kSpikeLowValueField, 1, false);
         s.click(kResultsWindow, kSpikeTrim).click(kResultsWindow, kSpikeDone);
       },
       .steps = 2},
      {.name = "spikes swept above on channel 2 picked in the panel, within the block",
       .code = kOpSpikes,
       .block = true,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 17).click(kResultsWindow, 2).click(kResultsWindow, kSpikeInBlock);
         s.popup(kResultsWindow, kSpikeDirectionPopup, 3);
         Type(s, kResultsWindow, kSpikeThresholdField, "0.001");
         s.click(kResultsWindow, kSpikeSweep).click(kResultsWindow, kSpikeDone);
       },
       .steps = 1},
      {.name = "references fixed downgoing, then upgoing, in one opening",
       .code = kOpRemoveReferences,
       .block = false,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 18);
         TypeInside(s, kRefCutoffField, 1, false);
         s.click(kResultsWindow, kRefFix).click(kResultsWindow, kRefUp);
         TypeInside(s, kRefCutoffField, 1, true);
         s.click(kResultsWindow, kRefFix).click(kResultsWindow, kRefDone);
       },
       .steps = 2},
      {.name = "references fixed only within the block",
       .code = kOpRemoveReferences,
       .block = true,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 18).click(kResultsWindow, kRefInBlock);
         TypeInside(s, kRefCutoffField, 1, false);
         s.click(kResultsWindow, kRefFix).click(kResultsWindow, kRefDone);
       },
       .steps = 1},
      {.name = "two transformations, Save & Continue between",
       .code = kOpTransformations,
       .block = false,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 22).popup(kResultsWindow, kTrTransformPopup, 7);
         Type(s, kResultsWindow, kTrField1, "1.5");
         s.click(kResultsWindow, kTrAll).click(kResultsWindow, kTrSaveContinue);
         s.popup(kResultsWindow, kTrTransformPopup, 9);
         Type(s, kResultsWindow, kTrField1, "4");
         s.click(kResultsWindow, kTrAll).click(kResultsWindow, kTrDone);
       },
       .steps = 2},
      {.name = "channels added, labelled as the second one",
       .code = kOpTransformations,
       .block = false,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 22).popup(kResultsWindow, kTrTransformPopup, 22).click(kResultsWindow, 32 + 2);
         s.click(kResultsWindow, kTrAll).click(kResultsWindow, kTrDone);
       }},
      {.name = "transform of the block only",
       .code = kOpTransformations,
       .block = true,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 22).popup(kResultsWindow, kTrTransformPopup, 7);
         Type(s, kResultsWindow, kTrField1, "1.5");
         s.click(kResultsWindow, kTrBlock).click(kResultsWindow, kTrDone);
       }},
      {.name = "block set to a value in Transformations",
       .code = kOpTransformations,
       .block = true,
       .byHand = [](Script& s) {
         SetBlockInTransformations(s, "21.5");
       },
       .steps = 1},
      {.name = "block set to a value by Change Blocks",
       .code = kOpTransformations,
       .block = true,
       .byHand = [](Script& s) { ChangeStandingBlock(s, "21.5"); },
       .steps = 1},
      // The second block is picked while the dialog waits: one step each,
      // the replay asking for each block in turn.
      {.name = "two blocks set to a negative value by Change Blocks",
       .code = kOpTransformations,
       .block = true,
       .byHand = [](Script& s) {
         Idle(s.menu(kMenuChangeOrRemove, 1)).activate(kHandPlot);
         DragBlock(s, kHandPlot, kRecovery).activate(kBlockSetWindow);
         s.call([] { plat::setFieldText(kBlockSetWindow, kBlockSetValueField, "-3.14159265358979"); });
         s.click(kBlockSetWindow, kBlockSetChange);
       },
       .onReplay = [](Script& s) { DragBlock(s, kReplayPlot, kRecovery); },
       .steps = 2},
      {.name = "block set in Transformations, then the whole channel transformed",
       .code = kOpTransformations,
       .block = true,
       .byHand = [](Script& s) {
         SetBlockInTransformations(s, "21.5");
         s.menu(kMenuEdit, 22).popup(kResultsWindow, kTrTransformPopup, 9);
         Type(s, kResultsWindow, kTrField1, "4");
         s.click(kResultsWindow, kTrAll).click(kResultsWindow, kTrDone);
       },
       .steps = 2},
      {.name = "block set in Transformations to a value longer than a float holds",
       .code = kOpTransformations,
       .block = true,
       .byHand = [](Script& s) {
         SetBlockInTransformations(s, "21.123456789");
       },
       .steps = 1},
      // Recorded on a file with more channels: told, and no other channel set.
      {.name = "block set on a channel the replayed file lacks",
       .code = kOpTransformations,
       .block = true,
       .byHand = [](Script& s) {
         SetBlockInTransformations(s, "21.5");
       },
       .onReplay = [](Script& s) {
         Idle(s).call([] {
           EXPECT_EQ(plat::fieldText(kAlertWindow, kAlertMessage), "Channel 9 is not in this file: no block was set.");
         });
         s.click(kAlertWindow, kAlertOK);
       },
       .check = [](const fs::path&) { EXPECT_EQ(FileSHORTS[TheFileInUse][kShortChanged], 0) << "nothing set"; },
       .afterHalt = [](Script& s) { s.call([] { ScriptSequenceArray[1][transform_step::kChan1] = 9.0f; }); },
       .steps = 1},
      {.name = "transform of a copy made in the dialog",
       .code = kOpTransformations,
       .block = false,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 22).click(kResultsWindow, kTrCopy).popup(kResultsWindow, kTrTransformPopup, 7);
         Type(s, kResultsWindow, kTrField1, "1.5");
         s.click(kResultsWindow, kTrAll).click(kResultsWindow, kTrDone);
       },
       .steps = 2},
      {.name = "smoothing of the block only", .code = kOpSmoothing, .block = true, .byHand = SmoothBlockOnly},
      // Each step on a block picked for it: the replay asks for each in turn
      // and writes nothing outside them. A block set is used up and the block
      // window comes forward: the plot is clicked before the next block.
      {.name = "two blocks set in Transformations, each picked for its step",
       .code = kOpTransformations,
       .block = true,
       .byHand = [](Script& s) {
         SetBlockInTransformations(s, "-7.25");
         DragBlock(s.activate(kHandPlot), kHandPlot, kRecovery);
         SetBlockInTransformations(s, "99");
       },
       .onReplay = PickRecovery,
       .steps = 2},
      {.name = "block set in Transformations, then another by Change Blocks",
       .code = kOpTransformations,
       .block = true,
       .byHand = [](Script& s) {
         SetBlockInTransformations(s, "20.123456");
         DragBlock(s.activate(kHandPlot), kHandPlot, kRecovery);
         ChangeStandingBlock(s, "21.5");
       },
       .onReplay = PickRecovery,
       .steps = 2},
      {.name = "two block-only smoothings on two blocks",
       .code = kOpSmoothing,
       .block = true,
       .byHand = [](Script& s) {
         SmoothBlockOnly(s);
         DragBlock(s, kHandPlot, kRecovery);
         SmoothBlockOnly(s);
       },
       .onReplay = PickRecovery,
       .steps = 2},
      // The third step keeps the second's block: two blocks asked for.
      {.name = "transform of the block the smoothing before it used",
       .code = kOpTransformations,
       .block = true,
       .byHand = [](Script& s) {
         SmoothBlockOnly(s);
         DragBlock(s, kHandPlot, kRecovery);
         SmoothBlockOnly(s);
         s.menu(kMenuEdit, 22).popup(kResultsWindow, kTrTransformPopup, 7);
         Type(s, kResultsWindow, kTrField1, "1.5");
         s.click(kResultsWindow, kTrBlock).click(kResultsWindow, kTrDone);
       },
       .onReplay = PickRecovery,
       .steps = 3},
      // An analysis on a block selected over another runs, on replay, on
      // the block that stands: the edit that keeps the analysis's block asks
      // for it.
      {.name = "block set on the block a basic stats between two edits selected",
       .code = kOpTransformations,
       .block = true,
       .byHand = [](Script& s) {
         SmoothBlockOnly(s);
         DragBlock(s, kHandPlot, kRecovery);
         CloseResults(s.menu(kMenuAnalyze, 1));
         SetBlockInTransformations(s, "99");
       },
       .onReplay = [](Script& s) {
         CloseResults(s);
         PickRecovery(s);
       },
       .steps = 3},
      {.name = "block-only smoothing of the block a basic stats between two edits selected",
       .code = kOpSmoothing,
       .block = true,
       .byHand = [](Script& s) {
         SmoothBlockOnly(s);
         DragBlock(s, kHandPlot, kRecovery);
         CloseResults(s.menu(kMenuAnalyze, 1));
         SmoothBlockOnly(s);
       },
       .onReplay = [](Script& s) {
         CloseResults(s);
         PickRecovery(s);
       },
       .steps = 3},
      // Both analyses by hand, each on its own block; the replay's second
      // runs at once on the first's block.
      {.name = "block set on the block of the second of two basic stats",
       .code = kOpTransformations,
       .block = true,
       .byHand = [](Script& s) {
         CloseResults(s.menu(kMenuAnalyze, 1));
         DragBlock(s.activate(kHandPlot), kHandPlot, kRecovery);
         CloseResults(s.menu(kMenuAnalyze, 1));
         SetBlockInTransformations(s, "99");
       },
       .onReplay = [](Script& s) {
         CloseResults(s);
         Idle(s).click(kReplayPlot, kContinueScriptButton);
         CloseResults(s);
         PickRecovery(s);
       },
       .steps = 3},
      // The scan moves the block to the window it found, by hand and on
      // replay: the smoothing keeps that block, asking for none.
      {.name = "block-only smoothing of the window a scan set as the block",
       .code = kOpSmoothing,
       .block = true,
       .byHand = [](Script& s) {
         s.menu(kMenuAnalyze, 2);
         Type(s, kScanIntervalWindow, kScanSecondsField, "60");
         s.click(kScanIntervalWindow, kScanIntervalOK);
         Settle(Settle(s).click(kResultsWindow, kSetBlockButton)).closeBox(kResultsWindow);
         SmoothBlockOnly(s);
       },
       .onReplay = CloseResults,
       .steps = 2},
      // Steps kept before they said where their block came from: the block
      // set stays for the smoothing, which runs on it at once.
      {.name = "block set, then smoothed, by steps that do not say where their block came from",
       .code = kOpSmoothing,
       .block = true,
       .byHand = [](Script& s) {
         SetBlockInTransformations(s, "21.5");
         DragBlock(s.activate(kHandPlot), kHandPlot, kStepDown);
         SmoothBlockOnly(s);
       },
       .afterHalt = [](Script& s) {
         s.call([] {
           for (int n : {1, 2}) ScriptSequenceArray[n][kStepBlockPick] = 0.0f;
         });
       },
       .steps = 2},
      // A block set by a step the runner finds no block for: told, nothing set.
      {.name = "block set by a step that does not ask for its block",
       .code = kOpTransformations,
       .block = false,
       .byHand = [](Script& s) { SetBlockInTransformations(s, "21.5"); },
       .onReplay = [](Script& s) {
         Idle(s).call([] {
           EXPECT_EQ(plat::fieldText(kAlertWindow, kAlertMessage), "No block is selected: no block was set.");
         });
         s.click(kAlertWindow, kAlertOK);
       },
       .check = [](const fs::path&) { EXPECT_EQ(FileSHORTS[TheFileInUse][kShortChanged], 0) << "nothing set"; },
       .before = [](Script& s) { DragBlock(s, kHandPlot, kStepDown); },
       .afterHalt = [](Script& s) {
         s.call([] {
           ScriptSequenceArray[1][transform_step::kBlockOnly] = 0.0f;
           ScriptSequenceArray[1][kStepBlockPick] = 0.0f;
         });
       },
       .steps = 1},
      {.name = "scale the whole channel to the block",
       .code = kOpScaleToBlock,
       .block = true,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 25).click(kResultsWindow, kScaleZeroTo100);
         s.click(kResultsWindow, kScaleOK).click(kResultsWindow, kScaleDone);
       },
       .onReplay = [](Script& s) {
         Idle(s).call([] { EXPECT_FALSE(plat::windowExists(kResultsWindow)) << "the step says what was scaled"; });
       }},
      // A step kept before it said what was scaled: the dialog asks again.
      {.name = "scale to block recorded without its scope",
       .code = kOpScaleToBlock,
       .block = true,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 25).click(kResultsWindow, kScaleZeroTo100).click(kResultsWindow, kScaleBlockOnly);
         s.click(kResultsWindow, kScaleOK).click(kResultsWindow, kScaleDone);
       },
       .onReplay = [](Script& s) {
         s.call([] { EXPECT_EQ(plat::fieldText(kResultsWindow, kScaleUpperField), "100"); });
         s.click(kResultsWindow, kScaleBlockOnly).click(kResultsWindow, kScaleOK).click(kResultsWindow, kScaleDone);
       },
       .afterHalt = [](Script& s) { s.call([] { ScriptSequenceArray[1][scale_step::kScope] = 0.0f; }); }},
      {.name = "automatic baseline from the block end",
       .code = kOpBaseline,
       .block = false,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 11).click(kResultsWindow, kBaselineStartEnd + 1).click(kResultsWindow, kBaselineAuto);
         s.click(kResultsWindow, kBaselineOK);
       },
       .afterHalt = [](Script& s) { s.call([] { prefsArray[kPrefBaselineEnds] = kBaselineFromStart; }); }},
      {.name = "block integrated in hours from the block start, channel 3",
       .code = kOpIntegrateBlock,
       .block = true,
       .byHand = [](Script& s) {
         s.menu(kMenuAnalyze, 6).click(kResultsWindow, kUnitHours).click(kResultsWindow, kBaseBlockStart);
         Settle(s.click(kResultsWindow, 3)).closeBox(kResultsWindow);
       },
       .onReplay = [](Script& s) { Settle(s).closeBox(kResultsWindow); },
       .afterHalt = [](Script& s) {
         s.call([] {
           IntegrationUnit = kUnitMinutes;
           IntegrationMode = kBaseZero;
         });
       }},
      {.name = "block integrated after a left limit set in the block window",
       .code = kOpIntegrateBlock,
       .block = true,
       .byHand = WithLeftLimit(6, kAreaLeftLimit),
       .onReplay = CloseResults},
      {.name = "block integrated against a user baseline, another typed and never applied",
       .code = kOpIntegrateBlock,
       .block = true,
       .byHand = [](Script& s) {
         Settle(s.menu(kMenuAnalyze, 6)).click(kResultsWindow, kBaseUserSet);
         Type(s, kResultsWindow, kUserBaseField, "20.5");
         CloseResults(s);
       },
       .onReplay = CloseResults},
      {.name = "basic stats of channel 2 picked in the results window",
       .code = kOpBasicStats,
       .block = true,
       .byHand = [](Script& s) { Settle(Settle(s.menu(kMenuAnalyze, 1)).click(kResultsWindow, 2)).closeBox(kResultsWindow); },
       .onReplay = [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {.name = "minimum over 60 s shown on channel 3",
       .code = kOpMinimum,
       .block = true,
       .byHand = [](Script& s) {
         s.menu(kMenuAnalyze, 2);
         Type(s, kScanIntervalWindow, kScanSecondsField, "60");
         s.click(kScanIntervalWindow, kScanIntervalOK);
         Settle(Settle(s).click(kResultsWindow, 3)).closeBox(kResultsWindow);
       },
       .onReplay = [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {.name = "slope of channel 2 picked in the results window",
       .code = kOpSlopeVsTime,
       .block = true,
       .byHand = [](Script& s) {
         Settle(s.menu(kMenuAnalyze, 15).click(kTimeUnitsWindow, kTimeMinutes));
         Settle(s.click(kResultsWindow, 2)).closeBox(kResultsWindow);
       },
       .onReplay = [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {.name = "time integration of channel 2 picked in the results window",
       .code = kOpTimeIntegration,
       .block = true,
       .byHand = [](Script& s) { Settle(Settle(s.menu(kMenuAnalyze, 20)).click(kResultsWindow, 2)).closeBox(kResultsWindow); },
       .onReplay = [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {.name = "selective integration in hours between typed limits",
       .code = kOpSelectiveIntegrate,
       .block = true,
       .byHand = [](Script& s) {
         s.menu(kMenuAnalyze, 22);
         TypeInside(s, kLimitGreaterField, 1, false);
         TypeInside(s, kLimitLessField, 1, true);
         Settle(s.click(kResultsWindow, kUnitHours)).closeBox(kResultsWindow);
       },
       .onReplay = [](Script& s) { Settle(s).closeBox(kResultsWindow); },
       .afterHalt = [](Script& s) {
         s.call([] {
           IntegrationUnit = kUnitMinutes;
           LastPosSelectiveLimit = -1.0f;
           LastNegSelectiveLimit = 1.0f;
         });
       }},
      {.name = "time integration switched to selective integration in the window",
       .code = kOpSelectiveIntegrate,
       .block = true,
       .byHand = [](Script& s) {
         Settle(Settle(s.menu(kMenuAnalyze, 20)).click(kResultsWindow, kLimitSwitchKind)).closeBox(kResultsWindow);
       },
       .onReplay = [](Script& s) { Settle(s).closeBox(kResultsWindow); }},
      {.name = "references widened to the previous and the next marker",
       .code = kOpRemoveReferences,
       .block = false,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 18).click(kResultsWindow, kRefLeftMarker).click(kResultsWindow, kRefRightMarker);
         TypeInside(s, kRefCutoffField, 1, false);
         s.click(kResultsWindow, kRefFix).click(kResultsWindow, kRefDone);
       },
       .steps = 1},
      {.name = "events counted without Count All, only durations over 20 s",
       .code = kOpEventCounting,
       .block = true,
       .byHand = [](Script& s) {
         Settle(s.menu(kMenuAnalyze, 21)).click(kResultsWindow, kEventCountAllBox);
         s.click(kResultsWindow, kEventFilterBox);
         Type(s, kResultsWindow, kEventMinField, "20");
         NoteShownCounts(Settle(s.click(kResultsWindow, kLimitRecalculate))).closeBox(kResultsWindow);
       },
       .onReplay = [](Script& s) { ExpectShownCounts(Settle(s)).closeBox(kResultsWindow); }},
      {.name = "time integration between limits typed and confirmed with Return",
       .code = kOpTimeIntegration,
       .block = true,
       .byHand = [](Script& s) {
         Settle(s.menu(kMenuAnalyze, 20));
         Type(s, kResultsWindow, kLimitGreaterField, "20.5");
         Type(s, kResultsWindow, kLimitLessField, "20.7");
         Settle(s.key(kResultsWindow, 13)).closeBox(kResultsWindow);
       },
       .onReplay = CloseResults},
      {.name = "time integration after a left limit set in the block window",
       .code = kOpTimeIntegration,
       .block = true,
       .byHand = WithLeftLimit(20, kLimitLeftButton),
       .onReplay = CloseResults},
      {.name = "event counting at limits typed and confirmed with Return",
       .code = kOpEventCounting,
       .block = true,
       .byHand = [](Script& s) {
         Settle(s.menu(kMenuAnalyze, 21));
         Type(s, kResultsWindow, kLimitGreaterField, "20.6");
         Type(s, kResultsWindow, kLimitLessField, "20.4");
         NoteShownCounts(Settle(s.key(kResultsWindow, 13))).closeBox(kResultsWindow);
       },
       .onReplay = [](Script& s) { ExpectShownCounts(Settle(s)).closeBox(kResultsWindow); }},
      {.name = "minimum over 60 s with its total in hours",
       .code = kOpMinimum,
       .block = true,
       .byHand = [](Script& s) {
         s.menu(kMenuAnalyze, 2);
         Type(s, kScanIntervalWindow, kScanSecondsField, "60");
         s.click(kScanIntervalWindow, kScanIntervalOK);
         Settle(Settle(s).click(kResultsWindow, kUnitHours)).closeBox(kResultsWindow);
       },
       .onReplay = CloseResults,
       .afterHalt = MinutesSince},
      {.name = "basic stats with the total in hours",
       .code = kOpBasicStats,
       .block = true,
       .byHand = [](Script& s) {
         Settle(Settle(s.menu(kMenuAnalyze, 1)).click(kResultsWindow, kUnitHours)).closeBox(kResultsWindow);
       },
       .onReplay = CloseResults,
       .afterHalt = MinutesSince},
      {.name = "basic stats after a left limit set in the block window",
       .code = kOpBasicStats,
       .block = true,
       .byHand = WithLeftLimit(1, kStatsLeftLimit),
       .onReplay = CloseResults},
      {.name = "basic stats of the values at or below a typed bound",
       .code = kOpBasicStats,
       .block = true,
       .byHand = [](Script& s) {
         Settle(s.menu(kMenuAnalyze, 1)).click(kResultsWindow, kStatsSelect);
         Type(s, kResultsWindow, kStatsMaxField, "20.5");
         Settle(s.click(kResultsWindow, kStatsMaxSwitch)).closeBox(kResultsWindow);
       },
       .onReplay = CloseResults},
      {.name = "asymptote's 90 % change in seconds, both chosen after the fit",
       .code = kOpAsymptote,
       .block = true,
       .byHand = [](Script& s) {
         s.menu(kMenuAnalyze, 17).click(kTimeUnitsWindow, kTimeMinutes);
         s.popup(kResultsWindow, kAsymPercentPopup, 9);
         s.click(kResultsWindow, kAsymTimeUnit).click(kTimeUnitsWindow, kTimeSeconds);
         s.click(kResultsWindow, kAsymDone);
       },
       .onReplay = [](Script& s) { s.click(kResultsWindow, kAsymDone); },
       .span = kRecovery},
      {.name = "scale the whole channel to the block, relabelled",
       .code = kOpScaleToBlock,
       .block = true,
       .byHand = [](Script& s) {
         s.menu(kMenuEdit, 25).click(kResultsWindow, kScaleZeroTo100);
         Type(s, kResultsWindow, kScaleLabelField, "O2 scaled");
         s.click(kResultsWindow, kScaleOK).click(kResultsWindow, kScaleDone);
       },
       .onReplay = [](Script& s) {
         Idle(s).call([] { EXPECT_FALSE(plat::windowExists(kResultsWindow)) << "the step says what was scaled"; });
       }},
      // The script adds a channel: run from a file saved with the edited
      // file in front, it expects the channels the recording started with.
      {.name = "copy channel", .code = kOpCopyChannel, .block = false, .byHand = [](Script& s) { s.menu(kMenuEdit, 31); }},
  };
  return cases;
}

class Replays : public ::testing::Test {
 protected:
  void TearDown() override {
    RunScript = 0;
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    ScriptRunStep = 0;
    autoscript = ScriptRunOnce = 0;
    TimeUnits = 0;
    testsupport::ClearStore();
    testsupport::ClearWiring();
    ClearScriptOps();
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // From start-up on the demo: record the case by hand, halt (which arms an
  // automatic run), open a copy of the demo and let the runner replay it.
  // throughFile: the script goes through Save Script, Clear Script and Load
  // Script (the file in front is the edited one) before it is run.
  void RecordAndReplay(const ReplayCase& c, bool throughFile = false) {
    SCOPED_TRACE(std::string(c.name) + (throughFile ? ", through a script file" : ""));
    const int16_t slot = testsupport::StartProgramOnDemo();
    ASSERT_GE(slot, 0);
    // Remembered while the program runs, as a fresh start has none.
    LastPosSelectiveLimit = LastNegSelectiveLimit = 0.0f;
    // OPEN FILE is the runner's own.
    EXPECT_TRUE(ScriptOpRegistered(c.code) || IsBlockStep(c.code) || c.code == kOpOpenFile) << "no replay";
    for (auto& step : ScriptSequenceArray)
      for (float& f : step) f = 0.0f;
    if (!dir_.empty()) fs::remove_all(dir_);
    dir_ = gScratch = testsupport::FreshTestDir("corvimet-replays-");
    const fs::path copy = dir_ / (std::to_string(c.code) + ".orl");
    fs::copy_file(testsupport::kDemoRecording, copy);
    fs::copy_file(testsupport::kDemoRecording, dir_ / "other.orl");
    Outcome hand;
    int16_t handTopic = 0;
    Outcome opened;
    Script s;
    Idle(s);
    if (c.before) c.before(s);
    s.call([&] { opened = Capture(0); });
    s.menu(kMenuScript, 1);
    if (c.block) DragBlock(s, kHandPlot, c.span);
    c.byHand(s);
    // The recorded step's counter flashes: each flash a poll.
    Idle(s).call([&] {
      handTopic = IsBlockStep(c.code) ? topic : 0;
      hand = Capture(handTopic);
      // The hand run did something to compare.
      if (IsBlockStep(c.code) && c.code != kOpScaleToBlock) {
        EXPECT_FALSE(hand.result.empty());
      } else if (c.code != kOpEditFileData && !c.check) {
        EXPECT_TRUE(hand.data != opened.data || hand.active != opened.active) << "nothing changed by hand";
      }
      ASSERT_GE(ScriptCOUNT, 1);
      EXPECT_EQ(StepCode(ScriptSequenceArray[ScriptCOUNT]), c.code) << "the step recorded";
      if (c.steps > 0) {
        EXPECT_EQ(ScriptCOUNT, c.steps) << "one step for each action";
      }
    });
    s.menu(kMenuScript, 2);
    if (c.afterHalt) c.afterHalt(s);
    if (throughFile) {
      const fs::path script = dir_ / "steps.script";
      s.menu(kMenuScript, 6).answerSave(script);
      s.menu(kMenuScript, 13);
      s.menu(kMenuScript, 4).answerOpen(script);
      s.click(kViewerWindow, kViewerClose);
      s.menu(kMenuScript, 8);
    }
    s.menu(kMenuFile, 1).answerOpen(copy);
    if (c.block) DragBlock(s, kReplayPlot, c.span);
    if (c.onReplay) c.onReplay(s);
    Idle(s).call([&] {
      EXPECT_FALSE(plat::windowExists(kAlertWindow)) << plat::fieldText(kAlertWindow, kAlertMessage);
      EXPECT_FALSE(ScriptRunInProgress());
      if (c.check) {
        c.check(dir_);
        return;
      }
      EXPECT_EQ(TheFileInUse, 1);
      ExpectSame(hand, Capture(handTopic));
    });
    s.stop();
    plat::test::run(s, [] { MainProgramLoop(); });
  }

  fs::path dir_;
};

// Steps on files and on the channel shown; the others edit data or analyse
// a block, and their outcome is compared.
bool FileOrChannelStep(int code) {
  return code == kOpChangeChannel || code == kOpSaveAs || code == kOpEditFileData || code == kOpOpenFile ||
         code == kOpSaveFile;
}

// Every code a command records (each labelled code but the end mark, which
// only a file brings) is a case, and the file and channel steps replay.
TEST_F(Replays, EveryCodeACommandRecordsIsRecordedAndReplayed) {
  std::set<int> cased;
  for (const ReplayCase& c : Cases()) cased.insert(c.code);
  for (int code = 1; code <= kLastScriptCode; ++code) {
    if (ScriptLabel(code).empty() || code == kOpEndScript) continue;
    EXPECT_EQ(cased.count(code), 1u) << code << " \"" << ScriptLabel(code) << "\" has no case";
  }
  for (const ReplayCase& c : Cases())
    if (FileOrChannelStep(c.code)) RecordAndReplay(c);
}

// Each editing and block-analysis step, by hand on one file and replayed on
// another, leaves the same channels and the same printed result, in the
// same units.
TEST_F(Replays, EditingAndBlockStepsReplayAsTheyWereDoneByHand) {
  for (const ReplayCase& c : Cases())
    if (!FileOrChannelStep(c.code)) RecordAndReplay(c);
}

// Choices other than the defaults replay as they were made, whatever is
// chosen after the recording, straight after the halt and from a script
// file loaded while the edited file is in front.
TEST_F(Replays, ChoicesOtherThanTheDefaultsReplayAsTheyWereMade) {
  for (const ReplayCase& c : OptionCases()) {
    RecordAndReplay(c);
    RecordAndReplay(c, true);
  }
}

}  // namespace
