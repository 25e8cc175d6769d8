#include "dialogs/LayerDlg.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <string_view>

#include "dialogs/ControlIds.h"
#include "common/encoding.h"
#include "common/file_util.h"
#include "model/InkNode.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex::dialogs {

namespace {

constexpr int kNameRole = Qt::UserRole;  // the node's name as Shift-JIS bytes

// Adds the item of a node and its subtree; returns the item's check.
bool AddItem(CInkNode& node, QTreeWidgetItem* item) {
  char name[72] = {};
  node.GetName(name, static_cast<int>(sizeof name));
  item->setText(0, QString::fromStdString(Cp932ToUtf8(name)));
  item->setData(0, kNameRole, QByteArray(name));
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  bool shown = node.IsShown() != 0;
  if (node.GetCount() > 0) {
    shown = false;
    for (int i = 0; i < node.GetCount(); ++i)
      if (CInkNode* child = node.GetChild(i)) shown = AddItem(*child, new QTreeWidgetItem(item)) || shown;
    node.SetShown(shown ? 1 : 0);
  }
  item->setCheckState(0, shown ? Qt::Checked : Qt::Unchecked);
  return shown;
}

QList<QByteArray> LabelPath(const QTreeWidgetItem* item) {
  QList<QByteArray> path;
  for (; item != nullptr; item = item->parent()) path.prepend(item->data(0, kNameRole).toByteArray());
  return path;
}

}  // namespace

CLayerDlg::CLayerDlg(std::function<CInkNode*()> root, std::function<void(CInkNode&)> rebuild,
                         std::function<void()> repaint, QWidget* parent)
    : QDialog(parent), root_(std::move(root)), rebuild_(std::move(rebuild)), repaint_(std::move(repaint)) {
  setWindowTitle(Tr("レイヤー設定"));
  setModal(false);
  setSizeGripEnabled(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(11, 11, 11, 11);
  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QString::number(ids::layer::kTree));
  tree_->header()->hide();
  layout->addWidget(tree_);
  connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) { Toggled(item); });
}

void CLayerDlg::Fill() {
  filling_ = true;
  tree_->clear();
  CInkNode* root = root_ ? root_() : nullptr;
  for (int i = root != nullptr ? root->GetCount() - 1 : -1; i >= 0; --i)
    if (CInkNode* child = root->GetChild(i)) {
      auto* item = new QTreeWidgetItem(tree_);
      AddItem(*child, item);
      item->setExpanded(true);
    }
  if (QTreeWidgetItem* first = tree_->topLevelItem(0)) tree_->setCurrentItem(first);
  tree_->setFocus();
  filling_ = false;
}

CInkNode* CLayerDlg::FindByPath(CInkNode& root, const QList<QByteArray>& path) {
  CInkNode* node = &root;
  for (const QByteArray& label : path) {
    node = node->FindChildByName(std::string_view(label.constData(), static_cast<size_t>(label.size())));
    if (node == nullptr) return nullptr;
  }
  return node;
}

void CLayerDlg::Toggled(QTreeWidgetItem* item) {
  if (filling_) return;
  toggling_ = root_ ? root_() : nullptr;
  filling_ = true;  // the branch's own check changes are not toggles
  SetBranch(item, item->checkState(0) == Qt::Checked);
  filling_ = false;
  toggling_ = nullptr;
  if (repaint_) repaint_();
}

void CLayerDlg::SetBranch(QTreeWidgetItem* item, bool shown) {
  item->setCheckState(0, shown ? Qt::Checked : Qt::Unchecked);
  if (item->childCount() > 0) {
    for (int i = 0; i < item->childCount(); ++i) SetBranch(item->child(i), shown);
    return;
  }
  CInkNode* node = toggling_ != nullptr ? FindByPath(*toggling_, LabelPath(item)) : nullptr;
  if (node == nullptr || node->GetCount() > 0) return;
  node->SetShown(shown ? 1 : 0);
  if (rebuild_) rebuild_(*node);
}

}  // namespace korvex::dialogs
