#pragma once

// Where decoded pictures go. The engine calls these from its own video threads;
// an implementation owns the picture buffers and hands finished, due pictures to
// the GUI thread. Mirrors libvlc's video callbacks without naming libvlc types.

#include <functional>

namespace velmo {

// What the engine knows of the source picture beyond the buffer layout it
// proposes: the visible size and the sample aspect ratio. Zero where it does not
// know (yet).
struct PictureShape {
    unsigned width = 0;
    unsigned height = 0;
    unsigned sarNum = 0;
    unsigned sarDen = 0;

    bool known() const { return width > 0 && height > 0; }
};

// Asks the engine for the current PictureShape. Cheap enough to call once per
// picture, but not free (the engine allocates its track list).
using ShapeQuery = std::function<PictureShape()>;

class VideoSink {
public:
    virtual ~VideoSink() = default;

    // Set once per player, on the GUI thread, before the player starts; called
    // by the sink from the engine's video threads only.
    virtual void setShapeQuery(ShapeQuery query) = 0;

    // The engine proposes a chroma (4 characters) and its padded size; the sink
    // may change all of them, fills pitches and line counts of each plane and
    // returns the number of buffers it will provide, or 0 to refuse. May run
    // several times per media.
    virtual unsigned format(char chroma[4], unsigned* width, unsigned* height, unsigned pitches[3],
                            unsigned lines[3]) = 0;
    // Called when the engine's video output goes away.
    virtual void cleanup() = 0;
    // Gives the engine a buffer to write one picture into; returns a picture id.
    virtual void* lock(void* planes[3]) = 0;
    // The picture is complete (but not yet due).
    virtual void unlock(void* picture) = 0;
    // The picture is due to be shown now.
    virtual void display(void* picture) = 0;
};

} // namespace velmo
