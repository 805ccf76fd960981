#include "simulation/internal/ZELEventQueue.h"

#include <cstdlib>
#include <limits>
#include <new>
#include <utility>

namespace zel_internal {

void EventQueue::Free::operator()(Key* p) const noexcept { std::free(p); }

EventQueue::EventQueue() { growHeap(60); }

EventQueue::~EventQueue() = default;

void EventQueue::growHeap(std::size_t capacity) {
    if (capacity > std::numeric_limits<std::uint32_t>::max() - 2 * kOffset) throw std::bad_alloc();
    // Rounded so that the allocation is a whole number of 64-byte lines.
    const std::size_t keys = (kOffset + capacity + 3) / 4 * 4;
    void* memory = std::aligned_alloc(64, keys * sizeof(Key));
    if (memory == nullptr) throw std::bad_alloc();
    Key* fresh = static_cast<Key*>(memory);
    if (heap_) {
        for (std::size_t i = kOffset; i < kOffset + size_; ++i) fresh[i] = heap_[i];
    }
    heap_.reset(fresh);
    capacity_ = keys - kOffset;
}

std::uint32_t EventQueue::acquireNew(ZELAction& action) {
    if (slots_.size() >= kNotQueued - 1) throw std::bad_alloc();
    // Generation 1 first: a handle never holds generation 0 here.
    // Room first in all three tables, so that the appends below cannot throw.
    if (slots_.size() == slots_.capacity() || places_.size() == places_.capacity() ||
        actions_.size() == actions_.capacity()) {
        const std::size_t room = 2 * slots_.size() + 16;
        slots_.reserve(room);
        places_.reserve(room);
        actions_.reserve(room);
    }
    slots_.push_back(Slot{0, 1, 0});
    places_.push_back(kNotQueued);
    actions_.push_back(std::move(action));
    return static_cast<std::uint32_t>(slots_.size() - 1);
}

void EventQueue::clear() noexcept {
    // Every slot holding an action is acquired: queued, or taken out by a caller that has not
    // released it yet (the scheduler releases before it runs an action, so none is). The heap
    // is emptied first, so that an action's destructor that looks at the scheduler sees it empty.
    size_ = 0;
    stale_ = false;
    for (std::uint32_t slot = 0; slot < slots_.size(); ++slot) {
        if (!actions_[slot]) continue;
        places_[slot] = kNotQueued;
        ZELAction gone;
        release(slot, gone);
    }
}

}  // namespace zel_internal
