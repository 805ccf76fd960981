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

#include "simulation/ZELAction.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zel_internal {

class EventQueue {
public:
    struct Key {
        std::int64_t sec;
        std::int32_t nsec;
        std::uint32_t slot;
    };
    static constexpr std::uint32_t kNotQueued = 0xFFFFFFFFu;

    EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;
    ~EventQueue();

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    const Key& top() const noexcept { return heap_[kOffset]; }

    /// A free slot holding `action` (not yet in the heap); may throw std::bad_alloc, and then
    /// nothing changed.
    std::uint32_t acquire(ZELAction&& action);
    /// Makes room for one more key, so that push cannot throw.
    void reserveOne();
    /// Puts slot `slot` in the heap under (sec, nsec, priority, sequence).
    void push(std::uint32_t slot, std::int64_t sec, std::int32_t nsec, int priority,
              std::uint64_t sequence) noexcept;
    /// Takes a queued slot out of the heap (the slot stays acquired).
    void remove(std::uint32_t slot) noexcept;
    /// Takes the first key out of the heap and returns its slot (still acquired).
    std::uint32_t popTop() noexcept;
    /// Frees an acquired slot that is not in the heap, moving its action into `out`.
    void release(std::uint32_t slot, ZELAction& out) noexcept;
    /// Frees every slot and destroys the actions.
    void clear() noexcept;

    bool valid(std::uint32_t slot, std::uint64_t generation) const noexcept {
        return slot < slots_.size() && slots_[slot].generation == generation;
    }
    bool queued(std::uint32_t slot) const noexcept { return slots_[slot].place != kNotQueued; }
    std::uint64_t generation(std::uint32_t slot) const noexcept {
        return slots_[slot].generation;
    }

private:
    struct Slot {
        std::uint64_t sequence;
        std::uint64_t generation;
        std::int32_t priority;
        std::uint32_t place;  // heap index; kNotQueued when not in the heap; next free when free
    };
    // Index of the root: the children of node i are 4i - 8 .. 4i - 5 (i >= 3), so that with the
    // root at 3 each family of four starts on a multiple of four keys (64 bytes).
    static constexpr std::size_t kOffset = 3;

    bool before(const Key& a, const Key& b) const noexcept {
        if (a.sec != b.sec) return a.sec < b.sec;
        if (a.nsec != b.nsec) return a.nsec < b.nsec;
        const Slot& x = slots_[a.slot];
        const Slot& y = slots_[b.slot];
        if (x.priority != y.priority) return x.priority < y.priority;
        return x.sequence < y.sequence;
    }
    void place(std::size_t index, const Key& key) noexcept {
        heap_[index] = key;
        slots_[key.slot].place = static_cast<std::uint32_t>(index);
    }
    void siftUp(std::size_t index, Key key) noexcept;
    void siftDown(std::size_t index, Key key) noexcept;
    void growHeap(std::size_t capacity);

    struct Free {
        void operator()(Key* p) const noexcept;
    };
    std::unique_ptr<Key[], Free> heap_;  // 64-byte aligned; kOffset unused keys first
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;  // keys after kOffset
    std::vector<Slot> slots_;
    std::vector<ZELAction> actions_;
    std::uint32_t freeHead_ = kNotQueued;
};

}  // namespace zel_internal

#endif
