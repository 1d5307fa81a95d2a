#include "shell/dispatch.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/macroman.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"

namespace {

constexpr int16_t kUnset = -77;

struct Call {
  Cmd cmd;
  int16_t arg;
};

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }

  void Reset() {
    ClearCommandRegistry();
    gDispatchHooks = {};
    gMenuRuleHooks = {};
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    std::fill(std::begin(prefsArray), std::end(prefsArray), int16_t{0});
    TheFileInUse = kNoFile;
    AvoidInterpolation = 0;
    DoSMOOTH = AutoSS = 0;
    MergeThisFile = appendONLY = stackONLY = 0;
    UnsetSelectors();
    calls.clear();
    log.clear();
    FixMenuSEVEN();
  }

  static void UnsetSelectors() {
    TypeOfFile = MergeThisFile = PortForResultsOutput = topic = GasType = derive = Analysis_Code =
        kUnset;
    HelpSubject = kUnset;
  }

  // Registers a command that records itself and, in order, everything the
  // dispatcher did around it.
  void Record(Cmd cmd, const char* name = "cmd") {
    RegisterCommand(cmd, [this, cmd, name](int16_t arg) {
      calls.push_back({cmd, arg});
      log.push_back(name);
    });
  }

  void HookEverything() {
    gDispatchHooks.refreshMenus = [this] { log.push_back("menus"); };
    gDispatchHooks.closeWindow = [this](int16_t w) { log.push_back("close" + std::to_string(w)); };
    gDispatchHooks.playSound = [this](const char* s) { log.push_back(s); };
    gDispatchHooks.redrawBlockWindow = [this] { log.push_back("block"); };
    gDispatchHooks.redrawComments = [this] { log.push_back("comments"); };
    gDispatchHooks.selectPlotWindow = [this] { log.push_back("plot"); };
    gDispatchHooks.rebuildChannelPopup = [this] { log.push_back("popup"); };
    gDispatchHooks.rebuildStackedDisplay = [this] { log.push_back("strips"); };
  }

  static int16_t OpenFile(int32_t cases = 100, int16_t channels = 2) {
    int16_t slot = -1;
    EXPECT_EQ(OpenNewFileSlot(cases, channels, &slot), StoreStatus::Ok);
    TheFileInUse = static_cast<uint16_t>(slot);
    return slot;
  }

  std::vector<Call> calls;
  std::vector<std::string> log;
};

// ---- The (menu, item) table ---------------------------------------------------------

struct Expect {
  int16_t menu, item;
  Cmd cmd;
  int16_t typeOfFile = kUnset, merge = kUnset, port = kUnset, topic = kUnset, gas = kUnset,
          derive = kUnset, code = kUnset;
  int32_t help = kUnset;
};

// The selectors each pick must leave, written out independently of the
// dispatcher's own table.
const std::vector<Expect>& Expected() {
  static const std::vector<Expect> e = [] {
    std::vector<Expect> v;
    auto load = [&v](int16_t m, int16_t i, int16_t type, int16_t merge) {
      Expect x{m, i, Cmd::FileLoading};
      x.typeOfFile = type;
      x.merge = merge;
      v.push_back(x);
    };
    load(1, 1, 5, 0);
    load(74, 1, 7, 0);
    load(74, 2, 3, 0);
    load(74, 3, 4, 0);
    load(75, 1, 5, 1);
    load(75, 2, 4, 1);
    for (auto [i, p] : {std::pair{1, 6}, {2, 5}, {3, 4}}) {
      Expect x{80, static_cast<int16_t>(i), Cmd::OpenOutputPort};
      x.port = static_cast<int16_t>(p);
      v.push_back(x);
    }
    auto analysis = [&v](int16_t m, int16_t i, Cmd c, int16_t t, int16_t code) {
      Expect x{m, i, c};
      x.topic = t;
      x.code = code;
      v.push_back(x);
    };
    analysis(3, 1, Cmd::Average, 2, 1);
    analysis(3, 2, Cmd::MinimumValue, 3, 2);
    analysis(3, 3, Cmd::MaximumValue, 4, 3);
    analysis(3, 4, Cmd::MostLevel, 11, 8);
    analysis(3, 5, Cmd::MostVariable, 13, 11);
    analysis(3, 6, Cmd::GetArea, 12, 9);
    analysis(3, 8, Cmd::RunAverage, 5, kUnset);
    analysis(3, 9, Cmd::PairsDifference, 6, kUnset);
    analysis(3, 11, Cmd::Waveform, 9, 4);
    analysis(3, 13, Cmd::FFT, kUnset, kUnset);
    analysis(3, 15, Cmd::TimeSlope, 7, 5);
    analysis(3, 16, Cmd::Regression, 8, 6);
    analysis(3, 17, Cmd::Asymptote, 17, 14);
    analysis(3, 18, Cmd::FitPolynomial, kUnset, 15);
    analysis(3, 20, Cmd::TimeIntegrate, 15, 12);
    analysis(3, 21, Cmd::EventCounting, 16, 13);
    analysis(3, 22, Cmd::SelectiveIntegrate, 22, 16);
    analysis(103, 1, Cmd::TimeSeries, kUnset, 10);
    analysis(103, 2, Cmd::SteppedSampling, kUnset, kUnset);
    analysis(76, 12, Cmd::EffectiveVolume, 10, kUnset);
    for (auto [i, g] : {std::pair{1, 1}, {2, 2}, {5, 3}}) {
      Expect x{76, static_cast<int16_t>(i), Cmd::GasExchange};
      x.gas = static_cast<int16_t>(g);
      v.push_back(x);
    }
    for (auto [i, g] : {std::pair{9, 1}, {10, 2}}) {
      Expect x{76, static_cast<int16_t>(i), Cmd::GasUnits};
      x.gas = static_cast<int16_t>(g);
      v.push_back(x);
    }
    for (auto [i, d] : {std::pair{13, 0}, {14, 1}}) {
      Expect x{2, static_cast<int16_t>(i), Cmd::Integrate};
      x.derive = static_cast<int16_t>(d);
      v.push_back(x);
    }
    auto help = [&v](int16_t m, int16_t i, Cmd c, int32_t h) {
      Expect x{m, i, c};
      x.help = h;
      v.push_back(x);
    };
    help(2, 24, Cmd::ExpressionTransforms, 267);
    help(8, 1, Cmd::SimpleCalc, 204);
    help(8, 2, Cmd::ExpressionEvaluator, 238);
    help(8, 4, Cmd::STPFlowAdjust, 205);
    help(8, 5, Cmd::Altitude, 206);
    help(8, 6, Cmd::AltitudeSimulation, 206);
    help(8, 7, Cmd::PO2Calc, 248);
    help(8, 8, Cmd::DissolvedO2Calc, 248);
    help(8, 10, Cmd::Metabolism, 237);
    help(8, 11, Cmd::Q10Adjust, 249);
    help(8, 12, Cmd::ClosedSystemRespirometry, 235);
    help(8, 13, Cmd::Ventilation, 236);
    help(8, 14, Cmd::ThermoregulationCosts, 244);
    help(8, 16, Cmd::DayOfTheYear, 237);
    help(8, 17, Cmd::Sunrise, 247);
    help(8, 18, Cmd::UnitConversions, 237);
    for (auto [m, i, c] : {std::tuple{1, 6, Cmd::Save}, {1, 7, Cmd::SaveAs}, {1, 14, Cmd::PrintImage},
                           {1, 15, Cmd::PreviewImage}, {2, 7, Cmd::ClearBlock},
                           {2, 11, Cmd::FixBaseline}, {2, 31, Cmd::CopyChannel},
                           {2, 38, Cmd::InteractiveSpikes}, {73, 3, Cmd::CutBlockAll},
                           {73, 4, Cmd::CutChannel}, {3, 27, Cmd::ShiftBlockLeft},
                           {77, 3, Cmd::ScaleResults}, {4, 7, Cmd::ZoomOut},
                           {71, 6, Cmd::ScaleInteractive}, {82, 3, Cmd::RemoveMarkersInBlock},
                           {6, 15, Cmd::ToggleQuietScripts}, {9, 2, Cmd::OpenHelpBook}})
      v.push_back({static_cast<int16_t>(m), static_cast<int16_t>(i), c});
    return v;
  }();
  return e;
}

TEST_F(DispatchTest, EveryRegisteredPickReachesItsCommandWithItsSelectors) {
  for (const MenuCommand& row : MenuCommandTable()) Record(row.cmd);
  for (const MenuCommand& row : MenuCommandTable()) {
    UnsetSelectors();
    calls.clear();
    ASSERT_TRUE(DoMENU(row.pick.menu, row.pick.item)) << row.pick.menu << "/" << row.pick.item;
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].cmd, row.cmd);
    EXPECT_EQ(calls[0].arg, row.pick.item);
    // Whatever a row does not name stays untouched.
    if (row.set.topic == kKeep) {
      EXPECT_EQ(topic, kUnset);
    }
    if (row.set.typeOfFile == kKeep) {
      EXPECT_EQ(TypeOfFile, kUnset);
    }
    if (row.set.helpSubject == kKeepHelp) {
      EXPECT_EQ(HelpSubject, kUnset);
    }
  }
  for (const Expect& e : Expected()) {
    SCOPED_TRACE(std::to_string(e.menu) + "/" + std::to_string(e.item));
    UnsetSelectors();
    calls.clear();
    ASSERT_TRUE(DoMENU(e.menu, e.item));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].cmd, e.cmd);
    EXPECT_EQ(TypeOfFile, e.typeOfFile);
    EXPECT_EQ(MergeThisFile, e.merge);
    EXPECT_EQ(PortForResultsOutput, e.port);
    EXPECT_EQ(topic, e.topic);
    EXPECT_EQ(GasType, e.gas);
    EXPECT_EQ(derive, e.derive);
    EXPECT_EQ(Analysis_Code, e.code);
    EXPECT_EQ(HelpSubject, e.help);
  }
}

TEST_F(DispatchTest, CommandTableAndMenuTableAgree) {
  std::set<std::pair<int16_t, int16_t>> seen;
  for (const MenuCommand& row : MenuCommandTable()) {
    EXPECT_TRUE(seen.insert({row.pick.menu, row.pick.item}).second) << "pick twice";
    const plat::MenuItemSpec* s = FindMenuItem(row.pick.menu, row.pick.item);
    ASSERT_NE(s, nullptr) << row.pick.menu << "/" << row.pick.item;
    EXPECT_FALSE(s->separator) << row.pick.menu << "/" << row.pick.item;
    EXPECT_EQ(s->submenu, 0);
  }
  // Every visible command item of the fixed menus has a command.
  for (const MenuDefinition& m : MenuTable())
    for (int16_t k = 1; k <= static_cast<int16_t>(m.items.size()); ++k) {
      const plat::MenuItemSpec& s = m.items[static_cast<size_t>(k - 1)];
      if (!s.separator && s.submenu == 0) {
        EXPECT_NE(FindMenuCommand(m.id, k), nullptr) << m.id << "/" << k;
      }
    }
}

TEST_F(DispatchTest, UnregisteredAndUnknownPicksAreUnavailableAndChangeNothing) {
  for (const MenuCommand& row : MenuCommandTable())
    EXPECT_FALSE(CommandAvailable(row.pick)) << row.pick.menu << "/" << row.pick.item;
  HookEverything();
  EXPECT_FALSE(DoMENU(3, 1));
  EXPECT_EQ(topic, kUnset);
  EXPECT_EQ(Analysis_Code, kUnset);
  EXPECT_TRUE(log.empty());

  Record(Cmd::Average);
  EXPECT_TRUE(CommandAvailable(3, 1));
  EXPECT_FALSE(CommandAvailable(3, 2));
  // Separators, the items with no known command and picks outside menus.
  for (MenuPick p : {MenuPick{1, 4}, MenuPick{1, 18}, MenuPick{3, 14}, MenuPick{4, 1},
                     MenuPick{4, 2}, MenuPick{4, 21}, MenuPick{0, 0}, MenuPick{42, 1}})
    EXPECT_FALSE(DoMENU(p.menu, p.item)) << p.menu << "/" << p.item;
  EXPECT_TRUE(calls.empty());
  UnregisterCommand(Cmd::Average);
  EXPECT_FALSE(CommandAvailable(3, 1));
}

TEST_F(DispatchTest, ChannelAndWindowMenusPassChannelAndSlot) {
  Record(Cmd::ChannelChange);
  Record(Cmd::ActivateFile);
  EXPECT_FALSE(CommandAvailable(kMenuChannel, 1));  // no file
  OpenFile(50, 3);
  EXPECT_TRUE(DoMENU(kMenuChannel, 3));
  EXPECT_FALSE(DoMENU(kMenuChannel, 4));
  EXPECT_FALSE(DoMENU(kMenuChannel, 0));

  int16_t s1 = -1, s2 = -1;
  ASSERT_EQ(OpenNewFileSlot(10, 1, &s1), StoreStatus::Ok);
  ASSERT_EQ(OpenNewFileSlot(10, 1, &s2), StoreStatus::Ok);
  FreeSlot(s1);  // a gap: menu items no longer match slot numbers
  FixMenuSEVEN();
  EXPECT_TRUE(DoMENU(kMenuWindow, 2));
  EXPECT_FALSE(DoMENU(kMenuWindow, 3));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].cmd, Cmd::ChannelChange);
  EXPECT_EQ(calls[0].arg, 3);
  EXPECT_EQ(calls[1].cmd, Cmd::ActivateFile);
  EXPECT_EQ(calls[1].arg, s2);
}

TEST_F(DispatchTest, GasExchangeRunsTheRequestedStepsFirstInOrder) {
  Record(Cmd::GasExchange, "gas");
  Record(Cmd::Smoothing, "smooth");
  Record(Cmd::FixBaseline, "baseline");
  Record(Cmd::LagTime, "lag");
  ASSERT_TRUE(DoMENU(76, 1));
  EXPECT_EQ(log, (std::vector<std::string>{"gas"}));

  log.clear();
  DoSMOOTH = 1;
  prefsArray[4] = prefsArray[5] = 1;
  // A step that resets the gas type must not change which gas is computed.
  RegisterCommand(Cmd::FixBaseline, [this](int16_t) {
    GasType = 9;
    log.push_back("baseline");
  });
  ASSERT_TRUE(DoMENU(76, 5));
  EXPECT_EQ(log, (std::vector<std::string>{"smooth", "baseline", "lag", "gas"}));
  EXPECT_EQ(GasType, 3);

  // A requested step that does not exist makes the pick unavailable rather
  // than silently skipping it.
  UnregisterCommand(Cmd::LagTime);
  EXPECT_FALSE(CommandAvailable(76, 2));
  prefsArray[4] = 0;
  EXPECT_TRUE(CommandAvailable(76, 2));
}

TEST_F(DispatchTest, SpikeRemovalAndSmoothingDuties) {
  HookEverything();
  Record(Cmd::RemoveSpikes, "spikes");
  Record(Cmd::Smoothing, "smooth");
  Record(Cmd::AutoRepeat, "again");
  const int16_t slot = OpenFile();

  ASSERT_TRUE(DoMENU(2, 17));
  EXPECT_EQ(log, (std::vector<std::string>{"close4", "bup", "spikes", "plot", "menus"}));

  // Re-run only with a block, AutoSS and Autorepeat all on.
  FileSHORTS[slot][kShortBlockState] = 2;
  AutoSS = 1;
  log.clear();
  ASSERT_TRUE(DoMENU(2, 16));
  EXPECT_EQ(log, (std::vector<std::string>{"smooth", "plot", "menus"}));
  prefsArray[14] = 1;
  log.clear();
  ASSERT_TRUE(DoMENU(2, 17));
  EXPECT_EQ(log, (std::vector<std::string>{"close4", "bup", "block", "spikes", "plot", "again",
                                           "menus"}));
  AutoSS = 0;
  log.clear();
  ASSERT_TRUE(DoMENU(2, 16));
  EXPECT_EQ(log, (std::vector<std::string>{"smooth", "plot", "menus"}));
}

TEST_F(DispatchTest, DutiesAfterFileDataCutChannelAndDuplicate) {
  HookEverything();
  Record(Cmd::EditFileData, "data");
  Record(Cmd::CutChannel, "cut");
  Record(Cmd::CopyChannel, "copy");
  const int16_t slot = OpenFile();
  ASSERT_TRUE(DoMENU(2, 9));
  ASSERT_TRUE(DoMENU(73, 4));
  ASSERT_TRUE(DoMENU(2, 31));  // single view: no strips
  FileSHORTS[slot][kShortView] = 1;
  ASSERT_TRUE(DoMENU(2, 31));  // stacked, word 23 off
  prefsArray[23] = 1;
  ASSERT_TRUE(DoMENU(2, 31));
  EXPECT_EQ(log, (std::vector<std::string>{"data", "close3", "comments", "menus", "cut", "popup",
                                           "menus", "copy", "menus", "copy", "menus", "copy",
                                           "strips", "menus"}));
}

TEST_F(DispatchTest, ShellTogglesFlipTheirState) {
  RegisterShellCommands();
  ASSERT_TRUE(DoMENU(2, 34));
  EXPECT_EQ(prefsArray[44], 1);
  ASSERT_TRUE(DoMENU(2, 34));
  EXPECT_EQ(prefsArray[44], 0);
  ASSERT_TRUE(DoMENU(77, 1));
  EXPECT_EQ(prefsArray[14], 1);
  ASSERT_TRUE(DoMENU(77, 4));
  EXPECT_EQ(AvoidInterpolation, 1);
  ASSERT_TRUE(DoMENU(77, 4));
  EXPECT_EQ(AvoidInterpolation, 0);
}

TEST_F(DispatchTest, CommandMayReplaceItselfWhileRunning) {
  int runs = 0;
  RegisterCommand(Cmd::Redraw, [&runs](int16_t) {
    ++runs;
    UnregisterCommand(Cmd::Redraw);
  });
  EXPECT_TRUE(DoMENU(4, 8));
  EXPECT_FALSE(DoMENU(4, 8));
  EXPECT_EQ(runs, 1);
}

// ---- Toolbar -----------------------------------------------------------------------

TEST_F(DispatchTest, ToolbarIdsLabelsAndPicks) {
  std::set<int16_t> ids;
  for (const ToolButton& b : ToolbarTable()) {
    EXPECT_TRUE(ids.insert(b.id).second) << b.id;
    if (b.kind == ToolKind::Pick || b.kind == ToolKind::BlockPick) {
      EXPECT_NE(FindMenuCommand(b.pick.menu, b.pick.item), nullptr) << b.id;
    }
    const bool dimmed = (b.id >= 565 && b.id <= 576) || (b.id >= 589 && b.id <= 593) || b.id == 595;
    EXPECT_EQ(b.initiallyEnabled, !dimmed) << b.id;
  }
  for (int16_t id = 551; id <= 599; ++id) EXPECT_EQ(ids.count(id), id == 597 ? 0u : 1u) << id;
  EXPECT_STREQ(FindToolButton(554)->label, "\xBA");
  EXPECT_STREQ(FindToolButton(568)->label, "\xB7");
  EXPECT_EQ(plat::macRomanToUtf8(FindToolButton(592)->label), "« blk");
  EXPECT_EQ(plat::macRomanToUtf8(FindToolButton(594)->labelHorizontal), "∆ blk");
  EXPECT_STREQ(FindToolButton(559)->labelHorizontal, "VO2");
  EXPECT_EQ(ToolbarClickPick(551, false), (MenuPick{2, 11}));
  EXPECT_EQ(ToolbarClickPick(561, false), (MenuPick{76, 5}));
  EXPECT_EQ(ToolbarClickPick(578, false), (MenuPick{71, 2}));
  EXPECT_EQ(ToolbarClickPick(583, false), (MenuPick{81, 1}));
  EXPECT_EQ(ToolbarClickPick(584, false), (MenuPick{77, 2}));
}

TEST_F(DispatchTest, AnalysisButtonsRunNothingWithoutABlock) {
  EXPECT_EQ(ToolbarClickPick(565, true), (MenuPick{3, 1}));
  EXPECT_EQ(ToolbarClickPick(565, false), (MenuPick{0, 1}));
  EXPECT_EQ(ToolbarClickPick(573, true), (MenuPick{103, 1}));
  EXPECT_EQ(ToolbarClickPick(573, false), (MenuPick{0, 1}));
  EXPECT_EQ(ToolbarClickPick(574, false), (MenuPick{0, 16}));
  Record(Cmd::Average);
  const MenuPick p = ToolbarClickPick(565, false);
  EXPECT_FALSE(DoMENU(p.menu, p.item));
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(ToolbarClickPick(591, true), (MenuPick{}));  // acts directly
  EXPECT_EQ(ToolbarClickPick(1234, true), (MenuPick{}));
}

TEST_F(DispatchTest, DirectButtonsRunTheirCommands) {
  EXPECT_FALSE(ToolButtonAvailable(599));
  EXPECT_FALSE(RunToolbarDirect(599));
  Record(Cmd::OpenHelpBook);
  Record(Cmd::CutBlockAll);
  Record(Cmd::BlockSet);
  EXPECT_TRUE(ToolButtonAvailable(599));
  EXPECT_TRUE(RunToolbarDirect(599));
  EXPECT_EQ(HelpSubject, 266);
  EXPECT_TRUE(RunToolbarDirect(591));
  EXPECT_TRUE(RunToolbarDirect(594));
  EXPECT_FALSE(RunToolbarDirect(551));  // leaves a pick instead
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1].cmd, Cmd::CutBlockAll);
  EXPECT_EQ(calls[2].cmd, Cmd::BlockSet);
  Record(Cmd::FixBaseline);
  EXPECT_TRUE(ToolButtonAvailable(551));
  EXPECT_FALSE(ToolButtonAvailable(552));
}

TEST_F(DispatchTest, FileTypeButtonsChooseTheLoaderPick) {
  EXPECT_EQ(ToolbarFileTypeChosen(563, 5), (MenuPick{1, 1}));
  EXPECT_EQ(ToolbarFileTypeChosen(563, 1), (MenuPick{1, 1}));
  EXPECT_EQ(ToolbarFileTypeChosen(563, 7), (MenuPick{74, 1}));
  EXPECT_EQ(ToolbarFileTypeChosen(563, 3), (MenuPick{74, 2}));
  EXPECT_EQ(ToolbarFileTypeChosen(563, 4), (MenuPick{74, 3}));
  EXPECT_EQ(ToolbarFileTypeChosen(563, 2), (MenuPick{}));
  EXPECT_EQ(MergeThisFile, 0);

  EXPECT_EQ(ToolbarFileTypeChosen(564, 5), (MenuPick{75, 1}));
  EXPECT_EQ(MergeThisFile, 1);
  EXPECT_EQ(appendONLY, 1);
  EXPECT_EQ(stackONLY, 0);
  EXPECT_EQ(ToolbarFileTypeChosen(596, 4), (MenuPick{75, 2}));
  EXPECT_EQ(stackONLY, 1);
  // A type that cannot be merged leaves no answer behind.
  EXPECT_EQ(ToolbarFileTypeChosen(596, 3), (MenuPick{}));
  EXPECT_EQ(MergeThisFile, 0);
  EXPECT_EQ(appendONLY, 0);
  EXPECT_EQ(stackONLY, 0);
}

// ---- Keys ----------------------------------------------------------------------------

TEST_F(DispatchTest, KeysFollowTheirConditions) {
  KeyContext none;
  none.channels = 3;
  KeyContext all = none;
  all.blockDefined = all.zoomed = true;

  struct K {
    int code;
    const KeyContext& ctx;
    KeyCommand want;
  };
  const KeyCommand nothing{};
  const std::vector<K> cases = {
      {27, none, {{2, 7}}},
      {4, none, {{2, 7}}},
      {'+', none, nothing},
      {'+', all, {{4, 6}}},
      {'-', none, nothing},
      {'-', all, {{4, 7}}},
      {13, none, {{}, KeyAction::WholeFileToggle}},
      {' ', all, {{4, 7}, KeyAction::WholeFileToggle}},
      {'b', none, nothing},
      {'B', all, {{3, 1}}},
      {'a', all, {{4, 1}}},
      {'M', none, nothing},
      {'s', none, {{1, 14}}},
      {'f', none, {{3, 14}}},
      {'E', none, {{8, 2}}},
      {'u', none, {{8, 18}}},
      {'J', none, {{8, 16}}},
      {128, none, {{3, 27}}},
      {129, none, {{3, 28}}},
      {28, none, {{}, KeyAction::PageLeft}},
      {31, none, {{}, KeyAction::PreviousChannel}},
      {30, none, {{}, KeyAction::NextChannel}},
      {'3', none, {{}, KeyAction::SelectChannel, 3}},
      {'4', none, nothing},
      {'d', none, {{2, 31}}},
      {193, none, {{}, KeyAction::FlashOverlay, 1}},
      {162, none, nothing},  // Option-4: channel 4 of 3
      {'x', all, nothing},
  };
  for (const K& k : cases) EXPECT_EQ(LookupMainLoopKey(k.code, k.ctx), k.want) << k.code;

  KeyContext many = none;
  many.channels = 32;
  EXPECT_EQ(LookupMainLoopKey('0', many), (KeyCommand{{}, KeyAction::SelectChannel, 10}));
  EXPECT_EQ(LookupMainLoopKey('!', many), (KeyCommand{{}, KeyAction::SelectChannel, 11}));
  EXPECT_EQ(LookupMainLoopKey('$', many), (KeyCommand{{}, KeyAction::SelectChannel, 14}));
  EXPECT_EQ(LookupMainLoopKey(188, many), (KeyCommand{{}, KeyAction::FlashOverlay, 10}));
  EXPECT_EQ(LookupMainLoopKey('D', many), nothing);  // no room for a copy

  KeyContext scale = none;
  scale.scaleMode = 1;
  EXPECT_EQ(LookupMainLoopKey('z', scale), nothing);
  EXPECT_EQ(LookupMainLoopKey('n', scale), (KeyCommand{{71, 3}}));
  scale.scaleMode = 2;
  EXPECT_EQ(LookupMainLoopKey('Z', scale), (KeyCommand{{71, 2}}));
  EXPECT_EQ(LookupMainLoopKey('N', scale), nothing);
}

}  // namespace
