// The size of a BMP or GIF picture from its header, so the logo can be placed before a view has
// drawn it.
#pragma once

#include <optional>
#include <string>

#include "platform/file_system.h"

namespace vurerode::setup {

enum class PictureKind { Bitmap, Gif };

struct PictureSize {
  int Width = 0;
  int Height = 0;
};

// nullopt when the file cannot be read or is not a picture of that kind.
std::optional<PictureSize> ReadPictureSize(platform::FileSystem& fs, const std::string& path, PictureKind kind);

}  // namespace vurerode::setup
