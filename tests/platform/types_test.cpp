#include <gtest/gtest.h>

#include "platform/types.h"

// Right and bottom edges are exclusive: off-by-one here shifts every hit test.
TEST(Rect, EdgesAreExclusiveOnRightAndBottom) {
  plat::Rect r{10, 20, 30, 40};
  EXPECT_EQ(r.width(), 20);
  EXPECT_EQ(r.height(), 20);
  EXPECT_TRUE(r.contains({10, 20}));
  EXPECT_TRUE(r.contains({29, 39}));
  EXPECT_FALSE(r.contains({30, 25}));
  EXPECT_FALSE(r.contains({15, 40}));
  EXPECT_TRUE((plat::Rect{5, 5, 5, 9}).empty());
  EXPECT_EQ(r.offset(1, -1), (plat::Rect{11, 19, 31, 39}));
}
