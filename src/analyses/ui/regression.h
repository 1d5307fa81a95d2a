// "Slope vs Time…" and "Regress Channels…": straight lines fitted over the
// block in results window 4, with the statistics panel and the slope tests
// they share, the residuals window (plot and file) and the prediction
// window.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analyses/linefit.h"
#include "platform/types.h"

// Registers both commands, their Autorepeat re-runs and script operations.
void RegisterLineFitCommands();

// The commands (menu Analyze items 15 and 16, toolbar 569 and 574, Autorepeat
// codes 5 and 6, script operations 16 and 17).
void TIMESLOPE();
void REGRESSION();

// The statistics panel of the last fit (the result globals) with n included
// cases, then the slope tests.
void REGRESSIONSTATS(int32_t n);
// P(slope = 0), then the test against the typed value.
void RegressionProbCalcs();
// The test against the value typed into field 111; the result in field 110.
void REGPROB();
// Notice window 997 over the block window for a block of 40,001 cases or
// more; the caller closes it when its plot is done. True when shown.
bool RegressionTimeWarning();

// Channel picker of the regression (and the polynomial fit): X and Y
// channels into Chan1 and chan2 (0 when no Y was chosen); withModel asks the
// model (UseLogY) too, offering only the logs the data allow.
void PickRChans(uint16_t withModel);

// Residuals window 32 of a fit: mode 1 regression (X the fitted X), 0 slope
// over time (X the elapsed time from the block start). a and b are the
// fitted line, ValueOfA / ValueOfB.
void RegressionRESIDS(const LineFitRequest& fit, int32_t n, int16_t mode);
// Asks for a file and writes the residuals; a failed write shows the file
// error alert, a cancelled dialog writes nothing.
void SaveResiduals(const LineFitRequest& fit, int16_t mode);
// Prediction window 7: mode 1 slope over time, 0 regression.
void PredictRegressionValues(int16_t mode);

// ---- The window both fits run in (results window 4) -------------------------------
// One run of a fit: the request last fitted, its cases, and whether the fit
// stands (residuals and predictions need one).
struct LineFitRun {
  int16_t slot = 0;
  LineFitRequest fit;
  int32_t n = 0;
  bool ok = false;
};
// A block is marked in the open file of slot.
bool LineFitBlockDefined(int16_t slot);
// Global rectangle of a window `drop` pixels below the top of the plot
// window's content, by its right edge (a fixed place without a plot).
plat::Rect LineFitWindowBesidePlot(int width, int height, int drop);
// Window 4 as the current port, when it is open.
void MakeLineFitResultsCurrent();
// A push button, once: one of that id already there stays as it is.
void AddLineFitButton(int win, int16_t id, const std::string& title, plat::Rect r, bool isDefault = false);
// Field 111, "1" on light blue: the value the typed slope test uses.
void AddSlopeTestValueField();
// A line of text in window 4's ground (the model, the axes), replacing one of that id.
void AddLineFitTextLine(int16_t id, const std::string& text, plat::Rect r);
// Fits run.fit into *fit; when it stands, the result globals and run.n take
// it. run.ok says which.
bool FitLineOfRun(LineFitRun& run, LineFit* fit);
// The fitted line over the block plot, in XOR so the plot shows through: the
// polyline pointsFor gives for the window's width. Nothing without a block
// window, or when a or b is not finite.
void DrawLineOverBlock(float a, float b, const std::function<std::vector<plat::Point>(int width)>& pointsFor);

enum class LineFitEvent : int8_t { Leave, Skip, Handle };
// Waits for the next event of the loop over window 4 and settles those both
// fits treat alike: the window gone or closed, a deferred toolbar click or a
// menu pick, Return or Enter (ending only a script's run), another window
// coming to the front. Handle leaves the other keys and the clicks, in
// *outAction and *outId, to the caller.
LineFitEvent NextLineFitEvent(int16_t helpSubject, int16_t* outAction, int16_t* outId);
// After the loop, however it ended: window 4 goes with it (its buttons would
// answer nothing without it), the block is drawn afresh and a deferred
// toolbar command runs.
void CloseLineFitWindow(int16_t slot);
// A click on done, Return or Enter, the close box, or another window coming
// to the front: each ends a small dialog window of the fits.
bool EndsLineFitDialog(int16_t a, int16_t id, int win, int16_t done);

// ---- Control ids ----------------------------------------------------------------
inline constexpr int16_t kRegProbResultField = 110;   // "is ..." of the typed test
inline constexpr int16_t kRegTestValueField = 111;
inline constexpr int16_t kRegAField = 112;
inline constexpr int16_t kRegBField = 113;
inline constexpr int16_t kRegR2Field = 114;
inline constexpr int16_t kRegNField = 115;
inline constexpr int16_t kRegZeroProbField = 116;     // " probability slope = zero is ..."
inline constexpr int16_t kRegModelField = 117;        // the model line(s)
inline constexpr int16_t kRegAvalxField = 118;
// Slope over time.
inline constexpr int16_t kSlopeResiduals = 119, kSlopePredict = 120, kSlopePrint = 153, kSlopeTest = 154;
// Regression.
inline constexpr int16_t kRegTest = 9, kRegPrint = 10, kRegNewChannels = 14, kRegExit = 15;
inline constexpr int16_t kRegPredict = 20, kRegResiduals = 21;
inline constexpr int16_t kRegAxisField = 150;         // the X axis line; 151 the Y axis line
// The picker and model windows (window 7).
inline constexpr int16_t kPickWindow = 7;
inline constexpr int16_t kPickOK = 155;
inline constexpr int16_t kModelDone = 6;              // radios 1..4 are UseLogY + 1
// Residuals window.
inline constexpr int16_t kResidualsWindow = 32;
inline constexpr int16_t kResidualsSave = 1, kResidualsDone = 2;
inline constexpr int16_t kResidualsMaxField = 111, kResidualsMinField = 112, kResidualsZeroField = 212;
// Prediction window.
inline constexpr int16_t kPredictWindow = 7;
inline constexpr int16_t kPredictXField = 111, kPredictYField = 112;
inline constexpr int16_t kPredictY = 8, kPredictX = 9, kPredictDone = 10;
inline constexpr int16_t kLongPlotNotice = 997;
