#include "engine/frame_sink.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velmo {

namespace {

unsigned alignUp(unsigned n, unsigned alignment) {
    return (n + alignment - 1) / alignment * alignment;
}

// Compares the visible part only: the bytes past the width of each row are
// whatever the buffer held before.
bool samePixels(const FrameRing::Reader& front, std::uint8_t* const planes[3], unsigned width,
                unsigned height) {
    const PlaneLayout& layout = front.layout();
    for (int i = 0; i < 3; ++i) {
        const unsigned rowBytes = i == 0 ? width : (width + 1) / 2;
        const unsigned rows = i == 0 ? height : (height + 1) / 2;
        for (unsigned row = 0; row < rows; ++row) {
            const std::size_t offset = std::size_t{row} * layout.pitches[i];
            if (std::memcmp(front.plane(i) + offset, planes[i] + offset, rowBytes) != 0)
                return false;
        }
    }
    return true;
}

} // namespace

FrameSink::FrameSink(std::function<void()> notify, PicturePreparer* preparer,
                     unsigned engineBuffers)
    : notify_(std::move(notify)), engineBuffers_(std::max(1u, engineBuffers)),
      // The engine's buffers, the front and one the GUI may still be painting.
      ring_(engineBuffers_ + 2), preparer_(preparer) {}

// Nothing here relies on cleanup having come: the ring frees its buffers, and a
// notice still queued to the GUI is the poster's to drop.
FrameSink::~FrameSink() = default;

void FrameSink::setShapeQuery(ShapeQuery query) {
    std::lock_guard guard(sourceMutex_);
    query_ = std::move(query);
    source_.shape = {};
}

unsigned FrameSink::format(char chroma[4], unsigned* width, unsigned* height, unsigned pitches[3],
                           unsigned lines[3]) {
    if (*width == 0 || *height == 0)
        return 0;
    std::lock_guard guard(sourceMutex_);
    source_.shape = query_ ? query_() : PictureShape{};
    // The engine proposes its decoder's padded size, but fills whatever buffer
    // size is answered with the visible picture, scaled to fit: answering the
    // padded size costs a scaling pass and stretches the picture by the padding.
    // So answer the visible size when the engine already knows it (it then
    // copies the picture as it is), the proposal otherwise. Hardware chromas are
    // proposed first under --avcodec-hw; planar I420 is answered every time and
    // the engine converts.
    const PictureShape& shape = source_.shape;
    if (shape.known() && shape.width <= *width && shape.height <= *height) {
        *width = shape.width;
        *height = shape.height;
    }
    std::memcpy(chroma, "I420", 4);
    PlaneLayout layout;
    layout.pitches[0] = alignUp(*width, 64);
    layout.pitches[1] = layout.pitches[2] = alignUp((*width + 1) / 2, 32);
    layout.lines[0] = *height;
    layout.lines[1] = layout.lines[2] = (*height + 1) / 2;
    for (int i = 0; i < 3; ++i) {
        pitches[i] = layout.pitches[i];
        lines[i] = layout.lines[i];
    }
    source_.width = *width;
    source_.height = *height;
    ring_.setLayout(layout);
    return engineBuffers_;
}

void FrameSink::cleanup() {
    ring_.abandon();
}

void* FrameSink::lock(void* planes[3]) {
    std::uint8_t* bytes[3];
    void* id = ring_.lock(bytes);
    for (int i = 0; i < 3; ++i)
        planes[i] = bytes[i];
    return id;
}

FrameSink::Source FrameSink::source() {
    std::lock_guard guard(sourceMutex_);
    // Asked again for every picture: some containers tell the size only after
    // the first pictures (MPEG-TS), and where a container's size disagrees with
    // the stream's cropping, the decoder has corrected it by the first unlock.
    if (query_)
        source_.shape = query_();
    return source_;
}

void FrameSink::setViewSize(int width, int height) {
    const auto w = static_cast<std::uint64_t>(std::max(0, width));
    const auto h = static_cast<std::uint64_t>(std::max(0, height));
    viewSize_.store(w << 32 | h, std::memory_order_relaxed);
}

void FrameSink::unlock(void* picture) {
    FrameRing::Writable writable;
    if (!ring_.beginUnlock(picture, &writable))
        return;
    const Source source = this->source();
    if (writable.layout.pitches[0] < source.width || writable.layout.lines[0] < source.height) {
        ring_.finishUnlock(picture, FrameRing::Outcome::Failed);
        return;
    }
    // The buffer holds the whole visible picture, so its shape only tells the
    // aspect ratio and the colour matrix.
    const bool known = source.shape.known();
    PictureInfo info;
    info.width = static_cast<int>(source.width);
    info.height = static_cast<int>(source.height);
    info.aspect = displayAspect(known ? source.shape.width : source.width,
                                known ? source.shape.height : source.height, source.shape.sarNum,
                                source.shape.sarDen);
    info.matrix = matrixForHeight(known ? source.shape.height : source.height);
    const std::uint64_t view = viewSize_.load(std::memory_order_relaxed);
    info.viewWidth = static_cast<int>(view >> 32);
    info.viewHeight = static_cast<int>(view & 0xffffffffu);

    // While paused, libvlc shows the current picture again every 80 ms: a copy
    // of the front, for a view of the same size, is not prepared and not shown,
    // so that a paused player costs next to nothing.
    if (FrameRing::Reader front = ring_.acquireIfLatest()) {
        const RgbPicture& shown = front.picture();
        if (shown.viewWidth == info.viewWidth && shown.viewHeight == info.viewHeight &&
            shown.aspect == info.aspect && front.layout() == writable.layout &&
            samePixels(front, writable.planes, source.width, source.height)) {
            ring_.finishUnlock(picture, FrameRing::Outcome::Repeat);
            return;
        }
    }

    bool prepared = false;
    if (preparer_ != nullptr) {
        std::lock_guard guard(prepareMutex_);
        prepared = preparer_->prepare(writable, info);
    }
    ring_.finishUnlock(picture,
                       prepared ? FrameRing::Outcome::Complete : FrameRing::Outcome::Failed);
}

void FrameSink::display(void* picture) {
    if (ring_.display(picture) && !noticePending_.exchange(true, std::memory_order_acq_rel) &&
        notify_)
        notify_();
}

} // namespace velmo
