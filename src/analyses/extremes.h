// Smallest and largest of a run of values, found from the infinities, so
// that a channel lying wholly past a constant start such as 9e30 keeps its
// own extremes. A NaN takes no part; infinities do.
#pragma once
#include <algorithm>
#include <limits>

template <class T = float>
struct RunningExtremes {
  T lo = std::numeric_limits<T>::infinity();
  T hi = -std::numeric_limits<T>::infinity();
  // std::min and std::max keep the first argument when a NaN is the second.
  void add(T v) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  bool any() const { return lo <= hi; }
  // lo, or what the caller shows when nothing was added; hi alike.
  T loOr(T none) const { return any() ? lo : none; }
  T hiOr(T none) const { return any() ? hi : none; }
};
