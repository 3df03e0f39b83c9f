// PNG writing.
//
// Implementation notes: libpng reports errors by longjmp back to the setjmp
// in WriteRows; nothing with a destructor lives between the two, the rows
// are prepared before and the file is finished after. The encoded bytes go
// through a replaced file like every other save: a write-protected image
// is refused, a link under the name stays a link, and a failed write
// leaves the old image whole.
#include "view/png_file.h"

#include <png.h>

#include <string>
#include <vector>

#include "workio/replaced_file.h"

namespace morvex {
namespace {

// libpng hands over a few bytes at a time: they are gathered and written
// in large pieces.
struct PngSink {
    ReplacedFile file;
    std::string pending;
};
constexpr std::size_t kPngPiece = 1 << 16;

bool FlushSink(PngSink& sink) {
    const bool ok = WriteBytes(sink.file, sink.pending.data(), sink.pending.size());
    sink.pending.clear();
    return ok;
}

void WriteToSink(png_structp png, png_bytep data, png_size_t size) {
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    sink->pending.append(reinterpret_cast<const char*>(data), size);
    if (sink->pending.size() >= kPngPiece && !FlushSink(*sink)) png_error(png, "write failed");
}

void FlushNothing(png_structp) {}

bool WriteRows(PngSink& sink, int width, int height, png_bytepp rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &sink, WriteToSink, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePng(const std::string& path, const QImage& image) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) return false;
    const int width = image.width(), height = image.height();
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull()) return false;
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(rgb.constScanLine(y));
    PngSink sink;
    if (!BeginReplace(sink.file, path)) return false;
    bool ok = WriteRows(sink, width, height, rows.data());
    ok = ok && FlushSink(sink);
    return FinishReplace(sink.file, ok) == kFileSaved;
}

}  // namespace morvex
