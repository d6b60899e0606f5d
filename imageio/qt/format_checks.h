#pragma once
// Checks on picture files before the toolkit's decoders see them, for the
// damage those decoders do not handle soundly: a BMP whose pixel data is
// cut short or starts past the end of the file is decoded with rows of
// whatever memory held before, and so is any pixel that a run-length BMP
// does not write; a progressive JPEG can hold thousands of scans, each of
// which costs a pass over the whole picture.

#include "imageio/picture_limits.h"
#include "workspace/controls.h"
#include "workspace/workspace.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <variant>

namespace gloamery {

// What to do with a file: let the toolkit decode it, use the picture
// decoded here, or refuse it for the reason given.
using FormatCheck = std::variant<std::monostate, QImage, Error>;

// For a file that starts with "BM": refuses a broken header, an impossible
// size, a picture over the limit, and pixel data that the file does not
// hold. Run-length files (8 and 4 bits a pixel) are decoded here: runs are
// cut at the end of their row, decoding stops at the end of the data, and
// every pixel the data does not reach stays transparent.
FormatCheck checkBmp(const QByteArray& bytes, int limitMiB);

// For a GIF whose first picture does not cover the whole logical screen:
// the toolkit fills the rest with a colour read from memory it never set
// when that picture has a palette of its own. The picture is decoded here
// on a screen of its own size and drawn at its place on a transparent
// screen, so the uncovered part shows the slot's background whatever the
// palettes. Files whose first picture covers the screen are left to the
// toolkit.
FormatCheck checkGif(const QByteArray& bytes, int limitMiB);

// Progressive JPEGs with more scans than any encoder writes are refused.
constexpr int kMaxJpegScans = 256;
FormatCheck checkJpeg(const QByteArray& bytes);

} // namespace gloamery
