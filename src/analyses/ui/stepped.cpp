#include "analyses/ui/stepped.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "analyses/stepped.h"
#include "datafiles/datafile.h"
#include "shell/safewrite.h"
#include "datafiles/timescale.h"
#include "editing/channelpick.h"
#include "editing/ui/picklists.h"
#include "output/results.h"
#include "output/scaling.h"
#include "platform/macroman.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int16_t kWindowWidth = 638, kWindowHeight = 214;
constexpr int16_t kScatterChooser = 6;
const plat::FileKind kSteppedKind{{'T', 'E', 'X', 'T'}, {'X', 'C', 'E', 'L'}, "Stepped sampling results", {"xls"}};

// One use of the window.
struct Run {
  int16_t slot = 0;
  bool hasBlock = false;
  bool leftAtFile = true, rightAtFile = true, startAtCentre = false;
  bool blue = true, red = true, gray = true;
  int16_t lastChannel = 1;
  bool plotted = false;
};

void text(int x, int y, const std::string& t, int size = 12) {
  plat::Port& p = plat::port(kResultsWindow);
  plat::FontSpec f;
  f.pixelSize = size;
  p.setFont(f);
  p.moveTo(x, y);
  p.drawText(t);
}

void button(int16_t id, const std::string& title, plat::Rect r, plat::ButtonKind kind, int state = 1) {
  AddKitButton(kResultsWindow, id, kind, title, r, state);
}

void field(int16_t id, const std::string& t, plat::Rect r) {
  AddTextField(kResultsWindow, id, t, r, plat::FieldKind::Editable, {0, 0, 0}, {0xFFFF, 0xFFFF, 0xFFFF});
}

int32_t blockCentre(int16_t slot) {
  const double b = BeginBlock[slot], e = EndBlock[slot];
  return static_cast<int32_t>(std::trunc(b + (e - b) * 0.5));
}

// A case index typed into a field, truncated toward zero; 0 when not a number.
int32_t typedCase(int16_t id) {
  double v = 0.0;
  if (!ParseFieldNumber(plat::fieldText(kResultsWindow, id), &v) || !std::isfinite(v)) return 0;
  return static_cast<int32_t>(std::clamp(std::trunc(v), -2147483648.0, 2147483647.0));
}

double typedSeconds(int16_t id) {
  double v = 0.0;
  return ParseFieldNumber(plat::fieldText(kResultsWindow, id), &v) ? v : 0.0;
}

void showChoices(const Run& run) {
  auto mark = [](int16_t id, bool on) { plat::setButtonState(kResultsWindow, id, on ? 2 : 1); };
  mark(kStepLeftFile, run.leftAtFile);
  mark(kStepLeftAt, !run.leftAtFile);
  mark(kStepRightFile, run.rightAtFile);
  mark(kStepRightAt, !run.rightAtFile);
  if (run.hasBlock) mark(kStepStartCentre, run.startAtCentre);
  mark(kStepStartAt, !run.startAtCentre);
  mark(kStepShowBlue, run.blue);
  mark(kStepShowRed, run.red);
  mark(kStepShowGray, run.gray);
}

void group(int x, const char* title, int16_t first, const char* firstTitle, int16_t second, int16_t fieldId,
           const std::string& value, bool firstEnabled) {
  EmbossPrint(1, title, 13, static_cast<int16_t>(x + 4), 18);
  button(first, firstTitle, {x, 24, x + 190, 42}, plat::ButtonKind::Radio, firstEnabled ? 1 : 0);
  button(second, "At Sample #", {x, 46, x + 104, 64}, plat::ButtonKind::Radio);
  field(fieldId, value, {x + 106, 46, x + 196, 64});
}

void buildWindow(Run& run) {
  const int16_t s = run.slot;
  OpenResultsWIndow(0, 1, 1, "Stepped Sampling", 0);
  plat::Rect r = plat::contentRect(kResultsWindow);
  r.right = r.left + kWindowWidth;
  r.bottom = std::max(r.bottom, r.top + kWindowHeight);
  plat::setContentRect(kResultsWindow, r);
  plat::setCurrentPort(kResultsWindow);
  const int32_t n = nCases[s];
  group(6, "left end point", kStepLeftFile, "Start of File", kStepLeftAt, kStepLeftField,
        std::to_string(run.hasBlock ? BeginBlock[s] : 1), true);
  group(216, "right end point", kStepRightFile, "End of File", kStepRightAt, kStepRightField,
        std::to_string(run.hasBlock ? EndBlock[s] : n), true);
  group(426, "start point", kStepStartCentre, "Center of Block", kStepStartAt, kStepStartField,
        std::to_string(run.hasBlock ? blockCentre(s) : n / 2), run.hasBlock);
  DoubleLINE(0, kWindowWidth, 72);
  text(6, 92, "             size of block");
  field(kStepBlockField, FieldNumText(SteppedSampleInterval), {170, 78, 240, 96});
  text(250, 92, "skip between blocks");
  field(kStepSkipField, FieldNumText(SteppedSampleSkip), {380, 78, 450, 96});
  text(460, 92, "durations are in");
  button(kStepSeconds, "Seconds", {556, 70, 636, 86}, plat::ButtonKind::Radio, 2);
  button(kStepSamples, "Samples", {556, 88, 636, 104}, plat::ButtonKind::Radio, 0);
  text(6, 124, "show");
  button(kStepShowBlue, " Positive Values (blue) ", {48, 110, 228, 128}, plat::ButtonKind::CheckBox);
  button(kStepShowRed, " Negative Values (red) ", {232, 110, 408, 128}, plat::ButtonKind::CheckBox);
  button(kStepShowGray, " Mean of + and - Values (gray) ", {412, 110, 636, 128}, plat::ButtonKind::CheckBox);
  button(kStepSave, "Save as ASCII...", {6, 136, 136, 158}, plat::ButtonKind::Push, 0);
  button(kStepPlot, "\xC6t Step Plot", {142, 136, 252, 158}, plat::ButtonKind::Push);
  button(kStepScatter, "Scatterplot", {258, 136, 368, 158}, plat::ButtonKind::Push, nChannels[s] > 1 ? 1 : 0);
  button(kStepHelp, "?", {374, 136, 404, 158}, plat::ButtonKind::Push);
  button(kStepDone, "Done  -- Exit", {516, 136, 636, 158}, plat::ButtonKind::DefaultPush);
  text(6, 180, "channel");
  for (int16_t c = 1; c <= nChannels[s]; ++c) {
    const int col = c <= 14 ? c - 1 : c - 15, top = c <= 14 ? 166 : 188;
    button(static_cast<int16_t>(kStepChannelBase + c), std::to_string(c), {62 + col * 32, top, 92 + col * 32, top + 18},
           plat::ButtonKind::SmallBevel, c == ActiveChannel ? 2 : 1);
  }
  showChoices(run);
}

// The request the window's fields and choices describe.
SteppedRequest request(const Run& run, bool scatter) {
  const int16_t s = run.slot;
  SteppedRequest q;
  q.blockSeconds = typedSeconds(kStepBlockField);
  q.skipSeconds = typedSeconds(kStepSkipField);
  // The decimal typed, not the float stored: 0.1 s must give 600 cases a minute.
  q.dt = DecimalValue(FileInfoFLOATS[s][kInfoInterval]);
  q.left = run.leftAtFile ? 1 : typedCase(kStepLeftField);
  q.right = run.rightAtFile ? nCases[s] : typedCase(kStepRightField);
  q.start = run.startAtCentre && run.hasBlock ? blockCentre(s) : typedCase(kStepStartField);
  q.scatter = scatter;
  SteppedSampleInterval = static_cast<float>(q.blockSeconds);
  SteppedSampleSkip = static_cast<float>(q.skipSeconds);
  return q;
}

struct Computed {
  SteppedLayout layout;
  std::vector<SteppedRow> rows;
  std::vector<SteppedStats> stats;
};

std::optional<Computed> compute(const Run& run, int16_t channel) {
  const SteppedRequest q = request(run, false);
  Computed c;
  const SteppedStatus st = LayoutSteppedBlocks(q, nCases[run.slot], &c.layout);
  if (st != SteppedStatus::Ok) {
    ShowAlert(SteppedStatusText(st));
    return std::nullopt;
  }
  MakeInterpolationRecord();
  const float* d = ChannelData(run.slot, channel);
  if (!d) return std::nullopt;
  const std::span<const float> data(d, static_cast<size_t>(nCases[run.slot]) + 1);
  const float* flags = BackupCache.view(kBackupInterpolation);
  const size_t held = flags ? static_cast<size_t>(BackupCache.heldFloats(kBackupInterpolation)) : 0;
  std::vector<bool> interp;
  c.rows = SteppedRows(c.layout, q.start, q.dt);
  c.stats = SteppedBlockStats(data, c.layout, false, std::span<const float>(flags, held), &interp);
  for (size_t k = 0; k < c.rows.size(); ++k) c.rows[k].interpolated = interp[k];
  return c;
}

// Window 22 over the plot area; only its title changes when it is open.
void openPlotWindow(const std::string& title) {
  if (plat::windowExists(kStepPlotWindow)) {
    plat::setTitle(kStepPlotWindow, title);
    plat::setCurrentPort(kStepPlotWindow);
    plat::Port& p = plat::port(kStepPlotWindow);
    p.setForeColor(gray);
    p.fillRect({0, 0, 700, 2000});
    return;
  }
  const plat::Rect plot = plat::contentRect(kPlotWindowBase + TheFileInUse);
  BuildWINDOW(0, kStepPlotWindow, title, static_cast<int16_t>(plot.left + 6), static_cast<int16_t>(plot.top + 54),
              static_cast<int16_t>(plot.left + 650), static_cast<int16_t>(plot.top + BottomOfPlotArea + 36),
              kKindDocument, 0);
}

int plotBottom() { return std::max(60, static_cast<int>(BottomOfPlotArea) - 40); }

// The scale texts beside and under the plot frame: a smaller face, so that
// a number of nine digits keeps whole in the 68 pixels left of the frame.
void label(int16_t id, const std::string& t, plat::Rect r, bool wrap = false) {
  const int win = plat::currentPortWindow();
  if (!win) return;
  plat::FieldSpec f;
  f.id = id;
  f.text = t;
  f.r = r;
  f.kind = plat::FieldKind::Static;
  f.framed = false;
  f.wrap = wrap;
  f.font.pixelSize = 10;
  f.fore = EFForeRgb(1);
  f.back = EFBackRgb(7);
  plat::removeControl(win, id);
  plat::addField(win, f);
}

void circle(plat::Port& p, int x, int y) { p.strokeOval({x - 2, y - 2, x + 3, y + 3}); }

void drawStepPlot(const Run& run, int16_t channel, const Computed& c) {
  openPlotWindow("Stepped Sample Plot for Channel" + NumText(channel));
  plat::Port& p = plat::port(kStepPlotWindow);
  const int bottom = plotBottom();
  p.setForeColor(lightBlue);
  p.fillRect({72, 0, 640, bottom + 2});
  const double dt = DecimalValue(FileInfoFLOATS[run.slot][kInfoInterval]);
  const double tmax =
      std::max(1e-30, static_cast<double>(std::max(c.layout.nBefore, c.layout.nAfter)) * c.layout.step * dt);
  float lo = 0.0f, hi = 1.0f;
  SteppedMeanRange(c.stats, &lo, &hi);
  auto xOf = [tmax](double absDt) { return static_cast<int>(std::lround(absDt * 565.0 / tmax + 75.0)); };
  auto yOf = [&](float mean) {
    const double y = (static_cast<double>(hi) - mean) * bottom / (static_cast<double>(hi) - lo);
    return static_cast<int>(std::clamp(y, -10.0, static_cast<double>(bottom + 2)));
  };
  label(1, "0", {66, bottom + 4, 110, bottom + 18});
  label(2, NumText(tmax), {560, bottom + 4, 640, bottom + 18});
  label(3, "\xC6t in seconds", {300, bottom + 4, 420, bottom + 18});
  label(4, NumText(hi), {2, 2, 70, 18});
  label(5, NumText(lo), {2, bottom - 16, 70, bottom});
  label(6, TrimTrailingBlanks(RetrieveLabel(channel)), {2, bottom / 2 - 21, 70, bottom / 2 + 21}, true);
  if (run.gray) {
    const auto fold = SteppedFoldedMeans(c.rows, c.stats);
    p.setForeColor(darkGray);
    p.setPenSize(2, 2);
    for (size_t k = 0; k < fold.size(); ++k) {
      const int x = k == 0 ? 75 : xOf(fold[k].absDt), y = yOf(fold[k].value);
      if (k == 0) p.moveTo(x, y);
      else p.lineTo(x, y);
    }
    p.setPenSize(1, 1);
  }
  auto curve = [&](bool after, plat::Rgb16 colour) {
    p.setForeColor(colour);
    bool first = true;
    for (size_t k = 0; k < c.rows.size(); ++k) {
      // Before the start point the farthest block comes first: row order.
      const double d = c.rows[k].dtSeconds;
      if (after ? d < 0.0 : d > 0.0) continue;
      const int x = xOf(std::fabs(d)), y = yOf(c.stats[k].mean);
      if (first) p.moveTo(x, y);
      else p.lineTo(x, y);
      circle(p, x, y);
      p.moveTo(x, y);
      first = false;
    }
  };
  if (run.blue) curve(true, OldStyleColour(4));
  if (run.red) curve(false, OldStyleColour(6));
  p.setForeColor(kBlack);
  plat::flushWindow(kStepPlotWindow);
  if (prefsArray[7] != 0) upvip();
  plat::selectWindow(kResultsWindow);
  plat::setCurrentPort(kResultsWindow);
}

void stepPlot(Run& run, int16_t channel) {
  const std::optional<Computed> c = compute(run, channel);
  if (!c) return;
  run.plotted = true;
  plat::setButtonState(kResultsWindow, kStepSave, 1);
  drawStepPlot(run, channel, *c);
}

// The chooser of the two channels; false when its window went away.
bool chooseScatterChannels() {
  // The list's frames span 2 to 314 of the window's 316; "OK - Plot" stands
  // below the list, whose frames end at 29 + 18 n.
  OPENWINDOW6(1, 1, "Select Channels for X and Y", static_cast<uint16_t>(66 + 18 * nChannels[TheFileInUse]));
  yChan = 1;
  Chan1 = 0;
  chan2 = 0;
  TRANSCHAN("   X", "   Y", "channel label", 10, 1, 0, 1);
  const int16_t n = nChannels[TheFileInUse];
  AddKitButton(kScatterChooser, kStepChooserOk, plat::ButtonKind::DefaultPush, "OK - Plot",
               {200, 36 + 18 * n, 300, 58 + 18 * n}, 0);
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kScatterChooser)) return false;
    // Its close box and Escape leave it without a plot, as every dialog's do.
    if ((a == kActionClose && id == kScatterChooser) || (a == kActionKey && id == 27)) {
      plat::disposeWindow(kScatterChooser);
      return false;
    }
    if (a != kActionClick) continue;
    if (id >= 1 && id <= n) {
      if (Chan1 >= 1) plat::setButtonState(kScatterChooser, Chan1, 1);
      Chan1 = id;
      plat::setButtonState(kScatterChooser, id, 2);
    } else if (id > n && id <= 2 * n) {
      if (chan2 >= 1) plat::setButtonState(kScatterChooser, static_cast<int16_t>(n + chan2), 1);
      chan2 = static_cast<int16_t>(id - n);
      plat::setButtonState(kScatterChooser, id, 2);
    } else if (id == kStepChooserOk && Chan1 >= 1 && chan2 >= 1) {
      plat::disposeWindow(kScatterChooser);
      yChan = 0;
      return true;
    }
    plat::setButtonState(kScatterChooser, kStepChooserOk, Chan1 >= 1 && chan2 >= 1 ? 1 : 0);
  }
}

void scatterPlot(Run& run) {
  plat::disposeWindow(kStepPlotWindow);
  if (!chooseScatterChannels()) return;
  plat::setCurrentPort(kResultsWindow);
  const SteppedRequest q = request(run, true);
  SteppedLayout l;
  const SteppedStatus st = LayoutSteppedBlocks(q, nCases[run.slot], &l);
  if (st != SteppedStatus::Ok) {
    ShowAlert(SteppedStatusText(st));
    return;
  }
  const float* dx = ChannelData(run.slot, Chan1);
  const float* dy = ChannelData(run.slot, chan2);
  if (!dx || !dy) return;
  const size_t len = static_cast<size_t>(nCases[run.slot]) + 1;
  const auto xs = SteppedBlockStats({dx, len}, l, true);
  const auto ys = SteppedBlockStats({dy, len}, l, true);
  openPlotWindow("Scatterplot of Channel" + NumText(Chan1) + " (X) and Channel" + NumText(chan2) + " (Y) ");
  plat::Port& p = plat::port(kStepPlotWindow);
  const int bottom = plotBottom();
  p.setForeColor(manila);
  p.fillRect({72, 0, 640, bottom + 2});
  float xlo = 0, xhi = 0, ylo = 0, yhi = 0;
  for (size_t k = 0; k < xs.size(); ++k) {
    if (k == 0 || xs[k].mean < xlo) xlo = xs[k].mean;
    if (k == 0 || xs[k].mean > xhi) xhi = xs[k].mean;
    if (k == 0 || ys[k].mean < ylo) ylo = ys[k].mean;
    if (k == 0 || ys[k].mean > yhi) yhi = ys[k].mean;
  }
  // Equal extremes put every block in the middle rather than dividing by 0.
  const double xr = xhi > xlo ? static_cast<double>(xhi) - xlo : 0.0;
  const double yr = yhi > ylo ? static_cast<double>(yhi) - ylo : 0.0;
  p.setForeColor(kBlack);
  for (size_t k = 0; k < xs.size(); ++k) {
    const int x = xr > 0 ? static_cast<int>(std::lround((xs[k].mean - xlo) * 565.0 / xr + 75.0)) : 357;
    const int y = yr > 0 ? static_cast<int>(std::lround((yhi - ys[k].mean) * bottom / yr)) : bottom / 2;
    circle(p, x, y);
  }
  label(1, NumText(xlo), {66, bottom + 4, 150, bottom + 18});
  label(2, NumText(xhi), {556, bottom + 4, 640, bottom + 18});
  label(3, RetrieveLabel(Chan1), {250, bottom + 4, 470, bottom + 18});
  label(4, NumText(yhi), {2, 2, 70, 18});
  label(5, NumText(ylo), {2, bottom - 16, 70, bottom});
  label(6, TrimTrailingBlanks(RetrieveLabel(chan2)), {2, bottom / 2 - 21, 70, bottom / 2 + 21}, true);
  plat::flushWindow(kStepPlotWindow);
  if (prefsArray[7] != 0) upvip();
  plat::selectWindow(kResultsWindow);
  plat::setCurrentPort(kResultsWindow);
}

std::string todayShort() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char buf[16];
  std::strftime(buf, sizeof buf, "%m/%d/%y", &t);
  return buf;
}

void save(Run& run) {
  const std::vector<int16_t> channels =
      SteppedSavedChannels(std::span<const uint16_t>(ChannelPicker, kMaxChannels + 1), nChannels[run.slot]);
  if (channels.empty()) return;
  const std::optional<std::filesystem::path> path =
      plat::askSaveFile("Excel-format file name for autocorrelation results", "autocor data.xls", kSteppedKind);
  if (!path) return;   // a cancelled save writes nothing
  SteppedFileInput in;
  in.fileName = TrimTrailingBlanks(FileName[run.slot]);
  in.today = todayShort();
  in.nCases = nCases[run.slot];
  in.nChannels = nChannels[run.slot];
  in.blockTyped = plat::fieldText(kResultsWindow, kStepBlockField);
  in.skipTyped = plat::fieldText(kResultsWindow, kStepSkipField);
  in.dt = DecimalValue(FileInfoFLOATS[run.slot][kInfoInterval]);
  in.start = request(run, false).start;
  in.channels = channels;
  for (int16_t c : channels) {
    const std::optional<Computed> comp = compute(run, c);
    if (!comp) return;
    in.labels.push_back(TrimTrailingBlanks(RetrieveLabel(c)));
    in.rows = comp->rows;
    in.stats.push_back(comp->stats);
  }
  const std::string bytes = SteppedResultsText(in);
  SafeFileWriter w;
  if (!(w.open(*path) && w.write(bytes.data(), bytes.size()) && w.commit())) {
    HandleFileError(*path, w.error() != 0 ? w.error() : EIO);
    return;
  }
  plat::tagFile(*path, kSteppedKind);
  stepPlot(run, run.lastChannel);
}

void help(Run& run) {
  const bool open = plat::windowExists(kStepPlotWindow);
  if (open) plat::disposeWindow(kStepPlotWindow);
  plat::openHelp(kStepHelpSubject);
  if (open && run.plotted) stepPlot(run, run.lastChannel);
}

void clickChannel(Run& run, int16_t c) {
  const int16_t id = static_cast<int16_t>(kStepChannelBase + c);
  if (ChannelPicker[c] != 0) {
    ChannelPicker[c] = 0;
    plat::setButtonState(kResultsWindow, id, 1);
    return;
  }
  ChannelPicker[c] = 1;
  plat::setButtonState(kResultsWindow, id, 2);
  run.lastChannel = c;
  stepPlot(run, c);
}

}  // namespace

int16_t AUTOCORRELATE() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot) || nCases[slot] < 2) return 0;
  HelpSubject = kStepHelpSubject;
  if (SteppedSampleInterval < 0.0f) SteppedSampleInterval = 60.0f;
  Run run;
  run.slot = slot;
  run.hasBlock = FileSHORTS[slot][kShortBlockState] == 2 && EndBlock[slot] > BeginBlock[slot];
  run.leftAtFile = run.rightAtFile = !run.hasBlock;
  run.startAtCentre = run.hasBlock;
  run.lastChannel = std::clamp<int16_t>(ActiveChannel, 1, nChannels[slot]);
  std::fill(std::begin(ChannelPicker), std::end(ChannelPicker), uint16_t{0});
  ChannelPicker[run.lastChannel] = 1;

  HandlerScope scope;
  InstallDialogHandlers();
  plat::disposeWindow(kResultsWindow);
  HideTheToolBar();
  buildWindow(run);
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kResultsWindow)) break;   // only "Done" is meant to end it; never loop without it
    if (a == kActionClose && id == kStepPlotWindow) {
      plat::disposeWindow(kStepPlotWindow);
      continue;
    }
    if (a == kActionClose && id == kResultsWindow) break;
    if (a == kActionKey && (id == '?' || id == '/')) help(run);
    if (a != kActionClick) continue;
    if (id > kStepChannelBase && id <= kStepChannelBase + nChannels[slot]) {
      clickChannel(run, static_cast<int16_t>(id - kStepChannelBase));
      continue;
    }
    switch (id) {
      case kStepLeftFile: run.leftAtFile = true; break;
      case kStepLeftAt: run.leftAtFile = false; break;
      case kStepRightFile: run.rightAtFile = true; break;
      case kStepRightAt: run.rightAtFile = false; break;
      case kStepStartCentre: run.startAtCentre = run.hasBlock; break;
      case kStepStartAt: run.startAtCentre = false; break;
      case kStepShowBlue: run.blue = !run.blue; break;
      case kStepShowRed: run.red = !run.red; break;
      case kStepShowGray: run.gray = !run.gray; break;
      case kStepPlot: stepPlot(run, run.lastChannel); break;
      case kStepScatter:
        if (nChannels[slot] > 1) scatterPlot(run);
        break;
      case kStepSave: save(run); break;
      case kStepHelp: help(run); break;
      default: break;
    }
    if (id == kStepDone) break;
    if (plat::windowExists(kResultsWindow)) showChoices(run);
  }
  plat::disposeWindow(kResultsWindow);
  plat::disposeWindow(kStepPlotWindow);
  plat::disposeWindow(kScatterChooser);
  RestoreTheToolBar();
  return 0;
}
