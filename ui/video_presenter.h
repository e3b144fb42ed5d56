#pragma once

// How the video view turns the engine's pictures into pixels on screen, behind
// one small interface: the raster presenter below converts on the engine's
// thread and blits with QPainter, which works everywhere (offscreen included);
// a GPU presenter could keep the planes (FrameRing::Reader::plane) and convert
// in a shader where hardware OpenGL exists.

#include "engine/frame_convert.h"
#include "engine/frame_sink.h"

#include <QRectF>

class QPainter;

namespace velmo {

class VideoPresenter : public PicturePreparer {
public:
    // On the GUI thread: paints `frame` (or black, when it is empty) over the
    // whole view, `deviceSize` device pixels at `ratio` device pixels per pixel.
    virtual void paint(QPainter& painter, const FrameRing::Reader& frame, QSize deviceSize,
                       qreal ratio) = 0;
};

class RasterPresenter final : public VideoPresenter {
public:
    // Converts to RGB at the size the picture takes in the view, so that
    // painting is a plain copy.
    bool prepare(const FrameRing::Writable& picture, const PictureInfo& info) override;
    // Scales (smoothly) only a picture made for an earlier view size.
    void paint(QPainter& painter, const FrameRing::Reader& frame, QSize deviceSize,
               qreal ratio) override;

private:
    I420Converter converter_; // engine's thread only
};

} // namespace velmo
