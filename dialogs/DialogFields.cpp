#include "dialogs/DialogFields.h"
#include "sheet/Tr.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

using korvex::Tr;

namespace korvex::dialogs {

namespace {

// The message goes over the dialog without blocking the caller's accept():
// the dialog simply stays open behind it, with the field focused.
void Refuse(QLineEdit* field, const QString& message) {
  ShowRefusal(field, message);
  field->selectAll();
}

}  // namespace

void ShowRefusal(QWidget* focus, const QString& message) {
  auto* box = new QMessageBox(QMessageBox::Warning, focus->window()->windowTitle(), message, QMessageBox::Ok,
                              focus->window());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setObjectName(QStringLiteral("fieldMessage"));
  box->open();
  focus->setFocus();
}

QString DoubleText(double value) { return QString::number(value, 'g', 15); }

bool ReadDouble(QLineEdit* field, double& value) {
  bool ok = false;
  const double read = field->text().trimmed().toDouble(&ok);
  if (!ok) {
    Refuse(field, Tr("数値を入力してください。"));
    return false;
  }
  value = read;
  return true;
}

bool ReadDoubleIn(QLineEdit* field, double low, double high, double& value) {
  double read = 0.0;
  if (!ReadDouble(field, read)) return false;
  if (read < low || read > high) {
    Refuse(field, Tr("%1 から %2 までの数値を入力してください。").arg(low).arg(high));
    return false;
  }
  value = read;
  return true;
}

bool ReadUnsigned(QLineEdit* field, unsigned low, unsigned high, unsigned& value) {
  bool ok = false;
  const qulonglong read = field->text().trimmed().toULongLong(&ok);
  if (!ok) {
    Refuse(field, Tr("整数を入力してください。"));
    return false;
  }
  if (read < low || read > high) {
    Refuse(field, Tr("%1 から %2 までの整数を入力してください。").arg(low).arg(high));
    return false;
  }
  value = static_cast<unsigned>(read);
  return true;
}

QLineEdit* NumberField(QWidget* parent, int controlId, const QString& text) {
  auto* field = new QLineEdit(text, parent);
  field->setObjectName(QString::number(controlId));
  return field;
}

void AddOkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(Tr("キャンセル"));
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  if (auto* box = qobject_cast<QBoxLayout*>(dialog->layout())) box->addWidget(buttons);
}

}  // namespace korvex::dialogs
