#pragma once

#include "render/coverage.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

/// Draws text on an opaque box of the background colour: the box is the text's extent (its
/// advance width by the font's height) with the top-left corner at (x, y), the text is clipped
/// to the box. Colours are 0x00BBGGRR values.
void drawOpaqueText(QPainter &painter, int x, int y, const QString &text, std::uint32_t textColor,
    std::uint32_t background);

/// Text boxes drawn once and pasted again on later draws, pixel for pixel what drawOpaqueText
/// draws. Atom labels repeat from frame to frame, and pasting a box is several times faster
/// than laying out its text again.
class LabelCache
{
public:
    /// One row of a box: background, then the pixels the text touched, then background.
    struct InkRow
    {
        int first = 0; ///< first column with ink
        int last = 0; ///< one past the last column with ink
        std::size_t offset = 0; ///< where the row's ink starts in Box::ink
    };
    /// A drawn text box. Only the stretch of each row that the text touched is kept as pixels;
    /// the rest is the background, which costs nothing to read when the box is pasted.
    struct Box
    {
        int width = 0;
        int height = 0;
        std::uint32_t backgroundPixel = 0; ///< QImage RGB32 pixel
        std::vector<InkRow> rows;
        std::vector<std::uint32_t> ink; ///< QImage RGB32 pixels, row after row
    };

    /// Forgets every box unless the font and colours are those the boxes were drawn with.
    void prepare(
        const QFont &font, std::uint32_t textColor, std::uint32_t background, const QImage &canvas);
    /// The box of text, drawn on first use and kept. Past the capacity a text not kept is
    /// drawn afresh on every call into one spare box, valid until the next such call.
    const Box &box(const std::string &text);
    /// The kept box of text, drawn and kept on first use while there is room; nullptr when
    /// the cache is full and does not hold it.
    const Box *keptBox(const std::string &text);
    /// Copies a box onto canvas (Format_RGB32) with its top-left corner at (x, y), clipped.
    static void paste(QImage &canvas, int x, int y, const Box &box);
    /// The same, painted front to back: only pixels that coverage has not claimed are
    /// written, and all of the box's pixels are claimed.
    static void pasteFrontToBack(
        QImage &canvas, int x, int y, const Box &box, CoverageMask &coverage);
    /// Number of boxes held.
    std::size_t size() const { return boxes.size(); }
    /// Changes whenever boxes are forgotten, so pointers to boxes kept elsewhere can be checked.
    unsigned generation() const { return generationCount; }
    /// How many boxes are kept (200,000 at start). The kept ones stay when more texts come:
    /// a picture with more distinct labels than that draws only the rest afresh each time,
    /// rather than forgetting and drawing every box again.
    void setCapacity(std::size_t boxesKept) { capacity = boxesKept > 0 ? boxesKept : 1; }
    /// How many boxes were drawn so far, kept or not (for tests and diagnostics).
    std::size_t drawnCount() const { return drawn; }

private:
    std::size_t capacity = 200000;
    QFont font;
    std::uint32_t textColor = 0;
    std::uint32_t background = 0;
    int dotsPerMeterX = 0;
    int dotsPerMeterY = 0;
    bool prepared = false;
    unsigned generationCount = 0;
    std::size_t drawn = 0;
    std::unordered_map<std::string, Box> boxes;
    Box spare; ///< the last box drawn without room to keep it

    void draw(const std::string &text, Box &result);
};
