// The settings dialogs on their own: what they show from the values handed
// over, what OK hands back, and the fields that keep the dialog open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include <numbers>
#include <vector>

#include "dialogs/BkColorDlg.h"
#include "dialogs/ColorButton.h"
#include "dialogs/ColorDlg.h"
#include "dialogs/ControlIds.h"
#include "dialogs/EyeDlg.h"
#include "dialogs/FogDlg.h"
#include "dialogs/SectionDlg.h"
#include "dialogs/JikokuDlg.h"
#include "dialogs/LayerDlg.h"
#include "dialogs/NodePropertyDlg.h"
#include "dialogs/SunStudyDlg.h"
#include "model/InkNode.h"
#include "output/PictureMemory.h"
#include "tests/support/gui_main.h"

namespace {

using namespace korvex;
using namespace korvex::dialogs;

template <typename T>
T* Control(QWidget& dialog, const char* id) {
  T* control = dialog.findChild<T*>(QString::fromLatin1(id));
  EXPECT_NE(control, nullptr) << id;
  return control;
}

// A control by its dialog's control id (dialogs/ControlIds.h).
template <typename T>
T* Control(QWidget& dialog, int id) {
  return Control<T>(dialog, QString::number(id).toLatin1().constData());
}

void SetText(QWidget& dialog, const char* id, const char* text) {
  Control<QLineEdit>(dialog, id)->setText(QString::fromUtf8(text));
}
void SetText(QWidget& dialog, int id, const char* text) {
  Control<QLineEdit>(dialog, id)->setText(QString::fromUtf8(text));
}

// Presses OK on a shown dialog. Returns the refusal's message, or an empty
// text when the dialog was accepted; a refused dialog must stay open.
QString PressOk(QDialog& dialog) {
  dialog.accept();
  auto* message = dialog.findChild<QMessageBox*>(QStringLiteral("fieldMessage"));
  if (message == nullptr) {
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    return {};
  }
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  const QString text = message->text();
  delete message;
  return text;
}

QRgb Pixel(QWidget& widget, int x, int y) { return widget.grab().toImage().pixel(x, y) & 0x00FFFFFFu; }

TEST(ColorButton, FramesUseTheContrastOfEachChannel) {
  EXPECT_EQ(ColorButton::Contrast(0x00FFFFFFu), 0x00000000u);
  EXPECT_EQ(ColorButton::Contrast(0x00000000u), 0x00FFFFFFu);
  // Red 0x7F is below 128, green 0xFF and blue 0x80 are not.
  EXPECT_EQ(ColorButton::Contrast(0x0080FF7Fu), 0x000000FFu);

  for (const auto& [colour, frame] : {std::pair{0x00FFFFFFu, 0x000000u}, std::pair{0x00000000u, 0xFFFFFFu}}) {
    QDialog owner;
    auto* button = new ColorButton(colour, &owner);
    button->resize(60, 30);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    owner.activateWindow();
    button->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
    ASSERT_TRUE(button->hasFocus());
    // The focus frame 2 pixels inside; no pressed frame yet.
    EXPECT_EQ(Pixel(*button, 2, 2), frame);
    EXPECT_EQ(Pixel(*button, 57, 27), frame);
    EXPECT_EQ(Pixel(*button, 58, 28), colour);
    EXPECT_EQ(Pixel(*button, 1, 1), colour);
    EXPECT_EQ(Pixel(*button, 10, 10), colour);
    button->setDown(true);
    EXPECT_EQ(Pixel(*button, 1, 1), frame);
    EXPECT_EQ(Pixel(*button, 0, 0), colour);
    // Without focus and released, both frames are gone again.
    button->setDown(false);
    button->clearFocus();
    EXPECT_EQ(Pixel(*button, 1, 1), colour);
    EXPECT_EQ(Pixel(*button, 2, 2), colour);
  }
}

TEST(CColorDlg, OpacityIsTheTopByteFromZeroTo255) {
  ColourDialogValues values;
  values.colour = 0x80123456u;
  values.textureIndex = 0;
  values.visible = true;
  CColorDlg dialog(values);
  dialog.show();
  EXPECT_EQ(Control<QLineEdit>(dialog, ids::colour::kOpacity)->text(), QStringLiteral("128"));
  EXPECT_EQ(Control<ColorButton>(dialog, ids::kColourButton)->Colour(), 0x00123456u);
  auto* textures = Control<QComboBox>(dialog, ids::colour::kTexture);
  ASSERT_EQ(textures->count(), 1);
  EXPECT_EQ(textures->itemText(0), QStringLiteral("無し"));

  SetText(dialog, ids::colour::kOpacity, "256");
  EXPECT_EQ(PressOk(dialog), QStringLiteral("0 から 255 までの整数を入力してください。"));
  SetText(dialog, ids::colour::kOpacity, "-1");
  EXPECT_FALSE(PressOk(dialog).isEmpty());
  SetText(dialog, ids::colour::kOpacity, "opaque");
  EXPECT_EQ(PressOk(dialog), QStringLiteral("整数を入力してください。"));

  SetText(dialog, ids::colour::kOpacity, "0");
  Control<QCheckBox>(dialog, ids::colour::kVisible)->setChecked(false);
  EXPECT_TRUE(PressOk(dialog).isEmpty());
  EXPECT_EQ(dialog.Values().colour, 0x00123456u);
  EXPECT_FALSE(dialog.Values().visible);
  EXPECT_EQ(dialog.Values().textureIndex, 0);
}

TEST(CEyeDlg, AcceptsAnyNumbersAndHandsBackCornerAndScale) {
  EyeDialogValues values;
  values.camera.eye = {1.5, -2.0, 3.25};
  values.camera.target = {0.0, 0.0, 0.0};
  values.referenceScale = "300";
  CEyeDlg dialog(values);
  dialog.show();
  EXPECT_EQ(Control<QLineEdit>(dialog, ids::eye::kEyeZ)->text(), QStringLiteral("3.25"));
  EXPECT_EQ(Control<QComboBox>(dialog, ids::eye::kReferenceScale)->currentText(), QStringLiteral("300"));
  EXPECT_EQ(Control<QComboBox>(dialog, ids::eye::kReferenceScale)->count(), 18);
  for (int corner = 0; corner < 4; ++corner)
    EXPECT_FALSE(Control<QRadioButton>(dialog, ids::eye::kFirstCorner + corner)->isChecked());

  SetText(dialog, ids::eye::kViewAngle, "wide");
  EXPECT_EQ(PressOk(dialog), QStringLiteral("数値を入力してください。"));
  SetText(dialog, ids::eye::kViewAngle, "60");
  // A back plane in front of the front plane is the user's business.
  SetText(dialog, ids::eye::kNearPlane, "100");
  SetText(dialog, ids::eye::kFarPlane, "10");
  SetText(dialog, ids::eye::kTargetY, "-7.5");
  Control<QRadioButton>(dialog, ids::eye::kFirstCorner + 2)->setChecked(true);
  Control<QComboBox>(dialog, ids::eye::kReferenceScale)->setEditText(QStringLiteral("2500"));
  EXPECT_TRUE(PressOk(dialog).isEmpty());
  const EyeDialogValues& read = dialog.Values();
  EXPECT_EQ(read.camera.nearPlane, 100.0);
  EXPECT_EQ(read.camera.farPlane, 10.0);
  EXPECT_EQ(read.camera.viewAngle, 60.0);
  EXPECT_EQ(read.camera.target.y, -7.5);
  EXPECT_EQ(read.camera.eye.z, 3.25);
  EXPECT_EQ(read.isometricCorner, 2);
  EXPECT_EQ(read.referenceScale, "2500");
}

TEST(CEyeDlg, NoCornerChosenStaysNone) {
  EyeDialogValues values;
  CEyeDlg dialog(values);
  dialog.show();
  EXPECT_TRUE(PressOk(dialog).isEmpty());
  EXPECT_EQ(dialog.Values().isometricCorner, -1);
}

TEST(CFogDlg, TwoGroupsMapOntoFaceAndLineFog) {
  FogDialogValues values;
  values.face = {true, 10.0, 500.0, 0.02, 0};
  values.line = {false, 1.0, 3000.0, 0.01, 2};
  CFogDlg dialog(values);
  dialog.show();
  EXPECT_TRUE(Control<QCheckBox>(dialog, ids::fog::kFaceUsed)->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(dialog, ids::fog::kLineUsed)->isChecked());
  EXPECT_TRUE(Control<QRadioButton>(dialog, ids::fog::kFaceLinear)->isChecked());
  EXPECT_TRUE(Control<QRadioButton>(dialog, ids::fog::kLineNonLinear2)->isChecked());
  EXPECT_EQ(Control<QLineEdit>(dialog, ids::fog::kFaceEnd)->text(), QStringLiteral("500"));

  SetText(dialog, ids::fog::kLineDensity, "");
  EXPECT_EQ(PressOk(dialog), QStringLiteral("数値を入力してください。"));
  SetText(dialog, ids::fog::kLineDensity, "0.5");
  Control<QCheckBox>(dialog, ids::fog::kFaceUsed)->setChecked(false);
  Control<QCheckBox>(dialog, ids::fog::kLineUsed)->setChecked(true);
  Control<QRadioButton>(dialog, ids::fog::kLineNonLinear1)->setChecked(true);
  SetText(dialog, ids::fog::kLineStart, "20");
  SetText(dialog, ids::fog::kLineEnd, "40");
  EXPECT_TRUE(PressOk(dialog).isEmpty());
  const FogDialogValues& read = dialog.Values();
  EXPECT_FALSE(read.face.used);
  EXPECT_EQ(read.face.start, 10.0);
  EXPECT_EQ(read.face.mode, 0);
  EXPECT_TRUE(read.line.used);
  EXPECT_EQ(read.line.start, 20.0);
  EXPECT_EQ(read.line.end, 40.0);
  EXPECT_EQ(read.line.density, 0.5);
  EXPECT_EQ(read.line.mode, 1);
}

TEST(CSectionDlg, ShowsThePlanesAsTypedAndRefusesWhatIsNoPlane) {
  korvex::dialogs::SectionChoice choice;
  choice.planes = {{0, 0, 1, -5}, {1, 2, 0, 3}};
  choice.shown = false;
  korvex::dialogs::CSectionDlg dialog(choice);
  dialog.show();
  EXPECT_EQ(Control<QLineEdit>(dialog, "section1")->text(), QStringLiteral("z=5"));
  EXPECT_EQ(Control<QLineEdit>(dialog, "section2")->text(), QStringLiteral("1,2,0,3"));
  EXPECT_TRUE(Control<QLineEdit>(dialog, "section3")->text().isEmpty());
  EXPECT_FALSE(Control<QCheckBox>(dialog, "shown")->isChecked());

  // A plane without a normal is no plane; the dialog stays open on it.
  SetText(dialog, "section3", "0,0,0,4");
  EXPECT_TRUE(PressOk(dialog).contains(QStringLiteral("0,0,0,4")));
  // An emptied line is no plane at all; the others close up.
  SetText(dialog, "section1", "");
  SetText(dialog, "section3", " y=-2.5 ");
  Control<QCheckBox>(dialog, "shown")->setChecked(true);
  EXPECT_TRUE(PressOk(dialog).isEmpty());
  const auto& read = dialog.Choice();
  ASSERT_EQ(read.planes.size(), 2u);
  EXPECT_EQ(read.planes[0], (GMPlane{1, 2, 0, 3}));
  EXPECT_EQ(read.planes[1], (GMPlane{0, 1, 0, 2.5}));
  EXPECT_TRUE(read.shown);
}

TEST(CNodePropertyDlg, HandsBackVectorsAndDegrees) {
  NodePropertyValues values;
  values.origin = {1.0, 2.0, 3.0};
  values.angleDegrees = 90.0;
  CNodePropertyDlg dialog(values);
  dialog.show();
  EXPECT_EQ(dialog.Field(3)->text(), QStringLiteral("1"));
  EXPECT_EQ(dialog.Field(8)->text(), QStringLiteral("1"));
  EXPECT_EQ(dialog.Field(9)->text(), QStringLiteral("90"));
  dialog.Field(4)->setText(QStringLiteral("2x"));
  EXPECT_EQ(PressOk(dialog), QStringLiteral("数値を入力してください。"));
  dialog.Field(4)->setText(QStringLiteral("2"));
  dialog.Field(9)->setText(QStringLiteral("-45.5"));
  EXPECT_TRUE(PressOk(dialog).isEmpty());
  EXPECT_EQ(dialog.Values().origin, (GMVector{1.0, 2.0, 3.0}));
  EXPECT_EQ(dialog.Values().scale, (GMVector{1.0, 2.0, 1.0}));
  EXPECT_EQ(dialog.Values().axis, (GMVector{0.0, 0.0, 1.0}));
  EXPECT_EQ(dialog.Values().angleDegrees, -45.5);
}

TEST(CBkColorDlg, HandsBackColourAndImageFlag) {
  BackgroundDialogValues values;
  values.colour = 0x00204060u;
  CBkColorDlg dialog(values);
  dialog.show();
  EXPECT_EQ(Control<ColorButton>(dialog, ids::kColourButton)->Colour(), 0x00204060u);
  Control<QCheckBox>(dialog, ids::background::kUseImage)->setChecked(true);
  Control<ColorButton>(dialog, ids::kColourButton)->SetColour(0x00FFFFFFu);
  EXPECT_TRUE(PressOk(dialog).isEmpty());
  EXPECT_EQ(dialog.Values().colour, 0x00FFFFFFu);
  EXPECT_TRUE(dialog.Values().useImage);
}

// A node for the layer tree: a fresh node named in Shift-JIS (ASCII here).
CInkNode* AddNode(CInkNode& parent, const char* name, bool shown) {
  auto* node = new CInkNode;
  node->Create(nullptr);
  node->SetName(name);
  node->SetShown(shown ? 1 : 0);
  parent.AddChild(node);
  return node;
}

TEST(CLayerDlg, TopLevelReversedParentsOrTheirChildrenAndTogglesReachLeaves) {
  CInkNode root;
  root.Create(nullptr);
  CInkNode* a = AddNode(root, "A", false);
  CInkNode* a1 = AddNode(*a, "A1", true);
  CInkNode* a2 = AddNode(*a, "A2", false);
  CInkNode* b = AddNode(root, "B", false);
  std::vector<CInkNode*> rebuilt;
  int repaints = 0;
  CLayerDlg dialog([&root] { return &root; }, [&rebuilt](CInkNode& node) { rebuilt.push_back(&node); },
                     [&repaints] { ++repaints; });
  dialog.Fill();
  dialog.show();
  QTreeWidget* tree = dialog.Tree();
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("B"));
  EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
  QTreeWidgetItem* itemA = tree->topLevelItem(1);
  ASSERT_EQ(itemA->childCount(), 2);
  EXPECT_EQ(itemA->child(0)->text(0), QStringLiteral("A1"));
  EXPECT_TRUE(itemA->isExpanded());
  // A is shown because A1 is, and that is stored into A; B is a hidden leaf.
  EXPECT_EQ(itemA->checkState(0), Qt::Checked);
  EXPECT_EQ(a->IsShown(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->checkState(0), Qt::Unchecked);
  EXPECT_TRUE(rebuilt.empty());

  // Unchecking A clears both children and hides both leaves.
  itemA->setCheckState(0, Qt::Unchecked);
  EXPECT_EQ(itemA->child(0)->checkState(0), Qt::Unchecked);
  EXPECT_EQ(itemA->child(1)->checkState(0), Qt::Unchecked);
  EXPECT_EQ(a1->IsShown(), 0);
  EXPECT_EQ(a2->IsShown(), 0);
  EXPECT_EQ(rebuilt, (std::vector<CInkNode*>{a1, a2}));
  EXPECT_EQ(repaints, 1);
  // Checking it again shows them both.
  itemA->setCheckState(0, Qt::Checked);
  EXPECT_EQ(a1->IsShown(), 1);
  EXPECT_EQ(a2->IsShown(), 1);
  EXPECT_EQ(itemA->child(1)->checkState(0), Qt::Checked);
  // A leaf alone.
  tree->topLevelItem(0)->setCheckState(0, Qt::Checked);
  EXPECT_EQ(b->IsShown(), 1);
  EXPECT_EQ(repaints, 3);

  // Refilling empties the tree first.
  dialog.Fill();
  EXPECT_EQ(tree->topLevelItemCount(), 2);
  // Paths are looked up at every depth.
  CInkNode* deep = a1;
  QList<QByteArray> path{"A", "A1"};
  for (const char* name : {"L3", "L4", "L5", "L6", "L7"}) {
    deep = AddNode(*deep, name, true);
    path.append(name);
  }
  EXPECT_EQ(CLayerDlg::FindByPath(root, path), deep);
  path.back() = "none";
  EXPECT_EQ(CLayerDlg::FindByPath(root, path), nullptr);
}

TEST(JikokuDlg, ShowsTheTimesAndTurnsTheChosenOneIntoTheSun) {
  TimeDialogValues values;
  values.times = DefaultSunTimes();
  values.selection = 8;
  values.createShadow = true;
  CJikokuDlg dialog(values);
  dialog.show();
  auto* list = Control<QListWidget>(dialog, ids::times::kList);
  ASSERT_EQ(list->count(), 17);
  EXPECT_EQ(list->item(8)->text(), QStringLiteral("12時 00分"));
  EXPECT_EQ(list->currentRow(), 8);
  EXPECT_TRUE(Control<QCheckBox>(dialog, ids::times::kCreateShadow)->isChecked());
  Control<QCheckBox>(dialog, ids::times::kCreateShadow)->setChecked(false);
  Control<QCheckBox>(dialog, ids::times::kFlipNorth)->setChecked(true);
  EXPECT_TRUE(PressOk(dialog).isEmpty());
  EXPECT_FALSE(dialog.Values().createShadow);
  EXPECT_NEAR(dialog.Values().sunVector.y, 86.12, 0.01);  // north turned round
  EXPECT_NEAR(dialog.Values().sunDirection.z, 0.5083, 1e-4);

  // No times at all: OK stays without effect.
  TimeDialogValues empty;
  CJikokuDlg none(empty);
  none.show();
  none.accept();
  EXPECT_TRUE(none.isVisible());
  EXPECT_NE(none.result(), QDialog::Accepted);
}

TEST(CSunStudyDlg, NorthIsShownAndTakenInDegreesAndKeptInRadians) {
  SunStudyPlan plan;
  plan.north = std::numbers::pi / 2;  // the project file's radians
  plan.folder = "study";
  CSunStudyDlg dialog(plan);
  dialog.show();
  auto* north = Control<QDoubleSpinBox>(dialog, "north");
  ASSERT_NE(north, nullptr);
  EXPECT_DOUBLE_EQ(north->value(), 90.0);
  north->setValue(-30.0);
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_NEAR(dialog.Plan().north, -std::numbers::pi / 6, 1e-12);
}

// A size the machine cannot hold is refused at OK, with the dialog left
// open for a smaller one.
TEST(CSunStudyDlg, APictureTooLargeForTheMachineKeepsTheDialogOpen) {
  const korvex::output::ScopedPictureMemoryLimit eightGigabytes(std::uint64_t{4} << 30);
  SunStudyPlan plan;
  plan.folder = "study";
  plan.width = 16384;
  plan.height = 16384;
  CSunStudyDlg dialog(plan);
  dialog.show();
  EXPECT_EQ(PressOk(dialog).toStdString(), "ビットマップを初期化出来ませんでした。大きすぎる可能性があります。");
  Control<QSpinBox>(dialog, "width")->setValue(4000);
  Control<QSpinBox>(dialog, "height")->setValue(3000);
  EXPECT_TRUE(PressOk(dialog).isEmpty());
  EXPECT_EQ(dialog.Plan().width, 4000);
}

}  // namespace

int main(int argc, char** argv) { return korvex_test::RunGuiTests(argc, argv, false); }
