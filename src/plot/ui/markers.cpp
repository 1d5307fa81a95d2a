#include "plot/ui/markers.h"

#include <algorithm>
#include <string>
#include <vector>

#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/sound.h"
#include "platform/windows.h"
#include "plot/markers.h"
#include "plot/ui/databar.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "plot/ui/stacked.h"
#include "plot/ui/toolbar.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/notes.h"
#include "shell/ui/sounds.h"

int16_t ThisMarkerCharacter = 'S';
int16_t OldHorizontalPosition = 0;

namespace {

constexpr int kHelpMarkers = 185;

bool frontFile(int16_t* f) {
  const auto s = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(s) || !SlotHoldsFile(s)) return false;
  *f = s;
  return true;
}

plat::FontSpec sized(int px) {
  plat::FontSpec font;
  font.pixelSize = px;
  return font;
}

plat::FontSpec titled(int px, bool bold = false) {
  plat::FontSpec font = sized(px);
  font.family = std::to_string(OrrelinFont);
  font.bold = bold;
  return font;
}

void markerPen(plat::Port& p) {
  p.resetPen();
  p.setForeColor(Pwhite);
  p.setPenMode(plat::PenMode::Or);
  p.setPenPattern(plat::systemPattern(7));
  p.setFont(sized(9));
}

int16_t fieldCode() {
  const MacText t = plat::fieldText(kResultsWindow, kMarkerField);
  return t.empty() ? int16_t{0} : static_cast<int16_t>(static_cast<uint8_t>(t[0]));
}

void setFieldCode(int16_t code) {
  plat::setFieldText(kResultsWindow, kMarkerField, std::string(1, static_cast<char>(static_cast<uint8_t>(code))));
  ThisMarkerCharacter = code;
}

// The data bar follows the pointer over the plot while markers are placed.
void followPointer(int16_t f, int win) {
  const plat::Point at = plat::pointerLocal(win);
  const bool inside = at.x >= 1 && at.x <= plat::contentSize(win).w && at.y > 19 && at.y < BottomOfPlotArea;
  plat::setCursor(inside ? plat::CursorKind::Cross : plat::CursorKind::Arrow);
  if (!inside || at.x == OldHorizontalPosition) return;
  OldHorizontalPosition = static_cast<int16_t>(at.x);
  const int32_t k = std::clamp(plotcore::MarkerCaseAtClick(PlotViewState(f), at.x), 0, nCases[f]);
  UpdateDataBar(static_cast<double>(k) * FileInfoFLOATS[f][kInfoInterval], k);
}

}  // namespace

void DRAWMARKERS() {
  int16_t f;
  if (!frontFile(&f) || !plat::windowExists(PlotWindowId(f))) return;
  const int win = PlotWindowId(f);
  plat::setCurrentPort(win);
  const plotcore::MarkerDrawing d =
      plotcore::LayoutMarkers(PlotViewState(f), MarkersArray[f], plat::contentSize(win).w, BottomOfPlotArea);
  plat::Port& p = plat::port(win);
  const auto draw = [&] {
    for (const auto& l : d.labels) {
      p.moveTo(l.x, 57);
      p.drawText(l.text);
    }
    if (!d.lines.empty()) p.drawSegments(d.lines.data(), d.lines.size() / 2);
  };
  markerPen(p);
  draw();
  // The block band inverts the plot's ground: in it a marker is drawn
  // inverted too, so that it reads there and turns back when the band goes.
  if (const auto band = BlockBandShown(f)) {
    p.setClip(*band);
    p.setForeColor({static_cast<uint16_t>(~Pwhite.r), static_cast<uint16_t>(~Pwhite.g),
                    static_cast<uint16_t>(~Pwhite.b)});
    draw();
    p.clearClip();
  }
  p.resetPen();
  p.setFont(sized(12));
  p.setForeColor(kBlack);
  plat::flushWindow(win);
}

void ALLCHANMARKS(int16_t bottom, int16_t x, uint8_t code) {
  plat::Port& p = plat::currentPort();
  markerPen(p);
  const plat::Point line[] = {{x, 29}, {x, bottom - 2}};
  p.drawSegments(line, 1);
  p.moveTo(x, 27);
  p.drawText(std::string(1, static_cast<char>(code)));
  p.resetPen();
}

void NOTEMARKERS() {
  int16_t f;
  if (!frontFile(&f) || !plat::windowExists(PlotWindowId(f))) return;
  const int win = PlotWindowId(f);
  const int y = prefsArray[kPrefNotesAtTop] != 0 ? 23 : BottomOfPlotArea - 14;
  const plotcore::ViewState v = PlotViewState(f);
  const int n = std::min<int>({NumberOfNotes[f], static_cast<int>(NotesArray[f].size()),
                               kLastNoteButton - kFirstNoteButton + 1});
  for (int k = 1; k <= n; ++k) {
    plat::ButtonSpec b;
    b.id = kFirstNoteButton - 1 + k;
    b.kind = plat::ButtonKind::SmallBevel;
    b.title = std::to_string(k);
    b.r = plotcore::NoteButtonRect(v, NotesArray[f][static_cast<size_t>(k - 1)].caseText, y);
    // A note off the page shown gets no button: it would stand outside the window.
    if (b.r.left < 0 || b.r.right > ScreenWidth) {
      plat::removeControl(win, b.id);
      continue;
    }
    b.font = sized(9);
    plat::addButton(win, b);
  }
}

bool HandleNoteButtonClick(int16_t controlId) {
  int16_t f;
  if (controlId < kFirstNoteButton || controlId > kLastNoteButton || !frontFile(&f)) return false;
  ShowNotesWindow(f, static_cast<int16_t>(controlId - kFirstNoteButton + 1));
  return true;
}

int16_t SortMARKERS() {
  int16_t f;
  if (!frontFile(&f)) return 0;
  plat::setCursor(plat::CursorKind::Watch);
  SetMarkers(f, MarkersArray[f]);
  if (float* scratch = ChannelData(f, 0)) {
    std::fill(scratch + 1, scratch + nCases[f] + 1, 0.0f);
    for (const MarkerRecord& m : MarkersArray[f]) scratch[m.caseNumber] = static_cast<float>(MarkerCode16(m));
  }
  plat::setCursor(plat::CursorKind::Arrow);
  return 0;
}

int16_t MarkerMOUSE(int x) {
  int16_t f;
  if (!frontFile(&f)) return 0;
  const int win = PlotWindowId(f);
  const plotcore::ViewState v = PlotViewState(f);
  const int32_t k = plotcore::MarkerCaseAtClick(v, x);
  if (prefsArray[kPrefSoundLevel] != 0) Tick();
  const StoreStatus s = AddMarker(f, k, ThisMarkerCharacter);
  if (s == StoreStatus::TooManyMarkers) {
    ShowAlert("No room for another marker: a file holds at most 32,500.");
    return 0;
  }
  if (s != StoreStatus::Ok) return 0;
  prefsArray[kPrefMarkersShown] = 1;
  if (!plat::windowExists(win)) return 0;
  plat::Port& p = plat::port(win);
  markerPen(p);
  p.setPenMode(plat::PenMode::Copy);
  p.setPenPattern(plat::patterns::solid);
  const int xi = static_cast<int>(plotcore::MarkerX(v, k));
  p.moveTo(xi + 2, 57);
  p.drawText(plotcore::MarkerLabel(ThisMarkerCharacter));
  const plat::Point line[] = {{xi, 55}, {xi, BottomOfPlotArea - 4}};
  p.drawSegments(line, 1);
  p.resetPen();
  plat::flushWindow(win);
  return 0;
}

int16_t InsertMarker() {
  int16_t f;
  if (!frontFile(&f)) return 0;
  const int win = PlotWindowId(f);
  if (!plat::windowExists(win)) return 0;
  // The panel works in the paged single view: leave zoom and the other views.
  const int16_t compressed = FileSHORTS[f][kShortCompressed], stackedView = FileSHORTS[f][kShortView];
  const bool zoomed = FileSHORTS[f][kShortZoomed] != 0;
  const int32_t zl = zoomleft, zr = zoomright;
  bool redraw = false;
  if (zoomed) {
    FileSHORTS[f][kShortZoomed] = 0;
    FileSHORTS[f][kShortSegment] = static_cast<int16_t>(
        std::min<int32_t>(plotcore::PageHoldingZoom(zl, zr, nCases[f], ScreenWidth), 32767));
    redraw = true;
  }
  FileSHORTS[f][kShortCompressed] = 0;
  FileSHORTS[f][kShortView] = 0;
  if (redraw || compressed || stackedView) {
    plat::disposeWindow(kSelectorWindow);
    DrawPlot(0, 0, 0);
  }

  HideTheToolBar();
  HandlerScope keep;
  InstallDialogHandlers();
  OpenResultsWIndow(0, 1, 0, "Insert New Marker", 0);
  plat::Port& panel = plat::port(kResultsWindow);
  panel.setForeColor(kBlack);
  // The prompt ends before its field, whatever the face.
  int promptSize = 18;
  panel.setFont(titled(promptSize));
  while (promptSize > 10 && 21 + panel.textWidth("Enter new marker here:") > 212) panel.setFont(titled(--promptSize));
  panel.moveTo(21, 24);
  panel.drawText("Enter new marker here:");
  panel.setFont(titled(16));
  panel.moveTo(22, 49);
  panel.drawText("then click 'OK' button.");
  auto button = [](int16_t id, const std::string& title, plat::Rect r, plat::ButtonKind kind) {
    AddKitButton(kResultsWindow, id, kind, title, r);
  };
  button(kMarkerOK, "New Marker OK", {100, 120, 300, 140}, plat::ButtonKind::DefaultPush);
  button(kMarkerSpanStart, std::string(1, static_cast<char>(200)), {10, 105, 50, 125}, plat::ButtonKind::Push);
  button(kMarkerSpanEnd, std::string(1, static_cast<char>(199)), {10, 135, 50, 155}, plat::ButtonKind::Push);
  plat::FieldSpec field;
  field.id = kMarkerField;
  field.r = {220, 12, 270, 33};
  field.font = titled(16, true);
  field.maxLen = 1;
  field.text = std::string(1, static_cast<char>(static_cast<uint8_t>(LastInsertedMarker)));
  plat::addField(kResultsWindow, field);
  ThisMarkerCharacter = static_cast<int16_t>(LastInsertedMarker);
  plat::flushWindow(kResultsWindow);

  // First the character, until "New Marker OK"; the close box ends it all.
  bool closed = false;
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (a == kActionClose && id == kResultsWindow) {
      closed = true;
      break;
    }
    if (a != kActionClick) continue;
    if (id == kMarkerOK) break;
    if (id == kMarkerSpanStart) setFieldCode(200);
    if (id == kMarkerSpanEnd) setFieldCode(199);
  }

  if (!closed) {
    ThisMarkerCharacter = fieldCode();
    if (nCases[f] > ScreenWidth) {
      panel.setFont(titled(18));
      panel.moveTo(16, 80);
      panel.drawText("Shift screens with the 'arrow' keys");
    }
    FitResultsWindow(236);
    button(kMarkersDone, "Done With Markers; Exit", {110, 210, 300, 230}, plat::ButtonKind::Push);
    plat::flushWindow(kResultsWindow);
    PlayNamedSound("brrrp");
    HelpSubject = kHelpMarkers;
    // Markers are placed in the plot: it comes to the front, the panel stays beside it.
    plat::selectWindow(win);
    // Each placement reads the field: a character typed after "New Marker
    // OK" is the one the next click writes into the file, as the panel shows.
    const auto place = [](int x) {
      const int16_t code = fieldCode();
      if (code == 0) {
        plat::systemBeep();
        return;
      }
      ThisMarkerCharacter = code;
      MarkerMOUSE(x);
    };
    plat::handlers().mouse = [win, place](const plat::Event& e) {
      if (e.kind == plat::EventKind::MouseDown && e.window == win && e.local.y > 19 &&
          e.local.y < BottomOfPlotArea && e.local.x >= 1)
        place(e.local.x);
    };
    OldHorizontalPosition = -1;
    ClearMailbox();
    for (;;) {
      const bool busy = plat::pump();
      const int16_t a = action, id = eventID;
      ClearMailbox();
      if (a == kActionClose && id == kResultsWindow) break;
      if (!busy) followPointer(f, win);
      if (a == kActionActivate && id == win) continue;
      if (a == kActionKey && (id == 28 || id == 29)) {
        PlotDialogMode = 2;
        action = a;
        eventID = id;
        HandlePlotDIALOG();
        // The redraw of the new page shows the toolbar: it stays hidden
        // until the panel closes.
        HideTheToolBar();
        ClearMailbox();
        continue;
      }
      if (a != kActionClick) continue;
      if (id == kMarkersDone) break;
      if (id == kMarkerOK) {
        ThisMarkerCharacter = fieldCode();
        PlayNamedSound("brrrp");
      } else if (id == kMarkerSpanStart) {
        setFieldCode(200);
      } else if (id == kMarkerSpanEnd) {
        setFieldCode(199);
      }
    }
  }

  plat::setCursor(plat::CursorKind::Arrow);
  LastInsertedMarker = static_cast<uint16_t>(fieldCode());
  if (LastInsertedMarker == 0) LastInsertedMarker = 'S';
  EndBeep();
  plat::disposeWindow(kResultsWindow);
  FileSHORTS[f][kShortCompressed] = compressed;
  FileSHORTS[f][kShortView] = stackedView;
  SortMARKERS();
  if (zoomed) {
    zoomleft = zl;
    zoomright = zr;
    FileSHORTS[f][kShortZoomed] = 1;
    ZoomEffect();
    if (StackedViewShown(f)) DrawALLCHANNELS(0);
    else DrawPlot(0, 0, 0);
    if (plat::controlExists(kToolbarWindow, 589)) plat::setButtonState(kToolbarWindow, 589, 0);
    if (plat::controlExists(kToolbarWindow, 590)) plat::setButtonState(kToolbarWindow, 590, 1);
  } else if (stackedView || !compressed) {
    RefreshSCREEN();
  } else {
    UpdateSCREEN(0, 1);
  }
  RestoreTheToolBar();
  return 0;
}

void RegisterMarkerCommands() {
  RegisterCommand(Cmd::InsertMarker, [](int16_t) { InsertMarker(); });
  RegisterCommand(Cmd::ToggleMarkers, [](int16_t) {
    prefsArray[kPrefMarkersShown] = prefsArray[kPrefMarkersShown] != 0 ? 0 : 1;
    RefreshSCREEN();
  });
  gPlotHooks.drawMarkers = DRAWMARKERS;
  gPlotHooks.noteMarkers = NOTEMARKERS;
}
