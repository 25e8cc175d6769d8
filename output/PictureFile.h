// Writing an exported picture as JPEG or 24-bit BMP, chosen by the file's
// extension, through a temporary file that replaces the target only when it
// is complete.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace korvex {
class UserInterface;
}

namespace korvex::output {

enum class PictureFormat { Jpeg, Bmp };

// JPEG for ".jpg" and ".jpeg" in any case, BMP for everything else (the save
// dialog's default extension is "bmp").
PictureFormat FormatOfPath(std::string_view path);

// Writes width × height RGBA pixels, bottom row first (what the engine reads
// back), in the format of `path`. On failure the previous file stays, a
// message is shown when `ui` is given (the BMP writer's own messages for a
// BMP, "ファイルを保存出来ませんでした。" for a JPEG or a picture that cannot be
// held) and false is returned.
bool WritePicture(const std::string& path, std::span<const uint8_t> rgbaBottomUp, int width, int height,
                  UserInterface* ui);

// The same picture as a 24-bit BMP whatever the extension.
bool WriteBmpPicture(const std::string& path, std::span<const uint8_t> rgbaBottomUp, int width, int height,
                     UserInterface* ui);

}  // namespace korvex::output
