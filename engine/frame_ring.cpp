#include "engine/frame_ring.h"

#include <algorithm>
#include <cassert>
#include <iterator>

namespace velmo {

namespace {

// A picture id carries its slot and the slot's generation at lock time, so that
// an id from before a drop or an abandon is recognised and ignored. The low byte
// is the slot plus one; 0xff marks the scratch buffer.
constexpr std::uintptr_t kScratchId = 0xff;

void* makeId(std::size_t slot, std::uint64_t generation) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>((generation << 8) | (slot + 1)));
}

std::size_t alignUp(std::size_t n) {
    return (n + AlignedBuffer::kAlignment - 1) / AlignedBuffer::kAlignment *
           AlignedBuffer::kAlignment;
}

} // namespace

void AlignedBuffer::resize(std::size_t size) {
    if (size == size_)
        return;
    data_.reset(size == 0 ? nullptr
                          : static_cast<std::uint8_t*>(
                                ::operator new[](alignUp(size), std::align_val_t{kAlignment})));
    size_ = size;
}

std::size_t PlaneLayout::offset(int plane) const {
    std::size_t offset = 0;
    for (int i = 0; i < plane && i < 3; ++i)
        offset += alignUp(std::size_t{pitches[i]} * lines[i]);
    return offset;
}

struct FrameRing::Slot {
    State state = State::Free;
    int pins = 0;
    std::uint64_t generation = 0;
    std::uint64_t sequence = 0;
    PlaneLayout layout;
    AlignedBuffer planes;
    RgbPicture picture;
};

FrameRing::FrameRing(std::size_t buffers, std::size_t maxSlots)
    : maxSlots_(std::max<std::size_t>(1, std::min<std::size_t>(maxSlots, 254))) {
    for (std::size_t i = 0; i < std::min(buffers, maxSlots_); ++i)
        slots_.push_back(std::make_unique<Slot>());
}

FrameRing::~FrameRing() = default;

void FrameRing::setLayout(const PlaneLayout& layout) {
    std::lock_guard guard(mutex_);
    layout_ = layout;
}

void* FrameRing::lock(std::uint8_t* planes[3]) {
    std::lock_guard guard(mutex_);
    Slot* slot = nullptr;
    std::size_t index = 0;
    for (; index < slots_.size(); ++index) {
        if (slots_[index]->state == State::Free && slots_[index]->pins == 0) {
            slot = slots_[index].get();
            break;
        }
    }
    if (slot == nullptr && slots_.size() < maxSlots_) {
        slots_.push_back(std::make_unique<Slot>());
        index = slots_.size() - 1;
        slot = slots_.back().get();
    }
    if (slot == nullptr) {
        // Every buffer is the engine's or the GUI's. Blocking here could wait on
        // a GUI thread that is itself waiting for the engine to stop, so the
        // engine writes into a buffer nobody reads and the picture is lost.
        scratch_.resize(std::max(layout_.bytes(), AlignedBuffer::kAlignment));
        for (int i = 0; i < 3; ++i)
            planes[i] = scratch_.data() + layout_.offset(i);
        ++dropped_;
        return reinterpret_cast<void*>(kScratchId);
    }
    // Never null planes, even before the engine said what it wants.
    const std::size_t bytes = std::max(layout_.bytes(), AlignedBuffer::kAlignment);
    if (!(slot->layout == layout_) || slot->planes.size() != bytes) {
        slot->planes.resize(bytes);
        slot->layout = layout_;
    }
    slot->state = State::Writing;
    slot->generation++;
    slot->sequence = nextSequence_++;
    for (int i = 0; i < 3; ++i)
        planes[i] = slot->planes.data() + slot->layout.offset(i);
    return makeId(index, slot->generation);
}

FrameRing::Slot* FrameRing::find(void* id, bool anyGeneration) {
    const auto value = reinterpret_cast<std::uintptr_t>(id);
    const int index = slotOf(id);
    if (index < 0 || static_cast<std::size_t>(index) >= slots_.size())
        return nullptr;
    Slot* slot = slots_[index].get();
    return anyGeneration || slot->generation == (value >> 8) ? slot : nullptr;
}

int FrameRing::slotOf(void* id) {
    const auto low = reinterpret_cast<std::uintptr_t>(id) & 0xff;
    return low == kScratchId || low == 0 ? -1 : static_cast<int>(low) - 1;
}

bool FrameRing::beginUnlock(void* id, Writable* writable) {
    std::lock_guard guard(mutex_);
    Slot* slot = find(id);
    if (slot == nullptr || slot->state != State::Writing)
        return false;
    slot->state = State::Converting;
    for (int i = 0; i < 3; ++i)
        writable->planes[i] = slot->planes.data() + slot->layout.offset(i);
    writable->layout = slot->layout;
    writable->output = &slot->picture;
    return true;
}

void FrameRing::finishUnlock(void* id, Outcome outcome) {
    std::lock_guard guard(mutex_);
    Slot* slot = find(id, true);
    if (slot == nullptr || slot->state != State::Converting)
        return;
    if (find(id) == nullptr) {
        // Abandoned while its picture was being converted; counted then.
        slot->state = State::Free;
        return;
    }
    slot->state = outcome == Outcome::Complete ? State::Decoded : State::Free;
    if (outcome == Outcome::Failed)
        ++dropped_;
}

void FrameRing::dropLocked(Slot& slot) {
    slot.state = State::Free;
    slot.generation++;
    ++dropped_;
}

bool FrameRing::display(void* id) {
    std::lock_guard guard(mutex_);
    Slot* slot = find(id);
    if (slot == nullptr || slot->state != State::Decoded)
        return false;
    if (front_ >= 0)
        slots_[front_]->state = State::Free;
    // The engine shows pictures in order: one completed before this one and not
    // shown yet never will be.
    for (auto& other : slots_) {
        if (other.get() != slot && other->state == State::Decoded &&
            other->sequence < slot->sequence)
            dropLocked(*other);
    }
    slot->state = State::Due;
    front_ = slotOf(id);
    return true;
}

void FrameRing::abandon() {
    std::lock_guard guard(mutex_);
    for (auto& slot : slots_) {
        switch (slot->state) {
        case State::Writing:
        case State::Decoded:
            dropLocked(*slot);
            break;
        case State::Converting:
            // The engine's thread is still converting into it: the slot stays
            // out of reach until finishUnlock finds its id stale and frees it.
            slot->generation++;
            ++dropped_;
            break;
        case State::Free:
        case State::Due:
            break;
        }
    }
}

FrameRing::Reader FrameRing::acquire() {
    std::lock_guard guard(mutex_);
    return pinFront();
}

FrameRing::Reader FrameRing::acquireIfLatest() {
    std::lock_guard guard(mutex_);
    for (const auto& slot : slots_) {
        if (slot->state == State::Decoded)
            return {};
    }
    return pinFront();
}

FrameRing::Reader FrameRing::pinFront() {
    Reader reader;
    if (front_ < 0)
        return reader;
    Slot& slot = *slots_[front_];
    slot.pins++;
    reader.ring_ = this;
    reader.picture_ = &slot.picture;
    for (int i = 0; i < 3; ++i)
        reader.planes_[i] = slot.planes.data() + slot.layout.offset(i);
    reader.layout_ = slot.layout;
    reader.sequence_ = slot.sequence;
    reader.slot_ = front_;
    return reader;
}

void FrameRing::unpin(int index) {
    std::lock_guard guard(mutex_);
    assert(slots_[index]->pins > 0);
    slots_[index]->pins--;
}

void FrameRing::clear() {
    std::lock_guard guard(mutex_);
    if (front_ >= 0)
        slots_[front_]->state = State::Free;
    front_ = -1;
}

std::size_t FrameRing::slotCount() const {
    std::lock_guard guard(mutex_);
    return slots_.size();
}

FrameRing::State FrameRing::state(std::size_t slot) const {
    std::lock_guard guard(mutex_);
    return slots_.at(slot)->state;
}

int FrameRing::pins(std::size_t slot) const {
    std::lock_guard guard(mutex_);
    return slots_.at(slot)->pins;
}

std::uint64_t FrameRing::dropped() const {
    std::lock_guard guard(mutex_);
    return dropped_;
}

FrameRing::Reader::Reader(Reader&& other) noexcept
    : ring_(other.ring_), picture_(other.picture_), sequence_(other.sequence_), slot_(other.slot_) {
    other.ring_ = nullptr;
}

FrameRing::Reader& FrameRing::Reader::operator=(Reader&& other) noexcept {
    if (this != &other) {
        release();
        ring_ = other.ring_;
        picture_ = other.picture_;
        std::copy(std::begin(other.planes_), std::end(other.planes_), planes_);
        layout_ = other.layout_;
        sequence_ = other.sequence_;
        slot_ = other.slot_;
        other.ring_ = nullptr;
    }
    return *this;
}

void FrameRing::Reader::release() {
    if (ring_ != nullptr)
        ring_->unpin(slot_);
    ring_ = nullptr;
    picture_ = nullptr;
}

} // namespace velmo
