#include "scripts/ui/scriptview.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "shell/safewrite.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/print.h"
#include "platform/windows.h"
#include "platform/app.h"
#include "scripts/scriptfile.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/prefs.h"
#include "shell/readfile.h"
#include "shell/textutil.h"
#include "shell/worktables.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/help.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace fs = std::filesystem;

const plat::FileKind kScriptFileKind{{'C', 'M', 's', 'c'}, {'c', 'v', 'm', 't'}, "Corvimet script", {"cmsc"}};

namespace {

constexpr int kRowHeight = 18;
constexpr int kRowTop = 34;
constexpr int kViewerWidth = 820;

// Columns (left, right) of label, channel, transform, a, b, exponent.
struct Column {
  int left, right;
};
constexpr Column kColumns[6] = {{58, 258}, {260, 352}, {354, 484}, {486, 596}, {598, 708}, {710, 812}};
const char* const kColumnTitles[6] = {"step    operation", "channel", "transform", "'a' value", "'b' value",
                                      "exponent"};
constexpr int16_t kFieldBase[6] = {kStepLabelField, kStepChannelField, kStepTransformField,
                                   kStepAField,     kStepBField,       kStepExponentField};

plat::Rgb16 rowFore(RowColours c) {
  switch (c) {
    case RowColours::End: return EFForeRgb(2);
    case RowColours::Deleted: return EFForeRgb(4);
    default: return EFForeRgb(1);
  }
}

plat::Rgb16 rowBack(RowColours c) {
  switch (c) {
    case RowColours::Change: return EFBackRgb(5);
    case RowColours::Deleted: return EFBackRgb(2);
    case RowColours::End: return EFBackRgb(7);
    default: return EFBackRgb(1);
  }
}

bool blockSet(const float* step) { return step[transform_step::kSetBlock] != 0.0f; }

std::vector<std::string> rowTexts(const ScriptRowTexts& r, int n) {
  return {ScriptRowPrefix(n) + r.label, r.channel, r.transform, r.a, r.b, r.exponent};
}

// One step as a row of fields numbered from s. editable: the columns a step
// of that code keeps numbers in become editable (the editor).
void writeRowFields(int win, int16_t s, int n, int top, bool editable) {
  const ScriptRowTexts r = ScriptRow(ScriptSequenceArray[s]);
  const std::vector<std::string> texts = rowTexts(r, n);
  const int code = StepCode(ScriptSequenceArray[s]);
  // A block set keeps one number, its value, in the first column.
  const int lastNumber = code == kOpTransformations && blockSet(ScriptSequenceArray[s]) ? 3 : 5;
  for (int c = 0; c < 6; ++c) {
    const bool numbers = editable && ((c >= 3 && c <= lastNumber && code == kOpTransformations &&
                                       r.transform != "absolute value") ||
                                      (c == 1 && code == kOpChangeChannel));
    if (texts[c].empty() && !numbers) {
      plat::removeControl(win, kFieldBase[c] + s);
      continue;
    }
    plat::FieldSpec f;
    f.id = kFieldBase[c] + s;
    f.text = texts[c];
    f.r = {kColumns[c].left, top, kColumns[c].right, top + kRowHeight - 2};
    f.kind = numbers ? plat::FieldKind::Editable : plat::FieldKind::Static;
    f.framed = numbers;
    f.font = {"application", editable ? 12 : 10, r.colours == RowColours::End, false, false};
    f.fore = numbers ? EFForeRgb(1) : rowFore(r.colours);
    f.back = numbers ? EFBackRgb(6) : rowBack(r.colours);
    plat::addField(win, f);
  }
}

// scale: quarters of the viewer's columns (4 on screen, 3 on paper).
void drawTitles(plat::Port& p, int y, bool bold, int scale) {
  p.setFont({"application", bold ? 11 : 13, bold, false, false});
  p.setForeColor({0, 0, 0});
  for (int c = 0; c < 6; ++c) {
    p.moveTo(c == 0 ? 8 : kColumns[c].left * scale / 4, y);
    p.drawText(kColumnTitles[c]);
  }
}

void enableRunItems() {
  for (int item : {8, 9, 10}) plat::setItemEnabled(kMenuScript, item, true);
}

// Rows listed last: row k shows slot rows[k - 1].
std::vector<int16_t>& viewerRows() {
  static std::vector<int16_t> rows;
  return rows;
}

void displayScript(int win) {
  auto& rows = viewerRows();
  rows.clear();
  for (int16_t s = 1; s <= kLastScriptStep; ++s) {
    if (!ScriptRow(ScriptSequenceArray[s]).shown) continue;
    rows.push_back(s);
    const int n = static_cast<int>(rows.size());
    const int top = kRowTop + (n - 1) * kRowHeight;
    writeRowFields(win, s, n, top, false);
    plat::ButtonSpec b;
    b.id = n;
    b.kind = plat::ButtonKind::SmallBevel;
    b.title = "Change\xC9";
    b.r = {4, top, 54, top + kRowHeight - 2};
    b.font = {"application", 10};
    plat::addButton(win, b);
  }
  ScriptViewerRows = static_cast<int16_t>(rows.size());
  enableRunItems();
}

void drawViewerFrame(int win) {
  plat::Port& p = plat::port(win);
  drawTitles(p, 22, false, 4);
  p.setForeColor({0x8000, 0x8000, 0x8000});
  p.moveTo(4, 28);
  p.lineTo(kViewerWidth - 4, 28);
  for (int k = 1; k <= ScriptViewerRows; ++k) {
    const int y = kRowTop + k * kRowHeight - 1;
    p.moveTo(4, y);
    p.lineTo(kViewerWidth - 4, y);
  }
  p.flush();
}

std::string today() {
  const std::time_t t = std::chrono::system_clock::to_time_t(plat::now());
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[16];
  std::strftime(buf, sizeof buf, "%m/%d/%y", &tm);
  return buf;
}

}  // namespace

void ClearSCRIPT() {
  for (int16_t s = 0; s <= kLastScriptStep + 1; ++s)
    if (plat::windowExists(kViewerWindow)) plat::removeControl(kViewerWindow, kStepChannelField + s);
  ClearScriptStore(ScriptSequenceArray);
}

bool SaveSCRIPTtoFile() {
  const std::optional<fs::path> path = plat::askSaveFile("Save Script File As...", "", kScriptFileKind);
  bool written = false;
  if (path) {
    const std::string bytes = EncodeScriptFile(ScriptSequenceArray, autoscript);
    SafeFileWriter w;
    written = w.open(*path) && w.write(bytes.data(), bytes.size()) && w.commit();
    if (written) plat::tagFile(*path, kScriptFileKind);
    else ShowAlert("The script could not be saved: " + path->filename().string() + " could not be written.");
  }
  wssst();
  return written;
}

bool LoadScriptFromFile() {
  const std::optional<fs::path> path = plat::askOpenFile("Script File:", {kScriptFileKind});
  if (!path) {
    Zap();
    return false;
  }
  // One byte beyond the longest script is enough to call a file too long;
  // a named pipe or a device is not opened.
  std::string bytes;
  if (ReadRegularFile(*path, kScriptFileBytes + 1, &bytes) == ReadFileStatus::CannotOpen) {
    ShowAlert("The script file " + path->filename().string() + " could not be read.", "bzot");
    return false;
  }
  int16_t flag = 0;
  const ScriptFileStatus st = DecodeScriptFile(bytes, ScriptSequenceArray, &flag);
  if (st != ScriptFileStatus::Ok) {
    ShowAlert(std::string(ScriptFileStatusText(st)) + " Nothing was loaded from " + path->filename().string() + ".",
              "bzot");
    return false;
  }
  autoscript = flag;
  ScriptFileName = path->filename().string().substr(0, 255);
  ScriptCOUNT = RecordingPositionOf(ScriptSequenceArray);
  enableRunItems();
  ScriptIsLoaded = 1;
  // A file that ends early loads as far as it goes; the user learns how far.
  const std::string shortText = ShortScriptFileText(ScriptSequenceArray, bytes.size(), path->filename().string());
  if (!shortText.empty()) ShowAlert(shortText, "bzot");
  else PlayNamedSound("setup");
  return true;
}

void VIEWSCRIPT() {
  HandlerScope keep;
  InstallDialogHandlers();
  const int previous = plat::currentPortWindow();
  HideTheToolBar();
  // Beside the plot window, wide enough for the six columns.
  const plat::Size desk = plat::displaySize();
  const int left = std::max(4, desk.w - kViewerWidth - 10);
  BuildWINDOW(1, kViewerWindow, "Scripting Sequence", static_cast<int16_t>(left), 60,
              static_cast<int16_t>(left + kViewerWidth), 260, kKindDocument, 1);
  wssst();
  displayScript(kViewerWindow);
  const int height = std::max(200, kRowTop + ScriptViewerRows * kRowHeight + 50);
  plat::setContentRect(kViewerWindow, {left, 60, left + kViewerWidth, 60 + height});
  const int bottom = height - 30;
  AddKitButton(kViewerWindow, kViewerAutomatic, plat::ButtonKind::CheckBox, "Automatic Run",
               {20, bottom, 160, bottom + 20}, autoscript == 1 ? 2 : 1);
  AddKitButton(kViewerWindow, kViewerClose, plat::ButtonKind::DefaultPush, "Close",
               {kViewerWidth - 110, bottom, kViewerWidth - 20, bottom + 22});
  AddKitButton(kViewerWindow, kViewerPrint, plat::ButtonKind::Push, "Print",
               {kViewerWidth - 220, bottom, kViewerWidth - 130, bottom + 22});
  drawViewerFrame(kViewerWindow);
  HelpSubject = kHelpScriptViewer;

  ClearMailbox();
  for (bool done = false; !done;) {
    plat::pump(50);
    const int16_t a = action, id = eventID;
    if (a == kActionKey && (id == '?' || id == '/')) {
      OpenHelpBook();
    } else if (a == kActionKey || (a == kActionClose && id == kViewerWindow) ||
               (a == kActionActivate && id != kViewerWindow) || (a == kActionClick && id == kViewerClose) ||
               !plat::windowExists(kViewerWindow)) {
      done = true;
    } else if (a == kActionClick && id >= 1 && id <= static_cast<int16_t>(viewerRows().size())) {
      const int16_t s = viewerRows()[static_cast<size_t>(id - 1)];
      if (EditScriptStep(s)) {
        writeRowFields(kViewerWindow, s, id, kRowTop + (id - 1) * kRowHeight, false);
        if (StepCode(ScriptSequenceArray[s]) == kOpDeleted)
          plat::setFieldText(kViewerWindow, kStepLabelField + s, ScriptRowPrefix(id) + kJustDeletedStepLabel);
      }
      plat::selectWindow(kViewerWindow);
    } else if (a == kActionClick && id == kViewerAutomatic) {
      autoscript = autoscript == 1 ? 0 : 1;
      plat::setButtonState(kViewerWindow, kViewerAutomatic, autoscript == 1 ? 2 : 1);
    } else if (a == kActionClick && id == kViewerPrint) {
      PrintScript();
      plat::selectWindow(kViewerWindow);
    }
    ClearMailbox();
  }
  EndBeep();
  plat::disposeWindow(kViewerWindow);
  RestoreTheToolBar();
  if (previous != 0 && plat::windowExists(previous)) plat::setCurrentPort(previous);
}

bool EditScriptStep(int16_t s) {
  if (s < 1 || s > kLastScriptStep) return false;
  HandlerScope keep;
  InstallDialogHandlers();
  const plat::Rect v = plat::windowExists(kViewerWindow) ? plat::contentRect(kViewerWindow) : plat::Rect{40, 80, 0, 0};
  BuildWINDOW(1, kStepEditorWindow, " Modify Transform Values for Step " + std::to_string(s),
              static_cast<int16_t>(v.left + 10), static_cast<int16_t>(v.top + 40),
              static_cast<int16_t>(v.left + 10 + kViewerWidth), static_cast<int16_t>(v.top + 150), kKindDocument, 1);
  plat::Port& p = plat::port(kStepEditorWindow);
  drawTitles(p, 22, false, 4);
  writeRowFields(kStepEditorWindow, s, s, 34, true);
  const char* const titles[3] = {"Cancel", "Accept Change", "Delete"};
  for (int16_t b = 1; b <= 3; ++b) {
    AddKitButton(kStepEditorWindow, b, b == kEditorAccept ? plat::ButtonKind::DefaultPush : plat::ButtonKind::Push,
                 titles[b - 1], {kViewerWidth - 130 * (4 - b), 70, kViewerWidth - 130 * (4 - b) + 120, 92});
  }
  p.flush();

  bool deletePressed = false, accepted = false;
  ClearMailbox();
  for (bool done = false; !done;) {
    plat::pump(50);
    const int16_t a = action, id = eventID;
    if (a == kActionClick && id == kEditorCancel) {
      done = true;
    } else if ((a == kActionClick && id == kEditorAccept) || (a == kActionClose && id == kStepEditorWindow) ||
               !plat::windowExists(kStepEditorWindow)) {
      accepted = done = true;
    } else if (a == kActionClick && id == kEditorDelete) {
      deletePressed = true;
      plat::setButtonState(kStepEditorWindow, kEditorDelete, 2);
    }
    ClearMailbox();
  }
  bool changed = false;
  if (accepted) {
    float* step = ScriptSequenceArray[s];
    const int code = StepCode(step);
    const auto typed = [&](int16_t field) {
      return static_cast<float>(TextToNum(plat::fieldText(kStepEditorWindow, field + s)));
    };
    if (deletePressed) {
      step[kStepOperation] = kOpDeleted;
      changed = true;
    } else if (code == kOpTransformations && blockSet(step)) {
      step[transform_step::kSetValue] = typed(kStepAField);
      changed = true;
    } else if (code == kOpTransformations && plat::controlExists(kStepEditorWindow, kStepAField + s)) {
      step[transform_step::kA] = typed(kStepAField);
      step[transform_step::kB] = typed(kStepBField);
      step[transform_step::kExponent] = typed(kStepExponentField);
      changed = true;
    } else if (code == kOpChangeChannel) {
      step[kStepMain] = typed(kStepChannelField);
      changed = true;
    }
  }
  plat::disposeWindow(kStepEditorWindow);
  return changed;
}

void PrintScript() {
  if (!plat::print::pageSetup()) return;
  if (!plat::print::printDialog()) return;
  plat::print::Job job("Corvimet script print");
  plat::Port& p = job.port();
  p.setForeColor({0, 0, 0});
  p.setFont({"application", 10});
  p.moveTo(8, 20);
  p.drawText(today() + "       Script sequence from '" + ScriptFileName + "'");
  drawTitles(p, 44, true, 3);
  p.moveTo(4, 48);
  p.lineTo(kViewerWidth * 3 / 4, 48);
  p.setFont({"application", 9});
  int n = 0;
  const plat::Rgb16 darkGrey{0x4000, 0x4000, 0x4000};
  // The printed columns are the viewer's, scaled to the page.
  const auto x = [](int px) { return px * 3 / 4; };
  for (int16_t s = 1; s <= kLastScriptStep; ++s) {
    const ScriptRowTexts r = ScriptRow(ScriptSequenceArray[s]);
    if (!r.shown) continue;
    ++n;
    const int y = 48 + n * 15;
    const std::vector<std::string> texts = rowTexts(r, n);
    p.setForeColor({0, 0, 0});
    for (int c = 0; c < 6; ++c) {
      if (texts[c].empty()) continue;
      p.moveTo(c == 0 ? 8 : x(kColumns[c].left), y - 4);
      p.drawText(texts[c]);
    }
    p.setForeColor(darkGrey);
    p.moveTo(4, y);
    p.lineTo(x(kViewerWidth), y);
  }
  ScriptViewerRows = static_cast<int16_t>(n);
  p.setForeColor(darkGrey);
  p.moveTo(x(kColumns[1].left) - 4, 30);
  p.lineTo(x(kColumns[1].left) - 4, 48 + n * 15);
  job.finish();
}
