#include "editing/ui/customtransforms.h"

#include <algorithm>
#include <string>
#include <vector>

#include "editing/transforms.h"
#include "editing/ui/editframe.h"
#include "output/scaling.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/globals.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

std::filesystem::path filePath() { return plat::appFolder() / kCustomTransformsFile; }

// The file as it stands; a read failure or damage is said once.
bool readList(std::vector<uint8_t>* bytes, CustomTransformList* list) {
  if (!ReadCustomTransformsFile(filePath(), bytes)) {
    ShowAlert("The custom transforms file could not be read.");
    return false;
  }
  *list = ListCustomTransforms(*bytes);
  const std::string damage = CustomTransformDamageText(*list);
  if (!damage.empty()) ShowAlert(damage);
  return true;
}

bool write(const std::vector<uint8_t>& bytes) {
  if (WriteCustomTransformsFile(filePath(), bytes)) return true;
  ShowAlert("The custom transforms file could not be written: it was left as it was.");
  return false;
}

void open(int16_t id, const char* title, plat::Rect r) {
  BuildWINDOW(0, id, title, static_cast<int16_t>(r.left), static_cast<int16_t>(r.top), static_cast<int16_t>(r.right),
              static_cast<int16_t>(r.bottom), kKindDocument, 1);
  plat::setCurrentPort(id);
}

void button(int16_t win, int16_t id, const std::string& title, plat::Rect r,
            plat::ButtonKind kind = plat::ButtonKind::Push, int state = 1) {
  AddKitButton(win, id, kind, title, r, state);
}

void field(int16_t win, int16_t id, const std::string& t, plat::Rect r, plat::FieldKind kind, int size = 12,
           int maxLen = 255) {
  plat::FieldSpec f;
  f.id = id;
  f.text = t;
  f.r = r;
  f.kind = kind;
  f.font.pixelSize = size;
  f.maxLen = maxLen;
  plat::addField(win, f);
}

void text(int16_t win, int x, int y, const std::string& t, int size = 12, bool bold = false) {
  DrawDialogText(win, x, y, t, size, bold);
}

// Rows of 20: entries 1..20 on the left, 21..40 on the right.
plat::Rect rowRect(int k, int width, int dx = 0) {
  const int left = (k <= 20 ? 10 : 355) + dx;
  const int top = k <= 20 ? 20 * k + 20 : 20 * k - 380;
  return {left, top, left + width, top + 19};
}

// Deletion window: the marked records go, the file keeps every other one.
void deleteRecords() {
  std::vector<uint8_t> bytes;
  CustomTransformList list;
  if (!readList(&bytes, &list)) return;
  // The listed records first go to the backup, as they stand.
  WriteCustomTransformsFile(plat::appFolder() / kTransformsBackupFile, bytes);
  open(kCustomEditWindow, "Custom Transformation Deletion", {50, 80, 725, 565});
  text(kCustomEditWindow, 20, 28, "Select one or more transforms to delete", 28, true);
  text(kCustomEditWindow, 48, 473, "Caution:  deletion is NOT 'undo-able' !", 16);
  button(kCustomEditWindow, kDeleteCancel, "Cancel", {380, 455, 480, 475});
  button(kCustomEditWindow, kDeleteOK, "OK, Delete", {500, 455, 600, 475});
  const int n = static_cast<int>(list.entries.size());
  for (int k = 1; k <= n; ++k) {
    button(kCustomEditWindow, static_cast<int16_t>(k), "", rowRect(k, 20), plat::ButtonKind::CheckBox);
    field(kCustomEditWindow, static_cast<int16_t>(k + 100), list.entries[static_cast<size_t>(k - 1)].name,
          rowRect(k, 290, 24), plat::FieldKind::Static);
  }
  std::vector<bool> marked(static_cast<size_t>(n + 1), false);
  for (;;) {
    const MailboxEvent e = TakeEvent();
    if (!plat::windowExists(kCustomEditWindow)) break;
    if (e.action != kActionClick) continue;
    if (e.id >= 1 && e.id <= n) {
      Rip();
      marked[static_cast<size_t>(e.id)] = !marked[static_cast<size_t>(e.id)];
      plat::setButtonState(kCustomEditWindow, e.id, marked[static_cast<size_t>(e.id)] ? 2 : 1);
    } else if (e.id == kDeleteCancel) {
      break;
    } else if (e.id == kDeleteOK) {
      std::vector<int16_t> gone;
      for (int k = 1; k <= n; ++k)
        if (marked[static_cast<size_t>(k)]) gone.push_back(list.index[static_cast<size_t>(k - 1)]);
      DeleteCustomRecords(bytes, gone);
      write(bytes);
      break;
    }
  }
  plat::disposeWindow(kCustomEditWindow);
}

// Inspect-and-edit of listed entry k; the record's other bytes stay.
std::string inspect(const CustomTransformList& list, int k) {
  const CustomTransform& t = list.entries[static_cast<size_t>(k - 1)];
  open(kCustomEditWindow, "Inspect and Edit Custom Transformation", {70, 80, 690, 385 + 60});
  text(kCustomEditWindow, 10, 24, "data for:");
  field(kCustomEditWindow, kInspectName, t.name, {80, 8, 600, 30}, plat::FieldKind::Editable, 18, 48);
  const char* ordinal[9] = {"1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th", "9th"};
  struct Row {
    int16_t id;
    std::string label, value;
  };
  std::vector<Row> rows = {{3, "Transform type:", TransformTypeName(t.code)},
                           {4, "make new channel?", NumText(t.makeNewChan)},
                           {5, "value of 'a':", NumText(t.a)},
                           {6, "value of 'b':", NumText(t.b)},
                           {7, "exponent:", NumText(t.exponent)},
                           {10, "polynomial degree:", NumText(t.polyDegree)},
                           {11, "polynomial constant:", NumText(t.constant)}};
  for (int c = 0; c < 9; ++c)
    rows.push_back({static_cast<int16_t>(12 + c), std::string(ordinal[c]) + " poly coefficient:", NumText(t.coefficients[c])});
  for (size_t r = 0; r < rows.size(); ++r) {
    const int y = 40 + 23 * static_cast<int>(r % 8);
    const int x = r < 8 ? 10 : 320;
    text(kCustomEditWindow, x, y + 14, rows[r].label);
    field(kCustomEditWindow, static_cast<int16_t>(rows[r].id + 100), rows[r].value, {x + 150, y, x + 290, y + 18},
          rows[r].id == 3 ? plat::FieldKind::Static : plat::FieldKind::Editable);
  }
  button(kCustomEditWindow, kInspectCancel, "Cancel", {340, 320, 440, 342});
  button(kCustomEditWindow, kInspectAccept, "Accept Edits", {460, 320, 600, 342}, plat::ButtonKind::DefaultPush);
  std::string name = t.name;
  for (;;) {
    const MailboxEvent e = TakeEvent();
    if (!plat::windowExists(kCustomEditWindow)) break;
    if (e.action == kActionClose || e.action == kActionKey ||
        (e.action == kActionActivate && e.id != kCustomEditWindow))
      break;
    if (e.action != kActionClick) continue;
    if (e.id == kInspectCancel) break;
    if (e.id != kInspectAccept) continue;
    auto value = [](int16_t id) {
      double v = 0.0;
      return ParseFieldNumber(plat::fieldText(kCustomEditWindow, static_cast<int16_t>(id + 100)), &v) ? v : 0.0;
    };
    CustomTransform edited = t;
    edited.name = CustomName(plat::fieldText(kCustomEditWindow, kInspectName));
    edited.makeNewChan = static_cast<int16_t>(std::clamp(value(4), -32768.0, 32767.0));
    edited.a = static_cast<float>(value(5));
    edited.b = static_cast<float>(value(6));
    edited.exponent = static_cast<float>(value(7));
    edited.polyDegree = static_cast<int16_t>(std::clamp(value(10), -32768.0, 32767.0));
    edited.constant = static_cast<float>(value(11));
    for (int c = 0; c < 9; ++c) edited.coefficients[c] = static_cast<float>(value(static_cast<int16_t>(12 + c)));
    std::vector<uint8_t> bytes;
    if (ReadCustomTransformsFile(filePath(), &bytes) &&
        ReplaceCustomRecord(bytes, list.index[static_cast<size_t>(k - 1)], edited) && write(bytes))
      name = edited.name;
    break;
  }
  plat::disposeWindow(kCustomEditWindow);
  return name;
}

void listEntries(const CustomTransformList& list, int shown) {
  for (int k = 1; k <= std::max<int>(shown, kMaxCustomTransforms); ++k) plat::removeControl(kCustomWindow, static_cast<int16_t>(k));
  for (int k = 1; k <= static_cast<int>(list.entries.size()); ++k)
    button(kCustomWindow, static_cast<int16_t>(k), list.entries[static_cast<size_t>(k - 1)].name, rowRect(k, 310),
           plat::ButtonKind::Bevel);
}

}  // namespace

int16_t GetCustomTransformation(int16_t pick, CustomTransform* picked) {
  HelpSubject = kCustomHelp;
  std::vector<uint8_t> bytes;
  CustomTransformList list;
  if (!readList(&bytes, &list)) return 0;
  const int rows = std::min<int>(static_cast<int>(list.entries.size()), 20);
  const int height = std::max(rows, 1) * 20 + 86;
  open(kCustomWindow, "Custom Transformations", {50, 80, 725, 80 + height});
  text(kCustomWindow, pick ? 60 : 80, 32,
       pick ? "Select a custom transformation" : "Custom transformation manager", 30, true);
  listEntries(list, 0);
  const int y = height - 30;
  button(kCustomWindow, kCustomDelete, "Delete Transformation(s)\xC9", {20, y, 220, y + 20});
  button(kCustomWindow, kCustomInspect, "Inspect/Edit\xC9", {230, y, 345, y + 20}, plat::ButtonKind::Push, 0);
  button(kCustomWindow, kCustomCancel, "Cancel", {430, y, 530, y + 20});
  button(kCustomWindow, kCustomOK, pick ? "Selection OK" : "Done", {540, y, 660, y + 20},
         plat::ButtonKind::DefaultPush);
  int selected = 0;
  for (;;) {
    const MailboxEvent e = TakeEvent();
    if (!plat::windowExists(kCustomWindow)) break;
    if (e.action == kActionClose || e.action == kActionKey) break;
    if (e.action != kActionClick) continue;
    if (e.id >= 1 && e.id <= static_cast<int>(list.entries.size())) {
      if (selected) plat::setButtonState(kCustomWindow, static_cast<int16_t>(selected), 1);
      selected = e.id;
      plat::setButtonState(kCustomWindow, e.id, 2);
      plat::setButtonState(kCustomWindow, kCustomInspect, 1);
    } else if (e.id == kCustomDelete) {
      const int shown = static_cast<int>(list.entries.size());
      deleteRecords();
      if (!readList(&bytes, &list)) list = {};
      plat::setCurrentPort(kCustomWindow);
      listEntries(list, shown);
      selected = 0;
      plat::setButtonState(kCustomWindow, kCustomInspect, 0);
    } else if (e.id == kCustomInspect && selected) {
      const std::string name = inspect(list, selected);
      if (!readList(&bytes, &list)) list = {};
      plat::setCurrentPort(kCustomWindow);
      listEntries(list, static_cast<int>(list.entries.size()));
      selected = 0;
      plat::setButtonState(kCustomWindow, kCustomInspect, 0);
      (void)name;
    } else if (e.id == kCustomOK) {
      break;
    } else if (e.id == kCustomCancel) {
      selected = 0;
      break;
    }
  }
  plat::disposeWindow(kCustomWindow);
  if (selected == 0) return 0;
  if (picked) *picked = list.entries[static_cast<size_t>(selected - 1)];
  return list.index[static_cast<size_t>(selected - 1)];
}

bool EnterCustomTransformation(std::string* name) {
  open(kCustomWindow, "Save Custom Transformation", {80, 100, 640, 197});
  text(kCustomWindow, 10, 40, "Enter a name for this transform:");
  text(kCustomWindow, 206, 62, "\xA5  maximum of 48 characters");
  field(kCustomWindow, kSaveName, "", {206, 25, 550, 45}, plat::FieldKind::Editable, 14, 48);
  button(kCustomWindow, kSaveCancel, "Cancel", {360, 66, 440, 88});
  button(kCustomWindow, kSaveDone, "Done", {460, 66, 540, 88}, plat::ButtonKind::DefaultPush);
  plat::focusField(kCustomWindow, kSaveName, false);
  bool save = false;
  for (;;) {
    const MailboxEvent e = TakeEvent();
    if (!plat::windowExists(kCustomWindow)) break;
    if (e.action == kActionClose) break;
    if (e.action == kActionKey || (e.action == kActionActivate && e.id != kCustomWindow) ||
        (e.action == kActionClick && e.id == kSaveDone)) {
      save = true;
      break;
    }
    if (e.action == kActionClick && e.id == kSaveCancel) break;
  }
  if (save) *name = CustomName(plat::fieldText(kCustomWindow, kSaveName));
  plat::disposeWindow(kCustomWindow);
  return save;
}
