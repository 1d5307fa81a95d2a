// The subsystems' globals as they stood before the first GUI test. Each test
// gets them back, so that what one test leaves (a remembered choice, a
// result, a zoom, a window's last place) never reaches the next.
#include <cstddef>
#include <type_traits>

#include "analyses/crosschan.h"
#include "analyses/descriptive.h"
#include "analyses/integration.h"
#include "analyses/linefit.h"
#include "analyses/polyfit.h"
#include "analyses/scans.h"
#include "analyses/statspanel.h"
#include "analyses/ui/picks.h"
#include "analyses/ui/timeintegrate.h"
#include "analyses/ui/waveform.h"
#include "calculators/calcstate.h"
#include "calculators/suncycle.h"
#include "datafiles/datafile.h"
#include "datafiles/save.h"
#include "editing/channelpick.h"
#include "editing/copychannel.h"
#include "editing/smoothing.h"
#include "editing/ui/baseline.h"
#include "editing/ui/blockpick.h"
#include "editing/ui/spiketool.h"
#include "output/kittexts.h"
#include "output/results.h"
#include "output/ui/printimage.h"
#include "plot/selection.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/databar.h"
#include "plot/ui/draw.h"
#include "plot/ui/infoline.h"
#include "plot/ui/markers.h"
#include "plot/ui/overlay.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "plot/ui/stacked.h"
#include "plot/ui/toolbar.h"
#include "respirometry/aquatic.h"
#include "respirometry/gasexchange.h"
#include "respirometry/ui/gasdialogs.h"
#include "scripts/ui/runner.h"
#include "shell/colours.h"
#include "shell/desklayout.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/recording.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/worktables.h"
#include "support/gui_support.h"
#include "thermoregulation/costs.h"
#include "thermoregulation/ui/batch.h"
#include "thermoregulation/ui/tregwindow.h"

namespace testsupport {
namespace {

template <class T>
void CopyValue(T& to, const T& from) {
  if constexpr (std::is_array_v<T>) {
    for (std::size_t i = 0; i < std::extent_v<T>; ++i) CopyValue(to[i], from[i]);
  } else {
    to = from;
  }
}

// The first call keeps the value, every call puts it back.
template <auto& Global>
void RestoreStartValue() {
  using T = std::remove_reference_t<decltype(Global)>;
  struct Kept {
    T value;
  };
  static const Kept start = [] {
    Kept k{};
    CopyValue(k.value, Global);
    return k;
  }();
  CopyValue(Global, start.value);
}

template <auto&... Globals>
void Restore() {
  (RestoreStartValue<Globals>(), ...);
}

}  // namespace

void RestoreStartValues() {
  // Shell: the front channel, pointer, help topic, picks, script state and
  // the kit's windows. The settings are SetDEFAULTS', the files ClearStore's.
  Restore<TheFileInUse, ActiveChannel, NumberOfOpenFiles, LastChan, ChangedChan, EditRecord, AvoidInterpolation,
          UseCrossChanIndex, filestrings, timstring, NIBstuff, VarXX, FiO2, FiCO2, HorizPosition, VerticalPosition,
          currentEF, NewCrossCursor, HelpSubject>();
  Restore<TopicFileSlot, TopicFileIdentity>();
  Restore<Analysis_Code, TypeOfFile, derive, topic, AllValues, AutoSS, DoSMOOTH, MergeThisFile, PlotAsHistogram,
          PortForResultsOutput, appendONLY, stackONLY, MenuIDENTIFIER, MenuItem>();
  Restore<BlockWindowModal, ThisFileName, ToolbarBandBelowPlot, EFForeColor, EFBackColor, gStoreAccessFaults>();
  Restore<RecordSCRIPT, ScriptCOUNT, ScriptFileName, ScriptIsLoaded, ScriptRunOnce, ScriptRunStep, ScriptViewerRows,
          autoscript, RunScript, ScriptSequenceArray, parse, scalefact>();
  Restore<CurrentlyActiveWindow, MinimumProgressBarValue, ToolbarIsHidden, MultiChannelImages>();
  Restore<BaseLineButton, ChangeBlockButtonClicked, EditFieldWasSelected, FileErrorCode, MENU_or_ToolBar_PICKED,
          MathOperation, MultiChanSelectorButtonClicked, SliderEvent, WindowWasClicked, WindowWasMoved,
          WindowWasResized, action, click, eventID, eventWindow, menuidx, menuitemx>();

  // Data files: the loader's picks and the saved time unit.
  Restore<Cancel_Open, ChannelPicker, FileJustLoaded, TimeUnits>();

  // Output: the last analysis' results and the results row.
  Restore<meanValue, StandardDeviation, nrPoints, mi, ma, x1float, x2, BGA, EDA, MMLBegin, MMLpoints, InCH, ch,
          Rscale, IntegrationMode, ValueOfA, ValueOfB, rsquared, nPoints, UseLogY, Pslope, SlopeZeroProb,
          SlopeTestProb, sumxy, sumx2, sumy2, slope, prob, Chan1, chan2, cc, SlopeID, P, dn, dw, ds, vn, FloatA, dxx,
          WavePeriodCount, tmFloat, ts, tmi, tma, REnd, Nresults, NResultsPrinted, NMultipleResults>();
  Restore<minutes, row, PZL>();

  // Plot: geometry, zoom, Y scale, the block window, the stacked view, the
  // data bar, markers, toolbar and the print dialog's "Block Only".
  Restore<ScreenWidth, ScreenHeight, BottomOfPlotArea, PlotHeight, Xstep, XpositionStep, MinimumYposition, RightLim,
          zoomleft, zoomright, BlockWindowBottom, BlockWindowRight, printblock, CustomOverlay, splot>();
  Restore<ScaleMode, minimumValue, maximumValue, range, sc, scr, lines, spn, span, kFloat, ShowDot, LastHorizPosition,
          BlockMinY>();
  Restore<BlockMaxY, BlockWindowIsOpen, BlockXscale, LastBlockWindowHeight, LastBlockWindowWidth, OldBeginBlock,
          OldEndBlock, UpperLimit>();
  Restore<CustomPlot, CustomScreenPlot, DrawAllScaleMode, LastMCH, LastStripHeight, MultiChanSelectorWindow>();
  Restore<ABu, ABunit, avbx, avby, tlev, tracelength, OldHorizontalPosition, ThisMarkerCharacter, showcolorlegend,
          LastBottom, chanB, PlotDialogMode, lasttoolbuttonXpos, lasttoolbuttonYpos>();

  // Editing: the dialogs' remembered choices.
  Restore<yChan, StoreChan, nCycles, nSmooth, SteppedBaselineInterval, auto_block, BASELINE, NpointsInBaselineBlock,
          blockvalue, CVX2, DoSlant, spikeInterpMarkers>();

  // Analyses.
  Restore<CrossChanSelect, testslopeon, ibase, avalx, maxx1, minx1, r2, ConstScan, ScanNewSelectedChannel, stINT,
          startsize, DoConstantVolume, STPfactor, IntBoxLeft, IntBoxRight, LastNegSelectiveLimit,
          LastPosSelectiveLimit, trigger, WFabort>();

  // Respirometry.
  Restore<WaterSystem, WaterFlowChannel, WaterUnits, WOUTunits, MassUnit, oH2O, AbsoluteUnits, Tminutes, RHFactor,
          flowcon, TopL, RealBPGiven>();

  // Calculators: the metabolism, ventilation and sun-cycle windows' last
  // values.
  Restore<LastCalculatorResult, LastMetabolismMENU, LastMetabolismSUBMENU, LastMetabolismUNIT, LastBMRHelpText,
          LastBaseTb, LastRealTb, LastExponent, LastQ10, LastBodyMass, LastBmrCoefficient, BMRunitfact, BodyTemperature,
          vTa, vBP, deltaP, vRH, calVol, calGain, calDef, sampGain, sampDef>();
  Restore<SunCycleArray, JulianSunrise, JulianSunset, SunCycleBuiltFor>();

  // Thermoregulation.
  Restore<TotalTregCases, TotalAtBMR, TotalAboveBMR, HighestTregCost, TimingErrors, TimingErrorCount,
          CSVspreadsheetName, csvConductanceFileWasLoaded, ChannelforDaytime, ChannelforJulianDay,
          gTregCostChannel>();
  Restore<InitialNumberOfScriptOperationChannels>();

  // The work tables take memory only when written.
  BLarray.release();
  peakval.release();
  ParseArray.release();
}

}  // namespace testsupport
