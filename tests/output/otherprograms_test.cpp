// Every file written for other programs (spreadsheets, pandas, wc) is UTF-8
// with LF line ends, whatever the program's own text holds: a label with a
// degree sign (Mac Roman 0xA1 inside) arrives as U+00B0.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "analyses/events.h"
#include "analyses/fft.h"
#include "analyses/linefit.h"
#include "analyses/periodicity.h"
#include "analyses/stepped.h"
#include "analyses/waveform.h"
#include "calculators/suncycle.h"
#include "datafiles/export.h"
#include "datafiles/save.h"
#include "output/outputfile.h"
#include "output/tabular.h"
#include "platform/macroman.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"
#include "support/scratch.h"
#include "thermoregulation/batch.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kLabel = "Tb (\xA1" "C)";             // the program's text
constexpr const char* kLabelOnDisk = "Tb (\xC2\xB0" "C)";   // as other programs read it

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(FilesForOtherPrograms, EveryWriterWritesUtf8WithLfOnly) {
  const fs::path dir = testsupport::MakeScratchDir("corvimet-writers-");
  const std::vector<float> y{0, 1, 3, 2, 5, 4, 6, 5, 8, 7, 9};

  const struct Row {
    const char* writer;
    bool carriesLabel;
    std::function<std::string()> bytes;
  } rows[] = {
      {"compacted series", true,
       [] {
         EXPECT_EQ(AllocateSlot(0, 30, 1), StoreStatus::Ok);
         SetChannelLabel(0, 1, kLabel);
         FileInfoFLOATS[0][kInfoInterval] = 1.0f;
         OverlayArray[0][2][1] = 1;
         for (int g = 0; g < 3; ++g) {
           ParseArray(1, g) = 36.5f + g;
           ParseArray(1 + kMaxChannels, g) = 0.1f;
         }
         parse[1] = 3;
         std::string s = EncodeCompactedSeries(0, 10, 1);
         FreeSlot(0);
         ParseArray.release();
         parse[0] = parse[1] = 0;
         return s;
       }},
      {"stepped sampling", true,
       [] {
         SteppedFileInput in;
         in.fileName = "run";
         in.today = "12/07/26";
         in.nCases = 100;
         in.nChannels = 1;
         in.blockTyped = "10";
         in.skipTyped = "20";
         in.channels = {1};
         in.labels = {kLabel};
         in.rows = {{0, 0.0, 1, 11, false}};
         in.stats = {{{36.5f, 36.0f, 37.0f, 0.3f}}};
         return SteppedResultsText(in);
       }},
      {"spectrum", false, [] { return FftResultsText(std::vector<float>{1, 2, 3, 4}, 8, 0.5, 0); }},
      {"residuals", false,
       [&] {
         LineFitRequest r;
         r.first = 1;
         r.last = 10;
         r.y = y;
         EXPECT_EQ(WriteResidualsFile(dir / "residuals.txt", r, 0.5f, 0.9f, false), 0);
         return slurp(dir / "residuals.txt");
       }},
      {"event details", true,
       [&] {
         const EventRequest req{1, 10, 4.0f, 1.0f, 1.0, 0.0f};
         const EventFileHeader h{"run", "12/07/26", kLabel, 10, 1, 1, 0.0};
         return EventDetailsText(h, y, req, CountEvents(y, req), 1);
       }},
      {"periodicity", false,
       [] {
         PeriodicityRow r;
         r.time = 60;
         r.r2 = 0.5f;
         r.b = 0.1f;
         r.n = 20;
         return PeriodicitySummaryText({r, r});
       }},
      {"waveform data", false,
       [] {
         WaveTables t;
         for (int s = 0; s < 5; ++s) t.set(s, 1, 1.5f);
         return WaveDataText(t, 1);
       }},
      {"sun table", false,
       [] {
         static float table[kSunCycleDays][3] = {};
         return SunCycleSpreadsheetText(table, -33.5f, 151.25f, false, false);
       }},
      {"thermal results and metadata", true,
       [] {
         ThermalSheet sheet;
         // A sheet saved by a Mac Roman editor: the program reads it as its own text.
         EXPECT_EQ(ParseThermalSheet(std::string("name,") + kLabel + "\rmouse,0.02\r", &sheet), SheetStatus::Ok);
         std::vector<RowOutcome> out(1);
         std::string s = ResultsFileText(sheet, out, {}, ',');
         s += MetadataText({std::string("climate ") + kLabel, "sheet.csv"});
         return s;
       }},
      {"results text and tabular files", true,
       [&] {
         OutputFile f;
         EXPECT_TRUE(f.create(dir / "results.txt", std::string("Results for ") + kLabel + "\r").ok());
         EXPECT_TRUE(f.append(TabularHeaderRow(CurrentTabularOptions())).ok());
         EXPECT_TRUE(f.append(std::string(kLabel) + "\t36.5\r\r").ok());
         EXPECT_TRUE(f.close().ok());
         return slurp(dir / "results.txt");
       }},
      {"text export", true,
       [&] {
         TextExportSource src;
         src.interval = 1.0f;
         src.startDate = "12-07-2026";
         src.startTime = "10:00:00";
         src.channels = {y.data()};
         src.labels = {kLabel};
         TextExportOptions opt;
         opt.elapsedColumn = true;
         opt.first = 0;
         opt.last = 10;
         EXPECT_EQ(WriteTextExport(dir / "export.csv", src, opt, {}, nullptr), FileStatus::Ok);
         return slurp(dir / "export.csv");
       }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.writer);
    const std::string bytes = r.bytes();
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.find('\r'), std::string::npos) << "LF only";
    EXPECT_TRUE(plat::isUtf8(bytes)) << bytes;
    EXPECT_EQ(bytes.back(), '\n') << "the last line ends too";
    if (r.carriesLabel) {
      EXPECT_NE(bytes.find(kLabelOnDisk), std::string::npos) << bytes;
    }
  }
  fs::remove_all(dir);
}

}  // namespace
