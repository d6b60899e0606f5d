// The toolkit picture plugin: loadSlotFile for programs that load the
// toolkit only when a file needs it.

#include "imageio/qt_plugin.h"
#include "workspace/large_buffer.h"

#include "height_files.h"

#include <QCoreApplication>
#include <QFile>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <QImageReader>

#include <new>

namespace {

// The toolkit's readers report what they skip as warnings on the standard
// error; a load says what matters itself.
void quietToolkit()
{
    static const bool once = [] {
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtFatalMsg) {
                std::fputs(qPrintable(text), stderr);
                std::abort();
            }
        });
        return true;
    }();
    (void)once;
}

// So does the TIFF library under the toolkit's TIFF reader, straight onto
// the standard error: its handlers are off while a file loads, and put
// back after (the raster library sets its own).
class QuietTiff {
public:
    using Handler = void* (*)(void*);
    QuietTiff()
    {
        static void* const tiff = ::dlopen("libtiff.so.6", RTLD_LAZY | RTLD_LOCAL);
        setError_ = tiff ? reinterpret_cast<Handler>(::dlsym(tiff, "TIFFSetErrorHandler")) : nullptr;
        setWarning_ = tiff ? reinterpret_cast<Handler>(::dlsym(tiff, "TIFFSetWarningHandler")) : nullptr;
        if (setError_ && setWarning_) {
            error_ = setError_(nullptr);
            warning_ = setWarning_(nullptr);
        }
    }
    ~QuietTiff()
    {
        if (setError_ && setWarning_) {
            setError_(error_);
            setWarning_(warning_);
        }
    }
    QuietTiff(const QuietTiff&) = delete;
    QuietTiff& operator=(const QuietTiff&) = delete;

private:
    Handler setError_ = nullptr;
    Handler setWarning_ = nullptr;
    void* error_ = nullptr;
    void* warning_ = nullptr;
};

} // namespace

// The program may carry its own copy of the C++ runtime, and an exception
// is not to pass from one copy to the other: every failure goes back as a
// value.
extern "C" __attribute__((visibility("default"))) void
gloamery_qt_load_slot_file(gloamery::Workspace& ws, gloamery::Slot slot, const std::string& path, bool tile,
                           const std::optional<gloamery::ElevationRange>& heights,
                           std::variant<gloamery::LoadedFile, gloamery::Error>& out) noexcept
{
    quietToolkit();
    const QuietTiff quietTiff;
    try {
        out = gloamery::loadSlotFile(ws, slot, QFile::decodeName(QByteArray::fromStdString(path)), tile, heights);
    } catch (const std::bad_alloc&) {
        out = gloamery::Error{"There is not enough memory to read it."};
    } catch (...) {
        out = gloamery::Error{"The file could not be read."};
    }
}

extern "C" __attribute__((visibility("default"))) void
gloamery_qt_load_slot_bytes(gloamery::Workspace& ws, gloamery::Slot slot, const std::string& path,
                            const std::vector<unsigned char>& bytes, bool tile,
                            const std::optional<gloamery::ElevationRange>& heights,
                            std::variant<gloamery::LoadedFile, gloamery::Error>& out) noexcept
{
    quietToolkit();
    const QuietTiff quietTiff;
    try {
        const QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        out = gloamery::loadSlotBytes(ws, slot, path, data, tile, heights);
    } catch (const std::bad_alloc&) {
        out = gloamery::Error{"There is not enough memory to read it."};
    } catch (...) {
        out = gloamery::Error{"The file could not be read."};
    }
}

extern "C" __attribute__((visibility("default"))) void gloamery_qt_keep_large_blocks(std::size_t bytes) noexcept
{
    gloamery::keepLargeBlocks(bytes);
}

extern "C" __attribute__((visibility("default"))) void
gloamery_qt_picture_size(const std::string& path, std::variant<gloamery::PictureSize, gloamery::Error>& out) noexcept
{
    try {
        QImageReader reader(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
        reader.setDecideFormatFromContent(true);
        const QSize size = reader.size();
        if (size.isValid()) out = gloamery::PictureSize{size.width(), size.height()};
        else out = gloamery::Error{reader.errorString().toStdString()};
    } catch (...) {
        out = gloamery::Error{"The file could not be read."};
    }
}
