// Image output and printing: "ファイル出力" with its two ways of drawing the
// picture, the drawing-layout file, and the printed page.
#include <algorithm>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "common/user_interface.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "output/LayoutFile.h"
#include "output/OutputTexts.h"
#include "output/PictureFile.h"
#include "output/PictureMemory.h"
#include "output/PrintFit.h"
#include "view/PrintDevice.h"
#include "view/StereonView.h"

namespace korvex {

namespace {

// The view ignores its own paints while a picture is drawn for output; the
// mark goes on every way out.
class OutputBusyMark {
 public:
  explicit OutputBusyMark(bool& flag) : flag_(flag) { flag_ = true; }
  ~OutputBusyMark() { flag_ = false; }
  OutputBusyMark(const OutputBusyMark&) = delete;
  OutputBusyMark& operator=(const OutputBusyMark&) = delete;

 private:
  bool& flag_;
};

// A picture wider than the view moves its off-centre projection by as much
// more: the pan centre is scaled by the widths' ratio for the one frame, and
// the output's line width is used; both go back afterwards.
class OutputFrameScope {
 public:
  OutputFrameScope(CStereon& engine, double factor, double lineWidth, double windowAspect)
      : engine_(engine), panX_(engine.panX), panY_(engine.panY) {
    engine_.panX = static_cast<int>(panX_ * factor);
    engine_.panY = static_cast<int>(panY_ * factor);
    lineWidth_ = engine_.SetLineWidth(lineWidth);
    engine_.windowAspect = windowAspect;
  }
  ~OutputFrameScope() {
    engine_.windowAspect = 0.0;
    engine_.SetLineWidth(lineWidth_);
    engine_.panX = panX_;
    engine_.panY = panY_;
  }
  OutputFrameScope(const OutputFrameScope&) = delete;
  OutputFrameScope& operator=(const OutputFrameScope&) = delete;

 private:
  CStereon& engine_;
  int panX_;
  int panY_;
  double lineWidth_ = 1.0;
};

// The process's current folder, put back when the command ends.
class CurrentFolderKeeper {
 public:
  CurrentFolderKeeper() { folder_ = std::filesystem::current_path(error_); }
  ~CurrentFolderKeeper() {
    if (!error_) std::filesystem::current_path(folder_, error_);
  }
  CurrentFolderKeeper(const CurrentFolderKeeper&) = delete;
  CurrentFolderKeeper& operator=(const CurrentFolderKeeper&) = delete;
  std::string Folder() const { return error_ ? std::string(".") : folder_.string(); }

 private:
  std::filesystem::path folder_;
  std::error_code error_;
};

bool HasJpgExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  return path.compare(dot, std::string::npos, ".jpg") == 0;
}

// The extension of the n-th entry of a filter text ("jpg" for
// "...|*.jpg|..."); empty when there is no such entry.
std::string FilterExtension(std::string_view filter, int n) {
  std::size_t at = 0;
  for (int field = 0; at <= filter.size(); ++field) {
    const std::size_t end = std::min(filter.find('|', at), filter.size());
    if (field == 2 * n + 1) {
      const std::string_view pattern = filter.substr(at, end - at);
      return pattern.starts_with("*.") ? std::string(pattern.substr(2)) : std::string();
    }
    at = end + 1;
  }
  return {};
}

// A name typed without an extension takes the one of the filter chosen in
// the dialog, so a picture asked for as JPEG is not written as a BMP.
std::string WithFilterExtension(const std::string& path, int chosen) {
  const std::string name = std::filesystem::path(path).filename().string();
  if (name.empty() || name.find('.') != std::string::npos || chosen < 0) return path;
  const std::string extension = FilterExtension(output::kSaveFilter, chosen);
  return extension.empty() ? path : path + "." + extension;
}

// The picture's size as written (a width of whole words, at least one row)
// when such a picture fits in memory; otherwise the user is told, and false.
bool FitOutputSize(UserInterface& ui, int& width, int& height) {
  width = output::RoundedWidth(width);
  height = std::max(height, 1);
  if (output::PictureFitsInMemory(width, height)) return true;
  ui.ShowMessage(output::kBitmapTooLarge, output::kErrorCaption, MessageIcon::Error);
  return false;
}

}  // namespace

void CStereonView::ExportImageCommand() {
  if (!engine_) return;
  const CurrentFolderKeeper folder;
  // The two check boxes open unchecked every time.
  ExportDialogValues values = export_;
  values.oldMethod = false;
  values.layoutOut = false;
  if (!shell_->BitmapOutputDialog(values)) return;
  export_ = values;
  // The view's size is taken as the dialog closes, whatever the edits hold.
  const int width = values.sizeMode == 0 ? ClientWidth() : values.width;
  const int height = values.sizeMode == 0 ? ClientHeight() : values.height;

  if (values.layoutOut) {
    if (SaveLayout(values.layoutBase, width, height, values.lineWidth, values.oldMethod)) {
      // No file dialog showed where the two files went: say it.
      const auto full = [](const std::string& name) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(name, error);
        return error ? name : absolute.lexically_normal().string();
      };
      std::string message(output::kLayoutWritten);
      message.replace(message.find("%s"), 2, full(values.layoutBase + (values.oldMethod ? ".bmp" : ".jpg")));
      message.replace(message.find("%s"), 2, full(values.layoutBase + layout::kExtension));
      ui_.ShowMessage(message, output::kDialogTitle, MessageIcon::Information);
    }
    return;
  }
  FileDialogRequest request;
  request.save = true;
  request.caption = output::kSaveCaption;
  request.filter = output::kSaveFilter;
  request.initialFolder = folder.Folder();
  request.defaultName = output::kSaveDefaultName;
  request.defaultExtension = output::kSaveDefaultExtension;
  int chosen = -1;
  request.chosenFilter = &chosen;
  const std::optional<std::string> typed = ui_.ChooseFile(request);
  if (!typed) return;
  const std::optional<std::string> path = WithFilterExtension(*typed, chosen);
  if (values.oldMethod) {
    if (HasJpgExtension(*path)) {
      ui_.ShowMessage(output::kOldMethodNoJpeg, output::kNoticeCaption, MessageIcon::Warning);
      return;
    }
    SaveImageOld(*path, width, height, values.lineWidth);
  } else {
    SaveImage(*path, width, height, values.lineWidth);
  }
}

bool CStereonView::SaveLayout(const std::string& base, int width, int height, double lineWidth, bool oldMethod) {
  const std::string image = base + (oldMethod ? ".bmp" : ".jpg");
  const bool written =
      oldMethod ? SaveImageOld(image, width, height, lineWidth) : SaveImage(image, width, height, lineWidth);
  // A layout that names a picture which was not written would only mislead.
  if (!written) return false;
  // The sheet places the picture at the size asked for, before the export
  // rounds its width.
  return layout::WriteLayoutFile(base + layout::kExtension, width, height, image, &ui_);
}

double CStereonView::WindowAspect() const {
  const int width = ClientWidth(), height = ClientHeight();
  return width > 0 && height > 0 ? static_cast<double>(width) / height : 0.0;
}

bool CStereonView::RenderToBitmap(int width, int height, int flags, StereonImage& picture) {
  picture = StereonImage{};
  if (!engine_) return false;
  ApplyEngineState();
  return engine_->RenderToImage(flags, width, height, picture) == 1;
}

bool CStereonView::SaveImage(const std::string& path, int width, int height, double lineWidth) {
  if (!engine_) return false;
  if (!FitOutputSize(ui_, width, height)) return false;
  bool written = false;
  {
    const OutputBusyMark busy(outputBusy_);
    StereonImage picture;
    bool drawn = false;
    {
      const int client = ClientWidth();
      const OutputFrameScope scope(*engine_, client > 0 ? static_cast<double>(width) / client : 1.0, lineWidth,
                                   WindowAspect());
      drawn = RenderToBitmap(width, height, state_.displayFlags, picture);
    }
    if (drawn)
      written = output::WritePicture(path, picture.pixels, picture.width, picture.height, &ui_);
    else
      ui_.ShowMessage(output::kBitmapTooLarge, output::kErrorCaption, MessageIcon::Error);
  }
  Redraw();
  return written;
}

void CStereonView::BuildTreesInto(CStereon& engine) {
  COGLDispTree* root = engine.GetDispTree();
  if (!scene_ || root == nullptr || !engine.MakeCurrent()) return;
  CInkNode* sceneRoot = scene_->GetRoot();
  if (sceneRoot == nullptr) return;
  // The trees are built by the screen's own bridge, with `engine` standing
  // in for the on-screen engine. Every node keeps its handle; the copy of
  // the table takes the new trees, and the screen's table comes back
  // untouched afterwards, whatever happens on the way.
  struct Restore {
    CStereonView& view;
    std::unique_ptr<CStereon>& slot;
    std::unique_ptr<CStereon> screen;
    NodeHandleTable table;
    ~Restore() {
      slot.release();  // the stand-in is the caller's
      slot = std::move(screen);
      view.handles_ = std::move(table);
    }
  } restore{*this, engine_, std::move(engine_), handles_};
  engine.SetLocalOrigin(restore.screen->LocalOrigin());
  engine_.reset(&engine);
  BuildTopTrees(*root, *sceneRoot);
}

void CStereonView::CopyIntoOldEngine(CStereon& engine, int width, double lineWidth) {
  // Background colour and light colours stay the second engine's defaults.
  engine.SetLightDirection(state_.lightPosition.x, state_.lightPosition.y, state_.lightPosition.z);
  engine.SetCamera(state_.camera.eye, state_.camera.target, state_.camera.up);
  engine.SetPlanes(state_.camera.nearPlane, state_.camera.farPlane, state_.camera.viewAngle);
  engine.SetLineWidth(lineWidth);
  engine.SetZoom(state_.zoom);
  // The picture is cut as the screen's is.
  engine.SetSectionPlanes(engine_->SectionPlanes());
  for (size_t i = 0; i < engine_->SectionPlanes().size(); ++i)
    engine.SetSectionOutline(i, {engine_->SectionOutline(i).begin(), engine_->SectionOutline(i).end()});
  double start = 0.0, end = 0.0, density = 0.0;
  int mode = 0;
  engine_->GetFaceFog(start, end, density, mode);
  engine.SetFaceFog(start, end, density, mode);
  engine_->GetLineFog(start, end, density, mode);
  engine.SetLineFog(start, end, density, mode);
  if (state_.displayFlags & frame::kShadows) {
    if (engine_->shadowList) {
      // A display list lives in the screen's context: the second engine
      // builds the same volumes again, under the sun they were made with.
      BuildShadowsOn(engine, shadowLight_, nullptr);
    } else {
      // The volumes in array form are plain data and go across as they are.
      engine.shadowArrays = engine_->shadowArrays;
      engine.shadowColor = engine_->shadowColor;
    }
  }
  if (state_.backgroundImageUsed && !state_.backgroundImagePath.empty())
    engine.LoadBackTexture(state_.backgroundImagePath.c_str());
  const int client = ClientWidth();
  const double factor = client > 0 ? static_cast<double>(width) / client : 1.0;
  engine.windowAspect = WindowAspect();
  engine.panEnabled = engine_->panEnabled;
  engine.panX = static_cast<int>(engine_->panX * factor);
  engine.panY = static_cast<int>(engine_->panY * factor);
}

bool CStereonView::SaveImageOld(const std::string& path, int width, int height, double lineWidth) {
  if (!engine_) return false;
  if (!FitOutputSize(ui_, width, height)) return false;
  bool drawn = false;
  bool written = false;
  {
    const OutputBusyMark busy(outputBusy_);
    StereonImage picture;
    {
      // Without a user interface: the screen's engine has already reported
      // any texture that cannot be read, and a context that cannot be made
      // is reported below as a picture too large.
      // The second engine draws beside the screen's context, sharing it: a
      // context of its own could not be made current next to the window's
      // (an EGL context beside the GUI's GLX one).
      CStereon second(nullptr);
      if (second.CreateBitmapContext(width, height, 24, 32, width, height, engine_->GetContext()) &&
          second.UseOwnTree()) {
        // Each texture with its own aspect and scale, in the same slots as
        // on the screen. A texture that no longer loads ends the copying:
        // the later ones would otherwise move onto the wrong faces.
        for (int i = 0; i < engine_->GetTextureCount(); ++i) {
          char name[260] = {};
          engine_->GetTextureName(i, name, static_cast<int>(sizeof name));
          double aspect = 0.0, scale = 0.0;
          engine_->GetTextureScale(i, &aspect, &scale);
          if (second.AddTexture(name, aspect, scale) < 0) break;
        }
        try {
          // The second engine draws one picture and goes: straight, without
          // lists.
          second.GetDispTree()->SetDrawStraight(true);
          BuildTreesInto(second);
          CopyIntoOldEngine(second, width, lineWidth);
          second.Render(state_.displayFlags, &picture);
        } catch (const std::bad_alloc&) {
          picture = StereonImage{};
        }
        drawn = picture.width == width && picture.height == height && !picture.pixels.empty();
      }
    }
    if (engine_) engine_->MakeCurrent();
    if (drawn)
      written = output::WriteBmpPicture(path, picture.pixels, width, height, &ui_);
    else
      ui_.ShowMessage(output::kBitmapTooLarge, output::kErrorCaption, MessageIcon::Error);
  }
  Redraw();
  return written;
}

void CStereonView::PrintSettingsCommand() {
  PrintDialogValues values = print_;
  if (shell_->PrintSettingsDialog(values)) print_ = values;
}

void CStereonView::PrintPage(PrintDevice& device) {
  if (!engine_) return;
  {
    const OutputBusyMark busy(outputBusy_);
    if (!device.CanStretch()) {
      ui_.ShowMessage(output::kCannotPrintDevice, "", MessageIcon::None, MessageButtons::OkCancel);
      return;
    }
    int pageWidth = 0, pageHeight = 0;
    device.PageSize(pageWidth, pageHeight);
    const output::PrintSize size =
        output::FitPrint(pageWidth, pageHeight, ClientWidth(), ClientHeight(),
                         static_cast<output::PrintResolution>(std::clamp(print_.resolution, 0, 3)));
    StereonImage picture;
    bool drawn = false;
    if (size.bitmapWidth > 0) {
      const int client = ClientWidth();
      const OutputFrameScope scope(*engine_, client > 0 ? static_cast<double>(size.bitmapWidth) / client : 1.0,
                                   print_.lineWidth, WindowAspect());
      drawn = RenderToBitmap(size.bitmapWidth, size.bitmapHeight, state_.displayFlags, picture);
    }
    if (!drawn) {
      ui_.ShowMessage(output::kNoPrintImage, "", MessageIcon::Error);
    } else if (!device.StretchPicture(picture, size.paperWidth, size.paperHeight)) {
      // The device would not stretch: every page pixel takes the picture's
      // pixel under it. One refusal ends the page (a message per column
      // would never end).
      const double fx = static_cast<double>(size.paperWidth) / picture.width;
      const double fy = static_cast<double>(size.paperHeight) / picture.height;
      for (int i = 0; i < size.paperWidth; ++i) {
        for (int j = 0; j < size.paperHeight; ++j) {
          const int x = static_cast<int>(i / fx);
          const int y = static_cast<int>(j / fy);
          if (x < 0 || x >= picture.width || y < 0 || y >= picture.height) {
            ui_.ShowMessage(output::kCannotReadPrintImage, "", MessageIcon::Error);
            i = size.paperWidth;
            break;
          }
          // The picture's rows run from the bottom up; the page's downwards.
          const std::size_t at =
              (static_cast<std::size_t>(picture.height - 1 - y) * picture.width + static_cast<std::size_t>(x)) * 4u;
          const uint32_t rgb = picture.pixels[at] | (picture.pixels[at + 1] << 8) | (picture.pixels[at + 2] << 16);
          if (!device.SetPagePixel(i, j, rgb)) {
            ui_.ShowMessage(output::kCannotWritePrintImage, "", MessageIcon::Error);
            i = size.paperWidth;
            break;
          }
        }
      }
    }
  }
  Redraw();
}

}  // namespace korvex
