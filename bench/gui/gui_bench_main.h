// The main() of a benchmark program that draws: the offscreen platform, the
// test driver on a desk of the given size, then every registered benchmark.
#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/test.h"

inline int RunGuiBenchmarks(int argc, char** argv, plat::Size desk = {}) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  plat::test::Options opt;
  if (desk.w > 0) opt.desk = desk;
  opt.noteDrawnTexts = false;
  plat::test::init(opt);
  ::benchmark::Initialize(&argc, argv);
  ::benchmark::RunSpecifiedBenchmarks();
  ::benchmark::Shutdown();
  return 0;
}
