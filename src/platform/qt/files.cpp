// File dialogs, type/creator tags and the file-error alert.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QStringList>

#include <sys/xattr.h>

#include <system_error>

#include "platform/files.h"
#include "platform/macroman.h"
#include "platform/qt/internal.h"
#include "platform/qt/services.h"

namespace plat {
namespace {

QString fromMac(std::string_view s) { return QString::fromStdString(macRomanToUtf8(s)); }

std::filesystem::path toPath(const QString& s) { return std::filesystem::path(QFile::encodeName(s).toStdString()); }

// The folder the next dialog starts in when the caller names none: where the
// user last went.
std::filesystem::path& lastFolder() {
  static std::filesystem::path p;
  return p;
}

QString startFolder(const std::filesystem::path& startDir) {
  std::error_code ec;
  for (const auto& p : {startDir, lastFolder()})
    if (!p.empty() && std::filesystem::is_directory(p, ec)) return QString::fromStdString(p.string());
  return QDir::homePath();
}

bool knownCode(const std::array<char, 4>& c) { return c != std::array<char, 4>{'?', '?', '?', '?'}; }

QString filterFor(const FileKind& k) {
  QString name = k.description.empty()
                     ? (knownCode(k.type) ? QString("'%1' files").arg(fromMac({k.type.data(), 4})) : QString("Files"))
                     : fromMac(k.description);
  // Qt reads the last parenthesised group as the patterns.
  name.replace('(', '[').replace(')', ']');
  QStringList globs;
  for (const auto& e : k.extensions) {
    if (e.empty()) continue;
    globs << "*." + QString::fromStdString(e);
  }
  // Files made here often have no extension ("run1 results"), so a kind with
  // none listed shows everything rather than nothing.
  if (globs.isEmpty()) globs << "*";
  return name + " (" + globs.join(' ') + ")";
}


}  // namespace

QStringList detail::nameFilters(const std::vector<FileKind>& kinds) {
  QStringList f;
  for (const auto& k : kinds) {
    QString s = filterFor(k);
    if (!f.contains(s)) f << s;
  }
  f << "All files (*)";
  return f;
}

namespace {

std::optional<std::filesystem::path> accepted(const QString& chosen) {
  if (chosen.isEmpty()) return std::nullopt;
  auto p = toPath(chosen);
  if (p.filename().empty()) return std::nullopt;   // a bare folder is no name
  lastFolder() = p.parent_path();
  return p;
}

std::optional<std::filesystem::path> scripted(detail::AnswerKind kind, const MacText& prompt) {
  detail::Answer a = detail::takeAnswer(kind, prompt);
  if (!a.accept || a.path.empty() || a.path.filename().empty()) return std::nullopt;
  return a.path;
}

}  // namespace

std::optional<std::filesystem::path> askOpenFile(const MacText& prompt, const std::vector<FileKind>& kinds,
                                                 const std::filesystem::path& startDir) {
  if (detail::testMode()) return scripted(detail::AnswerKind::Open, prompt);
  QFileDialog dlg(detail::deskWindow(), fromMac(prompt), startFolder(startDir));
  dlg.setOption(QFileDialog::DontUseNativeDialog);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::ExistingFile);
  dlg.setNameFilters(detail::nameFilters(kinds));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return accepted(dlg.selectedFiles().first());
}

std::optional<std::filesystem::path> askSaveFile(const MacText& prompt, const MacText& defaultName,
                                                 const FileKind& kind, const std::filesystem::path& startDir) {
  if (detail::testMode()) return scripted(detail::AnswerKind::Save, prompt);
  QFileDialog dlg(detail::deskWindow(), fromMac(prompt), startFolder(startDir));
  dlg.setOption(QFileDialog::DontUseNativeDialog);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setNameFilters(detail::nameFilters({kind}));
  // A Mac name may hold '/', which a Linux name cannot.
  QString name = fromMac(defaultName);
  name.replace('/', '-');
  dlg.selectFile(name);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return accepted(dlg.selectedFiles().first());
}

void tagFile(const std::filesystem::path& path, const FileKind& kind) {
  // Nothing reads these back; they only help other tools. Filesystems without
  // user attributes refuse, which is fine.
  if (knownCode(kind.type)) ::setxattr(path.c_str(), "user.mac.type", kind.type.data(), 4, 0);
  if (knownCode(kind.creator)) ::setxattr(path.c_str(), "user.mac.creator", kind.creator.data(), 4, 0);
}

namespace detail {
std::vector<std::string>& fileErrorsShown() {
  static std::vector<std::string> shown;
  return shown;
}
}  // namespace detail

void showFileError(const std::filesystem::path& path, int errnoValue, const std::string& consequence) {
  std::string msg = std::generic_category().message(errnoValue);
  if (detail::testMode()) {
    detail::fileErrorsShown().push_back(path.string() + ": " + msg + (consequence.empty() ? "" : "\n" + consequence));
    return;
  }
  QString p = QFile::decodeName(QByteArray::fromStdString(path.string()));
  QMessageBox box(QMessageBox::Warning, "File error",
                  QString("The file \u201C%1\u201D could not be used.").arg(QFile::decodeName(
                      QByteArray::fromStdString(path.filename().string()))),
                  QMessageBox::Ok, detail::deskWindow());
  QString info = QString("%1\n\n%2 (error %3)").arg(p, QString::fromStdString(msg)).arg(errnoValue);
  if (!consequence.empty()) info += "\n\n" + QString::fromStdString(consequence);
  box.setInformativeText(info);
  box.exec();
}

}  // namespace plat
