// "レイヤー設定": the modeless check-box tree of the scene. Top-level items are
// the root's children in reverse order, deeper ones in order. A leaf's check
// is its node's visibility; a parent's is the OR of its children's, which is
// also stored into the parent. Toggling an item sets all its descendants;
// each affected leaf's node is found again by its path of labels, and its
// visibility is set and its display rebuilt.
#pragma once

#include <QDialog>

#include <functional>

class CInkNode;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvex::dialogs {

class CLayerDlg final : public QDialog {
 public:
  // root: the scene's current root, asked again at every toggle, so that a
  // scene replaced meanwhile is never touched through a stale item;
  // rebuild: a leaf's visibility changed; repaint: after every toggle.
  CLayerDlg(std::function<CInkNode*()> root, std::function<void(CInkNode&)> rebuild,
              std::function<void()> repaint, QWidget* parent = nullptr);

  // Empties the tree and fills it from the scene's root.
  void Fill();

  QTreeWidget* Tree() { return tree_; }

  // The node at a path of labels (Shift-JIS names) below the root; the first
  // child of each name wins. Every level is looked up, however deep.
  static CInkNode* FindByPath(CInkNode& root, const QList<QByteArray>& path);

 private:
  void Toggled(QTreeWidgetItem* item);
  void SetBranch(QTreeWidgetItem* item, bool shown);

  std::function<CInkNode*()> root_;
  std::function<void(CInkNode&)> rebuild_;
  std::function<void()> repaint_;
  QTreeWidget* tree_;
  CInkNode* toggling_ = nullptr;  // the root during a toggle
  bool filling_ = false;
};

}  // namespace korvex::dialogs
