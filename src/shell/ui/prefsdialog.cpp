#include "shell/ui/prefsdialog.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/prefs.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/help.h"

PreferencesHooks gPreferencesHooks;

namespace {

constexpr int kWordComments = 2;
constexpr int kWordToolbar = 33;
constexpr int kWordLabelSize = 45;
constexpr int kWordLargeLabels = 49;

constexpr int kWidth = 640, kHeight = 440;
constexpr int kRow = 22;
constexpr int kLeftColumn = 20, kRightColumn = 350;

bool helpKey(int code) { return code == '?' || code == '/'; }

// What the dialog edits, and what Cancel puts back.
struct PrefsValues {
  std::array<int16_t, kPrefsWords> words{};
  int16_t soundLevel = 0;   // the user's, also during a quiet script run
  std::array<plat::Rgb16, kSchemeColours> colours{};
};

PrefsValues captureValues() {
  PrefsValues v;
  std::copy(std::begin(prefsArray), std::end(prefsArray), v.words.begin());
  v.soundLevel = UserSoundLevel();
  v.words[kPrefSoundLevel] = v.soundLevel;
  for (int i = 0; i < kSchemeColours; ++i) v.colours[i] = *SchemeColour(i);
  return v;
}

// A quiet run keeps word 7 at 0 and the user's level aside for its end.
void setUserSoundLevel(int16_t level) {
  if (QuietSoundRunActive()) {
    EndQuietSoundRun();
    prefsArray[kPrefSoundLevel] = level;
    BeginQuietSoundRun();
  } else {
    prefsArray[kPrefSoundLevel] = level;
  }
}

void putValues(const PrefsValues& v) {
  for (int n = 1; n < kPrefsWords; ++n) {
    if (n != kPrefSoundLevel) prefsArray[n] = v.words[n];
  }
  setUserSoundLevel(v.soundLevel);
  for (int i = 0; i < kSchemeColours; ++i) *SchemeColour(i) = v.colours[i];
}

bool sameValues(const PrefsValues& a, const PrefsValues& b) {
  return a.words == b.words && a.soundLevel == b.soundLevel && a.colours == b.colours;
}

void afterChange(const PrefsValues& before, const PrefsValues& now) {
  SETMENU(0);
  if (before.words[kWordComments] != now.words[kWordComments] ||
      before.words[kPrefNoCommentsRefresh] != now.words[kPrefNoCommentsRefresh]) {
    if (gDispatchHooks.redrawComments) gDispatchHooks.redrawComments();
  }
  if (before.colours[6] != now.colours[6] && gKitHooks.redrawToolbarBackground) gKitHooks.redrawToolbarBackground();
  if (gPreferencesHooks.redrawAfterChange) gPreferencesHooks.redrawAfterChange();
}

void heading(const char* text, int x, int y) { EmbossPrint(1, text, 14, static_cast<int16_t>(x), static_cast<int16_t>(y)); }

class PreferencesDialog {
 public:
  PreferencesDialog() : before_(captureValues()), edit_(before_), applied_(before_) {}

  void build() {
    const plat::Size desk = plat::displaySize();
    const int left = std::max(4, (desk.w - kWidth) / 2);
    const int top = std::max(60, (desk.h - kHeight) / 3);
    BuildWINDOW(1, kPreferencesWindow, "Preferences", static_cast<int16_t>(left), static_cast<int16_t>(top),
                static_cast<int16_t>(left + kWidth), static_cast<int16_t>(top + kHeight), kKindDocument, 1);

    heading("Display and editing", kLeftColumn, 30);
    int y = 44;
    for (const PreferenceCheckBox& b : PreferenceCheckBoxes()) {
      BUILDBUTTON(b.word, checkState(b), b.title, kLeftColumn, static_cast<int16_t>(y), 1);
      y += kRow;
    }

    heading("Sounds", kRightColumn, 30);
    BUILDBUTTON(kPrefsSoundOff, 1, "Off", kRightColumn, 44, 3);
    BUILDBUTTON(kPrefsSoundNormal, 1, "Normal", kRightColumn + 70, 44, 3);
    BUILDBUTTON(kPrefsSoundStrange, 1, "Strange", kRightColumn + 160, 44, 3);
    markSound();

    heading("Toolbar", kRightColumn, 92);
    BUILDBUTTON(kPrefsToolbarLeft, 1, "At the left", kRightColumn, 106, 3);
    BUILDBUTTON(kPrefsToolbarBottom, 1, "Below the plot", kRightColumn, 106 + kRow, 3);
    BUILDBUTTON(kPrefsToolbarTop, 1, "Above the plot", kRightColumn, 106 + 2 * kRow, 3);
    markToolbar();

    heading("Colours", kRightColumn, 200);
    for (int i = 0; i < kSchemeColours; ++i) {
      plat::addButton(kPreferencesWindow, {.id = static_cast<int>(kPrefsColourFirst + i),
                                           .kind = plat::ButtonKind::Push,
                                           .title = std::string(SchemeColourName(i)) + "\xC9",
                                           .r = {kRightColumn + 44, swatchTop(i) - 1, kWidth - 20, swatchTop(i) + 21}});
      drawSwatch(i);
    }

    DoubleLINE(0, kWidth, kHeight - 52);
    auto push = [](int16_t id, plat::ButtonKind kind, const char* t, int l, int r) {
      plat::addButton(kPreferencesWindow, {.id = id, .kind = kind, .title = t,
                                           .r = {l, kHeight - 38, r, kHeight - 16}});
    };
    push(kPrefsSaveDefaults, plat::ButtonKind::Push, "Save as Defaults", 20, 170);
    push(kPrefsHelp, plat::ButtonKind::Push, "?", 182, 212);
    push(kPrefsCancel, plat::ButtonKind::Push, "Cancel", kWidth - 200, kWidth - 110);
    push(kPrefsOK, plat::ButtonKind::DefaultPush, "OK", kWidth - 98, kWidth - 20);
    plat::flushWindow(kPreferencesWindow);
  }

  int16_t run() {
    for (;;) {
      const auto [a, id] = TakeEvent();
      if (a == kActionClick) {
        if (id == kPrefsOK) return finish();
        if (id == kPrefsCancel) return cancel();
        if (id == kPrefsSaveDefaults) {
          if (saveDefaults()) return finish();
        } else if (id == kPrefsHelp) {
          OpenHelpPage(HelpSubject);
        } else {
          clicked(id);
        }
      } else if (a == kActionKey) {
        if (id == 13 || id == 3) return finish();
        if (id == 27) return cancel();
        if (helpKey(id)) OpenHelpPage(HelpSubject);
      } else if (a == kActionClose && id == kPreferencesWindow) {
        return cancel();
      } else if (a == kActionActivate && id != kPreferencesWindow) {
        regainFocus();   // the dialog is modal
      }
    }
  }

 private:
  static int swatchTop(int i) { return 212 + i * 24; }

  int16_t checkState(const PreferenceCheckBox& b) const {
    const bool on = edit_.words[b.word] != 0;
    return (on != b.inverted) ? 2 : 1;
  }

  void markSound() {
    const int16_t v = edit_.soundLevel;
    plat::setButtonState(kPreferencesWindow, kPrefsSoundOff, v == 0 ? 2 : 1);
    plat::setButtonState(kPreferencesWindow, kPrefsSoundNormal, v == 25 ? 2 : 1);
    // Any level above normal plays the strange sounds.
    plat::setButtonState(kPreferencesWindow, kPrefsSoundStrange, v > 25 ? 2 : 1);
  }

  void markToolbar() {
    const int16_t v = edit_.words[kWordToolbar];
    for (int k = 0; k <= 2; ++k) plat::setButtonState(kPreferencesWindow, kPrefsToolbarLeft + k, v == k ? 2 : 1);
  }

  void drawSwatch(int i) {
    plat::Port& p = plat::port(kPreferencesWindow);
    p.resetPen();
    const plat::Rect r{kRightColumn, swatchTop(i), kRightColumn + 34, swatchTop(i) + 20};
    p.setForeColor(edit_.colours[i]);
    p.fillRect(r);
    p.setForeColor(kBlack);
    p.strokeRect(r);
    p.flush();
  }

  void clicked(int16_t id) {
    for (const PreferenceCheckBox& b : PreferenceCheckBoxes()) {
      if (b.word != id) continue;
      edit_.words[b.word] = edit_.words[b.word] != 0 ? 0 : 1;
      plat::setButtonState(kPreferencesWindow, id, checkState(b));
      return;
    }
    if (id == kPrefsSoundOff || id == kPrefsSoundNormal || id == kPrefsSoundStrange) {
      edit_.soundLevel = static_cast<int16_t>(id - kPrefsSoundOff);
      edit_.words[kPrefSoundLevel] = edit_.soundLevel;
      markSound();
    } else if (id >= kPrefsToolbarLeft && id <= kPrefsToolbarTop) {
      edit_.words[kWordToolbar] = static_cast<int16_t>(id - kPrefsToolbarLeft);
      markToolbar();
    } else if (id >= kPrefsColourFirst && id < kPrefsColourFirst + kSchemeColours) {
      const int i = id - kPrefsColourFirst;
      const std::optional<plat::Rgb16> c = ChooseSchemeColour(i, edit_.colours[i]);
      regainFocus();
      if (c) {
        edit_.colours[i] = *c;
        drawSwatch(i);
      }
    }
  }

  // Puts the edited values into the globals.
  void apply() {
    PrefsValues next = edit_;
    // The label size follows "Large labels" when the box was changed.
    if (next.words[kWordLargeLabels] != applied_.words[kWordLargeLabels])
      next.words[kWordLabelSize] = next.words[kWordLargeLabels] != 0 ? 14 : 12;
    putValues(next);
    edit_ = captureValues();
    if (!sameValues(applied_, edit_)) afterChange(applied_, edit_);
    applied_ = edit_;
  }

  bool saveDefaults() {
    apply();
    const PrefsStatus st = SaveSettings(plat::appFolder() / kPrefsFileName);
    if (st == PrefsStatus::Ok) return true;
    ShowAlert(std::string("The preferences could not be saved as defaults: ") + PrefsStatusText(st) +
                  " They apply until the program quits.",
              "bzot");
    regainFocus();
    return false;
  }

  int16_t finish() {
    apply();
    return sameValues(before_, applied_) ? 0 : 1;
  }

  int16_t cancel() {
    if (!sameValues(before_, captureValues())) {
      const PrefsValues now = captureValues();
      putValues(before_);
      afterChange(now, before_);
    }
    return 0;
  }

  static void regainFocus() {
    if (!plat::windowExists(kPreferencesWindow)) return;
    plat::selectWindow(kPreferencesWindow);
    plat::setCurrentPort(kPreferencesWindow);
    plat::flushInput();
  }

  PrefsValues before_;   // as the dialog found them
  PrefsValues edit_;     // as the controls show them
  PrefsValues applied_;  // as the globals hold them
};

// ---- The palette ---------------------------------------------------------------
constexpr int kPaletteColumns = 6;
constexpr int kSwatchW = 40, kSwatchH = 28, kSwatchGap = 8;
constexpr int kPaletteLeft = 16, kPaletteTop = 56;
constexpr int kPaletteWidth = kPaletteLeft * 2 + kPaletteColumns * kSwatchW + (kPaletteColumns - 1) * kSwatchGap;
constexpr int kPaletteHeight = 280;

constexpr plat::Rgb16 kPalette[kPaletteColours] = {
    {0, 0, 0},           {26214, 26214, 26214}, {39321, 39321, 39321}, {52428, 52428, 52428},
    {52428, 52428, 56797}, {65535, 65535, 65535},
    {65535, 0, 0},       {65535, 39321, 0},     {65535, 65535, 0},     {65535, 65535, 39321},
    {39321, 26214, 0},   {65535, 39321, 52428},
    {0, 65535, 0},       {0, 39321, 0},         {0, 65535, 65535},     {0, 32768, 32768},
    {39321, 52428, 65535}, {39321, 43690, 52428},
    {0, 0, 65535},       {0, 0, 26214},         {13107, 26214, 65535}, {65535, 0, 65535},
    {39321, 0, 52428},   {39321, 0, 0},
};

plat::Rect swatchRect(int i) {
  const int col = i % kPaletteColumns, row = i / kPaletteColumns;
  const int l = kPaletteLeft + col * (kSwatchW + kSwatchGap);
  const int t = kPaletteTop + row * (kSwatchH + kSwatchGap);
  return {l, t, l + kSwatchW, t + kSwatchH};
}

int swatchAt(plat::Point pt) {
  for (int i = 0; i < kPaletteColours; ++i) {
    if (swatchRect(i).contains(pt)) return i;
  }
  return -1;
}

void drawPalette(plat::Rgb16 chosen) {
  plat::Port& p = plat::port(kColourPaletteWindow);
  p.resetPen();
  p.setForeColor(plat::background(kColourPaletteWindow));
  p.fillRect({0, 0, kPaletteWidth, kPaletteHeight - 50});
  plat::FontSpec f;
  f.pixelSize = 12;
  p.setFont(f);
  p.setForeColor(kBlack);
  p.moveTo(kPaletteLeft, 30);
  p.drawText("Chosen:");
  const plat::Rect now{kPaletteLeft + 60, 14, kPaletteLeft + 120, 40};
  p.setForeColor(chosen);
  p.fillRect(now);
  p.setForeColor(kBlack);
  p.strokeRect(now);
  for (int i = 0; i < kPaletteColours; ++i) {
    const plat::Rect r = swatchRect(i);
    p.setForeColor(kPalette[i]);
    p.fillRect(r);
    p.setForeColor(kBlack);
    p.strokeRect(r);
    if (kPalette[i] == chosen) {
      p.setPenSize(2, 2);
      p.setForeColor({65535, 0, 0});
      p.strokeRect(r.inset(-4, -4));
      p.resetPen();
    }
  }
  p.flush();
}

}  // namespace

const std::vector<PreferenceCheckBox>& PreferenceCheckBoxes() {
  static const std::vector<PreferenceCheckBox> kBoxes = {
      {1, "Colour display"},
      {2, "Show the comments box", true},
      {10, "Show markers"},
      {11, "Grid lines"},
      {12, "Screen-segment lines (compressed view)"},
      {13, "Zero lines"},
      {19, "Time-axis grid lines"},
      {21, "Time-axis labels"},
      {29, "Block-selection sounds"},
      {34, "Note buttons along the top of the plot"},
      {35, "Don't refresh comments after logged edits"},
      {44, "Record edits in the comments"},
      {47, "SD bars in the compacted view"},
      {49, "Large labels"},
  };
  return kBoxes;
}

const char* SchemeColourName(int index) {
  static const char* const kNames[kSchemeColours] = {
      "Plot ground", "Plot frame and labels", "Trace", "Zero lines and markers",
      "Block window ground", "Block window text", "Toolbar ground"};
  return index >= 0 && index < kSchemeColours ? kNames[index] : "";
}

plat::Rgb16 PaletteColour(int index) {
  return index >= 0 && index < kPaletteColours ? kPalette[index] : plat::Rgb16{};
}

plat::Point PaletteSwatchCentre(int index) {
  const plat::Rect r = swatchRect(std::clamp(index, 0, kPaletteColours - 1));
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::optional<plat::Rgb16> ChooseSchemeColour(int index, plat::Rgb16 current) {
  const plat::Rect owner = plat::windowExists(kPreferencesWindow) ? plat::contentRect(kPreferencesWindow)
                                                                  : plat::Rect{100, 100, 100, 100};
  const int left = owner.left + 60, top = owner.top + 40;
  HandlerScope keep;
  InstallDialogHandlers();
  plat::handlers().mouse = DoMouse;
  BuildWINDOW(1, kColourPaletteWindow, std::string("Colour: ") + SchemeColourName(index), static_cast<int16_t>(left),
              static_cast<int16_t>(top), static_cast<int16_t>(left + kPaletteWidth),
              static_cast<int16_t>(top + kPaletteHeight), kKindDocument, 1);
  auto push = [](int16_t id, plat::ButtonKind kind, const char* t, int l, int r) {
    plat::addButton(kColourPaletteWindow, {.id = id, .kind = kind, .title = t,
                                           .r = {l, kPaletteHeight - 38, r, kPaletteHeight - 16}});
  };
  push(kPaletteStartup, plat::ButtonKind::Push, "Start-up", 12, 92);
  push(kPaletteCancel, plat::ButtonKind::Push, "Cancel", kPaletteWidth - 160, kPaletteWidth - 88);
  push(kPaletteOK, plat::ButtonKind::DefaultPush, "OK", kPaletteWidth - 80, kPaletteWidth - 12);
  plat::Rgb16 chosen = current;
  drawPalette(chosen);
  ClearMailbox();

  std::optional<plat::Rgb16> result;
  for (bool done = false; !done;) {
    const auto [a, id] = TakeEvent();
    if (a == kActionMouse && id == 1) {
      const int i = swatchAt({HorizPosition, VerticalPosition});
      if (i >= 0) {
        chosen = kPalette[i];
        drawPalette(chosen);
      }
    } else if (a == kActionClick && id == kPaletteStartup) {
      chosen = DefaultSchemeColour(index);
      drawPalette(chosen);
    } else if ((a == kActionClick && id == kPaletteOK) || (a == kActionKey && (id == 13 || id == 3))) {
      result = chosen;
      done = true;
    } else if ((a == kActionClick && id == kPaletteCancel) || (a == kActionKey && id == 27) ||
               (a == kActionClose && id == kColourPaletteWindow)) {
      done = true;
    } else if (a == kActionActivate && id != kColourPaletteWindow) {
      plat::selectWindow(kColourPaletteWindow);
      plat::setCurrentPort(kColourPaletteWindow);
    }
  }
  plat::disposeWindow(kColourPaletteWindow);
  return result;
}

int16_t DoPreferences() {
  const int previous = plat::currentPortWindow();
  const int front = plat::frontWindow();
  const int32_t savedHelp = HelpSubject;
  HelpSubject = kHelpPreferences;
  int16_t applied = 0;
  // Too tall to stand clear of a toolbar across the plot on a short desk:
  // the toolbar steps aside while the dialog is up.
  const bool toolbarShown = ToolbarIsHidden == 0;
  const int16_t toolbarPlace = prefsArray[kWordToolbar];
  HideTheToolBar();
  {
    HandlerScope keep;
    InstallDialogHandlers();
    PreferencesDialog d;
    d.build();
    ClearMailbox();
    applied = d.run();
    MenuIDENTIFIER = MenuItem = 0;   // picks made while the dialog was up are dropped
  }
  plat::disposeWindow(kPreferencesWindow);
  if (toolbarShown) RestoreTheToolBar();
  HelpSubject = savedHelp;
  if (front && front != kPreferencesWindow && plat::windowExists(front)) plat::selectWindow(front);
  if (previous && previous != kPreferencesWindow && plat::windowExists(previous)) plat::setCurrentPort(previous);
  // The toolbar moved: the plot comes in front with its menus, as after a
  // move by the toolbar's close box, not a help page that was in front.
  if (prefsArray[kWordToolbar] != toolbarPlace && gDispatchHooks.selectPlotWindow) {
    gDispatchHooks.selectPlotWindow();
    SETMENU(1);
  }
  return applied;
}

void RegisterPreferencesCommands() {
  RegisterCommand(Cmd::Preferences, [](int16_t) { DoPreferences(); });
}
