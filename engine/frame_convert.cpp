#include "engine/frame_convert.h"

#include "engine/frame_ring.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>

namespace velmo {

FitRect fitPicture(int viewWidth, int viewHeight, double aspect) {
    if (viewWidth <= 0 || viewHeight <= 0)
        return {};
    if (!(aspect > 0) || !std::isfinite(aspect))
        return {0, 0, viewWidth, viewHeight};
    int width = viewWidth;
    int height = viewHeight;
    if (double(viewWidth) / viewHeight > aspect)
        width = std::clamp(static_cast<int>(std::lround(viewHeight * aspect)), 1, viewWidth);
    else
        height = std::clamp(static_cast<int>(std::lround(viewWidth / aspect)), 1, viewHeight);
    return {(viewWidth - width) / 2, (viewHeight - height) / 2, width, height};
}

double displayAspect(unsigned width, unsigned height, unsigned sarNum, unsigned sarDen) {
    if (width == 0 || height == 0)
        return 0;
    double aspect = double(width) / height;
    if (sarNum > 0 && sarDen > 0)
        aspect = aspect * sarNum / sarDen;
    return aspect;
}

ColourMatrix matrixForHeight(unsigned visibleHeight) {
    return visibleHeight > 576 ? ColourMatrix::Bt709 : ColourMatrix::Bt601;
}

I420Converter::~I420Converter() {
    sws_freeContext(context_);
}

bool I420Converter::convert(const std::uint8_t* const planes[3], const unsigned pitches[3],
                            int sourceWidth, int sourceHeight, ColourMatrix matrix, int width,
                            int height, RgbPicture* out) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0)
        return false;
    if (context_ == nullptr || sourceWidth != sourceWidth_ || sourceHeight != sourceHeight_ ||
        width != width_ || height != height_ || matrix != matrix_) {
        // A fresh context each time something changes: sws_getCachedContext may
        // hand back a new context at the old address, which would hide that its
        // colour details were reset to the defaults.
        sws_freeContext(context_);
        context_ = sws_getContext(sourceWidth, sourceHeight, AV_PIX_FMT_YUV420P, width, height,
                                  AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (context_ == nullptr)
            return false;
        const int space = matrix == ColourMatrix::Bt709 ? SWS_CS_ITU709 : SWS_CS_ITU601;
        // Limited-range YUV in, full-range RGB out; brightness, contrast and
        // saturation left neutral (16.16 fixed point).
        sws_setColorspaceDetails(context_, sws_getCoefficients(space), 0,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        sourceWidth_ = sourceWidth;
        sourceHeight_ = sourceHeight;
        width_ = width;
        height_ = height;
        matrix_ = matrix;
    }
    const int stride = (width * 4 + int(AlignedBuffer::kAlignment) - 1) /
                       int(AlignedBuffer::kAlignment) * int(AlignedBuffer::kAlignment);
    out->pixels.resize(std::size_t(stride) * height);
    out->width = width;
    out->height = height;
    out->stride = stride;
    const int sourceStrides[3] = {int(pitches[0]), int(pitches[1]), int(pitches[2])};
    std::uint8_t* const destination[4] = {out->pixels.data(), nullptr, nullptr, nullptr};
    const int destinationStrides[4] = {stride, 0, 0, 0};
    return sws_scale(context_, planes, sourceStrides, 0, sourceHeight, destination,
                     destinationStrides) == height;
}

} // namespace velmo
