// Page setup, the print dialog and print jobs on QPrinter. A job's port works
// in 72-dpi page units; the page-setup scale shrinks or enlarges them. In test
// mode no dialog shows and every job goes to a PDF file.
#include <QBoxLayout>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>

#include <algorithm>
#include <cmath>
#include <variant>

#include "platform/macroman.h"
#include "platform/print.h"
#include "platform/qt/internal.h"
#include "platform/qt/portimpl.h"
#include "platform/qt/services.h"

namespace plat::print {
namespace {

struct Session {
  std::unique_ptr<QPrinter> printer;
  int scale = 100;
};

Session& S() {
  static Session s;
  return s;
}

QPrinter& sessionPrinter() {
  Session& s = S();
  if (!s.printer) {
    s.printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // The plot page is wider than high.
    s.printer->setPageOrientation(QPageLayout::Landscape);
  }
  return *s.printer;
}

// Qt's page-setup dialog has no scale; we add one above its buttons when its
// layout lets us, and keep the old value otherwise.
QSpinBox* addScaleField(QDialog& dlg) {
  auto* spin = new QSpinBox;
  spin->setRange(10, 400);
  spin->setSuffix(" %");
  spin->setValue(S().scale);
  auto* row = new QWidget;
  auto* h = new QHBoxLayout(row);
  h->setContentsMargins(0, 0, 0, 0);
  h->addWidget(new QLabel("Scale:"));
  h->addWidget(spin);
  h->addStretch();
  if (auto* box = qobject_cast<QBoxLayout*>(dlg.layout())) {
    box->insertWidget(std::max(0, box->count() - 1), row);
  } else if (auto* grid = qobject_cast<QGridLayout*>(dlg.layout())) {
    grid->addWidget(row, grid->rowCount(), 0, 1, grid->columnCount());
  } else {
    delete row;
    return nullptr;
  }
  return spin;
}

// Qt's page-setup dialog works only with a system printer. Without one (a
// machine with no printers prints to PDF) we ask for the essentials ourselves.
bool ownPageSetup(QPrinter& printer) {
  QDialog dlg(detail::deskWindow());
  dlg.setWindowTitle("Page Setup");
  auto* form = new QFormLayout(&dlg);
  auto* paper = new QComboBox;
  const QPageSize::PageSizeId sizes[] = {QPageSize::A4, QPageSize::Letter, QPageSize::Legal, QPageSize::A3};
  for (auto id : sizes) {
    paper->addItem(QPageSize::name(id), int(id));
    if (printer.pageLayout().pageSize().id() == id) paper->setCurrentIndex(paper->count() - 1);
  }
  auto* orient = new QComboBox;
  orient->addItems({"Portrait", "Landscape"});
  orient->setCurrentIndex(printer.pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0);
  auto* scale = new QSpinBox;
  scale->setRange(10, 400);
  scale->setSuffix(" %");
  scale->setValue(S().scale);
  form->addRow("Paper:", paper);
  form->addRow("Orientation:", orient);
  form->addRow("Scale:", scale);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  form->addRow(buttons);
  if (dlg.exec() != QDialog::Accepted) return false;
  printer.setPageSize(QPageSize(QPageSize::PageSizeId(paper->currentData().toInt())));
  printer.setPageOrientation(orient->currentIndex() == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
  S().scale = scale->value();
  return true;
}

// Texts drawn on a page, one entry per baseline in drawing order; pieces
// drawn along one baseline (bold then plain, say) join into one line.
void collectLines(const Picture::Data& pic, std::vector<std::string>& lines, bool& haveY, int& lastY) {
  for (const auto& o : pic.ops) {
    if (const auto* t = std::get_if<op::Text>(&o.what)) {
      if (!haveY || t->at.y != lastY) lines.emplace_back();
      haveY = true;
      lastY = t->at.y;
      lines.back() += t->bytes;
    } else if (const auto* n = std::get_if<op::Nested>(&o.what)) {
      if (n->pic) collectLines(*n->pic, lines, haveY, lastY);
    }
  }
}

int pdfCounter = 0;

}  // namespace

int scalePercent() { return S().scale; }

bool pageSetup() {
  if (detail::testMode()) return detail::takeAnswer(detail::AnswerKind::PageSetup, "Page Setup").accept;
  if (sessionPrinter().outputFormat() != QPrinter::NativeFormat) return ownPageSetup(sessionPrinter());
  QPageSetupDialog dlg(&sessionPrinter(), detail::deskWindow());
  QSpinBox* scale = addScaleField(dlg);
  if (dlg.exec() != QDialog::Accepted) return false;
  if (scale) S().scale = scale->value();
  return true;
}

bool printDialog() {
  if (detail::testMode()) return detail::takeAnswer(detail::AnswerKind::Print, "Print").accept;
  QPrintDialog dlg(&sessionPrinter(), detail::deskWindow());
  return dlg.exec() == QDialog::Accepted;
}

struct Job::Impl {
  std::unique_ptr<QPrinter> own;   // test mode: a PDF printer of the job's own
  QPrinter* printer = nullptr;
  QPainter painter;                // before the port, so the port goes first
  std::unique_ptr<Port> port;
  Rect page;
  bool ok = false, finished = false;
  std::filesystem::path pdf;
  std::shared_ptr<Picture::Data> capture;   // test mode: what the page draws

  void recordPage() {
    if (!capture) return;
    std::vector<std::string> lines;
    bool haveY = false;
    int lastY = 0;
    collectLines(*capture, lines, haveY, lastY);
    capture->ops.clear();
    detail::recordPrintedPage(pdf, std::move(lines));
  }
};

Job::Job(const MacText& title) : d_(std::make_unique<Impl>()) {
  Impl& d = *d_;
  QString docName = QString::fromStdString(macRomanToUtf8(title));
  if (detail::testMode()) {
    d.own = std::make_unique<QPrinter>(QPrinter::HighResolution);
    d.own->setPageLayout(sessionPrinter().pageLayout());
    d.own->setOutputFormat(QPrinter::PdfFormat);
    d.pdf = detail::testOutputDir() / ("print-" + std::to_string(++pdfCounter) + ".pdf");
    d.own->setOutputFileName(QString::fromStdString(d.pdf.string()));
    d.printer = d.own.get();
  } else {
    d.printer = &sessionPrinter();
  }
  d.printer->setDocName(docName);
  d.ok = d.painter.begin(d.printer);
  if (!d.ok) {
    d.port = std::make_unique<Port>();   // something to draw on that goes nowhere
    return;
  }
  // Device pixels per page unit: 72 units an inch at 100 %.
  double f = d.printer->resolution() / 72.0 * (S().scale / 100.0);
  d.painter.scale(f, f);
  d.page = {0, 0, int(std::floor(d.printer->width() / f)), int(std::floor(d.printer->height() / f))};
  d.port = detail::makePainterPort(&d.painter, d.page);
  if (detail::testMode()) {
    d.capture = std::make_shared<Picture::Data>();
    d.capture->frame = d.page;
    d.port->impl()->rec = d.capture;
  }
}

Job::~Job() {
  finish();
  d_->port.reset();   // before the painter it draws with
}

Port& Job::port() { return *d_->port; }
Rect Job::pageRect() const { return d_->page; }
bool Job::ok() const { return d_->ok; }

void Job::newPage() {
  Impl& d = *d_;
  if (!d.ok || d.finished) return;
  d.recordPage();
  d.printer->newPage();
}

void Job::finish() {
  Impl& d = *d_;
  if (d.finished) return;
  d.finished = true;
  if (!d.ok) return;
  d.painter.end();
  d.recordPage();
}

}  // namespace plat::print

namespace plat::detail {
void setScalePercent(int percent) { print::S().scale = std::clamp(percent, 10, 400); }
}  // namespace plat::detail
