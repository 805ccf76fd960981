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

void EventQueue::reserveOne() {
    if (size_ == capacity_) {
        if (size_ >= std::numeric_limits<std::uint32_t>::max() - 2 * kOffset)
            throw std::bad_alloc();
        growHeap(capacity_ * 2);
    }
}

std::uint32_t EventQueue::acquire(ZELAction&& action) {
    if (freeHead_ != kNotQueued) {
        const std::uint32_t slot = freeHead_;
        freeHead_ = slots_[slot].place;
        slots_[slot].place = kNotQueued;
        actions_[slot] = std::move(action);
        return slot;
    }
    if (slots_.size() >= kNotQueued - 1) throw std::bad_alloc();
    // Generation 1 first: a handle never holds generation 0 here.
    slots_.push_back(Slot{0, 1, 0, kNotQueued});
    try {
        actions_.push_back(std::move(action));
    } catch (...) {
        slots_.pop_back();
        throw;
    }
    return static_cast<std::uint32_t>(slots_.size() - 1);
}

void EventQueue::push(std::uint32_t slot, std::int64_t sec, std::int32_t nsec, int priority,
                      std::uint64_t sequence) noexcept {
    slots_[slot].priority = priority;
    slots_[slot].sequence = sequence;
    ++size_;
    siftUp(kOffset + size_ - 1, Key{sec, nsec, slot});
}

void EventQueue::siftUp(std::size_t index, Key key) noexcept {
    while (index > kOffset) {
        const std::size_t parent = index / 4 + 2;
        if (!before(key, heap_[parent])) break;
        place(index, heap_[parent]);
        index = parent;
    }
    place(index, key);
}

void EventQueue::siftDown(std::size_t index, Key key) noexcept {
    const std::size_t end = kOffset + size_;
    for (;;) {
        const std::size_t first = 4 * index - 8;
        if (first >= end) break;
        std::size_t best = first;
        const std::size_t last = first + 4 < end ? first + 4 : end;
        for (std::size_t c = first + 1; c < last; ++c)
            if (before(heap_[c], heap_[best])) best = c;
        if (!before(heap_[best], key)) break;
        place(index, heap_[best]);
        index = best;
    }
    place(index, key);
}

void EventQueue::remove(std::uint32_t slot) noexcept {
    const std::size_t index = slots_[slot].place;
    slots_[slot].place = kNotQueued;
    const std::size_t lastIndex = kOffset + size_ - 1;
    --size_;
    if (index == lastIndex) return;
    const Key moved = heap_[lastIndex];
    if (index > kOffset && before(moved, heap_[index / 4 + 2]))
        siftUp(index, moved);
    else
        siftDown(index, moved);
}

std::uint32_t EventQueue::popTop() noexcept {
    const std::uint32_t slot = heap_[kOffset].slot;
    remove(slot);
    return slot;
}

void EventQueue::release(std::uint32_t slot, ZELAction& out) noexcept {
    out = std::move(actions_[slot]);
    Slot& s = slots_[slot];
    ++s.generation;
    s.place = freeHead_;
    freeHead_ = slot;
}

void EventQueue::clear() noexcept {
    // Every slot holding an action is acquired: queued, or taken out by a caller that has not
    // released it yet (the scheduler releases before it runs an action, so none is). The heap
    // is emptied first, so that an action's destructor that looks at the scheduler sees it empty.
    size_ = 0;
    for (std::uint32_t slot = 0; slot < slots_.size(); ++slot) {
        if (!actions_[slot]) continue;
        slots_[slot].place = kNotQueued;
        ZELAction gone;
        release(slot, gone);
    }
}

}  // namespace zel_internal
