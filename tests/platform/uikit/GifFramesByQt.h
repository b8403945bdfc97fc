#pragma once

#include "platform/uikit/gif_blocks.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <vector>

// Each frame Qt's reader draws of `gif`, its whole canvas, premultiplied; as many as it reads.
// Where the first frame has a colour table of its own, Qt's reader fills the canvas around it
// with memory not written (the background colour looked up in that table before it has read it):
// the frames are those it draws when that frame has none. A frame on the first one's rectangle
// without a table that draws nothing, put before it, has the canvas filled so, and is left out;
// not where a transparent colour is in force, which fills the canvas transparent whatever the
// table and gives it an alpha channel that such a frame would not.
inline std::vector<QImage> decodedWhole(const QByteArray& gif) {
    QByteArray read = gif;
    const ui::GifBlocks blocks = ui::GifBlocks::read(gif);
    const bool fillAsWithoutATable = !blocks.frames.empty() &&
                                     blocks.frames.front().ownColourTable &&
                                     !blocks.frames.front().transparentFlag;
    if (fillAsWithoutATable) {
        const QRect first = blocks.frames.front().rect;
        QByteArray drawingNothing("\x2c", 1);
        for (const int value : {first.x(), first.y(), first.width(), first.height()}) {
            drawingNothing.append(char(value & 0xff)).append(char(value >> 8 & 0xff));
        }
        read.insert(blocks.blocksAt, drawingNothing.append("\x00\x02\x01\x2c\x00", 5));
    }
    QBuffer buffer;
    buffer.setData(read);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    std::vector<QImage> frames;
    if (fillAsWithoutATable) (void)reader.read();
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read()) {
        frames.push_back(frame.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    return frames;
}
