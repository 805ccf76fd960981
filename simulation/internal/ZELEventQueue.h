// Internal to the library: not part of the public interface (installed only because the
// scheduler's header includes it); names may change in any release.
//
// The scheduler's future-event list: an indexed 4-ary min-heap of 16-byte keys (time as seconds
// and nanoseconds, and the event's slot), with a slot table beside it. A slot holds the event's
// priority and sequence number (read only when two times are equal), its place in the heap (so a
// cancelled event leaves the heap at once), a generation that changes whenever the slot is freed
// (so an old handle never names a later event in the same slot), and the action. Free slots form
// a list through their heap-place field. The heap is laid out so that the four children of a
// node share one 64-byte cache line.
#ifndef ZELMATH_SIMULATION_INTERNAL_ZELEVENTQUEUE_H
#define ZELMATH_SIMULATION_INTERNAL_ZELEVENTQUEUE_H

#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "simulation/ZELAction.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace zel_internal {

class EventQueue {
public:
    // The time as unsigned fields that order as the time does, and the slot: `high` holds the
    // seconds with the sign bit flipped, `low` the nanoseconds plus one second (positive) in its
    // upper half and the slot in its lower half. Two keys of different times compare as
    // (high, low), one 128-bit number.
    struct Key {
        std::uint64_t low;
        std::uint64_t high;
    };
    static constexpr std::uint32_t kNotQueued = 0xFFFFFFFFu;

    EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;
    ~EventQueue();

    /// The number of pending events.
    std::size_t size() const noexcept { return size_ - (stale_ ? 1 : 0); }
    bool empty() const noexcept { return size() == 0; }
    /// The time of the first event (the queue must not be empty). Both readers of the root
    /// settle first: a running action may step or run the scheduler itself, and then its own
    /// dead key is still at the root.
    ZELSimTime topTime() noexcept {
        settle();
        const Key& k = heap_[kOffset];
        return ZELSimTime(static_cast<std::int64_t>(k.high ^ kSignBit),
                          static_cast<int>(k.low >> 32) - ZELSimTime::NanosecondsPerSecond);
    }
    /// Whether the first event is due after `time` (the queue must not be empty).
    bool topAfter(const ZELSimTime& time) noexcept {
        settle();
        return bits(heap_[kOffset]) > bits(keyOf(time, 0xFFFFFFFFu));
    }

    /// A free slot holding `action` (not yet in the heap), with room for its key in the heap;
    /// may throw std::bad_alloc, and then nothing changed.
    std::uint32_t acquire(ZELAction& action) {
        if (size_ == capacity_) growHeap(capacity_ * 2);
        if (freeHead_ == kNotQueued) return acquireNew(action);
        const std::uint32_t slot = freeHead_;
        freeHead_ = places_[slot];
        places_[slot] = kNotQueued;
        actions_[slot] = std::move(action);
        return slot;
    }
    /// Puts an acquired slot in the heap under (sec, nsec, priority, sequence).
    /// Not before the running event's time while one runs.
    void push(std::uint32_t slot, const ZELSimTime& time, int priority,
              std::uint64_t sequence) noexcept {
        slots_[slot].priority = priority;
        slots_[slot].sequence = sequence;
        if (stale_) {
            // The running event's key still sits at the root and nothing is due before the new
            // one: the new key takes the root's place (one sift instead of a removal and an
            // insertion; in the hold model every action schedules one event like this).
            stale_ = false;
            replaceRoot(keyOf(time, slot), kOffset + size_);
            return;
        }
        ++size_;
        siftUp(kOffset + size_ - 1, keyOf(time, slot));
    }
    /// Takes a queued slot out of the heap (the slot stays acquired).
    void remove(std::uint32_t slot) noexcept {
        settle();
        const std::size_t index = places_[slot];
        places_[slot] = kNotQueued;
        const std::size_t lastIndex = kOffset + size_ - 1;
        --size_;
        if (index == lastIndex) return;
        const Key moved = heap_[lastIndex];
        if (index > kOffset && before(moved, heap_[index / 4 + 2]))
            siftUp(index, moved);
        else
            siftDown(index, moved);
    }
    /// Takes the first event for running and returns its slot (still acquired). Its key stays
    /// at the root, dead, until the next push replaces it or settle() removes it.
    std::uint32_t takeTop() noexcept {
        settle();
        const std::uint32_t slot = slotOf(heap_[kOffset]);
        places_[slot] = kNotQueued;
        stale_ = true;
        return slot;
    }
    /// Removes the running event's dead key, if it is still there.
    void settle() noexcept {
        if (stale_) {
            stale_ = false;
            dropRoot();
        }
    }
    /// Frees an acquired slot that is not in the heap, moving its action into `out`.
    void release(std::uint32_t slot, ZELAction& out) noexcept {
        out = std::move(actions_[slot]);
        ++slots_[slot].generation;
        places_[slot] = freeHead_;
        freeHead_ = slot;
    }
    /// Frees every slot and destroys the actions.
    void clear() noexcept;

    bool valid(std::uint32_t slot, std::uint64_t generation) const noexcept {
        return slot < slots_.size() && slots_[slot].generation == generation;
    }
    bool queued(std::uint32_t slot) const noexcept { return places_[slot] != kNotQueued; }
    std::uint64_t generation(std::uint32_t slot) const noexcept { return slots_[slot].generation; }

private:
    // What the heap reads only on equal times, and the generation.
    struct Slot {
        std::uint64_t sequence;
        std::uint64_t generation;
        std::int64_t priority;
    };
    // Index of the root: the children of node i are 4i - 8 .. 4i - 5 (i >= 3), so that with the
    // root at 3 each family of four starts on a multiple of four keys (64 bytes).
    static constexpr std::size_t kOffset = 3;
    // Heaps of more keys than this (64 KiB) outgrow the first-level cache: sifts fetch ahead.
    static constexpr std::size_t kPrefetchFrom = 4096;

    static constexpr std::uint64_t kSignBit = std::uint64_t(1) << 63;
    __extension__ typedef unsigned __int128 Bits;

    static Key keyOf(const ZELSimTime& time, std::uint32_t slot) noexcept {
        const auto nsec =
            static_cast<std::uint32_t>(time.nanoseconds() + ZELSimTime::NanosecondsPerSecond);
        return Key{(std::uint64_t(nsec) << 32) | slot,
                   static_cast<std::uint64_t>(time.wholeSeconds()) ^ kSignBit};
    }
    static std::uint32_t slotOf(const Key& k) noexcept { return static_cast<std::uint32_t>(k.low); }
    static Bits bits(const Key& k) noexcept { return (Bits(k.high) << 64) | k.low; }
    static bool sameTime(const Key& a, const Key& b) noexcept {
        return ((a.high ^ b.high) | ((a.low ^ b.low) >> 32)) == 0;
    }

    // Equal times are rare in most models and then need the slots; otherwise the comparison
    // is one flag, which keeps the choice among four children free of branches.
    bool before(const Key& a, const Key& b) const noexcept {
        if (__builtin_expect(!sameTime(a, b), 1)) return bits(a) < bits(b);
        return tieBefore(a, b);
    }
    bool tieBefore(const Key& a, const Key& b) const noexcept {
        const Slot& x = slots_[slotOf(a)];
        const Slot& y = slots_[slotOf(b)];
        if (x.priority != y.priority) return x.priority < y.priority;
        return x.sequence < y.sequence;
    }
    void place(std::size_t index, const Key& key) noexcept {
        heap_[index] = key;
        places_[slotOf(key)] = static_cast<std::uint32_t>(index);
    }
    void siftUp(std::size_t index, Key key) noexcept {
        while (index > kOffset) {
            const std::size_t parent = index / 4 + 2;
            if (!before(key, heap_[parent])) break;
            place(index, heap_[parent]);
            index = parent;
        }
        place(index, key);
    }
    // A value the compiler cannot see through, so that arithmetic on a comparison flag is not
    // turned back into a branch.
    static std::size_t opaque(std::size_t x) noexcept {
        __asm__("" : "+r"(x));
        return x;
    }
    // The smallest of the children starting at `first` (before `end`). With four children of
    // different times the choice is arithmetic on comparison flags, free of branches that a
    // random heap would mispredict; equal times take the full comparison.
    std::size_t smallestChild(std::size_t first, std::size_t end) const noexcept {
        const Key* c = &heap_[first];
        if (__builtin_expect(first + 4 <= end, 1) && !sameTime(c[0], c[1]) &&
            !sameTime(c[2], c[3])) {
            const std::size_t a = opaque(static_cast<std::size_t>(bits(c[1]) < bits(c[0])));
            const std::size_t b = 2 + opaque(static_cast<std::size_t>(bits(c[3]) < bits(c[2])));
            if (__builtin_expect(!sameTime(c[a], c[b]), 1)) {
                const std::size_t takeB = opaque(static_cast<std::size_t>(bits(c[b]) < bits(c[a])));
                return first + a + ((b - a) & (0 - takeB));
            }
        }
        std::size_t best = first;
        const std::size_t last = first + 4 < end ? first + 4 : end;
        for (std::size_t i = first + 1; i < last; ++i)
            if (before(heap_[i], heap_[best])) best = i;
        return best;
    }
    void siftDown(std::size_t index, Key key) noexcept {
        const std::size_t end = kOffset + size_;
        for (;;) {
            const std::size_t first = 4 * index - 8;
            if (first >= end) break;
            const std::size_t best = smallestChild(first, end);
            if (!before(heap_[best], key)) break;
            place(index, heap_[best]);
            index = best;
        }
        place(index, key);
    }
    // Removes the root key. The hole goes down along the smaller children to the bottom and
    // the last key climbs from there: it nearly always belongs near the bottom, which saves a
    // comparison per level over sifting it down from the root.
    void dropRoot() noexcept {
        const std::size_t lastIndex = kOffset + size_ - 1;
        --size_;
        if (lastIndex != kOffset) replaceRoot(heap_[lastIndex], lastIndex);
    }
    // Puts `key` at the root of the keys before `end` (the root's key is gone).
    void replaceRoot(const Key key, std::size_t end) noexcept {
        std::size_t hole = kOffset;
        for (;;) {
            const std::size_t first = 4 * hole - 8;
            if (first >= end) break;
            // The grandchildren: four lines in a row, fetched while the children are compared.
            const std::size_t next = 4 * first - 8;
            if (end > kPrefetchFrom && next < end)
                for (std::size_t line = 0; line < 16; line += 4)
                    __builtin_prefetch(&heap_[next + line]);
            const std::size_t best = smallestChild(first, end);
            place(hole, heap_[best]);
            hole = best;
        }
        siftUp(hole, key);
    }
    void growHeap(std::size_t capacity);
    std::uint32_t acquireNew(ZELAction& action);

    struct Free {
        void operator()(Key* p) const noexcept;
    };
    std::unique_ptr<Key[], Free> heap_;  // 64-byte aligned; kOffset unused keys first
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;  // keys after kOffset
    std::vector<Slot> slots_;
    // Per slot: its heap index, kNotQueued when not in the heap, the next free slot when free.
    // Apart from the slots, so that the writes of every heap move stay in a small array.
    std::vector<std::uint32_t> places_;
    std::vector<ZELAction> actions_;
    std::uint32_t freeHead_ = kNotQueued;
    bool stale_ = false;  // the root is the running event's dead key
};

}  // namespace zel_internal

#endif
