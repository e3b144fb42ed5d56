#pragma once

// Turning the engine's planar YUV pictures into RGB pictures the size of the
// view, and where in the view they go. No libvlc and no widgets here.

#include <cstdint>

struct SwsContext;

namespace velmo {

struct RgbPicture;

// Where a picture of display aspect `aspect` (width over height) sits in a view
// of `viewWidth` x `viewHeight` pixels: as large as fits, centred, the rest left
// for black bars. Empty when the view is empty; the whole view when the aspect is
// not a positive number.
struct FitRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const FitRect&) const = default;
};
FitRect fitPicture(int viewWidth, int viewHeight, double aspect);

// Width over height of a `width` x `height` picture whose pixels are
// `sarNum`:`sarDen` (square when either is zero).
double displayAspect(unsigned width, unsigned height, unsigned sarNum, unsigned sarDen);

// The pictures carry no colour-space tag here, so follow the convention: HD
// pictures (taller than 576 lines) are BT.709, smaller ones BT.601.
enum class ColourMatrix { Bt601, Bt709 };
ColourMatrix matrixForHeight(unsigned visibleHeight);

// Converts limited-range I420 to full-range 32-bit xRGB (QImage::Format_RGB32),
// scaling smoothly on the way. Keeps its scaler between calls; one thread at a
// time.
class I420Converter {
public:
    I420Converter() = default;
    ~I420Converter();
    I420Converter(const I420Converter&) = delete;
    I420Converter& operator=(const I420Converter&) = delete;

    // Reads the top-left `sourceWidth` x `sourceHeight` of the picture in
    // `planes` (whatever lies past it, such as padding, is never read) and writes
    // `out` at `width` x `height`, reallocating its pixels if needed. False when
    // a size is not positive or the scaler cannot be made.
    bool convert(const std::uint8_t* const planes[3], const unsigned pitches[3], int sourceWidth,
                 int sourceHeight, ColourMatrix matrix, int width, int height, RgbPicture* out);

private:
    SwsContext* context_ = nullptr;
    int sourceWidth_ = 0;
    int sourceHeight_ = 0;
    int width_ = 0;
    int height_ = 0;
    ColourMatrix matrix_ = ColourMatrix::Bt601;
};

} // namespace velmo
