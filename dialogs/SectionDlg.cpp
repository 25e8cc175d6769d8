#include "dialogs/SectionDlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialogs/DialogFields.h"
#include "sheet/Tr.h"
#include "view/StereonView.h"

using korvex::Tr;

namespace korvex::dialogs {

CSectionDlg::CSectionDlg(const SectionChoice& choice, QWidget* parent) : QDialog(parent), choice_(choice) {
  setWindowTitle(Tr("断面"));
  auto* layout = new QVBoxLayout(this);
  auto* hint = new QLabel(Tr("z=高さ、x=値、y=値、または a,b,c,d（a·x+b·y+c·z+d ≦ 0 の側を残す）"), this);
  hint->setWordWrap(true);
  layout->addWidget(hint);
  auto* form = new QFormLayout;
  const char* captions[3] = {TrNoop("断面1"), TrNoop("断面2"), TrNoop("断面3")};
  for (size_t i = 0; i < lines_.size(); ++i) {
    lines_[i] = new QLineEdit(this);
    lines_[i]->setObjectName(QStringLiteral("section%1").arg(i + 1));
    if (i < choice.planes.size()) lines_[i]->setText(QString::fromStdString(SectionText(choice.planes[i])));
    form->addRow(Tr(captions[i]), lines_[i]);
  }
  layout->addLayout(form);
  shown_ = new QCheckBox(Tr("断面を表示する"), this);
  shown_->setObjectName(QStringLiteral("shown"));
  shown_->setChecked(choice.shown);
  layout->addWidget(shown_);
  AddOkCancel(this);
}

void CSectionDlg::accept() {
  SectionChoice read;
  for (QLineEdit* line : lines_) {
    const std::string text = line->text().trimmed().toStdString();
    if (text.empty()) continue;
    GMPlane plane;
    if (ParseSectionText(text, plane)) {
      ShowRefusal(line, Tr("断面の指定が読めません: %1").arg(line->text()));
      line->selectAll();
      return;
    }
    read.planes.push_back(plane);
  }
  read.shown = shown_->isChecked();
  choice_ = read;
  QDialog::accept();
}

}  // namespace korvex::dialogs
