// Shared result record for the output tests: file "run1", 1 s interval,
// start 10:00:00, block cases 120..180 of channel 2.
#pragma once
#include <string>

#include "output/results.h"

namespace outtest {

inline std::string Pad30(const std::string& s) { return s + std::string(30 - s.size(), ' '); }

inline ResultRecord BaseRecord(int16_t topic) {
  ResultRecord r;
  r.topic = topic;
  r.digits = 5;
  r.fileName = "run1";
  r.startDate = "03-15-2024";
  r.startTime = "10:00:00";
  r.interval = 1.0f;
  r.startMinutes = 600.0f;
  r.flow = 250.0f;
  r.mass = 32.5f;
  r.beginBlock = 120;
  r.endBlock = 180;
  r.ch = 2;
  r.label = Pad30("O2");
  r.meanValue = 3.0;
  r.sd = 1.41421f;
  r.nrPoints = 5;
  r.mi = 1.0f;
  r.ma = 5.0f;
  r.x1 = 120.0f;
  r.x2 = 180.0f;
  r.bga = 120;
  r.eda = 180;
  r.mmlBegin = 130;
  r.mmlPoints = 11;
  r.inCh = 2;
  r.integrationUnit = kUnitMinutes;
  r.integrationMode = kBaseZero;
  return r;
}

// CR shown as "<CR>\n" so that a failing comparison reads line by line.
inline std::string Visible(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') out += "<CR>\n";
    else if (c == '\t') out += "<TAB>";
    else out += c;
  }
  return out;
}

}  // namespace outtest
