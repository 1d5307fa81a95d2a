// Commands that change a whole file, run again and again with one more of
// their allocations refused each time: each either finishes or leaves every
// open file exactly as it was. Requests go through replacements of the
// global operator new and of the source of channels' large blocks, which
// count them and refuse the one asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "analyses/polyfit.h"
#include "datafiles/fixture.h"
#include "datafiles/merge.h"
#include "datafiles/native_binary.h"
#include "datafiles/repairs.h"
#include "datafiles/save.h"
#include "datafiles/text_import.h"
#include "datafiles/timescale.h"
#include "editing/copychannel.h"
#include "editing/exprtransform.h"
#include "editing/fileedit.h"
#include "editing/integrate.h"
#include "platform/channel_array.h"
#include "shell/globals.h"
#include "support/refusing_allocator.h"

namespace {
std::atomic<int64_t>& gCountdown = testsupport::gRefusalCountdown;
}  // namespace

bool testsupport::RefuseAllocation(std::size_t) { return RefuseCounted(); }
bool testsupport::RefusePages(std::size_t) { return RefuseCounted(); }

namespace {

// Long enough that every channel is a page mapping of its own.
constexpr int32_t kCases = 300'000;
constexpr int16_t kChannels = 3;

struct Store {
  std::vector<SlotState> slots;
  int16_t open = 0;
  uint16_t inUse = 0;
  // The interpolation flags of the file in use, as far as they were built.
  std::vector<float> flags;
  bool operator==(const Store&) const = default;
  static Store now() {
    Store st;
    for (int16_t s = 0; s < kMaxOpenFiles; ++s) st.slots.push_back(SlotState::of(s));
    if (const float* f = BackupCache.view(kBackupInterpolation))
      st.flags.assign(f, f + BackupCache.heldFloats(kBackupInterpolation));
    st.open = CountOpenFiles();
    st.inUse = TheFileInUse;
    return st;
  }
};

DataFileImage secondImage(int32_t cases, int channels) {
  DataFileImage img;
  img.cases = cases;
  img.interval = 1.0f;
  img.startDate = "03-15-2024";
  img.startTime = "10:00:00";
  img.comments = "second file";
  for (int c = 0; c < channels; ++c) {
    ChannelArray v(static_cast<size_t>(cases) + 1);
    for (int32_t i = 0; i <= cases; ++i) v[static_cast<size_t>(i)] = static_cast<float>(5000 + 100 * c + i % 77);
    img.data.push_back(std::move(v));
    img.labels.push_back(FitLabel("second " + std::to_string(c + 1)));
    img.travel.push_back({1.0f + static_cast<float>(c), 2, 3, 4, 5});
  }
  img.markers = {{2, 7}, {cases - 1, 8}};
  img.notes = {{"3", "10:00:03", "second note"}};
  return img;
}

class OutOfMemory : public DataFilesTest {
 protected:
  void TearDown() override {
    gCountdown = 0;
    prefsArray[kPrefRecordEdits] = 0;
    DataFilesTest::TearDown();
  }
  // The file every command works on, in slot 0: markers spread over it and
  // past a cut, notes, comments, labels, a block.
  static void makeFile() {
    ASSERT_EQ(AllocateSlot(0, kCases, kChannels), StoreStatus::Ok);
    TheFileInUse = 0;
    prefsArray[kPrefRecordEdits] = 0;
    FileInfoFLOATS[0][kInfoInterval] = 1.0f;
    FileName[0] = "base.orl";
    StartDate[0] = "03-14-2024";
    StartTime[0] = "09:00:00";
    CommentContainer[0] = "base comments";
    for (int16_t c = 1; c <= kChannels; ++c) {
      SetChannelLabel(0, c, "base " + std::to_string(c));
      nVar[0][c][2] = static_cast<float>(c);
      OverlayArray[0][2][c] = 1;
      float* a = ChannelData(0, c);
      for (int32_t i = 0; i <= kCases; ++i) a[i] = static_cast<float>(c * 1000 + i % 97);
    }
    SnapshotLabels(0);
    for (int32_t k = 1; k <= 40; ++k) ASSERT_EQ(AddMarker(0, k * 7'000, k), StoreStatus::Ok);
    ASSERT_EQ(AddNote(0, {"2", "09:00:02", "first note"}), StoreStatus::Ok);
    ASSERT_EQ(AddNote(0, {"250000", "", "late note"}), StoreStatus::Ok);
    FileSHORTS[0][kShortChanged] = 0;
    FileSHORTS[0][kShortBlockState] = 2;
    BeginBlock[0] = 10;
    EndBlock[0] = 20;
  }
};

struct Row {
  const char* name;
  // Builds what the command takes, before any request is counted.
  std::function<void(const std::filesystem::path& dir)> prepare;
  std::function<std::string()> command;   // its alert; "" when it finished
  // A file of the folder a failure may leave written: a backup taken first.
  const char* mayLeave = nullptr;
};

void logEdits(const std::filesystem::path&) { prefsArray[kPrefRecordEdits] = 1; }

// The names in a folder, hidden ones too, in order; but one.
std::vector<std::string> listing(const std::filesystem::path& dir, const char* but) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (!but || e.path().filename() != but) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(OutOfMemory, EachRefusedAllocationLeavesTheOpenFilesAsTheyWere) {
  DataFileImage incoming;
  TextTable table;
  ChannelArray longer;
  const TextImportChoice choice{{0, 1}, 1.0, "03-16-2024", "08:00:00"};
  const auto status = [](StoreStatus s) { return std::string(StoreStatusText(s)); };
  const auto fileStatus = [](FileStatus s) { return std::string(FileStatusText(s)); };
  const auto editStatus = [](FileEditStatus s) { return std::string(FileEditStatusText(s)); };
  bool removeFirst[kMaxChannels + 1] = {};
  removeFirst[1] = true;
  ExpressionCode code;
  ASSERT_EQ(ParseExpression("2*x + y", "x", "y", &code).status, ParseStatus::Ok);
  // The label typed in a window, read by the command.
  const auto typed = [](const char* label) { return std::string(label); };
  // Spans on a file marker, across the file's own markers and past them,
  // their flags built.
  const auto withSpans = [] {
    for (const auto& [first, last] : {std::pair{14'000, 14'100}, {20'000, 21'000}, {39'990, 42'010}})
      ASSERT_EQ(AddInterpolationPair(0, first, last), StoreStatus::Ok);
    MakeInterpolationRecordFor(0);
  };
  const Row rows[] = {
      {"time-scale change 1 s to 4 s", nullptr, [&] { return status(ResampleSlot(0, 4.0f)); }},
      {"time-scale change 1 s to 0.5 s", nullptr, [&] { return status(ResampleSlot(0, 0.5f)); }},
      {"time-scale change 1 s to 0.3 s", nullptr, [&] { return status(ResampleSlot(0, 0.3f)); }},
      // The whole command: the file, its log lines and its block.
      {"time-scale change 1 s to 4 s, logged", logEdits, [&] { return editStatus(AdjustSlotTimeScale(0, 4.0f)); }},
      {"time-scale change 1 s to 0.5 s, logged", logEdits,
       [&] { return editStatus(AdjustSlotTimeScale(0, 0.5f)); }},
      {"crop, logged", logEdits, [&] { return editStatus(CropToSpan(0, {20'000, 250'000}, 2)); }},
      {"remove the first channel, logged", logEdits, [&] { return editStatus(DeleteChannels(removeFirst, nullptr)); }},
      {"undo, logged",
       [&](const std::filesystem::path& dir) {
         logEdits(dir);
         ASSERT_EQ(MAKEBACKUP(2), StoreStatus::Ok);
         std::fill(gPointersToFileData[0][2].begin(), gPointersToFileData[0][2].end(), -1.0f);
         SetChannelLabel(0, 2, "edited");
       },
       [&] { return status(UNDO()); }},
      {"arrange, a channel twice",
       nullptr,
       [&] {
         const int16_t order[] = {3, 1, 1};
         return status(ArrangeChannels(0, order, 3));
       }},
      {"cut", nullptr, [&] { return status(CutCases(0, 100, 60'000)); }},
      {"add a channel", nullptr, [&] { return status(AddChannel(0)); }},
      {"merge, appended",
       [&](const std::filesystem::path&) { incoming = secondImage(1'000, 3); },
       [&] { return fileStatus(MergeImage(0, incoming, {2, 0, 1}, MergeMode::Append, "more.orl")); }},
      {"merge, stacked",
       [&](const std::filesystem::path&) { incoming = secondImage(kCases + 10, 2); },
       [&] { return fileStatus(MergeImage(0, incoming, {1, 0}, MergeMode::Stack, "more.orl")); }},
      {"load",
       [&](const std::filesystem::path& dir) {
         std::string bytes;
         ASSERT_EQ(EncodeNativeBinary(ViewOfImage(secondImage(kCases, 2)), &bytes), FileStatus::Ok);
         std::ofstream(dir / "second.orl", std::ios::binary) << bytes;
       },
       [&] {
         int16_t slot = -1;
         RepairReport report;
         return fileStatus(LoadNativeFile(dir_ / "second.orl", &slot, &report));
       }},
      {"text import",
       [&](const std::filesystem::path&) {
         table = TextTable{};
         ASSERT_EQ(ParseDelimitedText("time,O2,CO2\r1,20.9,0.03\r2,20.8,0.04\r3,20.7,0.05\r", &table),
                   FileStatus::Ok);
       },
       [&] {
         int16_t slot = -1;
         RepairReport report;
         return fileStatus(ImportTextColumns(std::move(table), choice, "run.txt", "/tmp/run.txt", &slot, &report));
       }},
      // A new channel gets its label with it, or is not added.
      {"duplicate a channel", nullptr,
       [&] { return status(DuplicateChannel(0, 2, typed("copy of the second channel"), nullptr)); }},
      {"integral into a new channel", nullptr,
       [&] { return status(MakeIntegralChannel(0, 1, false, true, IntegralLabel(false, "base 1 integrated"), nullptr)); }},
      {"expression into a new channel", nullptr,
       [&] {
         return status(RunExpressionTransform(0, code, {1, 2, true, false}, typed("twice x and y, new"), nullptr));
       }},
      {"polynomial fit into a new channel", nullptr,
       [&] {
         const float coef[] = {1.5f, 0.25f, -0.001f};
         return status(MakePolynomialChannel(0, 1, 2, coef, nullptr));
       }},
      {"thermoregulation costs into a new channel",
       [&](const std::filesystem::path&) { longer = ChannelArray(static_cast<size_t>(kCases) + 1, 3.25f); },
       [&] { return status(AddChannelHolding(0, {longer.data(), longer.size()}, typed("Treg costs in watts"), nullptr)); }},
      // No undo copy is taken for the channel the last edit changed.
      {"expression in place, a label typed, after an edit of that channel",
       [&](const std::filesystem::path&) {
         ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
         FileSHORTS[0][kShortChanged] = 0;
       },
       [&] {
         return status(RunExpressionTransform(0, code, {1, 2, false, false}, typed("twice x and y, in place"), nullptr));
       }},
      // The channels a save writes stay chosen as they were.
      {"rearrange, with its backup",
       [&](const std::filesystem::path&) { OverlayArray[0][2][2] = 0; },
       [&] {
         ChannelOrder order;
         order.add(3);
         order.add(1);
         return editStatus(RearrangeChannels(0, order, dir_ / "RearrangeBackup"));
       },
       "RearrangeBackup"},
      {"save in place",
       [&](const std::filesystem::path& dir) {
         OverlayArray[0][2][2] = 0;
         FilePath[0] = (dir / "base.orl").string();
       },
       [&] { return fileStatus(SaveSlotInPlace(0, nullptr)); }},
      {"save as", nullptr, [&] { return fileStatus(SaveSlotAs(0, dir_ / "copy.orl", SaveChoice{})); }},
      // Flags missing would count interpolated cases as real readings.
      {"interpolation flags",
       [&](const std::filesystem::path&) { ASSERT_EQ(AddInterpolationPair(0, 100, 200), StoreStatus::Ok); },
       [&] {
         MakeInterpolationRecordFor(0);
         return std::string(CaseIsInterpolated(150) && !CaseIsInterpolated(201) ? "" : "flags not rebuilt");
       }},
      // Interpolation spans beside the file's own markers (one on 14,000 and
      // 21,000): the list is rebuilt whole, or left as it was.
      {"interpolation pair over file markers and spans",
       [&](const std::filesystem::path&) { withSpans(); },
       [&] { return status(AddInterpolationPair(0, 13'990, 21'500)); }},
      {"interpolation pairs at once over file markers and spans, one out of order",
       [&](const std::filesystem::path&) { withSpans(); },
       [&] {
         std::vector<StoreStatus> told;
         AddInterpolationPairs(0, {{5, 9}, {13'990, 14'050}, {14'060, 21'500}, {300, 400}}, &told);
         return status(told.back());
       }},
      {"marker among interpolation spans, the list full to its room",
       [&](const std::filesystem::path&) {
         withSpans();
         MarkersArray[0].shrink_to_fit();
       },
       [&] { return status(AddMarker(0, 13'990, 77)); }},
      // A block holding one span whole and the ends of two others.
      {"markers removed from a block across spans",
       [&](const std::filesystem::path&) { withSpans(); },
       [&] {
         RemoveMarkersInSpan(0, {13'995, 40'005});
         return std::string();
       }},
      {"markers removed from a block across spans, flags never built",
       [&](const std::filesystem::path&) {
         withSpans();
         BackupCache.release(kBackupInterpolation);
       },
       [&] {
         RemoveMarkersInSpan(0, {13'995, 40'005});
         return std::string();
       }},
      {"undo of an edit that added interpolation pairs, logged",
       [&](const std::filesystem::path& dir) {
         logEdits(dir);
         ASSERT_EQ(MAKEBACKUP(2), StoreStatus::Ok);
         std::fill(gPointersToFileData[0][2].begin(), gPointersToFileData[0][2].end(), -1.0f);
         withSpans();
       },
       [&] { return status(UNDO()); }},
      {"undo of an edit that added interpolation pairs, flags never built",
       [&](const std::filesystem::path&) {
         ASSERT_EQ(MAKEBACKUP(2), StoreStatus::Ok);
         std::fill(gPointersToFileData[0][2].begin(), gPointersToFileData[0][2].end(), -1.0f);
         withSpans();
         BackupCache.release(kBackupInterpolation);
       },
       [&] { return status(UNDO()); }},
      // A channel array keeps its samples when a copy into it, or filling
      // it anew, finds no room, as a vector does.
      {"channel copied over a shorter one",
       [&](const std::filesystem::path&) { longer = ChannelArray(static_cast<size_t>(kCases) * 2, 1.5f); },
       [&] {
         gPointersToFileData[0][1] = longer;
         return std::string();
       }},
      {"channel filled anew, longer",
       nullptr,
       [&] {
         gPointersToFileData[0][2].assign(static_cast<size_t>(kCases) * 3, 2.5f);
         return std::string();
       }},
  };
  for (const Row& row : rows) {
    int64_t refused = 0;
    for (int64_t n = 1;; ++n) {
      SCOPED_TRACE(testing::Message() << row.name << ", request " << n << " refused");
      resetStore();
      makeFile();
      if (row.prepare) row.prepare(dir_);
      const Store before = Store::now();
      const std::vector<std::string> listed = listing(dir_, row.mayLeave);
      const uint64_t changesBefore = StoreChanges(0);
      gCountdown = n;
      std::string alert;
      bool threw = false;
      try {
        alert = row.command();
      } catch (const std::bad_alloc&) {
        threw = true;
      }
      const bool wasRefused = gCountdown.exchange(0) < 0;
      if (!wasRefused) {
        // Every request was served: the command ran to its end.
        EXPECT_FALSE(threw);
        EXPECT_EQ(alert, "");
        break;
      }
      ++refused;
      const bool finished = !threw && alert.empty();
      if (finished) continue;
      // A refusal names the memory; a failure that escapes is told by the
      // main loop, which says nothing changed while the store counts none.
      if (!threw) {
        EXPECT_NE(alert.find("memory"), std::string::npos) << alert;
      }
      // Nor is anything left in the folder, such as a temporary file.
      EXPECT_EQ(listing(dir_, row.mayLeave), listed);
      if (!(Store::now() == before)) {
        ADD_FAILURE() << "the file was left changed" << (threw && StoreChanges(0) == changesBefore
                                                            ? ", and the main loop would say nothing was"
                                                            : "");
        break;   // the row's first failure says enough
      }
    }
    EXPECT_GE(refused, 1) << row.name;
  }
}

}  // namespace
