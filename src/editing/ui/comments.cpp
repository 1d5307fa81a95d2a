#include "editing/ui/comments.h"

#include <algorithm>

#include "editing/comments.h"
#include "editing/ui/fileinfo.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int kBand = 56;   // the button band at the bottom

void drawBand(plat::Size size, const MacText& caption) {
  plat::setCurrentPort(kCommentsEditorWindow);
  plat::Port& p = plat::port(kCommentsEditorWindow);
  p.resetPen();
  p.setForeColor(ExtremelyLightGray);
  p.fillRect({0, size.h - kBand, size.w, size.h});
  DoubleLINE(0, static_cast<int16_t>(size.w), static_cast<int16_t>(size.h - kBand + 1));
  EmbossPrint(1, caption, 16, 12, static_cast<int16_t>(size.h - 20));
}

void placeButtons(plat::Size size) {
  auto push = [&](int16_t id, plat::ButtonKind kind, const char* title, int left, int right) {
    AddKitButton(kCommentsEditorWindow, id, kind, title, {size.w - left, size.h - 35, size.w - right, size.h - 15});
  };
  push(kCommentsSave, plat::ButtonKind::Push, "Save Edits", 330, 240);
  push(kCommentsShowAD, plat::ButtonKind::Push, "Show A-D Data", 230, 110);
  push(kCommentsDone, plat::ButtonKind::DefaultPush, "Done", 100, 20);
}

// The view fills the window above the band; a resize rebuilds it with its text.
void placeTextView(plat::Size size, bool keepText) {
  MacText text;
  if (keepText) text = plat::viewText(kCommentsEditorWindow, kCommentsTextView);
  plat::addTextView(kCommentsEditorWindow, kCommentsTextView, {0, 0, size.w, size.h - kBand}, true);
  plat::setViewMargins(kCommentsEditorWindow, kCommentsTextView, 8, 4, 0, 0);
  if (keepText) plat::setViewText(kCommentsEditorWindow, kCommentsTextView, text);
  else TextViewSetTextFromMyContainer({kCommentsEditorWindow, kCommentsTextView});
}

void keepEdits() {
  ReplaceComments(static_cast<int16_t>(TheFileInUse),
                  plat::viewText(kCommentsEditorWindow, kCommentsTextView));
}

}  // namespace

int16_t BuildScrollingCONTAINERWindow() {
  const plat::Rect plot = PlotContentOfFileInUse();
  const CommentsPlacement at =
      PlaceCommentsWindow(HowManyLinesInComments(), plot.top + BottomOfPlotArea, plat::displaySize().h,
                          plat::config().menuBarHeight + plat::config().titleBarHeight);
  const plat::Rect content{plot.left + 30, at.top, plot.left + 690, at.top + at.height};

  if (!plat::nibTemplateAvailable("commentsWindow")) {
    BuildWINDOW(0, kCommentsEditorWindow, NIBstuff, static_cast<int16_t>(content.left),
                static_cast<int16_t>(content.top), static_cast<int16_t>(content.right),
                static_cast<int16_t>(content.bottom), kKindDocument, 1);
    drawBand(plat::contentSize(kCommentsEditorWindow), "File comments");
    plat::flushWindow(kCommentsEditorWindow);
    return 0;
  }

  plat::WindowSpec w;
  w.id = kCommentsEditorWindow;
  w.title = NIBstuff;
  w.content = content;
  w.resizable = true;
  w.minSize = {540, 200};
  plat::createWindow(w);
  CurrentlyActiveWindow = kCommentsEditorWindow;
  placeTextView(plat::contentSize(kCommentsEditorWindow), false);
  plat::focusField(kCommentsEditorWindow, kCommentsTextView, false);

  DialogScope dialog;
  plat::Size shown{-1, -1};
  for (bool done = false; !done;) {
    if (!plat::windowExists(kCommentsEditorWindow)) break;
    const plat::Size size = plat::contentSize(kCommentsEditorWindow);
    if (size != shown) {
      if (shown.w >= 0) placeTextView(size, true);
      drawBand(size, "Edit comments");
      placeButtons(size);
      plat::flushWindow(kCommentsEditorWindow);
      shown = size;
    }
    plat::pump();
    // Leaving for another window keeps the edits, as Done does. The summary
    // laid over the editor is part of it.
    if (action == kActionActivate && eventID != kCommentsEditorWindow && eventID != kFileInfoWindow) {
      plat::selectWindow(kCommentsEditorWindow);
      action = kActionClick;
      eventID = kCommentsDone;
    }
    if (action == kActionClose && eventID == kFileInfoWindow) {
      plat::disposeWindow(kFileInfoWindow);
      plat::setCurrentPort(kCommentsEditorWindow);
    } else if (action == kActionClick && eventID == kCommentsDone) {
      keepEdits();
      plat::disposeWindow(kFileInfoWindow);
      done = true;
    } else if (action == kActionClick && eventID == kCommentsShowAD) {
      ClearMailbox();
      FILEINFO(FileName[TheFileInUse], StartDate[TheFileInUse], StartTime[TheFileInUse], 2);
    } else if (action == kActionClick && (eventID == kCommentsSave || eventID == kSaveClickId)) {
      ClearMailbox();
      keepEdits();
      if (!RunCommand(Cmd::Save)) ShowAlert("The file could not be saved: saving is not available.");
      HideTheToolBar();
      plat::flushInput();
      if (plat::windowExists(kCommentsEditorWindow)) {
        plat::selectWindow(kCommentsEditorWindow);
        plat::setCurrentPort(kCommentsEditorWindow);
      }
    } else if (action == kActionClose && eventID == kCommentsEditorWindow) {
      done = true;   // edits since the last save are dropped
    }
    ClearMailbox();
  }
  return kCommentsTextView;
}

void FixCOMMENTS(int16_t fromDialog) {
  ClearMailbox();
  plat::disposeWindow(kCommentsEditorWindow);
  if (FileInUseOpen()) {
    const int32_t savedHelp = HelpSubject;
    HelpSubject = kHelpComments;
    NIBstuff = ("Comments for  '" + FileName[TheFileInUse] + " '").substr(0, 252);
    HideTheToolBar();
    if (BuildScrollingCONTAINERWindow() != 0) {
      plat::disposeWindow(kCommentsEditorWindow);
    } else {
      // A window nobody handles must not stay behind.
      ShowAlert("The comments editor could not be opened. The comments are unchanged.");
      plat::disposeWindow(kCommentsEditorWindow);
    }
    HelpSubject = savedHelp;
  }
  if (gDispatchHooks.redrawComments) gDispatchHooks.redrawComments();
  if (prefsArray[kPrefSoundLevel] != 0) PlayNamedSound("click");
  if (fromDialog == 1) {
    if (plat::windowExists(kFileDataWindow)) {
      plat::selectWindow(kFileDataWindow);
      plat::setCurrentPort(kFileDataWindow);
    }
  } else {
    RestoreTheToolBar();
  }
  click = 1;
}
