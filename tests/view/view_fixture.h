// Shared helpers of the view tests: a recording user interface and shell, a
// window made of a headless context, and small scenes.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/file_util.h"
#include "common/user_interface.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "render/GLContext.h"
#include "render/gl_api.h"
#include "tests/support/bmp_picture.h"
#include "tests/support/gl_pixels.h"
#include "tests/support/headless_window.h"
#include "tests/support/needs.h"
#include "tests/support/scratch_folder.h"
#include "view/StereonView.h"
#include "view/SunTimes.h"
#include "view/SceneCompanions.h"
#include "view/ViewShell.h"
#include "view/ViewTexts.h"

namespace view_test {

class RecordingUi final : public korvex::UserInterface {
 public:
  void SetStatusText(std::string_view text) override { statuses.emplace_back(text); }
  korvex::MessageAnswer ShowMessage(std::string_view text, std::string_view caption, korvex::MessageIcon,
                                    korvex::MessageButtons) override {
    messages.emplace_back(text);
    captions.emplace_back(caption);
    if (onMessage) onMessage();
    return messageAnswer;
  }
  std::optional<std::string> ChooseFile(const korvex::FileDialogRequest& request) override {
    requests.push_back(request);
    if (request.chosenFilter != nullptr && chosenFilter) *request.chosenFilter = *chosenFilter;
    return chosenFile;
  }
  void SetWaitCursor(bool on) override { waitCursor.push_back(on); }
  void SetClipboardText(std::string_view text) override { clipboard = std::string(text); }
  std::optional<std::string> GetClipboardText() override { return clipboard; }
  bool PostToHost(uint32_t message, uint64_t wParam, uint64_t) override {
    posts.emplace_back(message, wParam);
    return hostAnswers;
  }
  void RequestRepaint() override {
    ++repaints;
    if (onRepaint) onRepaint();
  }

  std::string LastStatus() const { return statuses.empty() ? std::string() : statuses.back(); }

  std::vector<std::string> statuses;
  std::vector<std::string> messages;
  std::vector<std::string> captions;
  std::vector<korvex::FileDialogRequest> requests;
  std::vector<bool> waitCursor;
  std::vector<std::pair<uint32_t, uint64_t>> posts;
  std::optional<std::string> clipboard;  // nothing: no text at all
  std::optional<std::string> chosenFile;
  std::optional<int> chosenFilter;
  korvex::MessageAnswer messageAnswer = korvex::MessageAnswer::Ok;
  bool hostAnswers = true;
  int repaints = 0;
  std::function<void()> onMessage;
  std::function<void()> onRepaint;
};

// A shell whose dialogs answer with what the test put in.
class RecordingShell final : public korvex::ViewShell {
 public:
  void SetTitle(std::string_view text) override { title = std::string(text); }
  void Wake() override { ++wakes; }
  void ShowContextMenu(int x, int y) override { menus.emplace_back(x, y); }
  void MoveCursor(int x, int y) override { cursor = {x, y}; }
  void CloseMainWindow() override { ++closes; }
  int ReadAeroFlag() override { return aeroStored; }
  void WriteAeroFlag(int value) override { aeroWritten = value; }
  bool EyeDialog(korvex::EyeDialogValues& values) override {
    eyeShown = values;
    if (eyeAnswer) values = *eyeAnswer;
    return eyeAnswer.has_value();
  }
  bool ColourDialog(korvex::ColourDialogValues& values) override {
    colourShown = values;
    if (colourAnswer) values = *colourAnswer;
    return colourAnswer.has_value();
  }
  bool NodePropertyDialog(korvex::NodePropertyValues& values) override {
    if (propertyAnswer) values = *propertyAnswer;
    return propertyAnswer.has_value();
  }
  bool FogDialog(korvex::FogDialogValues& values) override {
    fogShown = values;
    if (fogAnswer) values = *fogAnswer;
    return fogAnswer.has_value();
  }
  // OK on line `timeLine`, as the dialog's OK does; no line: cancel.
  bool TimeDialog(korvex::TimeDialogValues& values) override {
    timeShown = values;
    if (timeShadow) values.createShadow = *timeShadow;
    return timeLine && korvex::AcceptTimeDialog(values, *timeLine);
  }
  bool RunCommand(int id) override {
    commands.push_back(id);
    return true;
  }
  bool BitmapOutputDialog(korvex::ExportDialogValues& values) override {
    exportShown = values;
    if (exportAnswer) values = *exportAnswer;
    return exportAnswer.has_value();
  }

  std::string title;
  std::vector<std::pair<int, int>> menus;
  std::pair<int, int> cursor{-1, -1};
  int closes = 0;
  int aeroStored = 0;
  int aeroWritten = -1;
  std::optional<korvex::EyeDialogValues> eyeShown, eyeAnswer;
  std::optional<korvex::ColourDialogValues> colourShown, colourAnswer;
  std::optional<korvex::NodePropertyValues> propertyAnswer;
  std::optional<korvex::FogDialogValues> fogShown, fogAnswer;
  std::optional<korvex::TimeDialogValues> timeShown;
  std::optional<int> timeLine;
  std::optional<bool> timeShadow;
  std::vector<int> commands;
  std::optional<korvex::ExportDialogValues> exportShown, exportAnswer;
  std::atomic<int> wakes{0};  // from the measure worker
};

// A "window" for the view: a headless context drawing into a framebuffer.
using TestWindow = korvex_test::HeadlessWindow;

// A folder of its own for a test, made the current folder while it lives;
// the per-user configuration folder points into it too, so no test reads
// the real KQ.ini.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::filesystem::create_directories(path_ / "work");
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_ / "work");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr) previousConfig_ = config;
    ::setenv("XDG_CONFIG_HOME", (path_ / "config").c_str(), 1);
  }
  ~ScratchFolder() {
    std::filesystem::current_path(previous_);
    if (previousConfig_)
      ::setenv("XDG_CONFIG_HOME", previousConfig_->c_str(), 1);
    else
      ::unsetenv("XDG_CONFIG_HOME");
  }
  // The folder the test works in (the current folder).
  std::filesystem::path Work() const { return path_ / "work"; }
  std::filesystem::path Root() const { return path_; }
  std::string Write(const std::string& name, const std::string& text) const {
    const std::filesystem::path file = path_ / "work" / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
    return file.string();
  }

 private:
  korvex_test::ScratchFolder folder_;
  std::filesystem::path path_ = folder_.path();
  std::filesystem::path previous_;
  std::optional<std::string> previousConfig_;
};

// Adds a child named `name` with one square face of side 2·half at height z,
// centred on (cx, cy).
inline CInkNode* AddSquareNode(CInkNode& parent, const char* name, double cx, double cy, double half,
                               double z = 0.0, uint32_t colour = 0xFF0000FFu) {
  auto* node = new CInkNode();
  InkAttributes attributes;
  attributes.colour = colour;
  node->Create(&attributes);
  node->SetName(name);
  const GMVector points[4] = {
      {cx - half, cy - half, z}, {cx + half, cy - half, z}, {cx + half, cy + half, z}, {cx - half, cy + half, z}};
  InkPolyDescription square(points);
  node->AddPolygonFigure(square.Get(), 0);
  parent.AddChild(node);
  return node;
}

using korvex_test::HaveHeadlessGl;

struct Rgb {
  int r, g, b;
};

// The pixel at window point (x, y), y counted downwards as the view does.
inline Rgb PixelAt(const StereonImage& image, int x, int y) {
  const size_t at = (static_cast<size_t>(image.height - 1 - y) * image.width + x) * 4;
  return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2]};
}

inline bool IsWhite(Rgb c) { return c.r > 250 && c.g > 250 && c.b > 250; }

// A view on a headless window, in a scratch folder whose program folder
// holds the test plug-in for "*.ink". Fails when there is no headless GL
// (unless KORVEX_ALLOW_NO_GL=1).
class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KORVEX_NEED(HaveHeadlessGl(), "KORVEX_ALLOW_NO_GL", "no headless OpenGL context");
    scratch = std::make_unique<ScratchFolder>();
    launch.programFolder = KORVEX_VIEW_PROGRAM_DIR;
  }
  void TearDown() override {
    view.reset();
    window.reset();
  }

  // Creates the view on a window of that size; with `withModel` the start-up
  // model is "model.ink" of the test plug-in: "Box" (20 × 20 about the
  // origin) and "Lid" (4 × 4 about x = 30), both at z = 0.
  bool Start(bool withModel = true, int width = 200, int height = 100) {
    if (withModel) launch.modelPath = scratch->Write("model.ink", "");
    window = TestWindow::Create(width, height);
    if (!window) return false;
    view = std::make_unique<CStereonView>(ui, launch, &shell, companions);
    return view->Create(window.get());
  }
  CInkNode* Root() { return view->Scene()->GetRoot(); }
  CInkNode* Child(const char* name) { return Root()->FindChildByName(name); }
  korvex::ViewState& State() { return view->State(); }
  // Looks straight down on the model (plan view) and paints.
  StereonImage PaintPlan() {
    view->OnCommand(korvex::cmd::kPlanView);
    view->Paint();
    return window->Read();
  }

  std::unique_ptr<ScratchFolder> scratch;
  RecordingUi ui;
  RecordingShell shell;
  korvex::LaunchValues launch;
  korvex::SceneCompanions* companions = nullptr;
  std::unique_ptr<TestWindow> window;
  std::unique_ptr<CStereonView> view;
};

// A view whose program folder is the test's own: the "*.ink" plug-in, and
// empty "Texture" and "BillboardTex" folders for the test's pictures.
class ProgramFolderViewTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    program = scratch->Root() / "program";
    std::filesystem::create_directories(program / "Texture");
    std::filesystem::create_directories(program / "BillboardTex");
    std::filesystem::copy(std::filesystem::path(KORVEX_VIEW_PROGRAM_DIR) / "FilePlugin", program / "FilePlugin");
    launch.programFolder = program;
  }
  // A width × height picture whose pixel (x, y), y from the bottom, is at(x, y).
  static void WriteBmp(const std::filesystem::path& path, int width, int height,
                       const std::function<Rgb(int, int)>& at) {
    ASSERT_TRUE(korvex_test::WriteBmpPicture(path.string(), width, height, at));
  }

  std::filesystem::path program;
};

}  // namespace view_test
