#include "scripts/ui/runner.h"

#include <array>
#include <string>
#include <vector>

#include "analyses/ui/analyses_commands.h"
#include "datafiles/datafile.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/windows.h"
#include "plot/ui/infoline.h"
#include "plot/ui/mouse.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/recording.h"
#include "scripts/scriptfile.h"
#include "shell/steptable.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/menutable.h"
#include "shell/prefs.h"
#include "shell/store.h"
#include "shell/worktables.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/sounds.h"

int16_t InitialNumberOfScriptOperationChannels = 0;

namespace {

bool running = false;

// A file as a run knows it: its slot, the file that slot held, and its name
// for telling the user once it is closed.
struct RunFile {
  int16_t slot = -1;
  uint64_t identity = 0;
  std::string name;
};

RunFile fileIn(int16_t slot) { return {slot, SlotFileIdentity(slot), FileName[slot]}; }

bool stillOpen(const RunFile& r) {
  return ValidFileSlot(r.slot) && SlotHoldsFile(r.slot) && SlotFileIdentity(r.slot) == r.identity;
}

// A run belongs to the file it started on, whichever file the user turns to
// while it waits.
RunFile runFile;
// Files loaded while a run went on, in turn: each gets a run of its own.
std::vector<RunFile> laterFiles;
// The files open when the run last looked.
std::array<uint64_t, kMaxOpenFiles> filesSeen{};
// The mode runs every file loaded (not "Automatic, One File").
bool runsEveryFile = false;

// During a run, the run's file while it is open; otherwise the file in use.
bool currentFile(int16_t* f) {
  if (running) {
    if (!stillOpen(runFile)) return false;
    *f = runFile.slot;
    return true;
  }
  const auto s = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(s) || !SlotHoldsFile(s)) return false;
  *f = s;
  return true;
}

// Files opened since the run last looked wait for their own run when
// `queue`; either way they are seen.
void noteFilesOpened(bool queue) {
  for (int16_t s = 0; s < kMaxOpenFiles; ++s) {
    const uint64_t id = SlotHoldsFile(s) ? SlotFileIdentity(s) : 0;
    if (queue && id != 0 && id != filesSeen[static_cast<size_t>(s)]) laterFiles.push_back(fileIn(s));
    filesSeen[static_cast<size_t>(s)] = id;
  }
}

bool fileHasBlock() {
  int16_t f;
  return currentFile(&f) && FileSHORTS[f][kShortBlockState] == 2;
}

void removeContinueButton() {
  int16_t f;
  if (currentFile(&f) && plat::windowExists(PlotWindowId(f)))
    plat::removeControl(PlotWindowId(f), kContinueScriptButton);
}

// Keeps the run on its file after the user had a turn: a file opened waits
// for its own run, and the run's file comes back to the front. False when
// the run's file was closed: the run ends as Interrupt Script ends it, and
// the user is told.
bool keepToRunFile() {
  noteFilesOpened(runsEveryFile);
  if (!stillOpen(runFile)) {
    if (RunScript != 0) {
      if (!RunCommand(Cmd::InterruptScript)) RunScript = 0;
      ShowAlert("The script was interrupted: " + runFile.name + ", the file it was running on, was closed.");
    }
    return false;
  }
  if (TheFileInUse != static_cast<uint16_t>(runFile.slot)) BringFileToFront(runFile.slot);
  return true;
}

// What a run changes is put back however it ends (Interrupt, Cancel Script,
// a failed open, an exception).
class RunScope {
 public:
  RunScope() : autorepeat_(prefsArray[kPrefAutorepeat]), quiet_(prefsArray[kPrefQuietScripts] != 0) {
    running = true;
    if (quiet_) BeginQuietSoundRun();
  }
  ~RunScope() {
    prefsArray[kPrefAutorepeat] = autorepeat_;
    if (quiet_) EndQuietSoundRun();
    ScriptRunStep = 0;
    BaseLineButton = 0;
    removeContinueButton();
    running = false;
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  int16_t autorepeat_;
  bool quiet_;
};

// The two-button caution window 25; returns the button pressed.
int16_t askQuestion(const char* title, const char* heading, bool shadowed, const std::string& line1,
                    const std::string& line2, const char* first, const char* second) {
  HandlerScope keep;
  InstallDialogHandlers();
  const int previous = plat::currentPortWindow();
  const plat::Size desk = plat::displaySize();
  constexpr int kWidth = 420, kHeight = 190;
  const int left = std::max(4, (desk.w - kWidth) / 2), top = std::max(60, (desk.h - kHeight) / 3);
  BuildWINDOW(1, kScriptQuestionWindow, title, static_cast<int16_t>(left), static_cast<int16_t>(top),
              static_cast<int16_t>(left + kWidth), static_cast<int16_t>(top + kHeight), kKindNoCloseBox, 1);
  WARNINGSTRIPES(0, 3, 14, 8, 8, kWidth - 8, kHeight - 8);
  putCICON(129, 20, 60);
  putCICON(129, kWidth - 52, 60);
  plat::Port& p = plat::port(kScriptQuestionWindow);
  p.setFont({"application", 28, true});
  const int w = p.textWidth(heading);
  for (int k = shadowed ? 2 : 0; k >= 0; --k) {
    p.setForeColor(k == 0 ? plat::Rgb16{0xFFFF, 0, 0} : plat::Rgb16{0, 0, 0});
    p.moveTo((kWidth - w) / 2 + k, 58 + k);
    p.drawText(heading);
  }
  const auto line = [&](int id, const std::string& text, int y) {
    plat::FieldSpec f;
    f.id = id;
    f.text = text;
    f.kind = plat::FieldKind::Static;
    f.framed = false;
    f.align = plat::Align::Center;
    f.r = {40, y, kWidth - 40, y + 20};
    f.font = {"application", 14, true};
    plat::addField(kScriptQuestionWindow, f);
  };
  line(10, line1, 78);
  if (!line2.empty()) line(11, line2, 100);
  for (int16_t b = 1; b <= 2; ++b) {
    AddKitButton(kScriptQuestionWindow, b, plat::ButtonKind::Push, b == 1 ? first : second,
                 {b == 1 ? 30 : kWidth / 2 + 10, kHeight - 50, b == 1 ? kWidth / 2 - 10 : kWidth - 30, kHeight - 26});
  }
  p.flush();
  ClearMailbox();
  int16_t answer = 0;
  while (answer == 0) {
    plat::pump(50);
    if (action == kActionClick && (eventID == 1 || eventID == 2)) answer = eventID;
    ClearMailbox();
  }
  plat::disposeWindow(kScriptQuestionWindow);
  if (previous != 0 && plat::windowExists(previous)) plat::setCurrentPort(previous);
  return answer;
}

// A line of the block request, in smaller type where it is long (an edit's
// value, a file's name) and cut where even that is too long.
void drawFitted(plat::Port& p, std::string text, plat::FontSpec font, int baseline) {
  constexpr int kLeft = 196, kWidth = 308;
  for (p.setFont(font); font.pixelSize > 10 && p.textWidth(text) > kWidth; p.setFont(font)) --font.pixelSize;
  if (p.textWidth(text) > kWidth) {
    while (!text.empty() && p.textWidth(text + "\xC9") > kWidth) text.pop_back();
    text += "\xC9";
  }
  p.moveTo(kLeft, baseline);
  p.drawText(text);
}

void showRunningStep(int16_t n) {
  int16_t f;
  if (!currentFile(&f)) return;
  const int win = PlotWindowId(f);
  if (plat::controlExists(win, kRunningStepField))
    plat::setFieldText(win, kRunningStepField, " Script Running\xC9 Step " + std::to_string(n));
}

void skipped(int16_t n, const std::string& why) {
  ShowAlert("Script step " + std::to_string(n) + ", \"" + ScriptLabel(StepCode(ScriptSequenceArray[n])) +
                "\", was skipped: " + why,
            "bzot");
}

// Block analyses, scaling to a block and edits of the block only: each
// waits for a block when the file has none.
void blockStep(int16_t n, int code, int next) {
  MENU_or_ToolBar_PICKED = 0;
  prefsArray[kPrefAutorepeat] = 1;
  // An edit runs once, on the block selected; it re-runs no analysis.
  const bool blockEdit = EditsBlockOnly(ScriptSequenceArray[n]);
  const bool edits = code == kOpScaleToBlock || blockEdit;
  Analysis_Code = blockEdit ? int16_t{0} : BlockStepAnalysisCode(code);
  if (edits ? !ScriptOpRegistered(static_cast<int16_t>(code)) : !AutoRepeatRegistered(Analysis_Code)) {
    skipped(n, "this version of Corvimet cannot run it.");
    return;
  }
  const bool offer = !blockEdit && OffersContinue(ScriptSequenceArray[n], next);
  // An edit runs on the block picked for it: where the hand run selected a
  // new one, the block left by an earlier step is not it.
  if (edits && ScriptSequenceArray[n][kStepBlockPick] == kBlockPickedAnew && fileHasBlock()) CLEARBLOCK();
  // Whether the analysis met a block: it runs on every block selected.
  bool analysed = true;
  if (!fileHasBlock()) {
    // The button first: the request's flashing takes a moment.
    if (offer) SCRIPT_BUTTONS(static_cast<int16_t>(next), n);
    REQUEST_BLOCK();
    analysed = SCRIPTLOOP(offer ? 1 : 0);
  } else {
    if (offer) SCRIPT_BUTTONS(static_cast<int16_t>(next), n);
    RunCommand(Cmd::AutoRepeat);
  }
  int16_t f;
  if (edits) analysed = fileHasBlock();
  if (edits && RunScript != 0 && analysed && currentFile(&f)) {
    RunScriptStep(n);
    if (code == kOpScaleToBlock) {
      FileSHORTS[f][kShortBlockState] = 0;
      REFRESHBLOCK();
    }
  }
  if (blockEdit && code == kOpSpikes) plat::disposeWindow(kResultsWindow);
  // "Continue Script" with no block: the step did nothing, and the user is told.
  if (RunScript != 0 && !analysed && !QuitRequested()) skipped(n, "no block was selected.");
  plat::disposeWindow(kBlockRequestWindow);
  if (currentFile(&f) && plat::windowExists(PlotWindowId(f))) plat::setCurrentPort(PlotWindowId(f));
  removeContinueButton();
}

// Steps of this run left out because the channel change before them was.
using SkipSet = std::array<bool, kStepSlots>;

// A channel change the file cannot follow is skipped, and so are the steps
// that would otherwise act on whatever channel is active; one alert names
// them all. False when the change fits the file.
bool skipChannelChange(int16_t n, SkipSet* skip) {
  int16_t f;
  if (!currentFile(&f)) return true;
  const int16_t c = StepInt(ScriptSequenceArray[n][kStepMain]);
  if (c >= 1 && c <= nChannels[f]) return false;
  const std::vector<int16_t> dependent = StepsOnSkippedChannel(ScriptSequenceArray, n);
  for (int16_t k : dependent) (*skip)[static_cast<size_t>(k)] = true;
  ShowAlert(SkippedChannelText(ScriptSequenceArray, n, nChannels[f], dependent), "bzot");
  return true;
}

// Whether step n does anything: empty, deleted and unknown steps and the
// end mark do not.
bool stepActs(int16_t n, int code) {
  return IsBlockStep(code) || EditsBlockOnly(ScriptSequenceArray[n]) ||
         (code != kOpEndScript && !ScriptLabel(code).empty());
}

// One step.
void runStep(int16_t n, int code, int next, SkipSet* skip) {
  if ((*skip)[static_cast<size_t>(n)]) return;
  ScriptRunStep = n;
  // A step is a command of its own: a failure takes back no earlier step.
  MarkCommandStart();
  if (IsBlockStep(code) || EditsBlockOnly(ScriptSequenceArray[n])) {
    blockStep(n, code, next);
    return;
  }
  // Empty, deleted, the end mark and codes without a command do nothing.
  if (code == kOpEndScript || ScriptLabel(code).empty()) return;
  if (code == kOpOpenFile) {
    TypeOfFile = StepInt(ScriptSequenceArray[n][kStepMain]);
    MergeThisFile = 0;
    if (!RunCommand(Cmd::FileLoading)) skipped(n, "this version of Corvimet cannot run it.");
    return;
  }
  if (code == kOpChangeChannel && skipChannelChange(n, skip)) return;
  if (code == kOpIntegrate || code == kOpDerivative) derive = static_cast<int16_t>(code - kOpIntegrate);
  if (code >= kOpO2Consumption && code <= kOpWaterLoss) GasType = static_cast<int16_t>(code - 7);
  if (!RunScriptStep(n)) {
    skipped(n, "this version of Corvimet cannot run it.");
    return;
  }
  if (code == kOpSpikes) plat::disposeWindow(kResultsWindow);
}

void finishRun() {
  if (ScriptRunOnce == 100) RunScript = 0;
  ScriptRunOnce = 1;
  FileJustLoaded = 0;
  downvip();
  DRAWTIMEDATE();
  for (int item : {8, 9, 10}) {
    plat::setItemEnabled(kMenuScript, item, true);
    if (RunScript == 0) plat::setItemChecked(kMenuScript, item, false);
  }
  if (RunScript == 0) plat::setItemChecked(kMenuScript, 12, true);
}

}  // namespace

bool ScriptRunInProgress() { return running; }

void DOSCRIPT() {
  if (running) return;
  {
    RunScope scope;
    runsEveryFile = ScriptRunOnce != 100;
    laterFiles.clear();
    noteFilesOpened(false);
    const auto first = static_cast<int16_t>(TheFileInUse);
    RunFile next = ValidFileSlot(first) && SlotHoldsFile(first) ? fileIn(first) : RunFile{};
    for (;;) {
      runFile = next;
      if (!stillOpen(runFile)) break;
      const int16_t f = runFile.slot;
      BringFileToFront(f);
      if (FileSHORTS[f][kShortBlockState] != 0) CLEARBLOCK();
      if (InitialNumberOfScriptOperationChannels != 0 && ScriptRunOnce != 0 &&
          nChannels[f] != InitialNumberOfScriptOperationChannels && ScriptWarning() == 1)
        RunScript = 0;
      SkipSet skip{};
      for (int16_t n = 1; n <= kLastScriptStep; ++n) {
        if (QuitRequested()) RunScript = 0;
        if (RunScript == 0) break;
        const int code = StepCode(ScriptSequenceArray[n]);
        const int nextCode = StepCode(ScriptSequenceArray[n + 1]);
        if (stepActs(n, code) && !keepToRunFile()) break;
        showRunningStep(n);
        runStep(n, code, nextCode, &skip);
        // A file an OPEN FILE step opened is run whatever the mode.
        noteFilesOpened(code == kOpOpenFile || runsEveryFile);
        if (nextCode == kOpEndScript) break;
      }
      ScriptRunStep = 0;
      // Iterates, so a long chain of files never deepens the stack. A file
      // closed again before its turn has none.
      while (!laterFiles.empty() && !stillOpen(laterFiles.front())) laterFiles.erase(laterFiles.begin());
      if (RunScript == 0 || laterFiles.empty()) break;
      next = laterFiles.front();
      laterFiles.erase(laterFiles.begin());
      // Only the first file of "1st Run Manual" asks.
      if (ScriptRunOnce == 0) ScriptRunOnce = 1;
    }
    laterFiles.clear();
    // Inside the scope: a quiet run ends quietly.
    finishRun();
  }
  SETMENU(0);
}

void StartScriptRunIfDue() {
  int16_t f;
  if (running || RunScript != 1 || FileJustLoaded != 1 || !currentFile(&f)) return;
  if (ScriptRunOnce == 0) InitialNumberOfScriptOperationChannels = nChannels[f];
  DOSCRIPT();
}

int16_t CheckScriptRecording() {
  PlayNamedSound("bub3");
  return askQuestion("Script Exists", "Caution:", false, "a script already exists.", "", "Start a New Script",
                     "Add to Existing Script");
}

int16_t ScriptWarning() {
  int16_t f;
  const int16_t have = currentFile(&f) ? nChannels[f] : 0;
  PlayNamedSound("bzot");
  if (UserSoundLevel() > 25) PlayNamedSound("scream");
  const int16_t b = askQuestion("Problematic file", "WARNING !", true,
                                "wrong number of channels (" + std::to_string(have) + " ) ",
                                "for this script (expecting " + std::to_string(InitialNumberOfScriptOperationChannels) +
                                    " ) ",
                                "Cancel Script", "Continue Anyway");
  return b == 1 ? 1 : 0;
}

void REQUEST_BLOCK() {
  plat::disposeWindow(kBlockRequestWindow);
  int16_t f;
  if (!currentFile(&f) || fileHasBlock()) return;
  const int plotWin = PlotWindowId(f);
  const plat::Rect plot = plat::windowExists(plotWin) ? plat::contentRect(plotWin) : plat::Rect{10, 60, 650, 400};
  // Below the plot window, not only its plot area: the title, which names
  // the file and the step, stays in sight with the plot in front.
  const int below = std::max(plot.top + BottomOfPlotArea + 30,
                             plot.bottom + plat::titleBarHeight(plat::WindowClass::Document) + 2);
  const int top = std::min(below, plat::displaySize().h - 130);
  const int16_t n = ScriptRunStep >= 1 && ScriptRunStep <= kLastScriptStep ? ScriptRunStep : int16_t{0};
  const BlockRequestTexts said = BlockRequestText(ScriptSequenceArray[n], n, FileName[f]);
  BuildWINDOW(1, kBlockRequestWindow, said.title, static_cast<int16_t>(plot.left + 20), static_cast<int16_t>(top),
              static_cast<int16_t>(plot.left + 540), static_cast<int16_t>(top + 110), kKindDocument, 1);
  // Through the whole wait: where it stands over a low plot, a pick there
  // would bring the plot over it.
  KeepInFrontOfPlotWhileOpen(kBlockRequestWindow);
  plat::Port& p = plat::port(kBlockRequestWindow);
  putCICON(129, 14, 50);
  EmbossPrint(1, "Your attention,", 14, 56, 30);
  EmbossPrint(1, "please...", 14, 56, 48);
  PlayNamedSound("brrrp");
  p.setForeColor({0, 0, 0});
  p.strokeRect({184, 8, 512, 102});
  p.setBackColor(plat::background(kBlockRequestWindow));
  // Eleven flashes, ending on the red one.
  for (int k = 0; k < 11; ++k) {
    p.clearRect({188, 14, 508, 44});
    p.setForeColor(OldStyleColour(k % 2 == 0 ? 6 : 0));
    drawFitted(p, said.headline, {"application", 17, true}, 36);
    p.flush();
    plat::delayMs(40);
  }
  p.setForeColor({0, 0, 0});
  drawFitted(p, "Move the cursor to the plot window of", {"application", 13}, 58);
  drawFitted(p, FileName[f], {"application", 13, true}, 75);
  drawFitted(p, said.purpose, {"application", 13}, 92);
  p.flush();
  if (plat::windowExists(plotWin)) {
    plat::selectWindow(plotWin);
    plat::setCurrentPort(plotWin);
  }
}

void SCRIPT_BUTTONS(int16_t /*nextCode*/, int16_t step) {
  int16_t f;
  if (!currentFile(&f) || !plat::windowExists(PlotWindowId(f))) return;
  const int win = PlotWindowId(f);
  const int w = plat::contentSize(win).w;
  plat::ButtonSpec b;
  b.id = kContinueScriptButton;
  b.kind = plat::ButtonKind::DefaultPush;
  b.title = "Continue Script; Step " + std::to_string(step);
  b.r = {w - 210, 22, w - 12, 44};
  b.font = {"application", 12, true};
  plat::addButton(win, b);
}

bool ScriptPlotButton(int16_t controlId) {
  int16_t f;
  if (controlId != kContinueScriptButton || !running || !currentFile(&f) ||
      !plat::controlExists(PlotWindowId(f), kContinueScriptButton))
    return false;
  BaseLineButton = kContinueScriptButton;
  return true;
}

bool SCRIPTLOOP(int16_t offerContinue) {
  HandlerScope keep;
  InstallMainLoopHandlers();
  BaseLineButton = 0;
  bool hadBlock = fileHasBlock();
  while (RunScript != 0 && BaseLineButton != kContinueScriptButton && !QuitRequested()) {
    if (offerContinue == 0 && fileHasBlock()) break;
    MainLoopPass(50);
    if (running) {
      // A block selected in another file does not answer the step.
      const bool turnedAway = TheFileInUse != static_cast<uint16_t>(runFile.slot);
      if (!keepToRunFile()) break;
      if (turnedAway && !fileHasBlock()) REQUEST_BLOCK();
    }
    hadBlock = hadBlock || fileHasBlock();
  }
  removeContinueButton();
  BaseLineButton = 0;
  return hadBlock;
}
