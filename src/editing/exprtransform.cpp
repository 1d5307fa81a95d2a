#include "editing/exprtransform.h"

#include <algorithm>

#include "editing/copychannel.h"
#include "shell/globals.h"
#include "shell/textutil.h"

StoreStatus RunExpressionTransform(int16_t slot, const ExpressionCode& code, const ExpressionRun& run,
                                   std::string_view label, int16_t* target) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return StoreStatus::NoFile;
  const int16_t n = nChannels[slot];
  if (run.x < 1 || run.x > n || run.y < 0 || run.y > n) return StoreStatus::BadChannel;
  const int32_t cases = nCases[slot];
  int32_t first = 1, last = cases;
  if (run.blockOnly) {
    first = std::max(1, std::min(BeginBlock[slot], EndBlock[slot]));
    last = std::min(cases, std::max(BeginBlock[slot], EndBlock[slot]));
  }
  int16_t c = run.x;
  if (run.toNew) {
    const StoreStatus st = AddChannel(slot);
    if (st != StoreStatus::Ok) return st;
    c = nChannels[slot];
    std::fill(ChannelData(slot, c), ChannelData(slot, c) + cases + 1, 0.0f);
  } else if (run.x != LastChan || !UndoAvailable(slot)) {
    const StoreStatus st = MAKEBACKUP(run.x);
    if (st != StoreStatus::Ok) return st;
  }
  // The label before the samples: nothing after them may fail. An empty
  // field keeps the channel's own label in place.
  if (run.toNew || label.find_first_not_of(' ') != std::string_view::npos) SetChannelLabel(slot, c, label);
  if (first <= last) {
    const float* y = run.y > 0 ? ChannelData(slot, run.y) + first : nullptr;
    EvaluateExpressionSpan(code, ChannelData(slot, run.x) + first, y, ChannelData(slot, c) + first,
                           last - first + 1);
  }
  FileSHORTS[slot][kShortChanged] = 1;
  ChangedChan = c;
  StoreChan = c;
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, c);
  if (target) *target = c;
  return StoreStatus::Ok;
}

std::string ExpressionLogText(std::string_view expression, int16_t x, int16_t y) {
  std::string s = "Expression transformation " + std::string(expression) + "; X chan =" + NumText(x);
  if (y > 0) s += "; Y chan =" + NumText(y);
  if (s.size() > 255) s.resize(255);
  return s;
}
