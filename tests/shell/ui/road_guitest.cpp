// The whole road a user takes with a recording: start the program, open the
// demo through the file-type dialog, rename a channel in the file-data
// dialog, save under a new name, quit, and read the saved file back.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/window_support.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "analyses/ui/histogram.h"
#include <functional>

#include "analyses/ui/fft.h"
#include "analyses/ui/picks.h"
#include "editing/ui/baseline.h"
#include "editing/ui/blockpick.h"
#include "plot/ui/mouse.h"
#include "datafiles/datafile.h"
#include "datafiles/native_binary.h"
#include "datafiles/ui/close.h"
#include "datafiles/ui/open.h"
#include "datafiles/ui/save_dialog.h"
#include "editing/ui/calibsetup.h"
#include "editing/ui/filedata.h"
#include "editing/ui/fileinfo.h"
#include "editing/ui/spikes.h"
#include "editing/ui/spiketool.h"
#include "editing/ui/transformations.h"
#include "platform/controls.h"
#include "shell/dispatch.h"
#include "shell/menurules.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/mainloop.h"
#include "registrars.h"
#include "shell/ui/startup.h"
#include "platform/test.h"
#include "output/kittexts.h"
#include "output/results.h"
#include "output/ui/destination.h"
#include "platform/app.h"
#include "platform/menus.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/geometry.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/commentsbox.h"
#include "plot/ui/infoline.h"
#include "plot/ui/overlay.h"
#include "plot/selection.h"
#include "editing/ui/filewindows.h"
#include "shell/colours.h"
#include "shell/ui/windowids.h"
#include "plot/ui/markers.h"
#include "plot/ui/plotwindow.h"
#include "shell/globals.h"
#include "shell/ui/kit.h"
#include "shell/ui/prefsdialog.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

const fs::path kDemo = fs::path(CORVIMET_RESOURCE_DIR) / "demo" / "demo-respirometry.orl";

class Road : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    testsupport::ClearStore();
    ClearCommandRegistry();
    ClearQuitRequest();
    ForgetDocuments();
    topic = 0;   // no result or count left over from another test of the binary
    Nresults = 0;
    dir_ = testsupport::FreshTestDir("corvimet-road-");
  }
  void TearDown() override {
    CloseDestination();
    testsupport::ClearStore();
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(Road, OpenRenameSaveQuitAndReadBack) {
  const fs::path saved = dir_ / "renamed.orl";
  Script s;
  s.click(kFileTypeWindow, kFileTypeNative)
      .answerOpen(kDemo)
      .menu(kMenuEdit, 9)   // Edit File Data…
      .call([] { plat::setFieldText(kFileDataWindow, kLabelFieldBase + 2, ""); })
      .type(kFileDataWindow, kLabelFieldBase + 2, "CO2 excurrent (%)")
      .click(kFileDataWindow, kFileDataDone)
      .menu(kMenuFile, 7)   // Save As…
      .click(kSaveAsWindow, kSaveAsSave)
      .answerSave(saved)
      .call([] {
        EXPECT_EQ(FileSHORTS[0][kShortChanged], 0) << "saved whole: nothing left to ask";
        ASSERT_TRUE(plat::windowExists(kCommentsWindow));
        EXPECT_NE(plat::title(kCommentsWindow).find("renamed"), std::string::npos) << plat::title(kCommentsWindow);
        plat::test::saveArtifact(plat::test::deskImage(), "comments-box-after-save-as.png");
      })
      .menu(kMenuFile, 21);  // Quit
  plat::test::run(s, [] { RunCorvimet(CorvimetRegistrars(), {}); });
  EXPECT_TRUE(QuitRequested());

  DataFileImage back;
  ASSERT_EQ(ReadNativeBinary(saved, &back), FileStatus::Ok);
  DataFileImage demo;
  ASSERT_EQ(ReadNativeBinary(kDemo, &demo), FileStatus::Ok);
  ASSERT_EQ(back.labels.size(), demo.labels.size());
  EXPECT_EQ(back.labels[1], FitLabel("CO2 excurrent (%)"));
  EXPECT_EQ(back.labels[0], demo.labels[0]);
  EXPECT_EQ(back.data, demo.data);
  EXPECT_EQ(back.markers, demo.markers);
  EXPECT_EQ(back.comments, demo.comments);
}

// A recording many plot widths long: the demo's channels and settings, with
// a breathing-like wave riding on a slow drift in every channel.
fs::path WriteLongRecording(const fs::path& dir, int32_t cases, size_t channels = 4) {
  DataFileImage img;
  EXPECT_EQ(ReadNativeBinary(kDemo, &img), FileStatus::Ok);
  img.cases = cases;
  img.data.resize(channels);
  img.labels.resize(channels);
  img.travel.resize(channels);
  for (size_t c = 0; c < img.data.size(); ++c) {
    ChannelArray& v = img.data[c];
    v.assign(static_cast<size_t>(cases) + 1, 0.0f);
    for (int32_t k = 0; k <= cases; ++k)
      v[static_cast<size_t>(k)] = static_cast<float>(20.0 + c + std::sin(k / (40.0 + 7.0 * c)) + k * 1e-5);
  }
  img.markers.clear();
  img.notes.clear();
  const fs::path p = dir / "long.orl";
  EXPECT_EQ(WriteNativeBinary(p, ViewOfImage(img)), FileStatus::Ok);
  return p;
}

plotcore::CaseRange Shown(int16_t slot) { return plotcore::ViewRange(PlotViewState(slot)); }

TEST_F(Road, PagesZoomsAndLeavesTheWholeFileView) {
  const fs::path longFile = WriteLongRecording(dir_, 100000);
  const int win = PlotWindowId(0);
  int16_t sw = 0, segments = 0;
  Script s;
  s.call([&] {
     ASSERT_EQ(nCases[0], 100000);
     sw = ScreenWidth;
     segments = static_cast<int16_t>((100000 + sw - 1) / sw);
     EXPECT_EQ(FileSHORTS[0][kShortCompressed], 1) << "a long file opens in the whole-file view";
     EXPECT_EQ(Shown(0), (plotcore::CaseRange{1, 100000}));
     plat::test::saveArtifact(plat::test::windowImage(win), "road-whole-file.png");
   })
      .key(win, 13)   // Return leaves the whole-file view
      .call([&] {
        EXPECT_EQ(FileSHORTS[0][kShortCompressed], 0);
        EXPECT_EQ(FileSHORTS[0][kShortSegment], 1);
        EXPECT_EQ(Shown(0), (plotcore::CaseRange{1, sw}));
        EXPECT_TRUE(plat::controlExists(win, kPageSlider));
      })
      .slide(win, kPageSlider, 3)
      .call([&] {
        EXPECT_EQ(FileSHORTS[0][kShortSegment], 3);
        EXPECT_EQ(Shown(0), (plotcore::CaseRange{2 * sw + 1, 3 * sw}));
        plat::test::saveArtifact(plat::test::windowImage(win), "road-paged.png");
      })
      .key(win, 29)   // right arrow
      .call([&] { EXPECT_EQ(FileSHORTS[0][kShortSegment], 4); })
      .key(win, 28)
      .key(win, 28)
      .key(win, 28)
      .key(win, 28)   // left of the first segment: the last
      .call([&] {
        EXPECT_EQ(FileSHORTS[0][kShortSegment], segments);
        EXPECT_EQ(Shown(0), (plotcore::CaseRange{(segments - 1) * sw + 1, 100000}));
        EXPECT_EQ(plat::sliderValue(win, kPageSlider), segments);
      })
      .key(win, 29)   // and round again to the first
      .call([&] {
        EXPECT_EQ(FileSHORTS[0][kShortSegment], 1);
        EXPECT_FALSE(plat::itemEnabled(kMenuView, 6)) << "Zoom In needs a block";
      })
      .press(win, {200, 150})
      .moveTo(win, {300, 150})
      .moveTo(win, {400, 150})
      .release()
      .call([] {})   // the drag's loop sees the button up here
      .call([&] {
        ASSERT_EQ(FileSHORTS[0][kShortBlockState], 2);
        EXPECT_TRUE(plat::itemEnabled(kMenuView, 6));
        EXPECT_FALSE(plat::itemEnabled(kMenuView, 7));
      })
      .key(win, '+')
      .call([&] {
        EXPECT_EQ(FileSHORTS[0][kShortZoomed], 1);
        EXPECT_EQ(zoomleft, BeginBlock[0]);
        EXPECT_EQ(zoomright, EndBlock[0]);
        EXPECT_EQ(Shown(0), (plotcore::CaseRange{BeginBlock[0], EndBlock[0]}));
        EXPECT_TRUE(plat::itemEnabled(kMenuView, 7));
        plat::test::saveArtifact(plat::test::windowImage(win), "road-zoomed.png");
      })
      .menu(kMenuView, 7)   // Zoom Out
      .call([&] {
        EXPECT_EQ(FileSHORTS[0][kShortZoomed], 0);
        EXPECT_EQ(FileSHORTS[0][kShortCompressed], 0);
        EXPECT_EQ(Shown(0), (plotcore::CaseRange{1, sw})) << "back to the segment the zoom began in";
        EXPECT_FALSE(plat::itemEnabled(kMenuView, 7));
      })
      .menu(kMenuView, 6)
      .key(win, 13)   // Return in a zoomed view: the paged view again
      .call([&] {
        EXPECT_EQ(FileSHORTS[0][kShortZoomed], 0);
        EXPECT_EQ(FileSHORTS[0][kShortCompressed], 0);
      })
      .key(win, 13)
      .call([&] { EXPECT_EQ(FileSHORTS[0][kShortCompressed], 1) << "and Return toggles the whole file back"; })
      .menu(kMenuView, 11)   // Plot as Histogram
      .call([&] {
        EXPECT_EQ(PlotAsHistogram, 1);
        EXPECT_TRUE(plat::itemChecked(kMenuView, 11));
      })
      .menu(kMenuView, 11)
      .call([&] {
        EXPECT_EQ(PlotAsHistogram, 0);
        EXPECT_FALSE(plat::itemChecked(kMenuView, 11));
      })
      .menu(kMenuFile, 21);
  plat::test::run(s, [&] { RunCorvimet(CorvimetRegistrars(), {longFile}); });
  EXPECT_TRUE(QuitRequested());
}

// Drags a block from x0 to x1 across a plot window, as a user does.
Script& DragBlock(Script& s, int win, int x0, int x1) {
  return s.press(win, {x0, 150}).moveTo(win, {(x0 + x1) / 2, 150}).moveTo(win, {x1, 150}).release().call([] {});
}

TEST_F(Road, EachFileBringsItsOwnBlockWindowAndCommentsToTheFront) {
  const fs::path longFile = WriteLongRecording(dir_, 100000);
  const int demoWin = PlotWindowId(0), longWin = PlotWindowId(1);
  // The cases named in the block window's title (its first and later forms
  // differ in capitals and blanks only).
  const auto blockTitle = [] {
    if (!plat::windowExists(2)) return std::string("(none)");
    const std::string t = plat::title(2);
    const size_t at = t.find("ases");
    return at == std::string::npos ? t : TrimTrailingBlanks(t.substr(at, t.find("(N") - at));
  };
  std::string longBlock, demoBlock;
  Script s;
  s.call([&] {
    ASSERT_EQ(TheFileInUse, 1u);
    EXPECT_EQ(plat::title(3).find("long.orl") != std::string::npos, true) << plat::title(3);
  });
  DragBlock(s, longWin, 100, 300).call([&] {
    ASSERT_EQ(FileSHORTS[1][kShortBlockState], 2);
    longBlock = blockTitle();
    EXPECT_EQ(longBlock, "ases" + NumText(BeginBlock[1]) + " to" + NumText(EndBlock[1]));
  });
  s.activate(demoWin).call([] {}).call([&] {
    EXPECT_EQ(TheFileInUse, 0u);
    EXPECT_EQ(blockTitle().find("ases"), std::string::npos) << "the demo has no block: " << blockTitle();
    EXPECT_NE(plat::title(3).find("demo-respirometry"), std::string::npos) << plat::title(3);
    EXPECT_EQ(plat::itemCount(kMenuChannel), nChannels[0]);
  });
  DragBlock(s, demoWin, 400, 500).call([&] {
    demoBlock = blockTitle();
    plat::test::saveArtifact(plat::test::deskImage(), "road-two-files-demo-front.png");
  });
  s.activate(longWin).call([] {}).call([&] {
    EXPECT_EQ(TheFileInUse, 1u);
    EXPECT_EQ(blockTitle(), longBlock);
    EXPECT_NE(plat::title(3).find("long.orl"), std::string::npos);
    plat::test::saveArtifact(plat::test::deskImage(), "road-two-files.png");
  });
  s.menu(kMenuFile, 5)   // Close the long file: the demo comes forward with its block
      .call([] {})
      .call([&] {
        EXPECT_EQ(TheFileInUse, 0u);
        EXPECT_EQ(blockTitle(), demoBlock);
        EXPECT_NE(plat::title(3).find("demo-respirometry"), std::string::npos);
      })
      .menu(kMenuFile, 21);
  plat::test::run(s, [&] { RunCorvimet(CorvimetRegistrars(), {kDemo, longFile}); });
  EXPECT_TRUE(QuitRequested());
}

bool FramesMeet(int a, int b) {
  const plat::Rect x = plat::frameRect(a), y = plat::frameRect(b);
  return x.left < y.right && y.left < x.right && x.top < y.bottom && y.top < x.bottom;
}

TEST_F(Road, StatisticsStandBesideTheBlockWindowAndCloseWithTheirLoop) {
  const int plot = PlotWindowId(0);
  Script s;
  s.call([] { EXPECT_FALSE(plat::itemEnabled(kMenuAnalyze, 1)) << "no block, no statistics"; });
  DragBlock(s, plot, 300, 700).menu(kMenuAnalyze, 1).call([] {}).call([&] {
    ASSERT_TRUE(plat::windowExists(kResultsWindow));
    ASSERT_TRUE(plat::windowExists(2));
    for (int w : {plot, 2, 3}) EXPECT_FALSE(FramesMeet(kResultsWindow, w)) << "the statistics cover window " << w;
    EXPECT_FALSE(FramesMeet(2, 3));
    EXPECT_FALSE(FramesMeet(2, plot));
    plat::test::saveArtifact(plat::test::deskImage(), "road-stats-beside-block.png");
  });
  s.menu(kMenuView, 8)   // a pick ends the statistics' loop, and its window with it
      .call([] {})
      .call([] { EXPECT_FALSE(plat::windowExists(kResultsWindow)); })
      .menu(kMenuFile, 21);
  plat::test::run(s, [&] { RunCorvimet(CorvimetRegistrars(), {kDemo}); });
  EXPECT_TRUE(QuitRequested());
}

// The user's grow and drag of a window frame, as the desk reports them.
void UserSetsContent(int win, plat::Rect content, plat::EventKind kind) {
  plat::setContentRect(win, content);
  plat::postEvent({.kind = kind, .window = win});
}

TEST_F(Road, ResizedAndMovedPlotWindowsKeepTheirBlockAndTheirOwnGeometry) {
  const fs::path longFile = WriteLongRecording(dir_, 20000, 2);
  const int demo = PlotWindowId(0), other = PlotWindowId(1);
  constexpr int kBlockSpanField = 17;
  plat::Rect blockBefore, commentsBefore;
  int down = 0;
  // The comments box and the block window on the desk, apart, and in front
  // of the plot where they stand over it; the block window usable.
  const auto furnitureSeen = [&](const char* after) {
    SCOPED_TRACE(after);
    const std::vector<int> order = plat::windowIds();
    const auto inFront = [&](int a, int b) {
      return std::find(order.begin(), order.end(), a) < std::find(order.begin(), order.end(), b);
    };
    for (const int w : {2, 3}) {
      ASSERT_TRUE(plat::windowExists(w)) << "window " << w;
      const plat::Rect f = plat::frameRect(w);
      EXPECT_TRUE(f.top >= plat::config().menuBarHeight && f.bottom <= plat::displaySize().h)
          << "window " << w << " leaves the desk: " << f.top << " to " << f.bottom;
      EXPECT_TRUE(!FramesMeet(w, demo) || inFront(w, demo)) << "window " << w << " behind the plot";
    }
    EXPECT_GE(plat::contentSize(2).h, 60) << "a usable block window";
    EXPECT_FALSE(FramesMeet(2, 3));
  };
  Script s;
  s.call([&] {
    EXPECT_EQ(plat::itemCount(kChannelPopupMenu + 0), 4) << "the demo's pop-up keeps its own channels";
    EXPECT_EQ(plat::itemCount(kChannelPopupMenu + 1), 2);
  });
  s.activate(demo).call([] {});
  DragBlock(s, demo, 300, 700);
  // Narrower than 832 pixels the info line has no span field; wider again, it
  // shows the block's span.
  s.call([&] {
    const plat::Rect r = plat::contentRect(demo);
    UserSetsContent(demo, {r.left, r.top, r.left + 800, r.top + 429}, plat::EventKind::Resized);
  })
      .call([] {})
      .call([&] {
        const plat::Rect r = plat::contentRect(demo);
        UserSetsContent(demo, {r.left, r.top, r.left + 1200, r.top + 429}, plat::EventKind::Resized);
      })
      .call([] {})
      .call([&] {
        EXPECT_EQ(BottomOfPlotArea, 429 - 38);
        EXPECT_EQ(ScreenWidth, 1200);
        EXPECT_NE(plat::fieldText(demo, kBlockSpanField).find("min"), std::string::npos)
            << "the block's span, not " << plat::fieldText(demo, kBlockSpanField);
        ASSERT_TRUE(plat::windowExists(2));
        EXPECT_LE(plat::frameRect(2).bottom, plat::displaySize().h) << "the block window stays on the desk";
        EXPECT_FALSE(FramesMeet(2, demo));
        EXPECT_FALSE(FramesMeet(2, 3));
      })
      .activate(other)
      .call([] {})
      .call([&] { EXPECT_EQ(BottomOfPlotArea, plat::contentSize(other).h - 38); })
      .activate(demo)
      .call([] {})
      .call([&] {
        EXPECT_EQ(BottomOfPlotArea, 429 - 38) << "the geometry of the window drawn";
        blockBefore = plat::contentRect(2);
        commentsBefore = plat::contentRect(3);
        UserSetsContent(demo, plat::contentRect(demo).offset(30, 20), plat::EventKind::Moved);
      })
      .call([] {})
      .call([&] {
        EXPECT_EQ(plat::contentRect(2), blockBefore.offset(30, 20)) << "the block window comes along";
        EXPECT_EQ(plat::contentRect(3), commentsBefore.offset(30, 20));
        // Dragged down so far that the block window's lower edge, its
        // minimum and channel label, would leave the desk by 40 pixels.
        blockBefore = plat::contentRect(2);
        down = plat::displaySize().h - plat::frameRect(2).bottom + 40;
        UserSetsContent(demo, plat::contentRect(demo).offset(0, down), plat::EventKind::Moved);
      })
      .call([] {})
      .call([&] {
        EXPECT_LE(plat::frameRect(2).bottom, plat::displaySize().h) << "the block window leaves the desk";
        EXPECT_EQ(plat::contentRect(2).top, blockBefore.top + down) << "it follows the plot";
        EXPECT_FALSE(FramesMeet(2, 3));
        EXPECT_FALSE(FramesMeet(2, demo));
        EXPECT_EQ(LastBlockWindowHeight, plat::contentSize(2).h) << "drawn again at its new height";
        plat::test::saveArtifact(plat::test::deskImage(), "road-plot-dragged-down.png");
        // Down until the plot's own frame meets the desk's edge: the two
        // come along only as far as the desk lets them, still apart.
        const plat::Rect r = plat::contentRect(demo);
        UserSetsContent(demo, r.offset(0, plat::displaySize().h - r.bottom), plat::EventKind::Moved);
      })
      .call([] {})
      .call([&] {
        furnitureSeen("dragged to the desk's edge");
        plat::test::saveArtifact(plat::test::deskImage(), "road-plot-at-desk-edge.png");
      });
  // Whatever builds them again after the move keeps them there.
  DragBlock(s, demo, 400, 800).call([&] { furnitureSeen("a new block"); });
  s.popup(demo, kChannelPopup, 2).call([] {}).call([&] { furnitureSeen("another channel"); });
  s.call([&] {
     const plat::Rect r = plat::contentRect(demo);
     UserSetsContent(demo, {r.left, r.top + 20, r.right - 100, r.bottom}, plat::EventKind::Resized);
   })
      .call([] {})
      .call([&] {
        furnitureSeen("the plot made smaller");
        plat::test::saveArtifact(plat::test::deskImage(), "road-plot-at-desk-edge-resized.png");
      })
      .menu(kMenuFile, 21);
  plat::test::run(s, [&] { RunCorvimet(CorvimetRegistrars(), {kDemo, longFile}); });
  EXPECT_TRUE(QuitRequested());
}

// Enabled items that could not do their work say so.
TEST_F(Road, EnabledItemsWithNothingToDoSaySo) {
  Script s;
  s.menu(kMenuFile, 16)   // Store Current Result before any analysis
      .call([] {})
      .call([] {
        ASSERT_TRUE(plat::windowExists(kAlertWindow)) << "not silence";
        EXPECT_TRUE(testsupport::SoundPlayed("bzot"));
      })
      .click(kAlertWindow, kAlertOK)
      .call([] { plat::test::setBrowserAvailable(false); })
      .menu(kMenuHelp, 2)
      .call([] {})
      .call([] {
        EXPECT_FALSE(plat::windowExists(kAlertWindow));
        ASSERT_TRUE(plat::windowExists(plat::kHelpWindow)) << "no browser: the page in a window of the program";
        EXPECT_NE(plat::fieldText(plat::kHelpWindow, plat::kHelpView), "");
      })
      .closeBox(plat::kHelpWindow)
      .call([] { EXPECT_FALSE(plat::windowExists(plat::kHelpWindow)); })
      .menu(kMenuFile, 21);
  plat::test::run(s, [&] { RunCorvimet(CorvimetRegistrars(), {kDemo}); });
  EXPECT_TRUE(QuitRequested());
}

TEST_F(Road, EveryStoredResultShowsInTheNoticeField) {
  const int plot = PlotWindowId(0);
  constexpr int kNoticeField = 18;
  const auto notice = [plot] { return plat::controlExists(plot, kNoticeField) ? plat::fieldText(plot, kNoticeField) : "(none)"; };
  Script s;
  DragBlock(s, plot, 300, 700)
      .menu(kMenuSendResults, 3)   // a text results file
      .answerSave(dir_ / "results.txt")
      .call([] {})
      .call([&] { EXPECT_NE(notice().find("total saved =  0"), std::string::npos) << notice(); })
      .menu(kMenuAnalyze, 1)
      .call([] {})
      .key(kResultsWindow, 'p')
      .call([] {})
      .call([&] { EXPECT_NE(notice().find("1 saved; last=ch. 1"), std::string::npos) << notice(); })
      .closeBox(kResultsWindow)
      .call([] {})
      .menu(kMenuFile, 16)   // Store Current Result
      .call([] {})
      .call([&] { EXPECT_NE(notice().find("2 saved"), std::string::npos) << notice(); })
      .menu(kMenuFile, 21);
  plat::test::run(s, [&] { RunCorvimet(CorvimetRegistrars(), {kDemo}); });
  EXPECT_TRUE(QuitRequested());
}

}  // namespace

namespace {

// Seconds of a read-out "12.5 sec", "3.2 min", "1.1 hr" or "2 days".
double SecondsOf(const std::string& t) {
  const double v = std::atof(t.c_str());
  if (t.find("day") != std::string::npos || t.find(" d") != std::string::npos) return v * 86400.0;
  if (t.find("hr") != std::string::npos || t.find(" h") != std::string::npos) return v * 3600.0;
  if (t.find("min") != std::string::npos) return v * 60.0;
  return v;
}

// Seconds of the day of "h:mm:ss" or "h:mm:ss.s".
double ClockSeconds(const std::string& t) {
  int h = 0, m = 0;
  double s = 0.0;
  if (std::sscanf(t.c_str(), " %d:%d:%lf", &h, &m, &s) != 3) return -1.0;
  return h * 3600.0 + m * 60.0 + s;
}

std::vector<std::string> SplitCsv(const std::string& line) {
  std::vector<std::string> out(1);
  for (char ch : line) {
    if (ch == ',') out.emplace_back();
    else if (ch != '\r' && ch != '\n') out.back() += ch;
  }
  return out;
}

// A click on a window behind once only brought it to the front: each panel's
// first click was lost, and the polynomial set-up closed with its typed
// coefficients when that click landed on the plot.
TEST_F(Road, TheFirstClickOnAWindowBehindActsOnWhatItHits) {
  const int plot = PlotWindowId(0);
  // Each poll of the program runs one step: a few let the events of a click drain.
  const auto settle = [](Script& s) -> Script& { return s.call([] {}).call([] {}).call([] {}).call([] {}); };
  const struct {
    const char* name;
    std::function<void(Script&)> steps;   // ending on a check step
  } rows[] = {
      {"markers panel Done",
       [&](Script& s) {
         settle(s.menu(kMenuMarkers, 2).click(kResultsWindow, kMarkerOK));
         s.call([plot] { EXPECT_EQ(plat::frontWindow(), plot) << "the plot in front while markers are placed"; });
         settle(s.click(kResultsWindow, kMarkersDone))
             .call([] { EXPECT_FALSE(plat::windowExists(kResultsWindow)) << "Done took the first click"; });
       }},
      {"spike tool Done",
       [&](Script& s) {
         // A look at the comments box first: the tool's panel is then a window behind.
         settle(s.menu(kMenuEdit, 38).activate(kCommentsWindow).click(kResultsWindow, kToolDone))
             .call([] { EXPECT_FALSE(plat::windowExists(kResultsWindow)); });
       }},
      {"spike removal panel Done",
       [&](Script& s) {
         settle(s.menu(kMenuEdit, 17).click(kResultsWindow, kSpikeDone))
             .call([] { EXPECT_FALSE(plat::windowExists(kResultsWindow)); });
       }},
      {"Transformations channel button",
       [&](Script& s) {
         settle(s.menu(kMenuEdit, 22).activate(plot).click(kResultsWindow, 2))
             .call([] { EXPECT_EQ(plat::buttonState(kResultsWindow, 2), 2) << "channel 2 chosen"; })
             .closeBox(kResultsWindow);
       }},
      {"polynomial set-up keeps its coefficients",
       [&](Script& s) {
         s.menu(kMenuEdit, 22)
             .popup(kResultsWindow, kTrTransformPopup, 2)
             .call([] { plat::setFieldText(kPolynomialWindow, 201, "2.5"); });
         settle(s.clickAt(plot, {300, 150}))
             .call([] {
               plat::test::saveArtifact(plat::test::deskImage(), "polynomial-setup-after-a-plot-click.png");
               ASSERT_TRUE(plat::windowExists(kPolynomialWindow)) << "the set-up closed on a click elsewhere";
               EXPECT_EQ(plat::fieldText(kPolynomialWindow, 201), "2.5");
               EXPECT_EQ(plat::windowIds().front(), kPolynomialWindow) << "and waits in front";
             })
             .click(kPolynomialWindow, kPolyOK)
             .closeBox(kResultsWindow);
       }},
      {"histogram Distribution",
       [&](Script& s) {
         s.press(plot, {300, 150}).moveTo(plot, {500, 150}).moveTo(plot, {700, 150}).release();
         // The block window's limits looked at first: the results behind it.
         settle(settle(s).menu(kMenuAnalyze, 1).activate(kBlockWindow).click(kResultsWindow, 232))
             .call([] { EXPECT_TRUE(plat::windowExists(151)) << "the distribution opened"; })
             .closeBox(kResultsWindow);
       }},
      {"first plot click after the automatic-block dialog",
       [&](Script& s) {
         s.menu(77, 2).type(kResultsWindow, kAutoBlockSecondsField, "10").click(kResultsWindow, kAutoBlockOK);
         settle(s.activate(kCommentsWindow).clickAt(plot, {400, 150})).call([] {
           EXPECT_EQ(FileSHORTS[0][kShortBlockState], 2) << "the click chose a block";
           prefsArray[kPrefAutoBlock] = 0;
         });
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    plat::test::reset();
    testsupport::ClearStore();
    ClearCommandRegistry();
    ClearQuitRequest();
    Script s;
    s.click(kFileTypeWindow, kFileTypeNative).answerOpen(kDemo);
    row.steps(s);
    // Some panels keep an undo copy and mark the file changed: Quit asks nothing.
    s.call([] { FileSHORTS[0][kShortChanged] = 0; }).menu(kMenuFile, 21);
    try {
      plat::test::run(s, [] { RunCorvimet(CorvimetRegistrars(), {}); });
    } catch (const plat::test::Failure& f) {
      ADD_FAILURE() << f.what();
    }
    prefsArray[kPrefAutoBlock] = 0;
  }
}

}  // namespace

TEST_F(Road, EveryPlaceThatShowsABlockNamesTheStoresCasesTimeAndValue) {
  const int plot = PlotWindowId(0);
  const fs::path results = dir_ / "results.txt", csv = dir_ / "block.csv";
  int32_t first = 0, last = 0;
  float datum = 0.0f;
  std::string bar, clock, value, blockTitle, histogramTitle;
  gSaveAsMemory = {};
  Script s;
  s.menu(kMenuSendResults, 3).answerSave(results).call([] {});
  DragBlock(s, plot, 300, 700).call([&] {
    ASSERT_EQ(FileSHORTS[0][kShortBlockState], 2);
    first = BeginBlock[0];
    last = EndBlock[0];
  });
  // The pointer back on the column where the block starts.
  // The data bar follows the pointer on idle passes, once a tick.
  s.moveTo(plot, {300, 150}).call([] { plat::test::advanceMs(100); });
  testsupport::Idle(s, 4);
  s.call([&] {
    bar = plat::fieldText(plot, 54);
    clock = plat::fieldText(plot, 55);
    value = plat::fieldText(plot, 56);
    blockTitle = plat::title(kBlockWindow);
    datum = GetDatum(0, 1, first);
    plat::test::saveArtifact(plat::test::deskImage(), "numbering-data-bar-and-block.png");
  });
  s.menu(kMenuAnalyze, 1)
      .call([] {})
      .click(kResultsWindow, kBigHistogramButton)
      .call([&] { histogramTitle = plat::title(kHistogramWindow); })
      .click(kHistogramWindow, kHistClose)
      .key(kResultsWindow, 'p')
      .call([] {})
      .closeBox(kResultsWindow)
      .call([] {})
      .menu(kMenuFile, 7)   // Save As…: the block as text, with its case and time columns
      .click(kSaveAsWindow, kSaveAsComma)
      .click(kSaveAsWindow, kSaveAsBlock)
      .click(kSaveAsWindow, kSaveAsCase)
      .click(kSaveAsWindow, kSaveAsClock)
      .click(kSaveAsWindow, kSaveAsSave)
      .answerSave(csv)
      .call([] {})
      .menu(kMenuFile, 21);
  plat::test::run(s, [&] { RunCorvimet(CorvimetRegistrars(), {kDemo}); });
  CloseDestination();
  ASSERT_GT(first, 0);
  const std::string range = NumText(first) + " to" + NumText(last);

  EXPECT_EQ(bar.rfind(" #" + NumText(first) + ";", 0), 0u) << bar;
  EXPECT_NE(blockTitle.find("ases" + range), std::string::npos) << blockTitle;
  EXPECT_NE(histogramTitle.find("case" + range), std::string::npos) << histogramTitle;
  const std::string text = testsupport::ReadFileBytes(results);
  EXPECT_NE(text.find("Cases" + range + " (total" + NumText(last - first + 1) + ")"), std::string::npos) << text;

  // The export's first row is the block's first case.
  const std::string rows = testsupport::ReadFileBytes(csv);
  const size_t eol = rows.find('\n');
  ASSERT_NE(eol, std::string::npos) << rows;
  const std::vector<std::string> head = SplitCsv(rows.substr(0, eol));
  const std::vector<std::string> row = SplitCsv(rows.substr(eol + 1, rows.find('\n', eol + 1) - eol - 1));
  ASSERT_GE(head.size(), 4u);
  ASSERT_EQ(row.size(), head.size());
  EXPECT_EQ(head[0], "Case");
  EXPECT_EQ(row[0], std::to_string(first));
  EXPECT_NEAR(std::atof(row[1].c_str()), SecondsOf(bar.substr(bar.find(';') + 1)), 0.01 * std::atof(row[1].c_str()) + 1e-3)
      << row[1] << " vs " << bar;
  EXPECT_NEAR(ClockSeconds(row[2]), ClockSeconds(clock), 1.0) << row[2] << " vs " << clock;
  EXPECT_FLOAT_EQ(std::strtof(row[3].c_str(), nullptr), datum) << row[3];
  EXPECT_NEAR(std::atof(value.substr(6).c_str()), datum, 1e-5 * std::fabs(datum)) << value;
}

namespace {

QColor Qt8(plat::Rgb16 c) { return QColor(c.r >> 8, c.g >> 8, c.b >> 8); }

// Pixels of colour c in the rectangle r of img.
int CountColour(const QImage& img, QRect r, QColor c) {
  int n = 0;
  r = r.intersected(img.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += img.pixelColor(x, y) == c ? 1 : 0;
  return n;
}

}  // namespace

// Analyses of a block are dimmed without one; a block of two clicks names its
// span in the info line as a dragged one does.
TEST_F(Road, TwoClicksMakeABlockThatTheInfoLineAndTheAnalyzeMenuKnow) {
  const int plot = PlotWindowId(0);
  constexpr int16_t kNeedBlock[] = {1, 2, 3, 4, 5, 6, 11, 15, 16, 17, 18, 20, 21, 22, 27, 28};
  std::string span;
  Script s;
  s.call([&] {
    for (int16_t item : kNeedBlock) EXPECT_FALSE(plat::itemEnabled(kMenuAnalyze, item)) << item;
    EXPECT_TRUE(plat::itemEnabled(kMenuAnalyze, 8)) << "picked points need no block";
  });
  s.clickAt(plot, {300, 150});
  testsupport::Idle(s, 4);
  s.clickAt(plot, {500, 150});
  testsupport::Idle(s, 4);
  s.call([&] {
    ASSERT_EQ(FileSHORTS[0][kShortBlockState], 2);
    span = plat::fieldText(plot, kBlockSpanField);
    EXPECT_EQ(span, plotcore::DragSpanText(FileInfoFLOATS[0][kInfoInterval], EndBlock[0] - BeginBlock[0]));
    plat::test::saveArtifact(plat::test::windowImage(plot), "two-click-block-info-line.png");
    for (int16_t item : kNeedBlock) EXPECT_TRUE(plat::itemEnabled(kMenuAnalyze, item)) << item;
  });
  s.menu(kMenuFile, 21);
  plat::test::run(s, [&] { RunCorvimet(CorvimetRegistrars(), {kDemo}); });
  EXPECT_NE(span, plotcore::kBlockSpanNone);
}

// An overlaid channel keeps its legend colour inside the block too; the
// legend names only what is drawn; "Clear Overlay" leaves the block and
// closes the legend.
TEST_F(Road, TheOverlayKeepsItsColoursAndClearOverlayOnlyClearsTheOverlay) {
  const int plot = PlotWindowId(0);
  Script s;
  DragBlock(s, plot, 300, 700);
  s.menu(kMenuView, 9)   // Overlay…
      .click(kChannelSelectWindow, 4)
      .click(kChannelSelectWindow, kSelectDone)
      .call([] { ASSERT_TRUE(plat::windowExists(kOverlayOptionsWindow)) << "picked by hand: the options"; })
      .click(kOverlayOptionsWindow, kOverlayAllPlots)
      .click(kOverlayOptionsWindow, kOverlayLegend)
      .click(kOverlayOptionsWindow, kOverlayOK)
      .call([] {})
      .call([&] {
        ASSERT_EQ(prefsArray[kPrefColourDisplay], 1);
        const QImage img = plat::test::portImage(plot);
        const int left = FileSHORTS[0][kShortBlockLeftPx], right = FileSHORTS[0][kShortBlockRightPx];
        ASSERT_GT(right - left, 20);
        // Channel 4's cyan: the inverted green of the active trace is not it.
        const QColor mine = Qt8(OverlayColor[4]);
        const QColor inverted(255 - mine.red(), 255 - mine.green(), 255 - mine.blue());
        const QRect inside(left + 2, 20, right - left - 4, BottomOfPlotArea - 24);
        EXPECT_GT(CountColour(img, inside, mine), 0) << "the overlay in its own colour inside the block";
        EXPECT_EQ(CountColour(img, inside, inverted), 0);
        EXPECT_GT(CountColour(img, QRect(2, 20, left - 4, BottomOfPlotArea - 24), mine), 0);
        plat::test::saveArtifact(plat::test::windowImage(plot), "overlay-in-block.png");

        ASSERT_TRUE(plat::windowExists(kFileInfoWindow));
        const QImage legend = plat::test::portImage(kFileInfoWindow);
        plat::test::saveArtifact(plat::test::windowImage(kFileInfoWindow), "overlay-legend.png");
        // Row 1: channel 1, the plotted one, in the trace's colour; row 2:
        // channel 4; nothing below.
        const auto row = [](int i) { return QRect(10, 24 + 13 * i + 1, 70, 12); };
        EXPECT_GT(CountColour(legend, row(0), Qt8(PlotDataLineColor)), 0);
        EXPECT_EQ(CountColour(legend, row(0), Qt8(OverlayColor[1])), 0);
        EXPECT_GT(CountColour(legend, row(1), mine), 0);
        for (int16_t c : {2, 3}) EXPECT_EQ(CountColour(legend, row(2), Qt8(OverlayColor[c])), 0) << c;
        EXPECT_TRUE(plat::controlExists(plot, kClearOverlayButton));
      })
      .click(plot, kClearOverlayButton)
      .call([] {})
      .call([&] {
        EXPECT_EQ(FileSHORTS[0][kShortBlockState], 2) << "the block stays";
        EXPECT_FALSE(plat::windowExists(kFileInfoWindow)) << "the legend goes with the overlay";
        EXPECT_EQ(CountColour(plat::test::portImage(plot), QRect(2, 20, ScreenWidth - 4, BottomOfPlotArea - 24),
                              Qt8(OverlayColor[4])),
                  0);
      })
      .menu(kMenuFile, 21);
  plat::test::run(s, [&] { RunCorvimet(CorvimetRegistrars(), {kDemo}); });
}
namespace {

// Clearing "Show the comments box" in Preferences took effect only at the
// next start; ticking it again brings the box back at once too.
TEST_F(Road, TheCommentsBoxFollowsItsPreferenceAtOnce) {
  bool before = false, hidden = true, back = false;
  Script s;
  s.click(kFileTypeWindow, kFileTypeNative)
      .answerOpen(kDemo)
      .call([&] { before = plat::windowExists(kCommentsWindow); })
      .menu(kMenuFile, 13)
      .click(kPreferencesWindow, kPrefCommentsHidden)
      .click(kPreferencesWindow, kPrefsOK)
      .call([] {})
      .call([&] { hidden = plat::windowExists(kCommentsWindow); })
      .menu(kMenuFile, 13)
      .click(kPreferencesWindow, kPrefCommentsHidden)
      .click(kPreferencesWindow, kPrefsOK)
      .call([] {})
      .call([&] { back = plat::windowExists(kCommentsWindow); })
      .menu(kMenuFile, 21);
  plat::test::run(s, [] { RunCorvimet(CorvimetRegistrars(), {}); });
  EXPECT_TRUE(before);
  EXPECT_FALSE(hidden) << "gone as soon as the box was cleared";
  EXPECT_TRUE(back);
}

// A command's windows over a plot dragged to the desk's bottom edge, where
// they open higher, over its lower part: on the desk and in front of the plot
// after each pick on it, which brings the plot forward. Both desks, the
// toolbar left and above.
struct LowPlotDesk {
  plat::Size desk;
  int16_t place;
};

void PrintTo(const LowPlotDesk& d, std::ostream* os) {
  *os << d.desk.w << "x" << d.desk.h << (d.place == 0 ? " toolbar left" : " toolbar above");
}

class LowPlot : public Road, public testing::WithParamInterface<LowPlotDesk> {};

TEST_P(LowPlot, ACommandsWindowsStayInFrontThroughThePicks) {
  const auto [desk, place] = GetParam();
  struct DeskBack {
    ~DeskBack() { plat::test::setDesk(plat::test::optionsDesk()); }
  } deskBack;
  plat::test::setDesk(desk);
  const int plot = PlotWindowId(0);
  const std::string where = std::to_string(desk.h) + (place == 0 ? "-toolbar-left" : "-toolbar-above");
  const auto inFront = [&](const char* what) {
    return [&, what] {
      SCOPED_TRACE(what);
      const std::vector<int> order = plat::windowIds();
      const auto at = [&](int w) { return std::find(order.begin(), order.end(), w); };
      int over = 0;
      for (const int w : order) {
        if (w == plot || w == kToolbarWindow || !plat::windowVisible(w)) continue;
        const plat::Rect f = plat::frameRect(w);
        const std::string name = "window " + std::to_string(w) + " \"" + plat::title(w) + "\"";
        EXPECT_TRUE(f.top >= plat::config().menuBarHeight && f.bottom <= plat::displaySize().h) << name << " leaves the desk";
        if (!FramesMeet(w, plot)) continue;
        ++over;
        EXPECT_LT(at(w), at(plot)) << name << " behind the plot";
      }
      EXPECT_GT(over, 0) << "no window over the plot: it did not stand low";
      std::string file = "low-plot-1280x" + where + "-" + what + ".png";
      std::replace(file.begin(), file.end(), ' ', '-');
      plat::test::saveArtifact(plat::test::deskImage(), file);
    };
  };
  // Picks right of the windows, which open at the plot's left, and above its furniture.
  const auto pick = [&](Script& s, int x) -> Script& { return s.clickAt(plot, {x, 60}).call([] {}); };
  const auto drag = [&](Script& s, int x0, int x1) -> Script& {
    // The pointer rests while the picker's loop drains what came before.
    return s.moveTo(plot, {x0, 60}).moveTo(plot, {x0, 60}).moveTo(plot, {x0, 60}).press(plot, {x0, 60}).moveTo(plot, {(x0 + x1) / 2, 60}).moveTo(plot, {x1, 60})
        .release()
        .moveTo(plot, {x1, 60})
        .call([] {});
  };
  const auto channel = [] {
    const float* d = ChannelData(0, ActiveChannel);
    return d ? std::vector<float>(d, d + nCases[0] + 1) : std::vector<float>();
  };
  std::vector<float> before;
  Script s;
  s.call([&] { before = channel(); });
  for (int16_t k = 0; k < place; ++k) s.closeBox(kToolbarWindow).call([] {});
  s.call([&] {
     const plat::Rect r = plat::contentRect(plot);
     UserSetsContent(plot, r.offset(0, plat::displaySize().h - r.bottom), plat::EventKind::Moved);
   }).call([] {});
  s.menu(kMenuAnalyze, 8);   // Running Average
  for (const int x : {700, 760, 820}) pick(s, x);
  s.call(inFront("running average")).click(kResultsWindow, kExitClickButton).call([] {});
  s.menu(kMenuAnalyze, 9);   // Average Pair Differences and its Elapsed Time Statistics
  for (const int x : {700, 760, 820, 880}) pick(s, x);
  s.call(inFront("pair differences")).click(kResultsWindow, kExitClickButton).call([] {});
  // FFT of 1024 samples. A press while "select block in plot window" still
  // blinks is no pick: the block is chosen after the cue.
  s.menu(kMenuAnalyze, 13).click(kResultsWindow, 10);
  testsupport::Idle(s, 30);
  s.moveTo(plot, {800, 60});
  pick(s, 800);
  testsupport::Idle(s, 8);
  s.call([] {
     EXPECT_EQ(FileSHORTS[0][kShortBlockState], 2) << "the pick chose the block";
     EXPECT_EQ(EndBlock[0] - BeginBlock[0], 1024);
     EXPECT_EQ(plat::buttonState(kResultsWindow, kFftDo), 1);
   })
      .call(inFront("fft"))
      .click(kResultsWindow, kFftDo);
  testsupport::Idle(s, 8);
  s.call([] { EXPECT_EQ(plat::buttonState(kResultsWindow, kFftZoomOut), 1) << "the spectrum is shown"; })
      .call(inFront("fft spectrum"))
      .click(kResultsWindow, kFftExit)
      .call([] {});
  s.menu(kMenuEdit, 11).click(kResultsWindow, kBaselineCursorBoth).activate(plot);   // Correct Baseline
  drag(drag(s, 650, 700), 900, 950).call(inFront("baseline")).click(kResultsWindow, kBaselineCancel).call([] {});
  // Change Blocks…, and one more block picked while it waits. Its close box
  // sets no block: the channel is as the file came.
  drag(s, 650, 800).menu(73, 1);
  drag(s, 900, 950).call(inFront("change blocks")).closeBox(kBlockSetWindow);
  testsupport::Idle(s, 8);
  s.call([&] {
    EXPECT_FALSE(plat::windowExists(kBlockSetWindow));
    EXPECT_EQ(channel(), before) << "a cancelled baseline or a closed \"Set Blocks\" writes nothing";
  });
  // Correct Baseline keeps its undo copy as it opens, so the file counts as
  // changed though it was cancelled.
  s.menu(kMenuFile, 21).click(kSaveChangesWindow, kSaveChangesDontSave);
  plat::test::run(s, [&] { RunCorvimet(CorvimetRegistrars(), {kDemo}); });
}

INSTANTIATE_TEST_SUITE_P(Desks, LowPlot,
                         testing::Values(LowPlotDesk{{1280, 800}, 0}, LowPlotDesk{{1280, 800}, 2},
                                         LowPlotDesk{{1280, 768}, 0}, LowPlotDesk{{1280, 768}, 2}),
                         [](const testing::TestParamInfo<LowPlotDesk>& i) {
                           return "1280x" + std::to_string(i.param.desk.h) + (i.param.place == 0 ? "ToolbarLeft" : "ToolbarAbove");
                         });

}  // namespace
