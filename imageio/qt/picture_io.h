#pragma once
// Pictures in and out of the core: files, the clipboard's images and the
// default pictures. Shared by the control panel and the batch tool so both
// place a loaded image in exactly the same way.

#include "imageio/picture_limits.h"
#include "inputs/controls.h"
#include "workspace/picture.h"
#include "workspace/workspace.h"

#include <QImage>
#include <QString>

#include <variant>
#include <vector>

namespace gloamery {

// Places an image at the picture's top-left corner: cropped when larger,
// the picture's background showing where it is smaller and through
// transparent pixels.
void placeImage(Picture& picture, const QImage& image);

// The picture as a 32-bit RGB image of its own size.
QImage toQImage(const Picture& picture);

// Decodes a picture file (or bytes) with every check loadPicture makes,
// without placing it anywhere: the image at its own size, or the reason.
std::variant<QImage, Error> readPictureFile(const QString& path);
// A picture file's bytes, refused when larger than any picture can be.
std::variant<QByteArray, Error> readPictureBytes(const QString& path);
std::variant<QImage, Error> readPictureData(const QByteArray& bytes);

// The image repeated across the picture from the top-left, over the
// picture's background where it is transparent.
void tileImage(Picture& picture, const QImage& image);

// Places (or tiles) an image in a slot as placeImage and tileImage do; the
// height slot takes the pixels as its 8-bit heights.
void putImage(Workspace& ws, Slot slot, const QImage& image, bool tile = false);

// Reads a picture file in any format the toolkit reads (BMP, JPEG, GIF, PNG,
// the portable pixmaps, XPM, XBM, icons) into the picture, the format told
// by the content whatever the file's name; BMP, GIF and JPEG pass extra
// checks for damage their decoders let through. On failure the picture
// keeps its content and the reason is returned: a file that is empty, not a
// picture, damaged, cut short or too large.
Refusal loadPicture(Picture& picture, const QString& path);
// The same from bytes already in memory.
Refusal loadPictureData(Picture& picture, const QByteArray& bytes);
// The same from an image the toolkit has already decoded (a clipboard
// image): held to the same size limit as a file, with the same reason.
Refusal loadPictureImage(Picture& picture, const QImage& image);
// That limit alone: nothing when the image may be placed.
Refusal checkDecodedImage(const QImage& image);

// Writes the picture as BMP or PNG, chosen by the extension (anything but
// .png is BMP). Atomic: a failed save leaves an existing file untouched.
Refusal savePicture(const Picture& picture, const QString& path, const char* format = nullptr);

// The start state of the control panel: the default height, grass, stone
// and detail pictures from the program's resources, the other slots empty.
void loadDefaultPictures(Workspace& ws);
// Only the default pictures of these slots (the others keep their
// background); for a run that replaces some before it reads them.
void loadDefaultPictures(Workspace& ws, const std::vector<Slot>& wanted);

// A parser for text-box numbers in the user's locale, blanks allowed.
NumberParser localeNumberParser();

} // namespace gloamery
