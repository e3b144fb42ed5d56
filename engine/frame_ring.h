#pragma once

// The pictures in flight between the engine's video thread and the GUI thread.
//
// libvlc asks for a buffer (lock), fills it, says it is complete (unlock) and,
// later, that it is due (display). A picture complete but not yet due must not
// be shown, and a buffer the GUI may still be painting must not be handed back
// to the engine. Each slot holds the engine's planar buffer and the converted
// RGB picture made from it; one mutex guards the slot states, never the pixels:
// a slot's pixels are written only while the engine owns it and read only while
// the GUI has it pinned, and the two never overlap.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace velmo {

// A heap buffer aligned for SIMD copies and conversions.
class AlignedBuffer {
public:
    static constexpr std::size_t kAlignment = 64;

    std::uint8_t* data() { return data_.get(); }
    const std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    // Keeps the contents only when the size does not change.
    void resize(std::size_t size);

private:
    struct Free {
        void operator()(std::uint8_t* p) const {
            ::operator delete[](p, std::align_val_t{kAlignment});
        }
    };
    std::unique_ptr<std::uint8_t[], Free> data_;
    std::size_t size_ = 0;
};

// Byte layout of one planar picture: each plane starts where the one before it
// ends, and each is `pitches[i] * lines[i]` bytes.
struct PlaneLayout {
    unsigned pitches[3] = {0, 0, 0};
    unsigned lines[3] = {0, 0, 0};

    std::size_t offset(int plane) const;
    std::size_t bytes() const { return offset(3); }
    bool operator==(const PlaneLayout&) const = default;
};

// A converted picture, 32-bit xRGB in native byte order (QImage::Format_RGB32),
// with what it was made for.
struct RgbPicture {
    AlignedBuffer pixels;
    int width = 0;
    int height = 0;
    int stride = 0;
    // The view size, in device pixels, the picture was scaled for; zero when the
    // picture has the source's own size.
    int viewWidth = 0;
    int viewHeight = 0;
    // Width over height of the source picture as it is meant to be seen.
    double aspect = 0;
};

class FrameRing {
public:
    enum class State {
        Free,       // the ring's; may be pinned by the GUI as an earlier front
        Writing,    // handed to the engine by lock
        Converting, // unlocked, being converted by the engine's thread
        Decoded,    // complete, not yet due
        Due,        // the front: the latest due picture, the one the GUI shows
    };

    // What the engine's thread may write between lock and the end of unlock.
    struct Writable {
        std::uint8_t* planes[3] = {nullptr, nullptr, nullptr};
        PlaneLayout layout;
        RgbPicture* output = nullptr;
    };

    // Reads the front picture; pins its slot until destroyed.
    class Reader {
    public:
        Reader() = default;
        Reader(Reader&& other) noexcept;
        Reader& operator=(Reader&& other) noexcept;
        Reader(const Reader&) = delete;
        Reader& operator=(const Reader&) = delete;
        ~Reader() { release(); }

        explicit operator bool() const { return ring_ != nullptr; }
        const RgbPicture& picture() const { return *picture_; }
        // The engine's picture it was made from (kept while pinned).
        const std::uint8_t* plane(int i) const { return planes_[i]; }
        const PlaneLayout& layout() const { return layout_; }
        // Which picture this is: increases with every lock.
        std::uint64_t sequence() const { return sequence_; }
        int slot() const { return slot_; }
        void release();

    private:
        friend class FrameRing;
        FrameRing* ring_ = nullptr;
        const RgbPicture* picture_ = nullptr;
        const std::uint8_t* planes_[3] = {nullptr, nullptr, nullptr};
        PlaneLayout layout_;
        std::uint64_t sequence_ = 0;
        int slot_ = -1;
    };

    // `buffers` buffers to start with; more are made, up to `maxSlots`, when all are
    // busy. Past that, lock hands out a scratch buffer whose picture is dropped.
    explicit FrameRing(std::size_t buffers = 5, std::size_t maxSlots = 12);
    ~FrameRing();
    FrameRing(const FrameRing&) = delete;
    FrameRing& operator=(const FrameRing&) = delete;

    // Engine side. Buffers handed out from now on follow `layout`.
    void setLayout(const PlaneLayout& layout);
    // Never fails and never returns null.
    void* lock(std::uint8_t* planes[3]);
    // Starts the unlock of `id`: the engine's thread may now convert the picture.
    // False for the scratch buffer or an id the ring no longer knows.
    bool beginUnlock(void* id, Writable* writable);
    enum class Outcome {
        Complete, // to be shown when due
        Failed,   // could not be converted: dropped
        Repeat,   // the same as the front: nothing new to show, not a loss
    };
    // Ends the unlock of `id`.
    void finishUnlock(void* id, Outcome outcome = Outcome::Complete);
    // The picture of `id` is due. True when it became the front (the GUI should
    // repaint); false for a picture that was never completed or was dropped.
    bool display(void* id);
    // The engine's output went away: what it held is dropped, the front stays.
    void abandon();

    // GUI side.
    Reader acquire();
    // Engine side: the front, unless a complete picture is waiting to be due
    // after it (then a new picture is to be compared with that one, not the front).
    Reader acquireIfLatest();
    void clear(); // no front any more: the view goes black

    // For tests and diagnostics.
    std::size_t slotCount() const;
    State state(std::size_t slot) const;
    int pins(std::size_t slot) const;
    std::uint64_t dropped() const; // pictures completed or written but never shown
    static int slotOf(void* id);   // -1 for the scratch buffer

private:
    struct Slot;
    void unpin(int slot);
    Reader pinFront(); // with mutex_ held
    // With mutex_ held; null when unknown or (unless anyGeneration) stale.
    Slot* find(void* id, bool anyGeneration = false);
    void dropLocked(Slot& slot);

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::size_t maxSlots_;
    PlaneLayout layout_;
    AlignedBuffer scratch_;
    std::uint64_t nextSequence_ = 1;
    std::uint64_t dropped_ = 0;
    int front_ = -1;
};

} // namespace velmo
