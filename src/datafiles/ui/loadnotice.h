// The notice that stays up while a long load runs, for the open command and
// the text import alike.
#pragma once
#include <cstdint>

#include "platform/types.h"

inline constexpr int16_t kLoadNoticeWindow = 15;
// Loading a file of more cases than this shows a notice first.
inline constexpr int32_t kLongLoadCases = 80'000;

// Shows the notice with its text when show is true, until it goes out of
// scope; the current port is restored then.
class LoadNotice {
 public:
  LoadNotice(bool show, const plat::MacText& text);
  ~LoadNotice();
  LoadNotice(const LoadNotice&) = delete;
  LoadNotice& operator=(const LoadNotice&) = delete;

 private:
  bool shown_;
  int previous_ = 0;
};
