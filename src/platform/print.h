// Page setup, print dialog and print jobs. Jobs draw through a Port in
// 72-dpi page units; XOR degrades to copy on paper.
#pragma once
#include <memory>

#include "platform/port.h"

namespace plat::print {

bool pageSetup();        // false: cancelled; settings are kept for the session
bool printDialog();      // false: cancelled
int  scalePercent();     // the page-setup scale (our addition), 100 by default

class Job {
 public:
  explicit Job(const MacText& title = "Corvimet");
  ~Job();                // finishes the job if finish() was not called
  Port& port();
  Rect pageRect() const; // page units (72 dpi), origin at the printable area's top left
  void newPage();
  void finish();
  bool ok() const;
 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace plat::print
