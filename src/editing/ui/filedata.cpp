#include "editing/ui/filedata.h"

#include <algorithm>

#include "editing/ui/comments.h"
#include "editing/ui/fileinfo.h"
#include "editing/ui/filewindows.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/infoline.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/help.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/recorder.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int kDataWidth = 641;
constexpr int kChannelRow = 22;

int16_t slotInUse() { return static_cast<int16_t>(TheFileInUse); }

void makePlotCurrent() {
  const int plot = kPlotWindowBase + TheFileInUse;
  if (FileInUseOpen() && plat::windowExists(plot)) plat::setCurrentPort(plot);
}

bool blockDefined() { return FileInUseOpen() && FileSHORTS[TheFileInUse][kShortBlockState] == 2; }

// Help keys work wherever no field takes them.
bool helpKey(int code) { return code == '?' || code == '/'; }

// What the fields showed when last filled or committed: a field still
// showing it keeps its stored value.
FileDataForm gShown;

struct ValueRow {
  int16_t field;
  const char* caption;
  std::string FileDataForm::*text;
  int maxLen;
};

int dataHeight(int channels) { return 340 + std::max(0, kChannelRow * channels - 286); }

void captionAt(plat::Port& p, int rightX, int baseline, const MacText& t) {
  p.moveTo(rightX - p.textWidth(t), baseline);
  p.drawText(t);
}

void valueField(int16_t id, const MacText& text, int top, int maxLen) {
  plat::FieldSpec f;
  f.id = id;
  f.text = text;
  f.r = {516, top, 628, top + 19};
  f.kind = plat::FieldKind::Editable;
  f.font.pixelSize = 12;
  f.maxLen = maxLen;
  plat::addField(kFileDataWindow, f);
}

FileDataForm readForm() {
  FileDataForm f;
  const int n = std::min<int>(nChannels[slotInUse()], kMaxChannels);
  for (int c = 1; c <= n; ++c)
    f.labels[static_cast<size_t>(c)] = plat::fieldText(kFileDataWindow, kLabelFieldBase + c);
  auto get = [](int16_t id) { return plat::fieldText(kFileDataWindow, id); };
  f.interval = get(kIntervalField);
  f.flow = get(kFlowField);
  f.temperature = get(kTemperatureField);
  f.pressure = get(kPressureField);
  f.effectiveVolume = get(kVolumeField);
  f.mass = get(kMassField);
  f.startDate = get(kStartDateField);
  f.startTime = get(kStartTimeField);
  f.fio2 = get(kFiO2Field);
  f.fico2 = get(kFiCO2Field);
  f.rq = get(kRQField);
  return f;
}

void setActiveChannel(int16_t c) {
  ActiveChannel = c;
  ActiveChannelArray[TheFileInUse] = c;
  FileSHORTS[TheFileInUse][kShortActiveChannel] = c;
}

}  // namespace

void LabelText() {
  if (!FileInUseOpen() || !plat::windowExists(kFileDataWindow)) return;
  const int16_t s = slotInUse();
  const int n = std::min<int>(nChannels[s], kMaxChannels);
  const int height = dataHeight(n);
  plat::setCurrentPort(kFileDataWindow);
  plat::Port& p = plat::port(kFileDataWindow);
  gShown = FileDataFormOf(s);

  for (int16_t c = 1; c <= n; ++c) {
    const int y = 8 + (c - 1) * kChannelRow;
    AddKitButton(kFileDataWindow, c, plat::ButtonKind::Bevel, "Channel" + NumText(c), {18, y, 98, y + 20},
                 c == ActiveChannel ? 2 : 1);
    plat::FieldSpec f;
    f.id = kLabelFieldBase + c;
    f.text = gShown.labels[static_cast<size_t>(c)];
    f.r = {104, y + 1, 352, y + 20};
    f.font.pixelSize = 12;
    f.maxLen = kLabelWidth;
    plat::addField(kFileDataWindow, f);
  }

  // The marked button alone is easy to miss: a pointer shows the active channel.
  if (ActiveChannel >= 1 && ActiveChannel <= n) {
    const int y = 8 + (ActiveChannel - 1) * kChannelRow;
    p.resetPen();
    p.setForeColor(kBlack);
    p.fillPolygon({{5, y + 4}, {14, y + 10}, {5, y + 16}});
  }
  EmbossPrint(1, "Edit file data", 20, 372, 32);
  // Our icon 129 is the caution sign; this window warns of nothing, so it
  // shows the note icon.
  BuildBOX(584, 4, 630, 46);
  putCICON(130, 591, 41);

  const bool litres = prefsArray[kPrefFlowInLitres] != 0;
  // The flow caption follows the unit the flow is kept in.
  const ValueRow recording[] = {
      {kFlowField, litres ? "flow (L/min):" : "flow (ml/min):", &FileDataForm::flow, 40},
      {kTemperatureField, "flow temp (\xA1" "C):", &FileDataForm::temperature, 40},
      {kVolumeField, "eff. volume (ml):", &FileDataForm::effectiveVolume, 40},
      {kMassField, "mass (g):", &FileDataForm::mass, 40},
      {kPressureField, "B.P. (torr):", &FileDataForm::pressure, 40},
  };
  const ValueRow start[] = {
      {kStartDateField, "start date (mo-day-year):", &FileDataForm::startDate, 10},
      {kStartTimeField, "start time (hr:min:sec):", &FileDataForm::startTime, 8},
  };
  const ValueRow gases[] = {
      {kFiO2Field, "FiO2 (%):", &FileDataForm::fio2, 40},
      {kFiCO2Field, "FiCO2 (%):", &FileDataForm::fico2, 40},
      {kRQField, "RQ:", &FileDataForm::rq, 40},
  };
  p.resetPen();
  p.setForeColor(kBlack);
  p.setFont(FileWindowCaptionFont(12));
  captionAt(p, 510, 60, "sample interval");
  captionAt(p, 510, 73, "(seconds):");
  valueField(kIntervalField, gShown.interval, 56, 40);
  int y = 80;
  auto rowsOf = [&](const auto& list) {
    for (const ValueRow& r : list) {
      p.setFont(FileWindowCaptionFont(12));
      p.setForeColor(kBlack);
      captionAt(p, 510, y + 14, r.caption);
      valueField(r.field, gShown.*(r.text), y, r.maxLen);
      y += 21;
    }
  };
  rowsOf(recording);
  DoubleLINE(372, 630, static_cast<int16_t>(y + 3));
  y += 8;
  rowsOf(start);
  DoubleLINE(372, 630, static_cast<int16_t>(y + 3));
  y += 8;
  rowsOf(gases);

  auto push = [&](int16_t id, plat::ButtonKind kind, const char* title, int left, int right) {
    AddKitButton(kFileDataWindow, id, kind, title, {left, height - 28, right, height - 8});
  };
  push(kShowAcquisitionButton, plat::ButtonKind::Push, "Show Acquisition Data\xC9", 8, 190);
  push(kEditCommentsButton, plat::ButtonKind::Push, "Edit Comments\xC9", 250, 392);
  push(kFileDataDone, plat::ButtonKind::DefaultPush, "Done", 541, 631);
  plat::flushWindow(kFileDataWindow);
}

FileDataCommit UpdateLabels() {
  if (!FileInUseOpen() || !plat::windowExists(kFileDataWindow)) return {};
  const int16_t s = slotInUse();
  const FileDataForm typed = readForm();
  const FileDataCommit r = CommitFileData(s, gShown, typed);
  gShown = typed;
  if (r.refused != kRefusedNone) {
    // The refused fields show the value that was kept.
    const FileDataForm kept = FileDataFormOf(s);
    if (r.refused & kRefusedInterval) {
      gShown.interval = kept.interval;
      plat::setFieldText(kFileDataWindow, kIntervalField, kept.interval);
    }
    if (r.refused & kRefusedStartTime) {
      gShown.startTime = kept.startTime;
      plat::setFieldText(kFileDataWindow, kStartTimeField, kept.startTime);
    }
    if (r.refused & kRefusedRQ) {
      gShown.rq = kept.rq;
      plat::setFieldText(kFileDataWindow, kRQField, kept.rq);
    }
    ShowAlert(RefusalText(r.refused), "bzot");
  }
  return r;
}

void EditFileData(int16_t redraw) {
  if (!FileInUseOpen()) return;
  const int32_t savedHelp = HelpSubject;
  HelpSubject = kHelpFileData;
  {
    float step[28] = {};
    step[1] = 29.0f;   // the operation: file data
    RecordScriptStep(step);
  }
  // The highlight is XOR: taken off here, it is put back once at the end.
  const bool bandTakenOff = redraw == 1 && blockDefined();
  if (redraw == 1) {
    makePlotCurrent();
    if (bandTakenOff) RefreshPLOTBLOCK(0);
  }

  const int16_t s = slotInUse();
  const int n = std::min<int>(nChannels[s], kMaxChannels);
  plat::Point origin{0, 0};
  if (FileSHORTS[s][kShortPlotBuilt] == 0) BottomOfPlotArea = 240;
  else origin = {PlotContentOfFileInUse().left, PlotContentOfFileInUse().top};
  const int height = dataHeight(n);
  const int left = origin.x + 4;
  int top = origin.y - 20 + BottomOfPlotArea + 62;
  if (n > 13) top -= kChannelRow * n - 286;
  top = FitWindowTop(top, height);
  HideTheToolBar();
  wssst();
  BuildWINDOW(1, kFileDataWindow, "Channel labels  .  .  .  .  .  .  .  .  .  .  and variables",
              static_cast<int16_t>(left), static_cast<int16_t>(top), static_cast<int16_t>(left + kDataWidth),
              static_cast<int16_t>(top + height), kKindDocument, 0);
  LabelText();

  int16_t channelPicked = 0;
  {
    DialogScope dialog;
    for (bool done = false; !done;) {
      plat::pump();
      if (action == kActionKey) {
        if (eventID == 13 || eventID == 3) done = true;
        else if (helpKey(eventID)) OpenHelpPage(HelpSubject);
      } else if (action == kActionClose) {
        done = true;
      } else if (action == kActionActivate && eventID != kFileDataWindow) {
        done = true;
      } else if (action == kActionClick) {
        if (eventID >= 1 && eventID <= n) {
          channelPicked = eventID;
          setActiveChannel(eventID);
          done = true;
        } else if (eventID == kFileDataDone) {
          done = true;
        } else if (eventID == kEditCommentsButton) {
          ClearMailbox();
          UpdateLabels();
          FixCOMMENTS(1);
          InstallDialogHandlers();
        } else if (eventID == kShowAcquisitionButton) {
          ClearMailbox();
          FILEINFO(FileName[s], StartDate[s], StartTime[s], 1);
          HideTheToolBar();
          if (plat::windowExists(kFileDataWindow)) {
            plat::selectWindow(kFileDataWindow);
            plat::setCurrentPort(kFileDataWindow);
          }
        }
      }
      ClearMailbox();
    }
  }

  UpdateLabels();
  makePlotCurrent();
  // Renamed labels show at once wherever the file's channels are named.
  RebuildChannelMenu();
  MakeChannelSelectionsPopUp();
  if (channelPicked) {
    FindMinMax();
    DrawPlot(0, 0, 1);
  } else {
    DRAWLABELSTUFF();
  }
  plat::disposeWindow(kFileDataWindow);
  // A redrawn plot already carries the highlight; flipping it again would
  // take it off and leave a defined block unshaded.
  if (bandTakenOff && !channelPicked && blockDefined()) RefreshPLOTBLOCK(0);
  if (blockDefined() && plat::windowExists(kBlockWindow)) DRAWBLOCK();
  RestoreTheToolBar();
  DRAWTIMEDATE();
  HelpSubject = savedHelp;
}
