// The viewer in English: every menu, tooltip, status text and dialog, and
// the core's texts through the user interface, carry no Japanese left over;
// in Japanese (the default) Qt's own dialogs speak Japanese too.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/Startup.h"
#include "app/gui/MainWindow.h"
#include "app/gui/QtUserInterface.h"
#include "model/InkSolid.h"
#include "window_fixture.h"
#include "common/UiText.h"
#include "dialogs/BkColorDlg.h"
#include "dialogs/BMPOutDlg.h"
#include "dialogs/ColorDlg.h"
#include "dialogs/ExPrintDlg.h"
#include "dialogs/EyeDlg.h"
#include "dialogs/FogDlg.h"
#include "dialogs/JikokuDlg.h"
#include "dialogs/LayerDlg.h"
#include "dialogs/NodePropertyDlg.h"
#include "dialogs/SectionDlg.h"
#include "dialogs/ShadowRegulationDlg.h"
#include "dialogs/SunStudyDlg.h"
#include "dialogs/TextureDlg.h"
#include "sheet/Translations.h"
#include "view/ViewTexts.h"
#include "tests/support/gui_main.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using korvex::UiLanguage;

// Hiragana, katakana (full and half width), kanji and full-width forms.
bool HasJapanese(const QString& text) {
  static const QRegularExpression japanese(QStringLiteral("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}\\x{ff01}-\\x{ff9f}]"));
  return japanese.match(text).hasMatch();
}

// Keywords of the model, which no language changes: the node whose outline
// is the site.
QString WithoutKeywords(QString text) { return text.remove(QStringLiteral("\"敷地\"")); }

// Every text a person reads on a widget and its children.
QStringList TextsOf(QWidget& root) {
  QStringList texts{root.windowTitle(), root.toolTip()};
  QList<QWidget*> widgets = root.findChildren<QWidget*>();
  for (QWidget* w : widgets) {
    texts << w->toolTip() << w->statusTip() << w->windowTitle();
    if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
    if (auto* group = qobject_cast<QGroupBox*>(w)) texts << group->title();
    if (auto* line = qobject_cast<QLineEdit*>(w)) texts << line->placeholderText();
    if (auto* spin = qobject_cast<QSpinBox*>(w)) texts << spin->prefix() << spin->suffix();
    if (auto* spin = qobject_cast<QDoubleSpinBox*>(w)) texts << spin->prefix() << spin->suffix();
    if (auto* combo = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    if (auto* list = qobject_cast<QListWidget*>(w))
      for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    if (auto* tree = qobject_cast<QTreeWidget*>(w))
      for (int i = 0; i < tree->columnCount(); ++i) texts << tree->headerItem()->text(i);
  }
  return texts;
}

void ExpectEnglish(const QStringList& texts, const std::string& where) {
  for (const QString& text : texts)
    EXPECT_FALSE(HasJapanese(WithoutKeywords(text))) << where << ": \"" << text.toStdString() << "\"";
}

// A menu's items with their tooltips, and its submenus, except the language
// menu, which names each language in its own script.
void ExpectEnglishMenu(QMenu& menu, const std::string& where, int& items) {
  if (menu.objectName() == QStringLiteral("language")) return;
  ExpectEnglish({menu.title()}, where);
  for (QAction* action : menu.actions()) {
    if (action->isSeparator()) continue;
    if (action->menu() != nullptr && action->menu()->objectName() == QStringLiteral("language")) continue;
    ++items;
    const std::string path = where + " / " + action->text().toStdString();
    ExpectEnglish({action->text(), action->toolTip(), action->statusTip()}, path);
    if (action->menu() != nullptr) ExpectEnglishMenu(*action->menu(), path, items);
  }
}

// The window in the language each test installs; Japanese again after it.
class EnglishTest : public korvex_test::WindowTest {
 protected:
  void TearDown() override {
    WindowTest::TearDown();
    korvex::InstallUiLanguage(UiLanguage::kJapanese);
  }
  korvex::gui::MainWindow& Start() {
    korvex::gui::MainWindow& window = WindowTest::Start();
    EXPECT_TRUE(started_);
    return window;
  }
};

TEST_F(EnglishTest, EveryMenuToolbarAndStatusTextIsEnglish) {
  ASSERT_TRUE(korvex::InstallUiLanguage(UiLanguage::kEnglish)) << "translations missing in "
                                                                << korvex::TranslationsFolder().toStdString();
  korvex::gui::MainWindow& window = Start();
  int items = 0;
  for (QAction* menu : window.menuBar()->actions()) ExpectEnglishMenu(*menu->menu(), menu->text().toStdString(), items);
  ExpectEnglishMenu(*window.ContextMenu(), "context menu", items);
  EXPECT_GE(items, 40);
  int buttons = 0;
  for (QToolBar* bar : window.findChildren<QToolBar*>())
    for (QAction* action : bar->actions()) {
      if (action->isSeparator()) continue;
      ++buttons;
      ExpectEnglish({action->text(), action->toolTip(), action->statusTip()}, "toolbar " + bar->objectName().toStdString());
    }
  EXPECT_GE(buttons, 20);
  // The core's status text, through the user interface.
  EXPECT_EQ(window.StatusPane(0)->text(), QStringLiteral("Ready"));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("site.k3d - Korvex"));
  // The language menu: in both scripts, the saved language checked.
  QMenu* language = window.findChild<QMenu*>(QStringLiteral("language"));
  ASSERT_NE(language, nullptr);
  EXPECT_EQ(language->title(), QStringLiteral("言語 / Language"));
  ASSERT_EQ(language->actions().size(), 2);
  EXPECT_EQ(language->actions()[1]->text(), QStringLiteral("English"));
}

TEST_F(EnglishTest, EveryDialogIsEnglish) {
  ASSERT_TRUE(korvex::InstallUiLanguage(UiLanguage::kEnglish));
  korvex::gui::MainWindow& window = Start();
  korvex::TimeDialogValues times;
  times.times.lines = {"08時 00分", "12時 30分"};
  korvex::dialogs::ShadowRegulationChoice regulation;
  regulation.plan.site = {{0, 0}, {10, 0}, {10, 10}};
  korvex::SunStudyPlan study;
  CInkNode* root = window.View()->Scene() ? window.View()->Scene()->GetRoot() : nullptr;
  std::vector<std::pair<std::string, std::function<std::unique_ptr<QDialog>()>>> dialogs = {
      {"background", [] { return std::make_unique<korvex::dialogs::CBkColorDlg>(korvex::BackgroundDialogValues{}); }},
      {"file output", [] { return std::make_unique<korvex::dialogs::CBMPOutDlg>(korvex::ExportDialogValues{}); }},
      {"colour", [] { return std::make_unique<korvex::dialogs::CColorDlg>(korvex::ColourDialogValues{}); }},
      {"print settings", [] { return std::make_unique<korvex::dialogs::CExPrintDlg>(korvex::PrintDialogValues{}); }},
      {"eye", [] { return std::make_unique<korvex::dialogs::CEyeDlg>(korvex::EyeDialogValues{}); }},
      {"fog", [] { return std::make_unique<korvex::dialogs::CFogDlg>(korvex::FogDialogValues{}); }},
      {"time", [&] { return std::make_unique<korvex::dialogs::CJikokuDlg>(times); }},
      {"node", [] { return std::make_unique<korvex::dialogs::CNodePropertyDlg>(korvex::NodePropertyValues{}); }},
      {"regulation", [&] { return std::make_unique<korvex::dialogs::CShadowRegulationDlg>(regulation); }},
      {"sun study", [&] { return std::make_unique<korvex::dialogs::CSunStudyDlg>(study); }},
      {"section", [] { return std::make_unique<korvex::dialogs::CSectionDlg>(korvex::dialogs::SectionChoice{}); }},
      {"texture", [] { return std::make_unique<korvex::dialogs::CTextureDlg>(std::span<StereonTexture* const>{}); }},
      {"layers", [&] {
         return std::make_unique<korvex::dialogs::CLayerDlg>([root] { return root; }, [](CInkNode&) {}, [] {});
       }},
  };
  for (const auto& [name, make] : dialogs) {
    std::unique_ptr<QDialog> dialog = make();
    const QStringList texts = TextsOf(*dialog);
    ExpectEnglish(texts, name);
    EXPECT_FALSE(dialog->windowTitle().isEmpty()) << name;
  }
  // The core's time list, through the time dialog.
  korvex::dialogs::CJikokuDlg time(times);
  const QStringList shown = TextsOf(time);
  EXPECT_TRUE(shown.contains(QStringLiteral("12:30"))) << shown.join(QLatin1Char('|')).toStdString();
}

// A message of the core reaches the screen in English, caption and text.
TEST_F(EnglishTest, CoreMessagesAreShownInEnglish) {
  ASSERT_TRUE(korvex::InstallUiLanguage(UiLanguage::kEnglish));
  korvex::gui::MainWindow& window = Start();
  QString caption, text;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      caption = box->windowTitle();
      text = box->text();
      box->accept();
    }
  });
  std::string message = std::string(korvex::text::kOpenFailed) + " メモリが足りません";
  korvex::gui::QtUserInterface ui(app_, &window);
  ui.ShowMessage(message, korvex::text::kOpenFailedCaption, korvex::MessageIcon::Warning, korvex::MessageButtons::Ok);
  EXPECT_EQ(caption, QStringLiteral("File open error"));
  EXPECT_EQ(text, QStringLiteral("The file could not be read: not enough memory"));
}

// Japanese, the default: the specified texts unchanged, and Qt's own
// dialogs (the colour picker, the buttons) in Japanese too.
TEST_F(EnglishTest, JapaneseKeepsTheTextsAndTranslatesQtsOwnDialogs) {
  ASSERT_TRUE(korvex::InstallUiLanguage(UiLanguage::kJapanese)) << "Qt's Japanese translation is missing";
  korvex::gui::MainWindow& window = Start();
  EXPECT_EQ(window.menuBar()->actions()[0]->text(), QStringLiteral("ﾌｧｲﾙ(&F)"));
  EXPECT_EQ(window.StatusPane(0)->text(), QStringLiteral("ﾚﾃﾞｨ"));
  QColorDialog picker;
  EXPECT_TRUE(HasJapanese(picker.windowTitle())) << picker.windowTitle().toStdString();
  QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_TRUE(HasJapanese(box.button(QDialogButtonBox::Cancel)->text()))
      << box.button(QDialogButtonBox::Cancel)->text().toStdString();
  // English: Qt's own texts in English.
  window_.reset();
  ASSERT_TRUE(korvex::InstallUiLanguage(UiLanguage::kEnglish));
  QColorDialog english;
  EXPECT_FALSE(HasJapanese(english.windowTitle()));
}

// The language menu keeps the choice for the next start and says so; the
// running window stays in its language.
TEST_F(EnglishTest, TheChosenLanguageIsKeptForTheNextStart) {
  korvex::InstallUiLanguage(UiLanguage::kJapanese);
  QSettings(QStringLiteral("Meridan"), QStringLiteral("Korvex")).remove(QStringLiteral("Config/Language"));
  korvex::gui::MainWindow& window = Start();
  EXPECT_EQ(korvex::SavedUiLanguage(), UiLanguage::kJapanese);
  QMenu* language = window.findChild<QMenu*>(QStringLiteral("language"));
  ASSERT_NE(language, nullptr);
  EXPECT_TRUE(language->actions()[0]->isChecked());
  QString told;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      told = box->text();
      box->accept();
    }
  });
  language->actions()[1]->trigger();
  EXPECT_TRUE(told.contains(QStringLiteral("next start"))) << told.toStdString();
  EXPECT_EQ(korvex::SavedUiLanguage(), UiLanguage::kEnglish);
  EXPECT_EQ(QSettings(QStringLiteral("Meridan"), QStringLiteral("Korvex")).value(QStringLiteral("Config/Language")),
            QStringLiteral("en"));
  EXPECT_EQ(window.menuBar()->actions()[0]->text(), QStringLiteral("ﾌｧｲﾙ(&F)"));
  // Choosing the language already kept asks nothing.
  told.clear();
  language->actions()[1]->trigger();
  EXPECT_TRUE(told.isEmpty());
  // A value the viewer does not know counts as Japanese.
  QSettings(QStringLiteral("Meridan"), QStringLiteral("Korvex")).setValue(QStringLiteral("Config/Language"), "fr");
  EXPECT_EQ(korvex::SavedUiLanguage(), UiLanguage::kJapanese);
}

}  // namespace

int main(int argc, char** argv) { return korvex_test::RunGuiTests(argc, argv, true); }
