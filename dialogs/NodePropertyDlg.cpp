#include "dialogs/NodePropertyDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialogs/DialogFields.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex::dialogs {

CNodePropertyDlg::CNodePropertyDlg(const NodePropertyValues& values, QWidget* parent)
    : QDialog(parent), values_(values) {
  setWindowTitle(Tr("ﾉｰﾄﾞﾌﾟﾛﾊﾟﾃｨ"));
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);
  const GMVector* vectors[] = {&values.origin, &values.scale, &values.axis};
  const QString rows[] = {Tr("原点"), Tr("縮尺"), Tr("回転軸")};
  for (int row = 0; row < 3; ++row) {
    grid->addWidget(new QLabel(rows[row], this), row, 0);
    const double parts[] = {vectors[row]->x, vectors[row]->y, vectors[row]->z};
    for (int c = 0; c < 3; ++c) {
      fields_[static_cast<size_t>(row * 3 + c)] = NumberField(this, row * 3 + c, DoubleText(parts[c]));
      grid->addWidget(fields_[static_cast<size_t>(row * 3 + c)], row, c + 1);
    }
  }
  grid->addWidget(new QLabel(Tr("回転角"), this), 3, 0);
  fields_[9] = NumberField(this, 9, DoubleText(values.angleDegrees));
  grid->addWidget(fields_[9], 3, 1);
  AddOkCancel(this);
}

void CNodePropertyDlg::accept() {
  std::array<double, 10> read{};
  for (size_t i = 0; i < read.size(); ++i)
    if (!ReadDouble(fields_[i], read[i])) return;
  values_.origin = {read[0], read[1], read[2]};
  values_.scale = {read[3], read[4], read[5]};
  values_.axis = {read[6], read[7], read[8]};
  values_.angleDegrees = read[9];
  QDialog::accept();
}

}  // namespace korvex::dialogs
