#include "render/imagefile.h"

#include "model/inputformat.h"
#include "model/safefile.h"

#include <QFile>
#include <QImageWriter>
#include <QString>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x))
            == std::toupper(static_cast<unsigned char>(y));
    });
}

// libjpeg reports fatal errors through error_exit, which must not return: jump back out.
struct JpegError
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jpegErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError *>(info->err)->jump, 1);
}

} // namespace

bool writeJpeg(const QImage &picture, std::FILE *file)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);

    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegErrorExit;
    // rows are handed over from a vector allocated before the jump point, so nothing that
    // needs a destructor is skipped by a longjmp
    std::vector<JSAMPROW> rows(static_cast<std::size_t>(std::max(rgb.height(), 0)));
    for (int y = 0; y < rgb.height(); ++y)
        rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(rgb.constScanLine(y));
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(rgb.width());
    info.image_height = static_cast<JDIMENSION>(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height)
        jpeg_write_scanlines(&info, &rows[info.next_scanline], 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fflush(file) == 0;
}

PictureFormat pictureFormatOf(std::string_view path)
{
    const std::string_view extension = fileExtension(path);
    if (equalsIgnoringCase(extension, ".BMP"))
        return PictureFormat::Bmp;
    if (equalsIgnoringCase(extension, ".JPG") || equalsIgnoringCase(extension, ".JPEG"))
        return PictureFormat::Jpeg;
    if (equalsIgnoringCase(extension, ".PNG"))
        return PictureFormat::Png;
    return PictureFormat::None;
}

bool SaveImage(
    const QImage &picture, std::string_view path, MessageSink &messages, SafeWriteResult *outcome)
{
    const PictureFormat format = pictureFormatOf(path);
    if (format == PictureFormat::None) {
        messages.show("SAVE IMAGE ERROR", "Unsupported image format");
        return false;
    }
    const auto write = [&picture, format](std::FILE *file) {
        if (format == PictureFormat::Jpeg)
            return writeJpeg(picture, file);
        QFile device;
        if (!device.open(file, QIODevice::WriteOnly))
            return false;
        QImageWriter writer(&device, format == PictureFormat::Bmp ? "bmp" : "png");
        return writer.write(picture) && device.flush();
    };
    // the picture replaces an older file of that name only once it is complete
    const SafeWriteResult result = writeFileSafely(std::string(path), write);
    if (outcome)
        *outcome = result;
    return result == SafeWriteResult::Written;
}

std::string NumberText(long long number, int digits)
{
    std::string text = std::to_string(number);
    if (digits > 15)
        digits = 15;
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return text;
}

int decimalDigits(long long count)
{
    int digits = 1;
    for (long long rest = count < 0 ? -(count / 10) : count / 10; rest > 0; rest /= 10)
        ++digits;
    return digits;
}

std::string seriesFileName(std::string_view path, long long k, int digits)
{
    // Only "/" separates folders here: ':' and '\\' are ordinary characters of a name, kept
    // as typed (t12:30.bmp gives t12:3000.bmp).
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string_view name = path.substr(nameStart);
    const std::size_t dot = name.rfind('.');
    const std::string_view base = dot == std::string_view::npos ? name : name.substr(0, dot);
    const std::string_view extension = name.substr(base.size());
    return std::string(path.substr(0, nameStart)) + std::string(base) + NumberText(k, digits)
        + std::string(extension);
}
