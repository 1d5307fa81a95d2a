#include "editing/ui/transformations.h"

#include <algorithm>
#include <string>
#include <vector>

#include "editing/channelpick.h"
#include "editing/copychannel.h"
#include "editing/customtransforms.h"
#include "editing/editstep.h"
#include "editing/transforms.h"
#include "editing/ui/calibsetup.h"
#include "editing/ui/copychannel.h"
#include "editing/ui/customtransforms.h"
#include "editing/ui/editframe.h"
#include "editing/ui/fileinfo.h"
#include "editing/ui/picklists.h"
#include "editing/ui/zeroblock.h"
#include "editing/baseline.h"
#include "editing/zeroblock.h"
#include "output/results.h"
#include "output/scaling.h"
#include "output/ui/analysiskit.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/mouse.h"
#include "plot/ui/redraw.h"
#include "shell/steptable.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/recorder.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

namespace {

constexpr int kWin = kResultsWindow;
constexpr const char* kNoMemoryForChannel =
    "Not enough memory for a new channel: the transform was not run, and its source channel is as it was.";
constexpr const char* kNoUndoCopy = "There is not enough memory for an undo copy: nothing was changed.";

float (&stepOf(const EditStep& es))[28] { return *reinterpret_cast<float (*)[28]>(EditStepFields(es)); }

struct Dialog {
  int16_t slot = 0;
  bool convert = false;
  TransformSettings s;            // code, channels, constants of the next run
  std::string oldUnit, newUnit;   // of the conversion picked
  std::vector<float> work;        // the pending result
  bool pending = false;           // a result waits to be stored
  int16_t newChannel = 0;         // appended for the pending result, not yet stored
  int16_t storeChan = 0;          // destination of the last run
  int runs = 0;
  bool ended = false;
  bool stored = false;            // some result was stored
  std::string aText, bText, eText; // the fields as typed at the last run, for the log
  EditStep* es = nullptr;         // by hand: each stored run is a step of its own
  TransformSettings ranWith;      // the pending result's settings
  bool ranBlockOnly = false;
  int16_t steps = 0;              // stored runs recorded so far
};

void defineMenus() {
  if (!plat::menuDefined(kTransformMenu)) {
    std::vector<plat::MenuItemSpec> items;
    for (int16_t code = 1; code <= 26; ++code) {
      plat::MenuItemSpec m;
      m.title = TransformTypeName(code);
      if (m.title.empty()) m.separator = true, m.title = "-";
      items.push_back(m);
    }
    plat::defineMenu(kTransformMenu, "Transforms", items);
  }
  if (!plat::menuDefined(kConversionMenu)) {
    std::vector<plat::MenuItemSpec> items;
    for (int item = 1; item <= kConversionItems; ++item) {
      plat::MenuItemSpec m;
      m.title = ConversionItem(item).description;
      items.push_back(m);
    }
    plat::defineMenu(kConversionMenu, "Conversions", items);
  }
  if (!plat::menuDefined(kCustomMenu)) {
    std::vector<plat::MenuItemSpec> items(4);
    items[0].title = "Custom Transforms";
    items[1].title = "-";
    items[1].separator = true;
    items[2].title = "Use Saved Transform\xC9";
    items[3].title = "Save This Transform\xC9";
    plat::defineMenu(kCustomMenu, "Custom", items);
  }
}

void button(int16_t id, const std::string& title, plat::Rect r, plat::ButtonKind kind = plat::ButtonKind::Push,
            int state = 1) {
  AddKitButton(kWin, id, kind, title, r, state);
}

void field(int16_t id, const std::string& t, plat::Rect r, int maxLen = 255) {
  plat::FieldSpec f;
  f.id = id;
  f.text = t;
  f.r = r;
  f.maxLen = maxLen;
  plat::addField(kWin, f);
}

void text(int x, int y, const std::string& t, int size = 12, bool bold = false) {
  plat::Port& p = plat::port(kWin);
  // Whatever drew last (the channel columns, the outcome band) leaves its pen.
  p.setForeColor({0, 0, 0});
  p.setFont(plat::FontSpec{"application", size});
  DrawDialogText(kWin, x, y, t, size, bold);
}

float number(int16_t id) {
  double v = 0.0;
  return plat::controlExists(kWin, id) && ParseFieldNumber(plat::fieldText(kWin, id), &v) ? static_cast<float>(v)
                                                                                           : 0.0f;
}

bool blockDefined(int16_t slot) { return FileSHORTS[slot][kShortBlockState] == 2; }

// Parameter band: fields 201..203 with their texts, and the two-channel boxes.
void clearParameters() {
  for (int16_t id : {kTrField1, kTrField2, kTrField3, kTrMultiply, kTrDivide}) plat::removeControl(kWin, id);
  plat::Port& p = plat::port(kWin);
  p.setBackColor(plat::background(kWin));
  p.clearRect({3, 96, 314, 166});
  plat::setButtonState(kWin, kTrView, 0);
}

void constantField(int16_t id, const char* label, const std::string& value, int row) {
  const int y = 100 + 22 * row;
  text(10, y + 14, label);
  field(id, value, {150, y, 300, y + 18});
}

void drawColumns(Dialog& d) {
  Chan1 = d.s.chan1;
  TRANSCHANX("Ch. X", " Ch. Y", " channel data", 14, 1, 320, 1);
  plat::setButtonState(kWin, d.s.chan1, 2);
  if (yChan == 1 && d.s.chan2 >= 1) plat::setButtonState(kWin, static_cast<int16_t>(32 + d.s.chan2), 2);
}

void setRunButtons(Dialog& d) {
  const bool two = !d.convert && d.s.code >= 22 && d.s.code <= 26;
  const bool ready = !two || (d.s.chan2 >= 1 && d.s.chan2 <= nChannels[d.slot]);
  plat::setButtonState(kWin, kTrAll, ready ? 1 : 0);
  if (plat::controlExists(kWin, kTrBlock)) plat::setButtonState(kWin, kTrBlock, ready ? 1 : 0);
}

// The copy and new-channel buttons as the dialog stands: the copy takes the
// dialog's source channel and goes to the first channel not yet there; the
// check box names the channel a run fills (the one already made for a
// pending result) and shows whether the next run makes one.
void channelButtons(Dialog& d) {
  COPYBUTTON(d.s.chan1);
  const int16_t n = nChannels[d.slot];
  if (d.newChannel != 0 && !plat::controlExists(kWin, kTrNewChannel))
    button(kTrNewChannel, "", {3, 250, 236, 270}, plat::ButtonKind::CheckBox);
  if (plat::controlExists(kWin, kTrNewChannel)) {
    const int16_t target = d.newChannel != 0 ? d.newChannel : static_cast<int16_t>(n + 1);
    plat::setControlTitle(kWin, kTrNewChannel, "Store Results in New Channel" + NumText(target));
    plat::setButtonState(kWin, kTrNewChannel, d.s.makeNewChan ? 2 : 1);
  }
  // A copy would sit between the source and the channel of its pending result.
  if (plat::controlExists(kWin, kTrCopy)) plat::setButtonState(kWin, kTrCopy, d.pending ? 0 : 1);
}

void pickTransform(Dialog& d, int16_t item) {
  clearParameters();
  d.s.customIndex = 0;  // a list pick replaces a custom transform picked before it
  d.s.code = item;
  d.s.item1 = item;
  d.oldUnit.clear();
  d.newUnit.clear();
  const bool two = item >= 22;
  if (two != (yChan == 1)) {
    yChan = two ? 1 : 0;
    if (!two) d.s.chan2 = 0;
    drawColumns(d);
  }
  switch (item) {
    case 1: constantField(kTrField1, "correction factor ( 'z ' value):", "1", 0); break;
    case 5:
      constantField(kTrField1, " a:", "0", 0);
      constantField(kTrField2, "  b:", "1", 1);
      constantField(kTrField3, " exp:", "1", 2);
      break;
    case 6: case 7: case 8: case 9: constantField(kTrField1, " a:", "1", 0); break;
    case 16:
      constantField(kTrField1, " a:", "1", 0);
      constantField(kTrField2, " exp:", "1", 1);
      break;
    case 18:
      constantField(kTrField1, "\xC6T (\xA1" "C):", "0", 0);
      constantField(kTrField2, "Q10:", "2.4", 1);
      break;
    case 22: case 23: case 24: case 25:
      button(kTrMultiply, "multiply", {10, 100, 90, 118}, plat::ButtonKind::CheckBox);
      button(kTrDivide, "divide", {100, 100, 180, 118}, plat::ButtonKind::CheckBox);
      d.s.multiply = d.s.divide = false;
      constantField(kTrField1, "result by:", "1", 1);
      break;
    case 2:
      POLYNOMIAL(d.s.chan1, &d.s);
      d.s.aux = nChannels[d.slot] == 1 ? 45 : 44;
      plat::selectWindow(kWin);
      plat::setCurrentPort(kWin);
      drawColumns(d);
      break;
    case 20:
      d.s.breakpoint = BREAKPOINT();
      plat::selectWindow(kWin);
      plat::setCurrentPort(kWin);
      break;
    case 26:
      constantField(kTrField1, "correct to (\xA1" "C):", "30", 0);
      constantField(kTrField2, "with a Q10 of:", "2.4", 1);
      break;
    default: break;
  }
  setRunButtons(d);
}

void pickConversion(Dialog& d, int16_t item) {
  clearParameters();
  d.s.customIndex = 0;
  d.s.code = static_cast<int16_t>(item + kFirstConversionCode - 1);
  const Conversion& c = ConversionItem(item);
  d.oldUnit = c.oldUnit;
  d.newUnit = c.newUnit;
  const float* info = FileInfoFLOATS[d.slot];
  if (item <= 22) {
    constantField(kTrField1, "conversion factor:", NumText(c.factor), 0);
  } else if (item == 25 || item == 26) {
    plat::setFieldText(kWin, kTrLabelField,
                       item == 25 ? "vapor pressure (KPa) @ 100% RH" : "vapor pressure (torr) @ 100% RH");
  } else if (item == 27) {
    constantField(kTrField1, "temperature (degrees C):", NumText(info[kInfoTemperature]), 0);
  } else if (item == 28) {
    constantField(kTrField1, "barometric pressure (torr):", NumText(info[kInfoPressure]), 0);
  } else if (item == 29 || item == 30) {
    constantField(kTrField1, "mass in grams:", NumText(info[kInfoMass]), 0);
  } else if (item == 31) {
    // The flow STP calculator runs on its own and nothing is transformed here.
    if (CommandRegistered(Cmd::STPFlowAdjust)) {
      {
        HandlerScope keep;  // the calculator installs its own handlers
        RunCommand(Cmd::STPFlowAdjust);
      }
      HideTheToolBar();  // the calculator gives the toolbar back when it closes
    }
    plat::selectWindow(kWin);
    plat::setCurrentPort(kWin);
    d.s.code = 0;
    plat::setButtonState(kWin, kTrAll, 0);
    if (plat::controlExists(kWin, kTrBlock)) plat::setButtonState(kWin, kTrBlock, 0);
    return;
  }
  setRunButtons(d);
}

void enableListItems(const Dialog& d) {
  for (int16_t code = 1; code <= 26; ++code) {
    const bool named = TransformTypeName(code)[0] != '\0';
    plat::setItemEnabled(kTransformMenu, code, named && (code < 22 || nChannels[d.slot] > 1));
  }
  plat::setItemEnabled(kConversionMenu, kConversionItems, CommandRegistered(Cmd::STPFlowAdjust));
}

void showOutcome(bool error, int16_t code) {
  plat::Port& p = plat::port(kWin);
  const bool colour = prefsArray[1] >= 1;
  p.setForeColor(error ? plat::Rgb16{0xFFFF, 0, 0} : plat::Rgb16{0, 0, 0xFFFF});
  if (colour) p.fillRect({3, 168, 313, 192});
  p.setForeColor(colour ? plat::Rgb16{0xFFFF, 0xFFFF, 0} : plat::Rgb16{0, 0, 0});
  p.strokeRect({4, 169, 311, 191});
  if (error) {
    text(21, 186, "WARNING !", 18, true);
    text(150, 184, "Transformation Error!");
    Zap();
  } else {
    text(64, 186, code < kFirstConversionCode ? "Transformation OK" : "   Conversion OK", 18, true);
  }
  p.setForeColor({0, 0, 0});
}

void clearBand() {
  plat::Port& p = plat::port(kWin);
  p.setBackColor(plat::background(kWin));
  p.clearRect({3, 168, 314, 193});
}

void readConstants(Dialog& d) {
  d.aText = plat::controlExists(kWin, kTrField1) ? plat::fieldText(kWin, kTrField1) : "";
  d.bText = plat::controlExists(kWin, kTrField2) ? plat::fieldText(kWin, kTrField2) : "";
  d.eText = d.s.code == 16 ? d.bText : plat::controlExists(kWin, kTrField3) ? plat::fieldText(kWin, kTrField3) : "";
  if (d.s.customIndex > 0) return;  // its constants came with it
  TransformSettings& s = d.s;
  s.a = number(kTrField1);
  s.b = s.code == 16 ? 0.0f : number(kTrField2);
  s.exponent = s.code == 5 ? number(kTrField3) : s.code == 16 ? number(kTrField2) : 0.0f;
  if ((s.code == 18 || s.code == 26) && s.b <= 0.0f) {
    Zap();
    s.b = 1.0f;
  }
}

// One run of the engine into the pending result: the source stays as it is.
bool runOnce(Dialog& d, bool blockOnly, EditStep& es) {
  const int16_t slot = d.slot;
  readConstants(d);
  if (d.s.chan2 > nChannels[slot]) d.s.chan2 = 0;
  const bool two = d.s.code >= 22 && d.s.code <= 26;
  if (two && d.s.chan2 < 1) return false;
  const float* src = ChannelData(slot, d.s.chan1);
  d.work.assign(src, src + nCases[slot] + 1);
  if (MAKEBACKUP(d.s.chan1) != StoreStatus::Ok) {
    ShowAlert(kNoUndoCopy);
    return false;
  }
  FileSHORTS[slot][kShortChanged] = 1;
  d.storeChan = d.s.chan1;
  if (d.s.makeNewChan) {
    if (d.newChannel == 0 && nChannels[slot] < kMaxChannels) {
      const StoreStatus added = AddChannel(slot);
      if (added == StoreStatus::OutOfMemory) {
        ShowAlert(kNoMemoryForChannel, "bup");
        return false;
      }
      if (added == StoreStatus::Ok) d.newChannel = nChannels[slot];
    }
    if (d.newChannel != 0)
      d.storeChan = d.newChannel;
    else
      ShowAlert("There is no room for a new channel: the result replaces the source channel.", "bup");
  }
  d.es = &es;
  d.ranWith = d.s;
  d.ranBlockOnly = blockOnly;
  const int32_t first = blockOnly ? std::max(0, std::min(BeginBlock[slot], EndBlock[slot])) : 0;
  const int32_t last = blockOnly ? std::min(nCases[slot], std::max(BeginBlock[slot], EndBlock[slot])) : nCases[slot];
  const float* z = two ? ChannelData(slot, d.s.chan2) : nullptr;
  const TransformOutcome o = ApplyTransform(d.work.data(), z, first, last, d.s);
  ++d.runs;
  clearBand();
  showOutcome(o.error, d.s.code);
  if (!o.ran) return false;
  plat::setFieldText(kWin, kTrLabelField,
                     FixTransformLabel(d.s.code, plat::fieldText(kWin, kTrLabelField), d.oldUnit, d.newUnit));
  d.oldUnit.clear();
  d.newUnit.clear();
  d.pending = true;
  skid();
  plat::setButtonState(kWin, kTrDone, 1);
  button(kTrCancel, "Cancel", {3, 225, 73, 245});
  button(kTrView, "View", {80, 225, 130, 245}, plat::ButtonKind::Push, 0);
  button(kTrSaveContinue, "Save & Continue", {186, 225, 312, 245});
  channelButtons(d);
  return true;
}

bool run(Dialog& d, bool blockOnly, EditStep& es) {
  try {
    return runOnce(d, blockOnly, es);
  } catch (...) {
    // A failed run takes its pending channel with it, as Cancel does.
    if (d.newChannel != 0 && d.newChannel == nChannels[d.slot]) DropLastChannel(d.slot);
    d.newChannel = 0;
    d.pending = false;
    throw;
  }
}

// Label and pending result into the destination; the stored channel becomes
// the source of the next run.
// The first stored run fills the step recorded on opening, the others are
// recorded after it, in order; a label other than the source's goes along.
void noteStoredRun(Dialog& d, const std::string& label, const std::string& proposed) {
  if (!d.es) return;
  const int16_t row = ActionStepRow(*d.es, &d.steps, kTransformOp);
  if (row == 0) return;
  // A step replayed with its dialog keeps where its block came from.
  const float heldPick = ScriptSequenceArray[row][kStepBlockPick];
  TransformToStep(d.ranWith, ScriptSequenceArray[row]);
  ScriptSequenceArray[row][transform_step::kBlockOnly] = d.ranBlockOnly ? 1.0f : 0.0f;
  if (d.es->recorded == 0) ScriptSequenceArray[row][kStepBlockPick] = heldPick;
  else if (d.ranBlockOnly) MarkBlockEdit(row);
  if (label != proposed) KeepStepLabel(ScriptSequenceArray, row, transform_step::kLabel, label);
}

void store(Dialog& d, const std::string& label) {
  const int16_t slot = d.slot;
  const int16_t dest = d.runs > 0 ? d.storeChan : ActiveChannel;
  if (dest < 1 || dest > nChannels[slot]) return;
  const std::string proposed = d.ranWith.chan1 >= 1 && d.ranWith.chan1 <= nChannels[slot]
                                   ? RetrieveLabel(d.ranWith.chan1) : std::string();
  SetChannelLabel(slot, dest, label);
  if (d.pending) {
    noteStoredRun(d, label, proposed);
    std::copy(d.work.begin(), d.work.end(), ChannelData(slot, dest));
    if (d.s.code == 68 || d.s.code == 69) FileInfoFLOATS[slot][kInfoMass] = d.s.a;
    LogChannelEdit(slot, dest, TransformLogText(d.s, NumText(d.s.a), NumText(d.s.b), d.eText));
    if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, dest);
    d.pending = false;
    d.stored = true;
    // A new channel stored stays through a later failure in this window:
    // its log line must stay with it.
    if (d.newChannel != 0) RenewUndoCommentsMark(slot);
    d.newChannel = 0;
  }
  ActiveChannel = ChangedChan = StoreChan = dest;
  d.s.chan1 = dest;
}

void cancel(Dialog& d) {
  if (d.newChannel != 0) {
    bool remove[kMaxChannels + 1] = {};
    remove[d.newChannel] = true;
    RemoveChannels(d.slot, remove);
    d.newChannel = 0;
  } else if (d.runs > 0 && UndoAvailable(d.slot)) {
    UNDO();
  }
  d.pending = false;
  ActiveChannel = std::min<int16_t>(LastChan, nChannels[d.slot]);
}

void build(Dialog& d) {
  defineMenus();
  const int16_t n = nChannels[d.slot];
  const int extra = n > 13 ? 19 * (n - 13) : 0;
  OpenEditWindow("Transformations and Conversions", 640, static_cast<int16_t>(330 + extra),
                 static_cast<int16_t>(extra));
  text(6, 18, "label:");
  field(kTrLabelField, RetrieveLabel(d.s.chan1), {50, 4, 310, 22}, 30);
  button(kTrModeTransform, "Transform", {6, 30, 100, 50}, plat::ButtonKind::Bevel, 2);
  button(kTrModeConvert, "Convert", {106, 30, 200, 50}, plat::ButtonKind::Bevel, 1);
  button(kTrInfo, "Info", {206, 30, 256, 50});
  button(kTrHelp, "?", {262, 30, 292, 50}, plat::ButtonKind::Bevel);
  plat::addPopup(kWin, kTrTransformPopup, kTransformMenu, d.s.item1, {6, 58, 200, 80});
  plat::addPopup(kWin, kTrCustomPopup, kCustomMenu, 1, {206, 58, 312, 80});
  button(kTrAll, "Transform All", {3, 200, 150, 220}, plat::ButtonKind::DefaultPush);
  if (blockDefined(d.slot)) button(kTrBlock, "Transform Block", {160, 200, 312, 220});
  button(kTrDone, "Done", {240, 250, 312, 270}, plat::ButtonKind::Push, 0);
  yChan = 0;
  drawColumns(d);
  channelButtons(d);
  enableListItems(d);
}

void toConversions(Dialog& d) {
  clearParameters();
  d.convert = true;
  d.s.customIndex = 0;
  if (yChan == 1) {
    yChan = 0;
    d.s.chan2 = 0;
    drawColumns(d);
  }
  plat::setButtonState(kWin, kTrModeTransform, 1);
  plat::setButtonState(kWin, kTrModeConvert, 2);
  plat::removeControl(kWin, kTrTransformPopup);
  plat::removeControl(kWin, kTrCustomPopup);
  plat::addPopup(kWin, kTrConversionPopup, kConversionMenu, 21, {6, 58, 312, 80});
  // What runs is what the list shows: item 21 with its own factor.
  pickConversion(d, 21);
}

void toTransforms(Dialog& d) {
  clearParameters();
  d.convert = false;
  d.s.customIndex = 0;
  plat::setButtonState(kWin, kTrModeTransform, 2);
  plat::setButtonState(kWin, kTrModeConvert, 1);
  plat::removeControl(kWin, kTrConversionPopup);
  plat::addPopup(kWin, kTrTransformPopup, kTransformMenu, d.s.item1, {6, 58, 200, 80});
  plat::addPopup(kWin, kTrCustomPopup, kCustomMenu, 1, {206, 58, 312, 80});
  d.s.code = 17;
  setRunButtons(d);
}

void useCustom(Dialog& d) {
  CustomTransform t;
  const int16_t index = GetCustomTransformation(1, &t);
  if (index == 0) return;
  clearParameters();
  const bool toNew = d.s.makeNewChan;
  const int16_t c1 = d.s.chan1, c2 = d.s.chan2;
  d.s = CustomTransformSettings(t, index);
  d.s.makeNewChan = toNew;
  d.s.chan1 = c1;
  const int16_t n = nChannels[d.slot];
  // A two-channel transform keeps its saved second channel until one is picked.
  d.s.chan2 = c2 >= 1 ? c2 : t.chan2 >= 1 && t.chan2 <= n ? t.chan2 : int16_t{0};
  if (d.s.code >= 22 && d.s.code <= 26 && yChan != 1) {
    yChan = 1;
    drawColumns(d);
  }
  plat::FieldSpec f;
  f.id = kTrField2;
  f.text = t.name;
  f.r = {10, 120, 310, 140};
  f.kind = plat::FieldKind::Static;
  f.font.pixelSize = 14;
  plat::addField(kWin, f);
  // The list shows the kind of transform now in force.
  if (d.s.code >= 1 && d.s.code <= 26 && TransformTypeName(d.s.code)[0] != '\0') {
    d.s.item1 = d.s.code;
    if (plat::controlExists(kWin, kTrTransformPopup)) plat::setPopupValue(kWin, kTrTransformPopup, d.s.code);
  }
  setRunButtons(d);
}

void saveCustom(Dialog& d) {
  readConstants(d);
  std::string name;
  if (!EnterCustomTransformation(&name)) {
    Rip();
    return;
  }
  std::vector<uint8_t> bytes;
  const auto path = plat::appFolder() / kCustomTransformsFile;
  if (!ReadCustomTransformsFile(path, &bytes)) {
    ShowAlert("The custom transforms file could not be read: nothing was saved.");
    return;
  }
  if (!AppendCustomRecord(bytes, CustomTransformFromSettings(d.s, name))) {
    ShowAlert("The custom transforms file holds 40 transforms: delete one before saving another.");
    return;
  }
  if (!WriteCustomTransformsFile(path, bytes)) {
    ShowAlert("The custom transform could not be saved: the file was left as it was.");
    return;
  }
  upvip();
}

void loop(Dialog& d, EditStep& es) {
  for (;;) {
    auto [a, id] = TakeEvent();
    if (!plat::windowExists(kWin)) return cancel(d);
    plat::setCurrentPort(kWin);
    if (a == kActionClose && id == kWin) return cancel(d);
    if (EditPickPending()) return cancel(d);
    if (a == kActionKey) {
      if (plat::buttonState(kWin, kTrAll) != 1) continue;
      a = kActionClick;
      id = kTrAll;
    }
    if (a != kActionClick) continue;
    if (IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      return cancel(d);
    }
    const int16_t n = nChannels[d.slot];
    if (id >= 1 && id <= 32) {
      if (id > n) continue;
      plat::setButtonState(kWin, d.s.chan1, 1);
      d.s.chan1 = id;
      plat::setButtonState(kWin, id, 2);
      plat::setFieldText(kWin, kTrLabelField, RetrieveLabel(id));
      setRunButtons(d);
      channelButtons(d);
    } else if (id >= 33 && id <= 64) {
      if (id - 32 > n) continue;
      if (d.s.chan2 >= 1) plat::setButtonState(kWin, static_cast<int16_t>(32 + d.s.chan2), 1);
      d.s.chan2 = static_cast<int16_t>(id - 32);
      plat::setButtonState(kWin, id, 2);
      plat::setFieldText(kWin, kTrLabelField, RetrieveLabel(d.s.chan2));
      setRunButtons(d);
    }
    switch (id) {
      // The captions are drawn into the port: shown at once, not at the next repaint.
      case kTrTransformPopup:
        pickTransform(d, static_cast<int16_t>(plat::popupValue(kWin, id)));
        plat::flushWindow(kWin);
        break;
      case kTrConversionPopup:
        pickConversion(d, static_cast<int16_t>(plat::popupValue(kWin, id)));
        plat::flushWindow(kWin);
        break;
      case kTrCustomPopup: {
        const int item = plat::popupValue(kWin, id);
        plat::setPopupValue(kWin, id, 1);
        if (item == 3) useCustom(d);
        else if (item == 4) saveCustom(d);
        plat::selectWindow(kWin);
        break;
      }
      case kTrModeTransform: if (d.convert) toTransforms(d); break;
      case kTrModeConvert: if (!d.convert) toConversions(d); break;
      case kTrMultiply:
        d.s.divide = false;
        d.s.multiply = !d.s.multiply;
        plat::setButtonState(kWin, kTrDivide, 1);
        plat::setButtonState(kWin, kTrMultiply, d.s.multiply ? 2 : 1);
        break;
      case kTrDivide:
        d.s.multiply = false;
        d.s.divide = !d.s.divide;
        plat::setButtonState(kWin, kTrMultiply, 1);
        plat::setButtonState(kWin, kTrDivide, d.s.divide ? 2 : 1);
        break;
      case kTrNewChannel:
        d.s.makeNewChan = !d.s.makeNewChan;
        plat::setButtonState(kWin, kTrNewChannel, d.s.makeNewChan ? 2 : 1);
        break;
      case kTrCopy:
        if (d.pending) break;  // the copy would sit between the source and its pending channel
        ActiveChannel = d.s.chan1;   // the copy is of the channel the dialog shows as source
        COPYCHAN(1);
        // Before the runs to come; a run stored already stays before the copy.
        if (d.steps == 0) MoveEditStepLast(es);
        plat::setCurrentPort(kWin);
        d.s.chan1 = ActiveChannel;
        plat::setFieldText(kWin, kTrLabelField, RetrieveLabel(d.s.chan1));
        drawColumns(d);
        channelButtons(d);
        // The list now ends at the copy: shown at once, not at the next repaint.
        plat::flushWindow(kWin);
        break;
      case kTrLastResult: plat::setFieldText(kWin, kTrBlockValue, NumText(meanValue)); break;
      case kTrSetBlock: {
        cancel(d);
        const float v = number(kTrBlockValue);
        if (ZEROBLOCK(v, 0) != 0) {
          // A step of its own, after any run stored before it.
          const int16_t row = ActionStepRow(es, &d.steps, kTransformOp);
          if (row != 0) {
            const float heldPick = ScriptSequenceArray[row][kStepBlockPick];
            BlockSetToStep(kBlockSetByDialog, v, ActiveChannel, ScriptSequenceArray[row]);
            if (es.recorded == 0) ScriptSequenceArray[row][kStepBlockPick] = heldPick;
            else MarkBlockEdit(row, true);
          }
          d.stored = true;
          // The block is used up: the next block command has the user pick its own.
          CLEARBLOCK();
        }
        d.ended = true;
        return;
      }
      case kTrAll:
      case kTrBlock:
        if (d.s.code >= 1 && plat::buttonState(kWin, id) == 1) run(d, id == kTrBlock, es);
        break;
      case kTrSaveContinue:
      case kTrDone: {
        store(d, plat::fieldText(kWin, kTrLabelField));
        if (id == kTrDone) return;
        clearBand();
        text(10, 186, "Transform stored in channel" + NumText(d.storeChan), 14, true);
        plat::removeControl(kWin, kTrSaveContinue);
        plat::setButtonState(kWin, kTrView, 1);
        drawColumns(d);
        channelButtons(d);
        plat::flushWindow(kWin);
        break;
      }
      case kTrCancel: return cancel(d);
      case kTrView:
        RedrawAfterEdit(false);
        plat::selectWindow(kWin);
        plat::setButtonState(kWin, kTrView, 0);
        break;
      case kTrInfo:
        FILEINFO(FileName[d.slot], StartDate[d.slot], StartTime[d.slot], 3);
        plat::selectWindow(kWin);
        break;
      case kTrHelp: plat::openHelp(kTransformHelp); break;
      default: break;
    }
    enableListItems(d);
  }
}

// A step recorded on a file with more channels: said, and nothing written to
// whatever channel happens to be active.
bool channelInFile(int16_t slot, float channel, const char* nothing) {
  if (channel >= 1.0f && channel <= static_cast<float>(nChannels[slot])) return true;
  ShowAlert("Channel" + NumText(channel) + " is not in this file: " + nothing);
  return false;
}

// A block set by hand: the block the replay selected, of the channel the
// hand run set, to its value. Setting uses the block up, so the next step
// asks for another; a "Set Block to:" step recorded before the hand run
// cleared its block leaves it for the step after, as it always did.
void replayBlockSet(const Dialog& d, const float* row) {
  const float channel = row[transform_step::kChan1];
  if (!channelInFile(d.slot, channel, "no block was set.")) return;
  if (!blockDefined(d.slot)) {
    ShowAlert("No block is selected: no block was set.");
    return;
  }
  ActiveChannel = static_cast<int16_t>(channel);
  const float v = row[transform_step::kSetValue];
  const int32_t b = BeginBlock[d.slot], e = EndBlock[d.slot];
  if (ZEROBLOCK(v, 0) == 0) return;
  if (row[transform_step::kSetBlock] == kBlockSetByPicker) {
    LogChannelEdit(d.slot, ActiveChannel, BlockSetLogText(std::min(b, e), std::max(b, e), v));
    FileSHORTS[d.slot][kShortBlockState] = 0;
  } else if (row[kStepBlockPick] != 0.0f) {
    CLEARBLOCK();
  }
  RedrawAfterEdit(false);
}

// A recorded step replays with no window: the run is stored at once.
void replay(Dialog& d, const EditStep& es) {
  if (stepOf(es)[transform_step::kSetBlock] != 0.0f) return replayBlockSet(d, stepOf(es));
  TransformSettings s = TransformFromStep(stepOf(es));
  const int16_t slot = d.slot;
  if (s.customIndex > 0) {
    std::vector<uint8_t> bytes;
    ReadCustomTransformsFile(plat::appFolder() / kCustomTransformsFile, &bytes);
    const CustomTransformList list = ListCustomTransforms(bytes);
    const auto at = std::find(list.index.begin(), list.index.end(), s.customIndex);
    if (at == list.index.end()) {
      ShowAlert("The saved custom transform this script step uses is no longer in the custom transforms file: "
                "nothing was changed.");
      return;
    }
    const TransformSettings c = CustomTransformSettings(list.entries[static_cast<size_t>(at - list.index.begin())],
                                                        s.customIndex);
    const int16_t c1 = s.chan1, c2 = s.chan2;
    const bool toNew = s.makeNewChan;
    s = c;
    s.chan1 = c1;
    s.chan2 = c2;
    s.makeNewChan = toNew;
  }
  if (s.code == 20 && !BreakpointTypesValid(s.breakpoint)) {
    ShowAlert("This script step's breakpoint transform is damaged (an equation type is not a number): nothing was "
              "changed.");
    return;
  }
  if (!channelInFile(slot, s.chan1, "nothing was transformed.")) return;
  if (s.code >= 22 && s.code <= 26 && !channelInFile(slot, s.chan2, "nothing was transformed.")) return;
  const float* row = stepOf(es);
  const bool blockOnly = StepFlag(row, transform_step::kBlockOnly) && blockDefined(slot);
  const int32_t first = blockOnly ? std::max(0, std::min(BeginBlock[slot], EndBlock[slot])) : 0;
  const int32_t last = blockOnly ? std::min(nCases[slot], std::max(BeginBlock[slot], EndBlock[slot])) : nCases[slot];
  std::vector<float> work(ChannelData(slot, s.chan1), ChannelData(slot, s.chan1) + nCases[slot] + 1);
  const TransformOutcome o = ApplyTransform(work.data(), s.code >= 22 && s.code <= 26 ? ChannelData(slot, s.chan2) : nullptr,
                                            first, last, s);
  if (!o.ran) return;
  int16_t dest = s.chan1;
  std::string label;
  if (!StepLabelText(ScriptSequenceArray, row, transform_step::kLabel, &label)) label = RetrieveLabel(s.chan1);
  const CommentsMark logged = CommentsMarkOf(slot);
  const StoreStatus added =
      s.makeNewChan && nChannels[slot] < kMaxChannels ? AddChannel(slot) : StoreStatus::TooManyChannels;
  if (added == StoreStatus::Ok) {
    dest = nChannels[slot];
  } else if (added == StoreStatus::OutOfMemory) {
    ShowAlert(kNoMemoryForChannel, "bup");
    return;
  } else if (MAKEBACKUP(s.chan1) != StoreStatus::Ok) {
    ShowAlert(kNoUndoCopy);
    return;
  }
  try {
    std::copy(work.begin(), work.end(), ChannelData(slot, dest));
    SetChannelLabel(slot, dest, label);
    LogChannelEdit(slot, dest, TransformLogText(s, NumText(s.a), NumText(s.b), NumText(s.exponent)));
  } catch (...) {
    // In place the main loop puts the source back from its undo copy; a
    // new channel dropped takes its line with it.
    if (added == StoreStatus::Ok) {
      DropLastChannel(slot);
      CutCommentsBackTo(slot, logged);
    }
    throw;
  }
  if (s.code == 68 || s.code == 69) FileInfoFLOATS[slot][kInfoMass] = s.a;
  FileSHORTS[slot][kShortChanged] = 1;
  ActiveChannel = ChangedChan = StoreChan = dest;
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, dest);
  RedrawAfterEdit(dest != s.chan1);
}

}  // namespace

int16_t COPYBUTTON(int16_t source) {
  const int16_t slot = static_cast<int16_t>(TheFileInUse);
  const int16_t n = nChannels[slot];
  if (n < kMaxChannels) {
    button(kTrCopy, "Copy Channel" + NumText(source) + " to New Channel" + NumText(static_cast<int16_t>(n + 1)),
           {3, 276, 312, 296});
    button(kTrNewChannel, "Store Results in New Channel" + NumText(static_cast<int16_t>(n + 1)), {3, 250, 236, 270},
           plat::ButtonKind::CheckBox);
  } else {
    plat::removeControl(kWin, kTrCopy);
    plat::removeControl(kWin, kTrNewChannel);
  }
  if (blockDefined(slot) && !plat::controlExists(kWin, kTrSetBlock)) {
    button(kTrSetBlock, "\xC6 Block to:", {3, 302, 100, 322});
    field(kTrBlockValue, "0", {106, 303, 200, 321});
    button(kTrLastResult, "= Last Result", {206, 302, 312, 322});
  }
  return 0;
}

int16_t TRANSFORMATIONS(int16_t step) {
  HelpSubject = kTransformHelp;
  EditStep es = BeginEditStep(kTransformOp, step);
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot) || ActiveChannel < 1 || ActiveChannel > nChannels[slot]) {
    WithdrawEditStep(es);
    return 0;
  }
  Dialog d;
  d.slot = slot;
  if (es.replay) {
    replay(d, es);
    return 0;
  }
  d.s.chan1 = ActiveChannel;
  if (MAKEBACKUP(ActiveChannel) != StoreStatus::Ok) {
    WithdrawEditStep(es);
    ShowAlert(kNoUndoCopy);
    return 0;
  }
  LastChan = ActiveChannel;
  const int16_t before = nChannels[slot];
  // Over the closing redraws too: "\xC6 Block to:" uses the block up before
  // them, and a change taken back there must not take the block with it.
  const KeepBlockOnFailure blockBack(slot);
  {
    EditDialogScope frame;
    build(d);
    wssst();
    try {
      loop(d, es);
    } catch (...) {
      // A run not yet stored takes its pending channel with it, as Cancel
      // does: the main loop's recovery takes back its log line with the
      // undo copy.
      if (d.newChannel != 0 && d.newChannel == nChannels[slot]) DropLastChannel(slot);
      throw;
    }
    plat::disposeWindow(kWin);
    plat::disposeWindow(444);
    yChan = 0;
    FlowCH = 0;
  }
  if (!d.stored) WithdrawEditStep(es);  // nothing kept: no step is left behind
  // Also when the count is back where it was: a cancelled new channel came
  // and went, and the pop-up still names it.
  MakeChannelSelectionsPopUp();
  RebuildChannelMenu();
  RedrawAfterEdit(nChannels[slot] != before);
  return 0;
}
