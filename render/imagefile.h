#pragma once

#include "model/messagesink.h"
#include "model/safefile.h"

#include <QImage>

#include <cstdio>
#include <string>
#include <string_view>

/// The picture formats a file name can ask for.
enum class PictureFormat { None, Bmp, Jpeg, Png };

/// The format the extension of path's file-name part names, ignoring case: ".BMP" a Windows
/// bitmap, ".JPG" and ".JPEG" JPEG, ".PNG" PNG; None for anything else.
PictureFormat pictureFormatOf(std::string_view path);

/// Writes picture to path in the format its extension names (see pictureFormatOf): BMP,
/// a baseline colour JPEG of quality 90, or a lossless PNG. Any other extension shows
/// "Unsupported image format" (caption "SAVE IMAGE ERROR") and writes nothing. An existing file
/// is replaced only once the new picture is complete (see writeFileSafely), and outcome, when
/// given, tells how that write went (it is left alone for an unsupported extension). Returns
/// whether the file was written.
bool SaveImage(const QImage &picture, std::string_view path, MessageSink &messages,
    SafeWriteResult *outcome = nullptr);

/// The decimal text of number padded on the left with "0" to digits characters (at most 15);
/// a longer text is returned unchanged.
std::string NumberText(long long number, int digits);

/// The number of decimal digits of count (1 for 0 to 9).
int decimalDigits(long long count);

/// The name of picture k of a numbered series saved as path: the directory of path, "/", the
/// file name without its extension, NumberText(k, digits) and the extension as typed.
/// Saving 51 frames as /out/run.bmp names them /out/run00.bmp to /out/run50.bmp.
std::string seriesFileName(std::string_view path, long long k, int digits);

/// Writes picture as JPEG data (quality 90, colour, baseline) to an open stream; false when
/// the stream could not take it all.
bool writeJpeg(const QImage &picture, std::FILE *file);
