#include "thermoregulation/ui/batch.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <iterator>
#include <optional>
#include <sstream>

#include "shell/safewrite.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/macroman.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/sound.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/readfile.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "thermoregulation/batch.h"
#include "thermoregulation/options.h"
#include "thermoregulation/ui/tregkit.h"
#include "thermoregulation/ui/tregwindow.h"

std::string CSVspreadsheetName;
uint16_t csvConductanceFileWasLoaded = 0;

namespace {

namespace fs = std::filesystem;

// Kept between runs: the sheet and the columns chosen for it.
ThermalSheet gSheet;
fs::path gSheetPath;
SheetColumns csvSpreadsheetColumns{};

constexpr int kRowPitch = 21;

// The settings a row overwrites come back when the batch ends, however it ends.
struct RowSettingsKeep {
  uint16_t useTorpor = UseTorpor, day = dayActive;
  float minTb = MinimumTorporTb;
  ~RowSettingsKeep() {
    UseTorpor = useTorpor;
    dayActive = day;
    MinimumTorporTb = minTb;
  }
};

struct MailboxKeep {
  int16_t a = action, e = eventID;
  ~MailboxKeep() {
    action = a;
    eventID = e;
  }
};

template <typename Done>
void loop(Done done) {
  ClearMailbox();
  for (;;) {
    plat::pump();
    const bool end = done();
    ClearMailbox();
    if (end) break;
  }
}

// "Data File Already Loaded!": true to use it again, false for another file,
// nullopt when closed.
std::optional<bool> askReuse() {
  const int w = kColumnsWindow;
  BuildWINDOW(0, w, "Conductance Data", 200, 150, 200 + 460, 150 + 150, kKindDocument, 1);
  WARNINGSTRIPES(0, 3, 14, 6, 6, 454, 144);
  if (prefsArray[kPrefSoundLevel]) plat::playSound("bub3");
  treg::label(w, 10, "Caution:   ", {12, 50, 90, 68}, 12, true);
  treg::label(w, 11, "Data File Already Loaded!", {92, 50, 440, 68}, 12, true);
  treg::button(w, kUseExisting, "Use Existing Data from:", {12, 80, 190, 104});
  treg::label(w, 12, "'" + CSVspreadsheetName + "'", {196, 84, 450, 100});
  treg::button(w, kLoadDifferent, "Load a Different .csv File", {12, 112, 220, 136});
  std::optional<bool> answer;
  loop([&] {
    if (action == kActionClick && (eventID == kUseExisting || eventID == kLoadDifferent)) {
      answer = eventID == kUseExisting;
      return true;
    }
    return action == kActionClose && eventID == w;
  });
  plat::disposeWindow(w);
  return answer;
}

// Window 999: one row per spreadsheet column, a radio group per variable.
bool chooseColumns(bool windUsed, bool shelterUsed) {
  const int w = kColumnsWindow;
  const int n = static_cast<int>(gSheet.header.size());
  const int groups = 8 + (windUsed ? 1 : 0) + (shelterUsed ? 1 : 0);
  // Every row must be there to be chosen: a long sheet gets closer rows
  // rather than a window that runs off the desk or under its buttons.
  constexpr int kTop = 40, kFixed = 120 + 24;
  const int room = std::max(kFixed + 12 * n, plat::displaySize().h - kTop - 40);
  const int pitch = std::clamp((room - kFixed) / std::max(n, 1), 12, kRowPitch);
  const int height = 120 + pitch * n + (n > 6 ? 24 : 0);
  BuildWINDOW(0, w, "Assign Spreadsheet Columns to Thermoregulatory Variables", 60, kTop, 60 + 760, kTop + height,
              kKindDocument, 1);
  plat::Port& p = plat::port(w);
  const char* heads[] = {"use sun?", "T", "C", "LCT", "BMR", "torpor?", "min. T", "diurnal?", "mass (g) ", "shelter"};
  const char* subs[] = {"", "b", "th", "", "", "", "b", "", "", ""};
  std::vector<int> variables;
  for (int g = 0; g < 8; ++g) variables.push_back(g);
  if (windUsed) variables.push_back(kMass);
  if (shelterUsed) variables.push_back(kShelter);
  auto columnX = [](size_t i) { return 250 + 56 * static_cast<int>(i); };
  auto drawHeads = [&](int y) {
    p.setTextSize(12);
    for (size_t i = 0; i < variables.size(); ++i) {
      const int g = variables[i];
      if (*subs[g]) DoSubscript(static_cast<int16_t>(columnX(i)), static_cast<int16_t>(y), heads[g], subs[g], "", 3);
      else {
        p.moveTo(columnX(i), y);
        p.drawText(heads[g]);
      }
    }
  };
  plat::setCurrentPort(w);
  EmbossPrint(1, "variable (maximum of 50) ", 12, 12, 22);
  drawHeads(44);
  const int box = std::min(17, pitch - 1);   // the radio buttons' height
  for (int r = 1; r <= n; ++r) {
    const int y = 52 + pitch * (r - 1);
    if (r % 3 == 1) {
      p.setForeColor(LightGray);
      p.fillRect({6, y, 754, y + pitch});
    } else if (r % 3 == 2) {
      p.setForeColor(lightBlue);
      p.fillRect({6, y, 754, y + pitch});
    }
    p.setForeColor(kBlack);
    p.setTextSize(pitch < 17 ? 10 : 12);
    p.moveTo(12, y + pitch - (pitch < 17 ? 4 : 6));
    p.drawText(std::to_string(r) + "  " + gSheet.header[static_cast<size_t>(r) - 1]);
    for (size_t i = 0; i < variables.size(); ++i) {
      const int g = variables[i];
      const auto id = static_cast<int16_t>(50 * g + r);
      const int top = y + (pitch - box) / 2;
      treg::radio(w, id, "", {columnX(i) + 10, top, columnX(i) + 28, top + box},
                  csvSpreadsheetColumns[static_cast<size_t>(g)] == r);
    }
  }
  p.setTextSize(12);
  const int bottom = 52 + pitch * n;
  if (n > 6) drawHeads(bottom + 16);
  treg::button(w, kColumnsHelp, "?", {12, height - 34, 42, height - 10});
  treg::button(w, kColumnsCancel, "Cancel", {430, height - 34, 520, height - 10});
  treg::button(w, kColumnsOK, "selection OK -- compute costs", {528, height - 34, 750, height - 10},
               SheetColumnsComplete(csvSpreadsheetColumns) ? 1 : 0, plat::ButtonKind::DefaultPush);
  (void)groups;
  bool ok = false;
  loop([&] {
    if (action == kActionClick) {
      const int id = eventID;
      if (id == kColumnsOK) {
        ok = true;
        return true;
      }
      if (id == kColumnsCancel) return true;
      if (id == kColumnsHelp) plat::openHelp(246);
      const int g = (id - 1) / 50, r = (id - 1) % 50 + 1;
      if (id >= 1 && g < kBatchVariables && r <= n) {
        for (int c = 1; c <= n; ++c) treg::mark(w, static_cast<int16_t>(50 * g + c), c == r);
        csvSpreadsheetColumns[static_cast<size_t>(g)] = static_cast<int16_t>(r);
        plat::setButtonState(w, kColumnsOK, SheetColumnsComplete(csvSpreadsheetColumns) ? 1 : 0);
      }
      return false;
    }
    return action == kActionClose && eventID == w;
  });
  plat::disposeWindow(w);
  csvConductanceFileWasLoaded = 1;
  return ok;
}

// Window 19: which results to save; false when closed without "Done".
bool chooseResults(std::array<bool, 16>& ticked, bool& excel, bool& metadata) {
  const int w = kResultsChoiceWindow;
  BuildWINDOW(0, w, "Thermoregulatory Data", 300, 80, 300 + 340, 80 + 480, kKindDocument, 1);
  treg::label(w, 40, "Select which variables to save", {12, 10, 330, 28}, 13, true);
  const bool torpor = CalculationsCanUseTorpor != 0;
  int y = 36;
  for (int box = 1; box <= 15; ++box) {
    if (!torpor && box >= 9 && box <= 11) continue;
    treg::check(w, static_cast<int16_t>(box), ResultBoxTitle(box), {12, y, 330, y + 18}, false);
    y += 22;
  }
  treg::button(w, kResultsAll, "All", {12, y + 6, 72, y + 30});
  treg::button(w, kResultsNone, "None", {80, y + 6, 140, y + 30});
  treg::check(w, kResultsExcel, "Save in Excel format", {12, y + 40, 330, y + 58}, false);
  treg::check(w, kResultsMetadata, "Save Metadata in file", {12, y + 62, 330, y + 80}, false);
  treg::button(w, kResultsDone, "Done", {240, y + 90, 330, y + 114}, 1, plat::ButtonKind::DefaultPush);
  loop([&] {
    if (action == kActionClick) {
      const int id = eventID;
      if (id >= 1 && id <= 15) treg::mark(w, static_cast<int16_t>(id), !treg::marked(w, static_cast<int16_t>(id)));
      if (id == kResultsAll || id == kResultsNone)
        for (int box = 1; box <= 15; ++box) treg::mark(w, static_cast<int16_t>(box), id == kResultsAll);
      if (id == kResultsExcel || id == kResultsMetadata)
        treg::mark(w, static_cast<int16_t>(id), !treg::marked(w, static_cast<int16_t>(id)));
      return id == kResultsDone;
    }
    return action == kActionClose && eventID == w;
  });
  ticked.fill(false);
  for (int box = 1; box <= 15; ++box)
    ticked[static_cast<size_t>(box)] = plat::controlExists(w, static_cast<int16_t>(box)) && treg::marked(w, static_cast<int16_t>(box));
  excel = treg::marked(w, kResultsExcel);
  metadata = treg::marked(w, kResultsMetadata);
  plat::disposeWindow(w);
  return true;
}

bool readSheet(const fs::path& path) {
  // Only a regular file is opened (a named pipe would hang the open), and
  // no more of it than a sheet within the store's limits can be.
  std::string bytes;
  const ReadFileStatus read = ReadRegularFile(path, kMaxSheetFileBytes, &bytes);
  if (read == ReadFileStatus::CannotOpen) {
    ShowAlert("The spreadsheet could not be read.");
    return false;
  }
  if (read == ReadFileStatus::TooLarge) {
    ShowAlert(SheetStatusText(SheetStatus::TooLarge));
    return false;
  }
  ThermalSheet sheet;
  const SheetStatus st = ParseThermalSheet(bytes, &sheet);
  if (st != SheetStatus::Ok) {
    ShowAlert(SheetRefusalText(st, sheet));
    return false;
  }
  if (const std::string notice = SheetNotice(sheet); !notice.empty()) ShowAlert(notice);
  gSheet = std::move(sheet);
  gSheetPath = path;
  return true;
}

}  // namespace

std::string TregCostsFromSpreadsheet(uint16_t shadeChannel, uint16_t sunChannel) {
  HandlerScope keep;
  MailboxKeep mail;
  InstallDialogHandlers();
  const bool windUsed = prefsArray[kPrefWindUsed] != 0, shelterUsed = prefsArray[kPrefShelter] != 0;

  bool reuse = false;
  if (csvConductanceFileWasLoaded == 1 && !gSheet.header.empty()) {
    const std::optional<bool> answer = askReuse();
    if (!answer) return CSVspreadsheetName;
    reuse = *answer;
  }
  if (reuse) {
    if (!windUsed) csvSpreadsheetColumns[kMass] = 0;
    if (!shelterUsed) csvSpreadsheetColumns[kShelter] = 0;
  } else {
    static const plat::FileKind kCsv{{'T', 'E', 'X', 'T'}, {'?', '?', '?', '?'}, "Comma-separated text", {"csv", "txt"}};
    const std::optional<fs::path> path = plat::askOpenFile("file with thermal conductance data:", {kCsv});
    if (!path) {
      CSVspreadsheetName.clear();
      return CSVspreadsheetName;
    }
    CSVspreadsheetName = plat::utf8ToMacRoman(path->filename().string());
    csvSpreadsheetColumns.fill(0);
    if (!readSheet(*path)) return CSVspreadsheetName;
  }
  if (!chooseColumns(windUsed, shelterUsed)) return CSVspreadsheetName;

  std::vector<RowOutcome> outcomes(gSheet.rows.size());
  {
    RowSettingsKeep restore;
    for (size_t i = 0; i < gSheet.rows.size(); ++i) {
      const std::vector<std::string>& row = gSheet.rows[i];
      const SheetAnimal a = SheetAnimalOf(row, csvSpreadsheetColumns, BMRinWatts != 0, windUsed, shelterUsed);
      UseTorpor = a.torpor ? 1 : 0;
      if (a.torpor) MinimumTorporTb = a.minTorporTb;
      dayActive = a.diurnal ? 1 : 0;
      auto cell = [&](int v) {
        const int c = csvSpreadsheetColumns[static_cast<size_t>(v)];
        return c >= 1 ? row[static_cast<size_t>(c) - 1] : std::string();
      };
      SetTregField(kTregBmrField, cell(kBmr));
      SetTregField(kTregTbField, cell(kTb));
      SetTregField(kTregCField, cell(kC));
      SetTregField(kTregLctField, cell(kLct));
      if (windUsed) SetTregField(kTregMassField, cell(kMass));
      if (a.compute) {
        const TregResult r = RunTregOverFile(static_cast<int16_t>(shadeChannel), static_cast<int16_t>(sunChannel), a.animal);
        outcomes[i].computed = true;
        outcomes[i].texts = RowResultTexts(r, a.animal.bmr);
        ShowTregResults(r, a.animal.bmr);
        SetTregField(kTregMeanW, outcomes[i].texts[0]);
        SetTregField(kTregMeanMl, NumText(r.mean / 0.335f));
        SetTregField(kTregMeanXBmr, outcomes[i].texts[1]);
      }
      SetTregField(kTregCountLabel, "count:");
      SetTregField(kTregCountField, NumText(static_cast<int32_t>(i + 1)));
      plat::processPending();
    }
  }
  if (TimingErrorCount != 0 && TimingWarning(1) == 1) return CSVspreadsheetName;

  std::array<bool, 16> ticked{};
  bool excel = false, metadata = false;
  chooseResults(ticked, excel, metadata);
  static const plat::FileKind kResultsKind{{'T', 'E', 'X', 'T'}, {'?', '?', '?', '?'}, "Text", {"xls", "csv"}};
  const std::optional<fs::path> out =
      plat::askSaveFile("file for data output:", excel ? "TregCosts.xls" : "TregCosts.csv", kResultsKind);
  if (!out) return CSVspreadsheetName;
  std::string text = ResultsFileText(gSheet, outcomes, ticked, excel ? '\t' : ',');
  if (metadata) {
    const auto slot = static_cast<int16_t>(TheFileInUse);
    text += MetadataText({ValidFileSlot(slot) ? TrimTrailingBlanks(FileName[slot]) : std::string(), CSVspreadsheetName});
  }
  SafeFileWriter w;
  if (!(w.open(*out) && w.write(text.data(), text.size()) && w.commit())) {
    HandleFileError(*out, w.error() ? w.error() : EIO);
    return CSVspreadsheetName;
  }
  plat::tagFile(*out, kResultsKind);
  return CSVspreadsheetName;
}
