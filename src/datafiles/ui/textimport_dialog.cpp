#include "datafiles/ui/textimport_dialog.h"

#include <algorithm>

#include "datafiles/datafile.h"
#include "datafiles/filehelpers.h"
#include "datafiles/ui/loadnotice.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/textutil.h"
#include "shell/ui/help.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int kRowHeight = 22;
constexpr int kRowsPerGroup = 17;
// A row holds a column's name and its first cell whole, a number written
// out to 17 digits and its exponent included.
constexpr int kGroupWidth = 540;
constexpr size_t kFirstCellChars = 24;
constexpr int kListTop = 84;

std::string cut(const std::string& s, size_t n) { return s.size() <= n ? s : s.substr(0, n - 1) + "\xC9"; }

int16_t boxId(size_t k) { return static_cast<int16_t>(kTextColumnBox + k); }
int16_t radioId(size_t k) { return static_cast<int16_t>(kTextTimeRadio + k); }

// "h:mm:ss" as people type it: one or two digits a field, blanks around.
int32_t typedClockSeconds(const std::string& text) {
  if (const int32_t s = ClockTextSeconds(text); s >= 0) return s;
  int parts[3] = {0, 0, 0};
  int field = 0, digits = 0;
  for (char c : TrimTrailingBlanks(text.substr(std::min(text.find_first_not_of(' '), text.size())))) {
    if (c >= '0' && c <= '9' && digits < 2) {
      parts[field] = parts[field] * 10 + (c - '0');
      ++digits;
    } else if (c == ':' && digits > 0 && field < 2) {
      ++field;
      digits = 0;
    } else {
      return -1;
    }
  }
  if (field != 2 || digits == 0 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return -1;
  return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

bool ticked(size_t k) { return plat::buttonState(kTextImportWindow, boxId(k)) == 2; }

int tickedCount(size_t columns) {
  int n = 0;
  for (size_t k = 0; k < columns; ++k) n += ticked(k) ? 1 : 0;
  return n;
}

void chooseTimeColumn(const TextTable& table, int column) {
  plat::setButtonState(kTextImportWindow, kTextNoTimeRadio, column < 0 ? 2 : 1);
  for (size_t k = 0; k < table.columns.size(); ++k)
    plat::setButtonState(kTextImportWindow, radioId(k), static_cast<int>(k) == column ? 2 : 1);
  if (column < 0) return;
  const auto c = static_cast<size_t>(column);
  // Time is not data: the column stops being a channel unless ticked again.
  plat::setButtonState(kTextImportWindow, boxId(c), 1);
  const bool clock = c < table.clockColumn.size() && table.clockColumn[c];
  const double step = IntervalFromColumn(table, column, clock ? TimeKind::Clock : TimeKind::Elapsed);
  plat::setFieldText(kTextImportWindow, kTextIntervalField, FieldNumText(step));
  // The start follows the interval when a clock tells it; a time typed for
  // a file without one is left alone.
  std::string date, time;
  SuggestedTextStart(table, column, step, &date, &time);
  if (std::find(table.clockColumn.begin(), table.clockColumn.end(), true) != table.clockColumn.end())
    plat::setFieldText(kTextImportWindow, kTextTimeField, time);
  if (!date.empty()) plat::setFieldText(kTextImportWindow, kTextDateField, date);
}

// Checks the fields; fills the choice or tells the user what is wrong.
bool readChoice(const TextTable& table, TextImportChoice* choice) {
  choice->columns.clear();
  for (size_t k = 0; k < table.columns.size(); ++k)
    if (ticked(k)) choice->columns.push_back(static_cast<int>(k));
  if (choice->columns.empty()) {
    ShowAlert(FileStatusText(FileStatus::NoChannels), "bzot");
    return false;
  }
  const double interval = TextToNum(plat::fieldText(kTextImportWindow, kTextIntervalField));
  if (!(interval > 0)) {
    ShowAlert("The sample interval must be a number of seconds greater than 0.", "bzot");
    return false;
  }
  if (IntervalNeedsRepair(static_cast<float>(interval))) {
    ShowAlert("The sample interval must be between 0.000000001 and 1000000 seconds.", "bzot");
    return false;
  }
  CivilDate date;
  if (!ParseDateText(plat::fieldText(kTextImportWindow, kTextDateField), &date)) {
    ShowAlert("The start date must be a date written mm-dd-yyyy.", "bzot");
    return false;
  }
  const int32_t seconds = typedClockSeconds(plat::fieldText(kTextImportWindow, kTextTimeField));
  if (seconds < 0) {
    ShowAlert("The start time must be a clock time written hh:mm:ss.", "bzot");
    return false;
  }
  choice->interval = interval;
  choice->startDate = DateText(date);
  choice->startTime = ClockText(seconds);
  return true;
}

}  // namespace

bool ChooseTextColumns(const TextTable& table, const std::string& fileName, TextImportChoice* choice) {
  const size_t n = table.columns.size();
  const int groups = n > kRowsPerGroup ? 2 : 1;
  const int rows = static_cast<int>(std::min<size_t>(n, kRowsPerGroup));
  const int width = std::max(620, 20 + groups * kGroupWidth);
  const int height = kListTop + rows * kRowHeight + 130;
  const plat::Size desk = plat::displaySize();
  const int left = std::max(4, (desk.w - width) / 2);
  const int top = std::max(plat::config().menuBarHeight + plat::config().titleBarHeight, (desk.h - height) / 3);
  BuildWINDOW(1, kTextImportWindow, "Import Text Columns", static_cast<int16_t>(left), static_cast<int16_t>(top),
              static_cast<int16_t>(left + width), static_cast<int16_t>(top + height), kKindDocument, 0);
  plat::Port& p = plat::port(kTextImportWindow);
  EmbossPrint(1, cut(fileName, 48), 16, 16, 26);
  plat::FontSpec f;
  f.pixelSize = 12;
  p.setFont(f);
  p.setForeColor(kBlack);
  p.moveTo(16, 46);
  p.drawText("Tick the columns to import as channels (at most 32) and the column that holds time.");
  plat::addButton(kTextImportWindow, {.id = kTextNoTimeRadio, .kind = plat::ButtonKind::Radio,
                                      .title = "No time column", .r = {16, 54, 200, 74}});
  for (size_t k = 0; k < n; ++k) {
    const int g = static_cast<int>(k) / kRowsPerGroup, row = static_cast<int>(k) % kRowsPerGroup;
    const int x = 16 + g * kGroupWidth, y = kListTop + row * kRowHeight;
    const std::string first = k < table.firstCells.size() ? table.firstCells[k] : "";
    plat::addButton(kTextImportWindow, {.id = boxId(k), .kind = plat::ButtonKind::CheckBox,
                                        .title = cut(table.names[k], 26) + "   (" + cut(first, kFirstCellChars) + ")",
                                        .r = {x, y, x + 440, y + 20}});
    plat::addButton(kTextImportWindow,
                    {.id = radioId(k), .kind = plat::ButtonKind::Radio, .title = "time", .r = {x + 446, y, x + 520, y + 20}});
  }
  const int fy = kListTop + rows * kRowHeight + 14;
  DoubleLINE(16, static_cast<int16_t>(width - 16), static_cast<int16_t>(fy - 6));
  const auto label = [&](int x, const char* text) {
    p.moveTo(x, fy + 16);
    p.drawText(text);
  };
  label(16, "Sample interval (s):");
  label(240, "Start date:");
  label(430, "Start time:");
  BUILDEF(1, kTextIntervalField, FieldNumText(table.suggestedInterval), 140, static_cast<int16_t>(fy), 220,
          static_cast<int16_t>(fy + 22), 3, 0);
  BUILDEF(1, kTextDateField, table.suggestedStartDate.empty() ? TodayDateText() : table.suggestedStartDate, 316,
          static_cast<int16_t>(fy), 414, static_cast<int16_t>(fy + 22), 3, 0);
  BUILDEF(1, kTextTimeField, table.suggestedStartTime, 506, static_cast<int16_t>(fy), 590,
          static_cast<int16_t>(fy + 22), 3, 0);
  const int by = height - 40;
  plat::addButton(kTextImportWindow, {.id = kTextImportHelp, .title = "?", .r = {16, by, 46, by + 24}});
  plat::addButton(kTextImportWindow, {.id = kTextImportCancel, .title = "Cancel", .r = {width - 200, by, width - 110, by + 24}});
  plat::addButton(kTextImportWindow, {.id = kTextImportOK, .kind = plat::ButtonKind::DefaultPush, .title = "Import",
                                      .r = {width - 100, by, width - 16, by + 24}});

  // Every column but the time columns starts ticked: the guessed one, a
  // clock column (it tells the start even where another gives the interval),
  // and those an export of ours writes beside the channels.
  for (size_t k = 0; k < n; ++k)
    if (static_cast<int>(k) != table.timeColumn && !(k < table.clockColumn.size() && table.clockColumn[k]) &&
        !ExportedTimeColumn(table.names[k]) && tickedCount(n) < kMaxChannels)
      plat::setButtonState(kTextImportWindow, boxId(k), 2);
  plat::setButtonState(kTextImportWindow, kTextNoTimeRadio, table.timeColumn < 0 ? 2 : 1);
  if (table.timeColumn >= 0) plat::setButtonState(kTextImportWindow, radioId(static_cast<size_t>(table.timeColumn)), 2);
  plat::flushWindow(kTextImportWindow);

  bool accepted = false;
  {
    DialogScope dialog;
    for (bool done = false; !done;) {
      const auto [a, id] = TakeEvent();
      const bool enter = a == kActionKey && (id == 13 || id == 3);
      if ((a == kActionClick && id == kTextImportOK) || enter) {
        if (readChoice(table, choice)) accepted = done = true;
      } else if ((a == kActionClick && id == kTextImportCancel) || (a == kActionClose && id == kTextImportWindow) ||
                 (a == kActionKey && id == 27)) {
        done = true;
      } else if (a == kActionClick && id == kTextImportHelp) {
        HelpSubject = kHelpTextImport;
        OpenHelpBook();
      } else if (a == kActionClick && id == kTextNoTimeRadio) {
        chooseTimeColumn(table, -1);
      } else if (a == kActionClick && id >= kTextTimeRadio && id < kTextTimeRadio + static_cast<int>(n)) {
        chooseTimeColumn(table, id - kTextTimeRadio);
      } else if (a == kActionClick && id >= kTextColumnBox && id < kTextColumnBox + static_cast<int>(n)) {
        const auto k = static_cast<size_t>(id - kTextColumnBox);
        if (ticked(k)) {
          plat::setButtonState(kTextImportWindow, id, 1);
        } else if (tickedCount(n) >= kMaxChannels) {
          Zap();   // a file holds at most 32 channels
        } else {
          plat::setButtonState(kTextImportWindow, id, 2);
        }
      }
    }
    MenuIDENTIFIER = MenuItem = 0;
  }
  plat::disposeWindow(kTextImportWindow);
  return accepted;
}

int16_t LoadASCIItextFile(const std::filesystem::path& path, RepairReport* report, int64_t* unreadCells) {
  Cancel_Open = 1;
  TextTable table;
  if (const FileStatus st = ReadDelimitedTextFile(path, &table); st != FileStatus::Ok) {
    ShowAlert(TextRefusalText(st, table), FileStatusSound(st));
    return -1;
  }
  TextImportChoice choice;
  if (!ChooseTextColumns(table, path.filename().string(), &choice)) return -1;
  int16_t slot = -1;
  FileStatus st;
  {
    const LoadNotice notice(table.rows() > kLongLoadCases,
                            "This file holds more than 80,000 cases: importing it may take a while.");
    st = ImportTextColumns(std::move(table), choice, path.filename().string(), path.string(), &slot, report,
                           unreadCells);
  }
  if (st != FileStatus::Ok) {
    ShowAlert(FileStatusText(st), FileStatusSound(st));
    return -1;
  }
  Cancel_Open = 0;
  return slot;
}
