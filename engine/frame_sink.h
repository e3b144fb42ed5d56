#pragma once

// The VideoSink the video view hands to the engine: it answers the engine's
// format with planar I420 at the picture's visible size, has each complete
// picture prepared for the view's presenter on the engine's thread (at unlock;
// the raster presenter converts it to RGB at the view's size), and publishes it
// to the GUI thread when it is due.

#include "engine/frame_convert.h"
#include "engine/frame_ring.h"
#include "engine/video_sink.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace velmo {

// What is known of a complete picture when it is prepared.
struct PictureInfo {
    int width = 0; // of the engine's buffer, which holds the whole visible picture
    int height = 0;
    double aspect = 0; // as it is meant to be seen, width over height
    ColourMatrix matrix = ColourMatrix::Bt601;
    int viewWidth = 0; // device pixels; zero while the view has no size
    int viewHeight = 0;
};

// Makes, from a complete picture, what the presenter will draw; runs on the
// engine's thread, one picture at a time. `picture.output` belongs to the
// picture's slot and is the presenter's to fill (and must record `info`'s view
// size and aspect). False drops the picture.
class PicturePreparer {
public:
    virtual ~PicturePreparer() = default;
    virtual bool prepare(const FrameRing::Writable& picture, const PictureInfo& info) = 0;
};

class FrameSink final : public VideoSink {
public:
    // `notify` runs on the engine's thread when a picture has become due and no
    // earlier notice is still pending (see noticeTaken); it must only post.
    // `preparer` must outlive the sink.
    FrameSink(std::function<void()> notify, PicturePreparer* preparer, unsigned engineBuffers = 3);
    ~FrameSink() override;

    void setShapeQuery(ShapeQuery query) override;
    unsigned format(char chroma[4], unsigned* width, unsigned* height, unsigned pitches[3],
                    unsigned lines[3]) override;
    void cleanup() override;
    void* lock(void* planes[3]) override;
    void unlock(void* picture) override;
    void display(void* picture) override;

    // GUI side. The view's size in device pixels; zero while it has none, and
    // pictures then keep the source's size.
    void setViewSize(int width, int height);
    // The GUI has taken the pending notice: the next due picture notifies again.
    // Call before reading the picture, so that none published meanwhile is missed.
    void noticeTaken() { noticePending_.store(false, std::memory_order_release); }
    FrameRing::Reader current() { return ring_.acquire(); }
    void clear() { ring_.clear(); }
    const FrameRing& ring() const { return ring_; }

private:
    struct Source {
        unsigned width = 0; // of the buffers, as answered to the engine
        unsigned height = 0;
        PictureShape shape;
    };
    Source source();

    std::function<void()> notify_;
    unsigned engineBuffers_;
    FrameRing ring_;

    std::mutex sourceMutex_; // guards query_ and source_
    ShapeQuery query_;
    Source source_;

    std::mutex prepareMutex_; // one picture at a time, whatever thread unlocks
    PicturePreparer* preparer_;

    std::atomic<std::uint64_t> viewSize_{0}; // width << 32 | height
    std::atomic<bool> noticePending_{false};
};

} // namespace velmo
