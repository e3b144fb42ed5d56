#pragma once

// Where decoded pictures go. The engine calls these from its own video threads;
// an implementation owns the picture buffers and hands finished, due pictures to
// the GUI thread. Mirrors libvlc's video callbacks without naming libvlc types.

namespace velmo {

class VideoSink {
public:
    virtual ~VideoSink() = default;

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
