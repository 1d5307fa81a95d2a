// What a scientist keeps, from the program's own start-up on the demo: a
// most-level scan then an integration, a regression then an asymptote that
// finds nothing, one that finds its level, and a waveform, each stored from
// its own window to the text results file and again to the tabular file.
// Every record is read back and held field by field to the window that
// showed it and to a plain long-double recomputation from the channel; the
// tabular file is read column by column under its header. A file-size limit
// inside a record leaves no fragment behind. Events counted with the
// duration filter, the time and selective integrals and the point-to-point
// scan are stored to a tabular file with its time, duration and case
// columns, each row named and held to its window.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/program_support.h"
#include "support/window_support.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "analyses/scans.h"
#include "analyses/statspanel.h"
#include "analyses/ui/fit_commands.h"
#include "analyses/ui/integration.h"
#include "analyses/ui/regression.h"
#include "analyses/ui/scans.h"
#include "analyses/ui/timeintegrate.h"
#include "analyses/ui/waveform.h"
#include "output/numberformat.h"
#include "output/results.h"
#include "output/ui/destination.h"
#include "output/ui/tabular_dialog.h"
#include "platform/controls.h"
#include "platform/macroman.h"
#include "platform/qt/services.h"
#include "platform/windows.h"
#include "plot/ui/plot_commands.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/windowids.h"
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

constexpr int32_t kScanFirst = 0, kScanLast = 2399;        // O2: baseline, then the animal
constexpr int32_t kFlatFirst = 1050, kFlatLast = 1350;     // O2 with no exponential approach
constexpr int32_t kRiseFirst = 2419, kRiseLast = 2460;     // O2 rising back to the reference air
constexpr int32_t kWaveFirst = 0, kWaveLast = 7199;        // chamber temperature cycling

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return plat::fromDiskText(std::string{std::istreambuf_iterator<char>(in), {}});
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == sep) out.emplace_back();
    else out.back() += c;
  }
  return out;
}

double Num(const std::string& s) {
  size_t at = s.find_first_of("-0123456789.");
  EXPECT_NE(at, std::string::npos) << "[" << s << "]";
  return at == std::string::npos ? NAN : std::stod(s.substr(at));
}

// The number after `key` in `text` (NaN when the key is missing).
double After(const std::string& text, const std::string& key) {
  const size_t at = text.find(key);
  EXPECT_NE(at, std::string::npos) << key << " in\n" << text;
  return at == std::string::npos ? NAN : Num(text.substr(at + key.size(), 24));
}

// Plain references over cases first..last of one channel.
struct Moments {
  long double sum = 0, mean = 0, sd = 0, lo = INFINITY, hi = -INFINITY;
  int64_t n = 0;
};
Moments Reference(int16_t slot, int16_t c, int32_t first, int32_t last) {
  Moments m;
  for (int32_t k = first; k <= last; ++k) {
    const long double v = GetDatum(slot, c, k);
    m.sum += v;
    m.lo = std::min(m.lo, v);
    m.hi = std::max(m.hi, v);
    ++m.n;
  }
  m.mean = m.sum / m.n;
  long double ss = 0;
  for (int32_t k = first; k <= last; ++k) ss += (GetDatum(slot, c, k) - m.mean) * (GetDatum(slot, c, k) - m.mean);
  m.sd = std::sqrt(ss / m.n);   // population, as the block analyses report it
  return m;
}

// What the windows showed, one run per destination.
struct Shown {
  std::string scanMean, scanSD, scanN, integral, regA, regB, regR2, regN, wavePeriod, waveAmplitude;
  std::string asymptote, cd, k, rate, time;
  int32_t mmlBegin = 0, mmlPoints = 0;
  int32_t periods = 0;
  float dn = 0;
  float level = 0;   // the asymptote found, unrounded
};

class ResultsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    slot_ = testsupport::StartProgramOnDemo();
    ASSERT_GE(slot_, 0);
    dir_ = testsupport::FreshTestDir("corvimet-resultsfile-");
    topic = 0;
    Nresults = 0;
  }
  void TearDown() override {
    if (capped_) setrlimit(RLIMIT_FSIZE, &savedLimit_);
    CloseDestination();
    testsupport::StopProgram();
  }

  void choose(int item, const fs::path& p) {
    Script s;
    if (item == 2) s.click(kOutputOptionsWindow, 20);
    s.answerSave(p);
    plat::test::run(s, [item] { EXPECT_TRUE(DoMENU(kMenuSendResults, static_cast<int16_t>(item))); });
  }

  // The sequence, each result stored from its own window.
  Shown storeSequence(bool tabular) {
    Shown w;
    const int16_t slot = slot_;
    testsupport::SelectBlock(slot, kScanFirst, kScanLast, 1);
    Script scan;
    scan.type(kScanIntervalWindow, kScanSecondsField, "60").click(kScanIntervalWindow, kScanIntervalOK);
    scan.call([&w] {
      w.scanMean = plat::fieldText(kResultsWindow, kPanelMeanField);
      w.scanSD = plat::fieldText(kResultsWindow, kPanelSDField);
      w.scanN = plat::fieldText(kResultsWindow, kPanelNField);
      w.mmlBegin = MMLBegin;
      w.mmlPoints = MMLpoints;
    });
    scan.key(kResultsWindow, 'p').closeBox(kResultsWindow);
    plat::test::run(scan, [] { EXPECT_TRUE(DoMENU(kMenuAnalyze, 4)); });   // Most Level Segment

    Script area;
    area.call([&w] { w.integral = plat::fieldText(kResultsWindow, kIntegralField); });
    area.key(kResultsWindow, 'p').closeBox(kResultsWindow);
    plat::test::run(area, [] { EXPECT_TRUE(DoMENU(kMenuAnalyze, 6)); });

    // O2 against CO2.
    Script reg;
    reg.click(kPickWindow, 2).click(kPickWindow, 4 + 1).click(kPickWindow, kPickOK);
    reg.click(kPickWindow, 1).click(kPickWindow, kModelDone);
    reg.call([&w] {
      w.regA = plat::fieldText(kResultsWindow, kRegAField);
      w.regB = plat::fieldText(kResultsWindow, kRegBField);
      w.regR2 = plat::fieldText(kResultsWindow, kRegR2Field);
      w.regN = plat::fieldText(kResultsWindow, kRegNField);
    });
    reg.click(kResultsWindow, kRegPrint);
    if (tabular)
      reg.call([] {
           EXPECT_NE(plat::fieldText(kAlertWindow, kAlertMessage).find("takes no row"), std::string::npos);
           plat::test::saveArtifact(plat::test::windowImage(kAlertWindow), "tabular-no-row-alert.png");
         })
          .click(kAlertWindow, kAlertOK);
    reg.click(kResultsWindow, kRegExit);
    plat::test::run(reg, [] { EXPECT_TRUE(DoMENU(kMenuAnalyze, 16)); });

    // No asymptote: every field "--", Print dimmed, and the menu's store
    // refuses rather than writing the regression's numbers as an asymptote.
    testsupport::SelectBlock(slot, kFlatFirst, kFlatLast, 1);
    Script asym;
    asym.click(kTimeUnitsWindow, kTimeSeconds);
    asym.call([] {
      EXPECT_EQ(plat::fieldText(kResultsWindow, kAsymValueField), "no asymptote found");
      for (int id : {kAsymCDField, kAsymKField, kAsymRateField, kAsymTimeField})
        EXPECT_EQ(plat::fieldText(kResultsWindow, id), " --") << id;
      EXPECT_EQ(plat::buttonState(kResultsWindow, kAsymPrint), 0);
      plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "asymptote-none-found.png");
    });
    asym.click(kResultsWindow, kAsymDone);
    plat::test::run(asym, [] { EXPECT_TRUE(DoMENU(kMenuAnalyze, 17)); });
    Script refuse;
    refuse.call([] { EXPECT_NE(plat::fieldText(kAlertWindow, kAlertMessage).find("no result"), std::string::npos); })
        .click(kAlertWindow, kAlertOK);
    plat::test::run(refuse, [] { EXPECT_TRUE(DoMENU(kMenuFile, 16)); });

    // One that finds its level, per minute.
    testsupport::SelectBlock(slot, kRiseFirst, kRiseLast, 1);
    Script rise;
    rise.click(kTimeUnitsWindow, kTimeMinutes);
    rise.call([&w] {
      w.asymptote = plat::fieldText(kResultsWindow, kAsymValueField);
      w.cd = plat::fieldText(kResultsWindow, kAsymCDField);
      w.k = plat::fieldText(kResultsWindow, kAsymKField);
      w.rate = plat::fieldText(kResultsWindow, kAsymRateField);
      w.time = plat::fieldText(kResultsWindow, kAsymTimeField);
      w.level = StandardDeviation;
      EXPECT_EQ(plat::buttonState(kResultsWindow, kAsymPrint), 1);
    });
    rise.click(kResultsWindow, kAsymPrint).click(kResultsWindow, kAsymDone);
    plat::test::run(rise, [] { EXPECT_TRUE(DoMENU(kMenuAnalyze, 17)); });

    testsupport::SelectBlock(slot, kWaveFirst, kWaveLast, 4);
    Script wave;
    wave.click(kSecondaryWindow, kWaveDefaultTriggers);
    wave.call([&w] {
      w.wavePeriod = plat::fieldText(kResultsWindow, kWavePeriodField);
      w.waveAmplitude = plat::fieldText(kResultsWindow, kWaveAmplitudeField);
      w.periods = WavePeriodCount;
      w.dn = dn;
    });
    if (tabular) wave.call([this] { capTheFileInsideTheNextRecord(); });
    wave.click(kResultsWindow, kWavePrint);
    if (tabular) wave.call([this] { expectNoFragmentAndStoreAgain(); }).click(kResultsWindow, kWavePrint);
    wave.closeBox(kResultsWindow);
    plat::test::run(wave, [] { EXPECT_TRUE(DoMENU(kMenuAnalyze, 11)); });
    return w;
  }

  // A file-size limit a few bytes into the waveform's first row.
  void capTheFileInsideTheNextRecord() {
    plat::detail::fileErrorsShown().clear();
    before_ = Slurp(tabPath_);
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &savedLimit_);
    capped_ = true;
    rlimit small = savedLimit_;
    small.rlim_cur = fs::file_size(tabPath_) + 9;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  void expectNoFragmentAndStoreAgain() {
    setrlimit(RLIMIT_FSIZE, &savedLimit_);
    capped_ = false;
    ASSERT_EQ(plat::detail::fileErrorsShown().size(), 1u);
    EXPECT_NE(plat::detail::fileErrorsShown()[0].find("holds what it held before"), std::string::npos);
    EXPECT_EQ(Slurp(tabPath_), before_) << "the failed record left nothing behind";
  }

  int16_t slot_ = -1;
  fs::path dir_, tabPath_;
  std::string before_;
  rlimit savedLimit_{};
  bool capped_ = false;
};

TEST_F(ResultsFile, EachRecordHoldsItsOwnWindowsNumbersInBothFiles) {
  const fs::path text = dir_ / "demo results";
  choose(3, text);
  const Shown tw = storeSequence(false);
  tabPath_ = dir_ / "demo results.txt";
  choose(2, tabPath_);   // closes the text file
  const Shown bw = storeSequence(true);
  CloseDestination();

  // Both runs showed the same numbers.
  EXPECT_EQ(tw.scanMean, bw.scanMean);
  EXPECT_EQ(tw.integral, bw.integral);
  EXPECT_EQ(tw.regB, bw.regB);
  EXPECT_EQ(tw.wavePeriod, bw.wavePeriod);

  const int16_t s = slot_;
  const Moments level = Reference(s, 1, tw.mmlBegin, tw.mmlBegin + tw.mmlPoints - 1);
  const Moments block = Reference(s, 1, kScanFirst, kScanLast);
  const long double integral = block.sum / 60.0L;   // minutes, 1-s samples, zero baseline

  // ---- The text file: one record per stored result, the asymptote none.
  const std::string all = Slurp(text);
  std::vector<std::string> records = Split(all, '\r');
  if (!records.empty() && records.back().empty()) records.pop_back();
  std::vector<std::string> rec(1);
  for (const std::string& line : records) {
    if (line == std::string(50, '_')) rec.emplace_back();
    else rec.back() += line + "\n";
  }
  // Five results, the first behind the file's header; nothing after the last rule.
  ASSERT_EQ(rec.size(), 6u) << all;
  EXPECT_EQ(rec[5], "");
  const std::string& scanRec = rec[0].substr(rec[0].find("  \xA5 FILE"));
  const std::string cases = IntText(tw.mmlBegin) + " to" + IntText(tw.mmlBegin + tw.mmlPoints - 1);
  EXPECT_NE(scanRec.find("MOST LEVEL at cases" + cases), std::string::npos) << scanRec;
  EXPECT_NEAR(After(scanRec, "Mean ="), level.mean, 5e-5);
  EXPECT_NEAR(After(scanRec, "Mean ="), Num(tw.scanMean), 5e-4);
  EXPECT_NEAR(After(scanRec, "S.D. ="), level.sd, 5e-6);
  EXPECT_NEAR(After(scanRec, "S.D. ="), Num(tw.scanSD), 5e-5);
  EXPECT_EQ(After(scanRec, "N ="), Num(tw.scanN));
  EXPECT_NEAR(After(scanRec, "Range:"), level.lo, 5e-5);
  EXPECT_NEAR(After(scanRec.substr(scanRec.find("Range:")), " to "), level.hi, 5e-5);

  const std::string& areaRec = rec[1];
  EXPECT_NE(areaRec.find("INTEGRATION;  timebase is minutes"), std::string::npos) << areaRec;
  EXPECT_NEAR(After(areaRec, "integrated total is:"), integral, 5e-3);
  EXPECT_NEAR(After(areaRec, "integrated total is:"), Num(tw.integral), 5e-2);

  // O2 on CO2 over the scan's block.
  {
    long double sx = 0, sy = 0;
    const int32_t n = kScanLast - kScanFirst + 1;
    for (int32_t k = kScanFirst; k <= kScanLast; ++k) {
      sx += GetDatum(s, 2, k);
      sy += GetDatum(s, 1, k);
    }
    const long double mx = sx / n, my = sy / n;
    long double sxx = 0, sxy = 0, syy = 0;
    for (int32_t k = kScanFirst; k <= kScanLast; ++k) {
      const long double dx = GetDatum(s, 2, k) - mx, dy = GetDatum(s, 1, k) - my;
      sxx += dx * dx;
      sxy += dx * dy;
      syy += dy * dy;
    }
    const long double b = sxy / sxx, a = my - b * mx, r2 = sxy * sxy / sxx / syy;
    const std::string& regRec = rec[2];
    EXPECT_NE(regRec.find("REGRESSION of channel 2 against channel 1"), std::string::npos) << regRec;
    EXPECT_NEAR(After(regRec, "value of a:"), a, 1e-4);
    EXPECT_NEAR(After(regRec, "value of a:"), Num(tw.regA), 1e-3);
    EXPECT_NEAR(After(regRec, "(value of b):"), b, 1e-4);
    EXPECT_NEAR(After(regRec, "(value of b):"), Num(tw.regB), 1e-3);
    EXPECT_NEAR(After(regRec, "r^2 ="), r2, 1e-5);
    EXPECT_NEAR(After(regRec, "r^2 ="), Num(tw.regR2), 1e-3);
    EXPECT_EQ(After(regRec, " n ="), n);
    EXPECT_EQ(Num(tw.regN), n);
  }

  // ln|a - y| against the case at the level found: its slope per minute.
  long double refK = 0;
  {
    long double sk = 0, sz = 0, skk = 0, skz = 0;
    const int32_t n = kRiseLast - kRiseFirst + 1;
    for (int32_t k = kRiseFirst; k <= kRiseLast; ++k) {
      const long double z = std::log(std::fabs(static_cast<long double>(tw.level) - GetDatum(s, 1, k)));
      sk += k;
      sz += z;
      skk += static_cast<long double>(k) * k;
      skz += k * z;
    }
    refK = 60.0L * (skz - sk * sz / n) / (skk - sk * sk / n);
  }
  const std::string& asymRec = rec[3];
  EXPECT_EQ(rec[2].find("ASYMPTOTE"), std::string::npos) << "nothing stored for the asymptote that found none";
  EXPECT_LT(refK, 0.0L) << "a true approach narrows the gap";
  EXPECT_NEAR(After(asymRec, "ASYMPTOTE (1st order approximation) ="), Num(tw.asymptote), 1e-3);
  EXPECT_NEAR(After(asymRec, "iterations ) ="), Num(tw.cd), 1e-2);
  // Rising data: |k| in the window, and the same in the file.
  EXPECT_GT(Num(tw.k), 0.0);
  EXPECT_NEAR(After(asymRec, "Slope of ln-transformed data:"), Num(tw.k), 1e-3 * Num(tw.k));
  EXPECT_NEAR(After(asymRec, "Slope of ln-transformed data:"), -refK, 0.02 * -refK);
  EXPECT_NEAR(After(asymRec, "(fractional change per minute):"), Num(tw.rate), 1e-3);
  EXPECT_NEAR(After(asymRec, "Time for 50% change:"), Num(tw.time), 1e-3 * Num(tw.time));
  EXPECT_NEAR(Num(tw.time), std::log(2.0) / -refK, 0.02 * std::log(2.0) / -refK);

  const std::string& waveRec = rec[4];
  EXPECT_EQ(After(waveRec, "PERIOD ["), tw.periods);
  EXPECT_NEAR(After(waveRec, " cycles ]:"), Num(tw.wavePeriod), 5e-3 * Num(tw.wavePeriod));
  EXPECT_EQ(After(waveRec, "AMPLITUDE ["), tw.dn);
  EXPECT_NEAR(After(waveRec, "        ="), Num(tw.waveAmplitude), 5e-3);

  // ---- The tabular file, column by column under its header.
  const std::vector<std::string> lines = Split(Slurp(tabPath_), '\r');
  ASSERT_EQ(lines.size(), 11u) << "header, scan, integral, five asymptote rows, frequency, amplitude and the end";
  EXPECT_EQ(lines.back(), "");
  const std::vector<std::string> header = Split(lines[0], '\t');
  EXPECT_EQ(header, (std::vector<std::string>{"Mean", "SD", "N", "minimum", "maximum", "Variable", "Analysis"}));
  std::vector<std::map<std::string, std::string>> rows;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::vector<std::string> f = Split(lines[i], '\t');
    ASSERT_EQ(f.size(), header.size()) << "row " << i << ": " << lines[i];
    std::map<std::string, std::string> row;
    for (size_t c = 0; c < f.size(); ++c) row[header[c]] = f[c];
    rows.push_back(row);
  }
  const std::string o2 = RetrieveLabelOf(s, 1), temp = RetrieveLabelOf(s, 4);
  auto& scan = rows[0];
  EXPECT_EQ(scan["Analysis"], "most level");
  EXPECT_EQ(scan["Variable"], o2);
  EXPECT_NEAR(Num(scan["Mean"]), level.mean, 5e-5);
  EXPECT_NEAR(Num(scan["SD"]), level.sd, 5e-6);
  EXPECT_EQ(Num(scan["N"]), level.n);
  EXPECT_NEAR(Num(scan["minimum"]), level.lo, 5e-5);
  EXPECT_NEAR(Num(scan["maximum"]), level.hi, 5e-5);

  auto& area = rows[1];
  EXPECT_EQ(area["Analysis"], "integral");
  EXPECT_EQ(area["Variable"], o2);
  EXPECT_NEAR(Num(area["Mean"]), integral, 5e-3);
  EXPECT_EQ(Num(area["N"]), block.n);
  // Not the scan window's SD and range: an integral has none.
  for (const char* empty : {"SD", "minimum", "maximum"}) EXPECT_EQ(area[empty], "") << empty;

  // The asymptote's numbers, each named, each as its window showed it.
  const struct {
    const char* name;
    const std::string* shown;
    double tolerance;
  } asym[] = {{"asymptote", &bw.asymptote, 1e-3},
              {"asymptote C.D. (%)", &bw.cd, 1e-2},
              {"asymptote slope per minute", &bw.k, 1e-3 * Num(bw.k)},
              {"asymptote rate constant per minute", &bw.rate, 1e-3},
              {"asymptote time for 50% change (minutes)", &bw.time, 1e-3 * Num(bw.time)}};
  for (size_t i = 0; i < std::size(asym); ++i) {
    auto& row = rows[2 + i];
    SCOPED_TRACE(asym[i].name);
    EXPECT_EQ(row["Analysis"], asym[i].name);
    EXPECT_EQ(row["Variable"], o2);
    EXPECT_NEAR(Num(row["Mean"]), Num(*asym[i].shown), asym[i].tolerance);
    EXPECT_EQ(row["SD"], "");
    EXPECT_EQ(row["N"], i == 0 ? IntText(kRiseLast - kRiseFirst + 1) : std::string());
  }

  auto& freq = rows[7];
  auto& amp = rows[8];
  EXPECT_EQ(freq["Analysis"], "frequency/min");
  EXPECT_EQ(amp["Analysis"], "amplitude");
  EXPECT_EQ(freq["Variable"], temp);
  EXPECT_NEAR(Num(freq["Mean"]), 60.0 / Num(bw.wavePeriod), 5e-3 * 60.0 / Num(bw.wavePeriod));
  EXPECT_EQ(Num(freq["N"]), bw.periods) << "periods, as the window and the text file count them";
  EXPECT_NEAR(Num(amp["Mean"]), Num(bw.waveAmplitude), 5e-3);
  EXPECT_EQ(Num(amp["N"]), bw.dn);
}

TEST_F(ResultsFile, LimitAndPointToPointRowsAreNamedAndHoldTheirWindows) {
  tabPath_ = dir_ / "demo limits.txt";
  tabTime = deltatime = tabStart = 0;
  Script options;
  options.click(kOutputOptionsWindow, 1).click(kOutputOptionsWindow, 2).click(kOutputOptionsWindow, 4);
  options.click(kOutputOptionsWindow, 20).answerSave(tabPath_);
  plat::test::run(options, [] { EXPECT_TRUE(DoMENU(kMenuSendResults, 2)); });
  const int16_t s = slot_;
  testsupport::SelectBlock(s, kScanFirst, kScanLast, 1);

  // Only events longer than 20 s, as a user counts breaths held.
  std::string up, down;
  float g = 0, l = 0;
  double allUp = 0;
  Script events;
  events.click(kResultsWindow, kEventCountAllBox).click(kResultsWindow, kEventFilterBox);
  events.call([] { plat::setFieldText(kResultsWindow, kEventMinField, "20"); });
  events.click(kResultsWindow, kLimitRecalculate).call([&] {
    up = plat::fieldText(kResultsWindow, kLimitResultField);
    down = plat::fieldText(kResultsWindow, kLimitShareField);
    g = FieldValue(kResultsWindow, kLimitGreaterField);
    l = FieldValue(kResultsWindow, kLimitLessField);
    allUp = meanValue;
  });
  events.click(kResultsWindow, kLimitPrintButton).closeBox(kResultsWindow);
  plat::test::run(events, [] { EXPECT_TRUE(DoMENU(kMenuAnalyze, 21)); });

  std::string time, timeShare, selective, selectiveShare;
  for (int item : {20, 22}) {
    Script lim;
    lim.call([&, item] {
      (item == 20 ? time : selective) = plat::fieldText(kResultsWindow, kLimitResultField);
      (item == 20 ? timeShare : selectiveShare) = plat::fieldText(kResultsWindow, kLimitShareField);
    });
    lim.click(kResultsWindow, kLimitPrintButton).closeBox(kResultsWindow);
    plat::test::run(lim, [item] { EXPECT_TRUE(DoMENU(kMenuAnalyze, static_cast<int16_t>(item))); });
  }

  Shown p2p;
  Script scan;
  scan.type(kScanIntervalWindow, kScanSecondsField, "60").click(kScanIntervalWindow, kScanIntervalOK);
  scan.click(kScanIntervalWindow, kPointToPointButton);
  scan.call([&p2p] {
    p2p.scanMean = plat::fieldText(kResultsWindow, kPanelMeanField);
    p2p.mmlBegin = MMLBegin;
    p2p.mmlPoints = MMLpoints;
  });
  scan.key(kResultsWindow, 'p').closeBox(kResultsWindow);
  plat::test::run(scan, [] { EXPECT_TRUE(DoMENU(kMenuAnalyze, 5)); });
  CloseDestination();
  tabTime = deltatime = tabStart = 0;

  const std::vector<std::string> lines = Split(Slurp(tabPath_), '\r');
  ASSERT_EQ(lines.size(), 7u) << "header, two event rows, two integrals, the scan and the end";
  const std::vector<std::string> header = Split(lines[0], '\t');
  std::vector<std::map<std::string, std::string>> rows;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::vector<std::string> f = Split(lines[i], '\t');
    ASSERT_EQ(f.size(), header.size()) << lines[i];
    std::map<std::string, std::string> row;
    for (size_t c = 0; c < f.size(); ++c) row[header[c]] = f[c];
    rows.push_back(row);
  }

  // Upper runs of the block by hand: kept when they end inside it and last
  // longer than 20 s (1-s samples).
  const int32_t b = BeginBlock[s], e = EndBlock[s];
  int kept = 0;
  for (int32_t k = b; k <= e;) {
    if (GetDatum(s, 1, k) < g) {
      ++k;
      continue;
    }
    int32_t j = k;
    do ++j;
    while (j != e && GetDatum(s, 1, j) >= g);
    if (j < e && j - k > 20.002) ++kept;
    k = j + 1;
  }
  EXPECT_EQ(Num(up), kept);
  EXPECT_NE(kept, allUp) << "the filter must matter here";
  const struct {
    const char* name;
    const std::string* mean;
    const std::string* sd;
  } limits[] = {{"positive events (above upper limit)", &up, nullptr},
                {"negative events (below lower limit)", &down, nullptr},
                {"time integration", &time, &timeShare},
                {"selective integration", &selective, &selectiveShare}};
  for (size_t i = 0; i < std::size(limits); ++i) {
    SCOPED_TRACE(limits[i].name);
    auto& row = rows[i];
    EXPECT_EQ(row["Analysis"], limits[i].name);
    EXPECT_NEAR(Num(row["Mean"]), Num(*limits[i].mean), 5e-4 * std::abs(Num(*limits[i].mean)));
    if (limits[i].sd) {
      EXPECT_NEAR(Num(row["SD"]), Num(*limits[i].sd), 5e-3);
    }
    EXPECT_EQ(row["start"], IntText(b));
    EXPECT_EQ(row["end"], IntText(e));
  }
  EXPECT_NEAR(Num(rows[0]["minimum"]), g, 5e-4);
  EXPECT_NEAR(Num(rows[0]["maximum"]), l, 5e-4);

  // The window's cases, span and name, not the block's.
  auto& pp = rows[4];
  const int32_t last = p2p.mmlBegin + p2p.mmlPoints - 1;
  EXPECT_EQ(pp["Analysis"], "most variable (point-to-point)");
  EXPECT_EQ(p2p.mmlPoints, 61);
  EXPECT_EQ(pp["start"], IntText(p2p.mmlBegin));
  EXPECT_EQ(pp["end"], IntText(last));
  EXPECT_EQ(Num(pp["Duration"]), 60);
  EXPECT_NEAR(Num(pp["Mean"]), Reference(s, 1, p2p.mmlBegin, last).mean, 5e-5);
  EXPECT_NEAR(Num(pp["Mean"]), Num(p2p.scanMean), 5e-4);
}

}  // namespace
