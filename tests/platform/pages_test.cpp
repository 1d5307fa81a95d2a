// A kept block serves one later request of its kind, from half its size up
// to its size; small blocks are not kept.
#include "platform/pages.h"

#include <gtest/gtest.h>

namespace {
struct KeptBlockTestKind;
using Kept = KeptBlock<KeptBlockTestKind>;
constexpr size_t kMiB = size_t{1} << 20;
}  // namespace

TEST(KeptBlock, ServesOneLaterRequestOfAFittingSize) {
  const struct {
    size_t given, asked;
    bool served;
  } cases[] = {
      {4 * kMiB, 4 * kMiB + 1, false}, {4 * kMiB, 2 * kMiB - 1, false}, {kMiB - 1, kMiB - 1, false},
      {4 * kMiB, 4 * kMiB, true},      {4 * kMiB, 2 * kMiB, true},      {kMiB, kMiB, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.given << " " << c.asked);
    void* p = std::malloc(c.given);
    Kept::give(p, c.given);
    void* q = Kept::take(c.asked);
    EXPECT_EQ(q != nullptr, c.served);
    if (!q) continue;
    EXPECT_EQ(q, p);
    EXPECT_EQ(Kept::take(c.asked), nullptr);   // once
    std::free(q);
  }
}
