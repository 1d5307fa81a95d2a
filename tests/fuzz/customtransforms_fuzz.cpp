// Any bytes as the saved custom transforms file: the list holds only usable
// records among the first 40, each applies safely, and the rewrites keep
// whole records.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "editing/customtransforms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file(data, data + size);
  const CustomTransformList list = ListCustomTransforms(file);
  if (list.entries.size() != list.index.size() || list.entries.size() > static_cast<size_t>(kMaxCustomTransforms))
    std::abort();
  (void)CustomTransformDamageText(list);
  for (size_t i = 0; i < list.entries.size(); ++i) {
    if (!UsableCustomTransform(list.entries[i])) std::abort();
    const TransformSettings s = CustomTransformSettings(list.entries[i], list.index[i]);
    float work[4] = {-1.0f, 0.0f, 0.5f, 3.0f};
    const float second[4] = {2.0f, 2.0f, 0.0f, -1.0f};
    ApplyTransform(work, second, 0, 3, s);
  }
  if (!list.entries.empty()) {
    std::vector<uint8_t> copy = file;
    if (!ReplaceCustomRecord(copy, list.index[0], list.entries[0]) || copy.size() % kCustomRecordBytes != 0)
      std::abort();
    const int16_t gone[] = {list.index[0]};
    DeleteCustomRecords(copy, gone);
    if (copy.size() % kCustomRecordBytes != 0) std::abort();
  }
  return 0;
}
