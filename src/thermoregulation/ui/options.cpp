#include "thermoregulation/ui/options.h"

#include <cmath>
#include <string>

#include "calculators/suncycle.h"
#include "calculators/ui/suncycle.h"
#include "editing/ui/picklists.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "thermoregulation/options.h"
#include "thermoregulation/ui/tregkit.h"

namespace {

constexpr int kOptLeft = 750, kOptTop = 70, kOptWidth = 480, kOptHeight = 560;
constexpr int16_t kLabelBase = 200;   // static texts of the options window

// Window 14 belongs to the main dialog's neighbours; the options close it too.
constexpr int16_t kWindow14 = 14;

// Keeps the caller's mailbox across a nested dialog.
struct MailboxKeep {
  int16_t a = action, e = eventID;
  ~MailboxKeep() {
    action = a;
    eventID = e;
  }
};

void frontAgain(int win) {
  if (!plat::windowExists(win)) return;
  plat::selectWindow(win);
  plat::setCurrentPort(win);
}

void buildOptions() {
  const int w = kOptionsWindow;
  BuildWINDOW(0, w, "Options For Energy Cost Calculations", kOptLeft, kOptTop, kOptLeft + kOptWidth,
              kOptTop + kOptHeight, kKindDocument, 1);
  int16_t lbl = kLabelBase;
  using namespace treg;
  check(w, kOptVariableTb, "Variable Tb;", {12, 12, 112, 30}, variableTb == 1);
  edit(w, kOptTbChange, OptionText(TbChange, kShownTbChange), {114, 11, 150, 31});
  label(w, lbl++, "\xA1""C Warmer When Active, max:", {154, 13, 340, 29});
  edit(w, kOptMaxTb, prefsArray[kPrefMaxActiveTb] == 0 ? kShownMaxTb : FieldNumText(static_cast<double>(prefsArray[kPrefMaxActiveTb])),
       {342, 11, 380, 31});
  check(w, kOptVariableC, "Variable Conductance;", {12, 42, 178, 60}, variableConductance == 1);
  edit(w, kOptCFactor, OptionText(ActivePhaseConductanceIncrease, kShownConductanceFactor), {180, 41, 216, 61});
  label(w, lbl++, "-X Higher in Active Phase", {220, 43, 400, 59});
  DoubleLINE(8, kOptWidth - 8, 72);
  check(w, kOptTorpor, "Use Torpor When Inactive;  Minimum Tb is:", {12, 82, 300, 100}, CalculationsCanUseTorpor == 1);
  edit(w, kOptMinTorporTb, FieldNumText(MinimumTorporTb), {302, 81, 342, 101});
  label(w, lbl++, "Entry, Arousal Time (hours):", {32, 110, 222, 126});
  edit(w, kOptEntryTime, FieldNumText(TorporEntryTime), {224, 108, 264, 128});
  label(w, lbl++, "Torpor Q10:", {290, 110, 370, 126});
  edit(w, kOptQ10, FieldNumText(TorporQ10), {372, 108, 412, 128});
  label(w, lbl++, "Torpor Start Lag (hours):", {32, 138, 222, 154});
  edit(w, kOptStartLag, FieldNumText(TorporStartLag), {224, 136, 264, 156});
  label(w, lbl++, "Torpor End Lag (hours):", {32, 166, 222, 182});
  edit(w, kOptEndLag, FieldNumText(TorporEndLag), {224, 164, 264, 184});
  DoubleLINE(8, kOptWidth - 8, 196);
  check(w, kOptActiveOnly, "Show Active Time Mean Only", {12, 206, 260, 224}, ActiveTimeCostsOnly != 0);
  label(w, lbl++, "Active During", {12, 236, 110, 252});
  radio(w, kOptDay, "Day", {112, 235, 170, 253}, dayActive != 0);
  radio(w, kOptNight, "Night", {176, 235, 240, 253}, dayActive == 0);
  check(w, kOptDawnDusk, "Compute Dawn and Dusk Times From Location and Julian Date", {12, 264, 440, 282},
        ComputeDawnAndDusk != 0);
  button(w, kOptSetLocation, "Set Location\xC9", {32, 288, 150, 310}, ComputeDawnAndDusk ? 1 : 0);
  label(w, lbl++, "Dawn is at", {170, 292, 240, 308});
  edit(w, kOptDawn, FieldNumText(DaytimeStart), {242, 290, 282, 310});
  label(w, lbl++, "Dusk is at", {300, 292, 370, 308});
  edit(w, kOptDusk, FieldNumText(DaytimeEnd), {372, 290, 412, 310});
  DoubleLINE(8, kOptWidth - 8, 322);
  check(w, kOptReplaceTb, "If Tb Is Missing, Set Tb To:", {12, 332, 220, 350}, replacementTb == 1);
  edit(w, kOptDefaultTb, OptionText(DefaultTb, kShownDefaultTb), {222, 331, 262, 351});
  label(w, lbl++, "BMR units: ", {12, 362, 90, 378});
  radio(w, kOptMlO2, "ml O2/min", {92, 361, 190, 379}, BMRinWatts == 0);
  radio(w, kOptWatts, "watts", {196, 361, 270, 379}, BMRinWatts != 0);
  check(w, kOptZeroMissing, "Zero Values = Missing Temperature Data", {12, 390, 330, 408},
        ZeroEqualsMissingTemperatures != 0);
  check(w, kOptSun, "Use Sunlight if Available (caution:  global) ", {12, 418, 380, 436}, SunUseAllowed != 0);
  DoubleLINE(8, kOptWidth - 8, 448);
  button(w, kOptConvection, "Convection\xC9", {12, 460, 132, 484});
  button(w, kOptRejection, "Set Data Rejection Rules\xC9", {140, 460, 340, 484});
  button(w, kOptHelp, "?", {12, 520, 42, 544});
  button(w, kOptDone, "Done", {kOptWidth - 100, 520, kOptWidth - 12, 544}, 1, plat::ButtonKind::DefaultPush);
}

void storeOptionFields() {
  const int w = kOptionsWindow;
  TypedOptions t;
  t.maxTb = treg::value(w, kOptMaxTb);
  t.startLag = treg::value(w, kOptStartLag);
  t.endLag = treg::value(w, kOptEndLag);
  t.minTorporTb = treg::value(w, kOptMinTorporTb);
  t.dawn = treg::value(w, kOptDawn);
  t.dusk = treg::value(w, kOptDusk);
  t.conductanceFactor = treg::value(w, kOptCFactor);
  t.tbChange = treg::value(w, kOptTbChange);
  t.defaultTb = treg::value(w, kOptDefaultTb);
  t.entryTime = treg::value(w, kOptEntryTime);
  t.q10 = treg::value(w, kOptQ10);
  StoreTypedOptions(t);
}

void flip(uint16_t& flag, int16_t id) {
  flag = ToggleValue(flag);
  treg::mark(kOptionsWindow, id, flag != 0);
}

}  // namespace

void TregCostOptions() {
  HandlerScope keep;
  MailboxKeep mail;
  PlotHeight = 410;
  buildOptions();
  InstallDialogHandlers();
  const int w = kOptionsWindow;
  ClearMailbox();
  for (bool done = false; !done;) {
    plat::pump();
    if (action == kActionClick) {
      switch (eventID) {
        case kOptVariableTb: flip(variableTb, kOptVariableTb); break;
        case kOptVariableC: flip(variableConductance, kOptVariableC); break;
        case kOptTorpor:
          flip(CalculationsCanUseTorpor, kOptTorpor);
          UseTorpor = CalculationsCanUseTorpor;
          break;
        case kOptActiveOnly: flip(ActiveTimeCostsOnly, kOptActiveOnly); break;
        case kOptDay:
        case kOptNight:
          dayActive = eventID == kOptDay ? 1 : 0;
          treg::mark(w, kOptDay, dayActive != 0);
          treg::mark(w, kOptNight, dayActive == 0);
          break;
        case kOptDawnDusk:
          flip(ComputeDawnAndDusk, kOptDawnDusk);
          plat::setButtonState(w, kOptSetLocation, ComputeDawnAndDusk ? 1 : 0);
          break;
        case kOptSetLocation:
          ClearMailbox();
          SetLocation();
          plat::flushInput();
          frontAgain(w);
          break;
        case kOptReplaceTb: flip(replacementTb, kOptReplaceTb); break;
        case kOptMlO2:
        case kOptWatts:
          BMRinWatts = eventID == kOptWatts ? 1 : 0;
          treg::mark(w, kOptMlO2, BMRinWatts == 0);
          treg::mark(w, kOptWatts, BMRinWatts != 0);
          break;
        case kOptZeroMissing: flip(ZeroEqualsMissingTemperatures, kOptZeroMissing); break;
        case kOptSun: flip(SunUseAllowed, kOptSun); break;
        case kOptConvection:
          ClearMailbox();
          SetUpConvection();
          frontAgain(w);
          break;
        case kOptRejection:
          ClearMailbox();
          SetRejectionRules();
          frontAgain(w);
          break;
        case kOptHelp: plat::openHelp(256); break;
        case kOptDone: done = true; break;
        default: break;
      }
    } else if (action == kActionClose) {
      if (eventID == w) done = true;
      else if (eventID == kSunChartWindow || eventID == kWindow14) plat::disposeWindow(eventID);
    }
    ClearMailbox();
  }
  storeOptionFields();
  plat::disposeWindow(w);
  plat::disposeWindow(kWindow14);
}

void SetLocation() {
  HandlerScope keep;
  MailboxKeep mail;
  const int w = kLocationWindow;
  const plat::Rect opt = plat::windowExists(kOptionsWindow) ? plat::contentRect(kOptionsWindow)
                                                            : plat::Rect{kOptLeft, kOptTop, kOptLeft, kOptTop};
  BuildWINDOW(0, w, "Location", opt.left + 40, opt.top + 60, opt.left + 40 + 400, opt.top + 60 + 210, kKindDocument, 1);
  using namespace treg;
  label(w, 20, "Latitude in degrees (0 - 90) ", {12, 14, 200, 30});
  radio(w, kLocNorth, "North", {12, 36, 80, 54}, northLatitude != 0);
  radio(w, kLocSouth, "South", {86, 36, 154, 54}, northLatitude == 0);
  edit(w, kLocLatField, latitude != 0 ? FieldNumText(std::fabs(latitude)) : kDefaultLatitudeText, {170, 35, 250, 55});
  label(w, 21, "Longitude in degrees (0 - 180) ", {12, 66, 220, 82});
  radio(w, kLocWest, "West", {12, 88, 80, 106}, westLongitude != 0);
  radio(w, kLocEast, "East", {86, 88, 154, 106}, westLongitude == 0);
  edit(w, kLocLonField, longitude != 0 ? FieldNumText(std::fabs(longitude)) : kDefaultLongitudeText,
       {170, 87, 250, 107});
  label(w, 22, "Enter latitude and longitude in ", {12, 118, 206, 134});
  label(w, 23, "fractional degrees", {206, 118, 330, 134}, 12, false, OldStyleColour(4));
  label(w, 24, "(not in degrees and minutes) ", {12, 136, 260, 152});
  button(w, kLocFromMap, "Get Location From Map", {12, 170, 190, 194});
  button(w, kLocCalculate, "Do Calculations", {250, 170, 388, 194}, 1, plat::ButtonKind::DefaultPush);
  InstallDialogHandlers();
  ClearMailbox();
  // The close box stores nothing: the place and its flags come back as they were.
  const float entryLat = latitude, entryLon = longitude;
  const uint16_t entryNorth = northLatitude, entryWest = westLongitude;
  bool calculate = false;
  for (bool done = false; !done;) {
    plat::pump();
    if (action == kActionClick) {
      switch (eventID) {
        case kLocNorth:
        case kLocSouth:
          northLatitude = eventID == kLocNorth ? 1 : 0;
          mark(w, kLocNorth, northLatitude != 0);
          mark(w, kLocSouth, northLatitude == 0);
          break;
        case kLocWest:
        case kLocEast:
          westLongitude = eventID == kLocWest ? 1 : 0;
          mark(w, kLocWest, westLongitude != 0);
          mark(w, kLocEast, westLongitude == 0);
          break;
        case kLocFromMap: {
          ClearMailbox();
          if (GetMapCoordinates(w)) {
            plat::setFieldText(w, kLocLatField, FieldNumText(std::fabs(latitude)));
            plat::setFieldText(w, kLocLonField, FieldNumText(std::fabs(longitude)));
          }
          mark(w, kLocNorth, northLatitude != 0);
          mark(w, kLocSouth, northLatitude == 0);
          mark(w, kLocWest, westLongitude != 0);
          mark(w, kLocEast, westLongitude == 0);
          break;
        }
        case kLocCalculate: {
          // Out of range the window stays, so the place can be corrected.
          const double lat = value(w, kLocLatField), lon = value(w, kLocLonField);
          const std::string message = LocationRangeMessage(lat, lon);
          if (!message.empty()) {
            ShowAlert(message);
            plat::focusField(w, LatitudeInRange(lat) ? kLocLonField : kLocLatField, true);
            break;
          }
          calculate = true;
          done = true;
          break;
        }
        default: break;
      }
    } else if (action == kActionClose && eventID == w) {
      done = true;
    }
    ClearMailbox();
  }
  if (calculate) {
    latitude = static_cast<float>(value(w, kLocLatField));
    if (marked(w, kLocSouth)) latitude = -latitude;
    longitude = static_cast<float>(value(w, kLocLonField));
    if (marked(w, kLocEast)) longitude = -longitude;
  } else {
    latitude = entryLat;
    longitude = entryLon;
    northLatitude = entryNorth;
    westLongitude = entryWest;
  }
  plat::disposeWindow(w);
  if (calculate) {
    SunCycleWindow();
    BuildAnnualSunCycle();
    SunCyclePlot();
    plat::disposeWindow(kSunChartSheet);
    if (plat::windowExists(kSunChartWindow)) plat::setCurrentPort(kSunChartWindow);
  }
  if (plat::windowExists(kOptionsWindow)) plat::selectWindow(kOptionsWindow);
}

void ShowWindPrompt(uint16_t show) {
  const int w = kConvectionWindow;
  if (!plat::windowExists(w)) return;
  if (show) {
    plat::setFieldText(w, kWindPrompt, "Select the channel containing wind speed (in meters/sec) ");
    treg::label(w, kShelterQuestion, "Are Subjects Sheltered from Wind\rDuring the Inactive Phase?",
                {340, 132, 570, 166});
    plat::setFieldText(w, kShelterQuestion, "Are Subjects Sheltered from Wind\rDuring the Inactive Phase?");
    treg::radio(w, kShelterYes, "Yes", {340, 170, 400, 188}, prefsArray[kPrefShelter] != 0);
    treg::radio(w, kShelterNo, "No", {406, 170, 466, 188}, prefsArray[kPrefShelter] == 0);
  } else {
    plat::setFieldText(w, kWindPrompt, "");
    plat::removeControl(w, kShelterYes);
    plat::removeControl(w, kShelterNo);
    treg::label(w, kShelterQuestion, "", {340, 132, 570, 166});
  }
}

void SetUpConvection() {
  HandlerScope keep;
  MailboxKeep mail;
  const int w = kConvectionWindow;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  const bool file = ValidFileSlot(slot) && SlotHoldsFile(slot);
  const int n = file ? nChannels[slot] : 0;
  const int height = 260 + (n > 8 ? 19 * n - 152 : 0);
  BuildWINDOW(0, w, "Convection Setup", 120, 90, 120 + 580, 90 + height, kKindDocument, 1);
  if (file) TRANSCHAN("wind ", "", " channel label", 10, 0, 10, 1);
  using namespace treg;
  const bool wind = prefsArray[kPrefWindUsed] != 0;
  const int16_t windChannel = prefsArray[kPrefWindChannel];
  if (windChannel >= 1 && windChannel <= n) plat::setButtonState(w, windChannel, 2);
  label(w, 20, "Use Wind Speed In Calculations?", {340, 14, 570, 30}, 12, true);
  radio(w, kWindYes, "Yes", {340, 36, 400, 54}, wind);
  radio(w, kWindNo, "No", {406, 36, 466, 54}, !wind);
  plat::FieldSpec prompt;
  prompt.id = kWindPrompt;
  prompt.kind = plat::FieldKind::Static;
  prompt.framed = false;
  prompt.wrap = true;
  prompt.r = {340, 64, 570, 124};
  prompt.font.pixelSize = 14;
  prompt.font.bold = true;
  prompt.fore = OldStyleColour(6);
  prompt.back = plat::background(w);
  plat::addField(w, prompt);
  const bool channelStored = windChannel >= 1 && windChannel <= n;
  button(w, kWindOK, "Selection OK", {10, height - 34, 130, height - 10}, !wind || channelStored ? 1 : 0,
         plat::ButtonKind::DefaultPush);
  button(w, kWindHelp, "?", {140, height - 34, 170, height - 10});
  ShowWindPrompt(wind ? 1 : 0);
  InstallDialogHandlers();
  ClearMailbox();
  for (bool done = false; !done;) {
    plat::pump();
    if (action == kActionClick) {
      const int16_t id = eventID;
      if (id >= 1 && id <= n) {
        for (int c = 1; c <= n; ++c) mark(w, static_cast<int16_t>(c), c == id);
        // Only the wind channel: the batch's spreadsheet columns are its own.
        prefsArray[kPrefWindChannel] = id;
        if (prefsArray[kPrefWindUsed]) plat::setButtonState(w, kWindOK, 1);
      } else if (id == kWindYes) {
        prefsArray[kPrefWindUsed] = 1;
        mark(w, kWindYes, true);
        mark(w, kWindNo, false);
        ShowWindPrompt(1);
        const int16_t c = prefsArray[kPrefWindChannel];
        plat::setButtonState(w, kWindOK, c >= 1 && c <= n ? 1 : 0);
      } else if (id == kWindNo) {
        prefsArray[kPrefWindUsed] = 0;
        mark(w, kWindYes, false);
        mark(w, kWindNo, true);
        ShowWindPrompt(0);
        plat::setButtonState(w, kWindOK, 1);
      } else if (id == kShelterYes || id == kShelterNo) {
        prefsArray[kPrefShelter] = id == kShelterYes ? 1 : 0;
        mark(w, kShelterYes, id == kShelterYes);
        mark(w, kShelterNo, id == kShelterNo);
      } else if (id == kWindHelp) {
        plat::openHelp(259);
      } else if (id == kWindOK) {
        done = true;
      }
    } else if (action == kActionClose && eventID == w) {
      done = true;
    }
    ClearMailbox();
  }
  plat::disposeWindow(w);
}

void SetRejectionRules() {
  HandlerScope keep;
  MailboxKeep mail;
  const int w = kRejectionWindow;
  BuildWINDOW(0, w, "Data Rejection Criteria", 200, 120, 200 + 420, 120 + 250, kKindDocument, 1);
  using namespace treg;
  label(w, 20, "Set the criteria for rejecting microclimate data on a case-by-case basis", {12, 10, 410, 44}, 12, true);
  struct Row {
    int16_t id, word;
    const char *title, *note;
  };
  const Row rows[] = {
      {kRejectShade, kPrefRejectNoShade, "Reject data if shade Ta is missing", "(otherwise, use sun Ta if available) "},
      {kRejectSun, kPrefRejectNoSun, "Reject data if sun Ta is missing", "(otherwise, use shade Ta if available) "},
      {kRejectWind, kPrefRejectNoWind, "Reject data if wind speed is missing",
       "(otherwise, assume wind speed = .01 m/s) "},
  };
  int y = 52;
  for (const Row& r : rows) {
    check(w, r.id, r.title, {12, y, 380, y + 18}, prefsArray[r.word] != 0);
    label(w, static_cast<int16_t>(20 + r.id), r.note, {34, y + 20, 380, y + 36}, 11);
    y += 48;
  }
  button(w, kRejectHelp, "?", {12, 212, 42, 236});
  button(w, kRejectClose, "Close", {320, 212, 408, 236}, 1, plat::ButtonKind::DefaultPush);
  InstallDialogHandlers();
  ClearMailbox();
  for (bool done = false; !done;) {
    plat::pump();
    if (action == kActionClick) {
      for (const Row& r : rows) {
        if (eventID != r.id) continue;
        TogglePrefs(r.word);
        mark(w, r.id, prefsArray[r.word] != 0);
      }
      if (eventID == kRejectHelp) plat::openHelp(260);
      if (eventID == kRejectClose) done = true;
    } else if (action == kActionClose && eventID == w) {
      done = true;
    }
    ClearMailbox();
  }
  plat::disposeWindow(w);
}
