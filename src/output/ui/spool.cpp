#include "output/ui/spool.h"

#include <algorithm>
#include <string>
#include <vector>

#include "output/outputfile.h"
#include "output/results.h"
#include "output/ui/destination.h"
#include "output/writer.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/print.h"
#include "platform/windows.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int kLeftMargin = 18;
constexpr int kTopMargin = 18;

plat::FontSpec printFont(bool bold) {
  plat::FontSpec f;
  f.family = "1";
  f.pixelSize = 10;
  f.bold = bold;
  return f;
}

// Lines onto pages: a new page whenever the next baseline would leave the
// printable area.
class PagePrinter {
 public:
  explicit PagePrinter(plat::print::Job& job) : job_(job), page_(job.pageRect()) {
    plat::Port& p = job_.port();
    p.setFont(printFont(false));
    p.setForeColor({0, 0, 0});
    const plat::Port::Metrics m = p.metrics();
    lineHeight_ = std::max(1, m.ascent + m.descent + m.leading);
    ascent_ = m.ascent;
    y_ = page_.top + kTopMargin + ascent_;
    blank_ = std::max(1, p.textWidth(" "));
  }

  void line(const PrintLine& l) {
    plat::Port& p = job_.port();
    int x = page_.left + kLeftMargin + (l.indentColumn - 1) * blank_;
    for (const PrintSpan& s : l.spans) {
      p.setFont(printFont(s.bold));
      p.moveTo(x, y_);
      p.drawText(s.text);
      x += p.textWidth(s.text);
    }
    p.setFont(printFont(false));
    advance();
  }

  void line(const std::string& text) { line(PrintLine{1, {{text, false}}}); }

 private:
  void advance() {
    y_ += lineHeight_;
    if (y_ + lineHeight_ - ascent_ > page_.bottom - kTopMargin) {
      job_.newPage();
      job_.port().setFont(printFont(false));
      job_.port().setForeColor({0, 0, 0});
      y_ = page_.top + kTopMargin + ascent_;
    }
  }

  plat::print::Job& job_;
  plat::Rect page_;
  int lineHeight_ = 12, ascent_ = 9, y_ = 0, blank_ = 3;
};

void selectPlotWindow() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  const int plot = kPlotWindowBase + slot;
  if (ValidFileSlot(slot) && plat::windowExists(plot)) {
    plat::selectWindow(plot);
    plat::setCurrentPort(plot);
  }
}

void setPrintAndCloseEnabled(bool on) {
  if (plat::menuDefined(kPickPrintAndClose.menu) && plat::itemCount(kPickPrintAndClose.menu) >= kPickPrintAndClose.item)
    plat::setItemEnabled(kPickPrintAndClose.menu, kPickPrintAndClose.item, on);
}

}  // namespace

bool PrintSpool() {
  // An unreadable spool is reported before any dialog: a header alone is no use.
  std::string spool;
  const OutputStatus st = ReadWholeFile(SpoolPath(), &spool);
  if (!st.ok()) {
    HandleFileError(st.path, st.errnoValue);
    return false;
  }
  if (!plat::print::pageSetup()) return false;
  if (!plat::print::printDialog()) return false;
  const FileHeaderInfo header = CaptureFileHeader();
  plat::setCursor(plat::CursorKind::Watch);
  {
    plat::print::Job job("printfile");
    PagePrinter out(job);
    for (const PrintLine& l : SpoolPrintHeader(header)) out.line(l);
    for (const std::string& l : SpoolBodyLines(spool)) out.line(l);
    job.finish();
  }
  plat::setCursor(plat::CursorKind::Arrow);
  return true;
}

void SendTextToPrinter() {
  const int16_t port = OpenDestinationPort();
  if (port == kPortSpool) {
    // Everything stored must be on disk before it is read back.
    if (!WriteToDestination({})) return;
    if (!PrintSpool()) {
      // Nothing printed: the spool stays the destination, its results kept.
      PortForResultsOutput = kPortSpool;
      setPrintAndCloseEnabled(true);
      return;
    }
    CloseDestination();
    selectPlotWindow();
    wssst();
  } else {
    CloseDestination();
  }
  wsst();
  PortForResultsOutput = kPortNone;
  Nresults = 0;
  const int plot = kPlotWindowBase + static_cast<int16_t>(TheFileInUse);
  if (plat::windowExists(plot) && plat::controlExists(plot, kDataBarCaseField))
    plat::setFieldText(plot, kDataBarCaseField, "");
  setPrintAndCloseEnabled(false);
}
