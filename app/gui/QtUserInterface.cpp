#include "app/gui/QtUserInterface.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>

#include "app/Startup.h"
#include "common/UiText.h"

namespace korvex::gui {

namespace {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A text of the core in the user's language.
QString Shown(std::string_view text) { return FromUtf8(UiText(text)); }

// "Description (*.ext)": the description in the user's language, the
// patterns as they are.
QString ShownDescription(const QString& description) {
  const qsizetype open = description.lastIndexOf(QLatin1Char('('));
  if (open <= 0 || !description.endsWith(QLatin1Char(')'))) return Shown(description.toStdString());
  const QString name = description.left(open);
  const QString trimmed = name.trimmed();
  return Shown(trimmed.toStdString()) + name.mid(trimmed.size()) + description.mid(open);
}

}  // namespace

QString FilterSuffix(const QString& filter) {
  // "Description (*.jpg)" or "Description (*.jpg *.jpeg)": the first
  // pattern's extension, when it is a plain one.
  const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
  if (open < 0) return {};
  const QString first = filter.mid(open + 1).section(QLatin1Char(' '), 0, 0).remove(QLatin1Char(')'));
  if (!first.startsWith(QStringLiteral("*."))) return {};
  const QString suffix = first.mid(2);
  return suffix.contains(QLatin1Char('*')) ? QString() : suffix;
}

QStringList ToQtFilters(const std::string& filter) {
  QStringList parts = FromUtf8(filter).split(QLatin1Char('|'));
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = ShownDescription(parts[i].trimmed());
    if (description.isEmpty()) break;  // the closing "||"
    QString patterns = parts[i + 1].trimmed();
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('(')))
      result << description;
    else
      result << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return result;
}

void QtUserInterface::SetStatusText(std::string_view text) {
  if (status_ != nullptr) status_->setText(Shown(text));
}

MessageAnswer QtUserInterface::ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon,
                                           MessageButtons buttons) {
  QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
  switch (icon) {
    case MessageIcon::None: qtIcon = QMessageBox::NoIcon; break;
    case MessageIcon::Information: qtIcon = QMessageBox::Information; break;
    case MessageIcon::Warning: qtIcon = QMessageBox::Warning; break;
    case MessageIcon::Error: qtIcon = QMessageBox::Critical; break;
    case MessageIcon::Question: qtIcon = QMessageBox::Question; break;
  }
  QMessageBox::StandardButtons qtButtons = QMessageBox::Ok;
  switch (buttons) {
    case MessageButtons::Ok: qtButtons = QMessageBox::Ok; break;
    case MessageButtons::OkCancel: qtButtons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MessageButtons::YesNo: qtButtons = QMessageBox::Yes | QMessageBox::No; break;
    case MessageButtons::YesNoCancel: qtButtons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
  }
  QMessageBox box(qtIcon, Shown(caption), Shown(text), qtButtons, parent_);
  // A message interrupts a wait: show the ordinary cursor over the box.
  const bool waiting = waitDepth_ > 0;
  if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int answer = box.exec();
  if (waiting) QApplication::restoreOverrideCursor();
  switch (answer) {
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Ok: return MessageAnswer::Ok;
    default:  // closed with Escape or the window's close button
      return buttons == MessageButtons::Ok ? MessageAnswer::Ok
             : buttons == MessageButtons::YesNo ? MessageAnswer::No
                                                : MessageAnswer::Cancel;
  }
}

std::optional<std::string> QtUserInterface::ChooseFile(const FileDialogRequest& request) {
  // The dialog may wander through folders; the program's current folder is
  // the same afterwards as before.
  const QString folder = QDir::currentPath();
  QFileDialog dialog(parent_, Shown(request.caption));
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList filters = ToQtFilters(request.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  QString extension = FromUtf8(request.defaultExtension);
  while (extension.startsWith(QLatin1Char('.'))) extension.remove(0, 1);
  if (!extension.isEmpty()) dialog.setDefaultSuffix(extension);
  if (request.save && !filters.isEmpty()) {
    // A name typed without an extension takes the one of the filter shown,
    // so "JPEG" and a bare name give a ".jpg" file.
    const auto follow = [&dialog, extension](const QString& filter) {
      const QString own = FilterSuffix(filter);
      dialog.setDefaultSuffix(own.isEmpty() ? extension : own);
    };
    follow(filters.front());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
  }
  dialog.setDirectory(request.initialFolder.empty() ? folder : QFile::decodeName(request.initialFolder.c_str()));
  if (!request.defaultName.empty()) dialog.selectFile(QFile::decodeName(request.defaultName.c_str()));
  const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  QDir::setCurrent(folder);
  if (!accepted) return std::nullopt;
  if (request.chosenFilter != nullptr) {
    const qsizetype index = filters.indexOf(dialog.selectedNameFilter());
    if (index >= 0) *request.chosenFilter = static_cast<int>(index);
  }
  return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

void QtUserInterface::SetWaitCursor(bool on) {
  if (on) {
    ++waitDepth_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (waitDepth_ > 0) {
    --waitDepth_;
    QApplication::restoreOverrideCursor();
  }
}

void QtUserInterface::SetClipboardText(std::string_view text) {
  QApplication::clipboard()->setText(FromUtf8(text));
}

std::optional<std::string> QtUserInterface::GetClipboardText() {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  if (data == nullptr || !data->hasText()) return std::nullopt;  // not even empty text
  return data->text().toStdString();
}

bool QtUserInterface::PostToHost(uint32_t message, uint64_t wParam, uint64_t lParam) {
  if (korvex::PostToHost(app_, message, wParam, lParam)) return true;
  if (hostLost_) hostLost_();
  return false;
}

void QtUserInterface::RequestRepaint() {
  if (repaint_) repaint_();
}

}  // namespace korvex::gui
