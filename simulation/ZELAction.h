/// \class ZELAction
/// ZELAction: an event's action, any callable `void()` (a lambda, a function, an object), held by
/// value.
///
/// A callable of at most `InlineSize` bytes whose move cannot throw is stored inside the action
/// itself: scheduling it allocates nothing. A larger one is moved to the heap once, when the
/// action is made. An action is move-only (the callable may be move-only too); moving it moves
/// the callable (a plain copy of the bytes for trivially copyable callables). A null function
/// pointer or an empty std::function gives an empty action, as does the default constructor.
#ifndef ZELMATH_SIMULATION_ZELACTION_H
#define ZELMATH_SIMULATION_ZELACTION_H

/// \addtogroup simulation
/// @{

#include <cstddef>
#include <cstring>
#include <functional>
#include <new>
#include <type_traits>
#include <utility>

class ZELAction {
public:
    /// The largest callable stored without a heap allocation, in bytes.
    static constexpr std::size_t InlineSize = 32;

    ZELAction() noexcept = default;
    ZELAction(std::nullptr_t) noexcept {}  // NOLINT(google-explicit-constructor)

    /// Takes the callable (implicit, so a lambda stands wherever an action is expected).
    template <class F, class D = std::decay_t<F>,
              class = std::enable_if_t<!std::is_same<D, ZELAction>::value &&
                                       std::is_invocable_r<void, D&>::value>>
    ZELAction(F&& f) {  // NOLINT(google-explicit-constructor)
        if (isNull_(f)) return;
        if constexpr (fitsInline_<D>()) {
            ::new (static_cast<void*>(buffer_)) D(std::forward<F>(f));
            ops_ = &inlineOps_<D>;
        } else {
            D* held = new D(std::forward<F>(f));
            std::memcpy(buffer_, &held, sizeof held);
            ops_ = &heapOps_<D>;
        }
    }

    ZELAction(ZELAction&& other) noexcept { take_(other); }
    ZELAction& operator=(ZELAction&& other) noexcept {
        if (this != &other) {
            reset();
            take_(other);
        }
        return *this;
    }
    ZELAction(const ZELAction&) = delete;
    ZELAction& operator=(const ZELAction&) = delete;
    ~ZELAction() { reset(); }

    /// Whether a callable is held.
    explicit operator bool() const noexcept { return ops_ != nullptr; }
    /// Whether the callable lives inside the action (no heap allocation).
    bool isInline() const noexcept { return ops_ != nullptr && ops_->inlined; }

    /// Calls the callable; an empty action must not be called.
    void operator()() { ops_->invoke(buffer_); }

    /// Destroys the callable; the action is empty afterwards.
    void reset() noexcept {
        if (ops_ != nullptr) {
            if (ops_->destroy != nullptr) ops_->destroy(buffer_);
            ops_ = nullptr;
        }
    }

private:
    struct Ops {
        void (*invoke)(void* self);
        // Moves the callable from `from` to `to` and ends `from`; null: copy the bytes.
        void (*relocate)(void* to, void* from) noexcept;
        // Null: nothing to do.
        void (*destroy)(void* self) noexcept;
        bool inlined;
    };

    template <class D>
    static constexpr bool fitsInline_() {
        return sizeof(D) <= InlineSize && alignof(D) <= alignof(std::max_align_t) &&
            std::is_nothrow_move_constructible<D>::value;
    }

    template <class D>
    static bool isNull_(const D& f) noexcept {
        if constexpr (std::is_pointer<D>::value || std::is_member_pointer<D>::value)
            return f == nullptr;
        else if constexpr (std::is_same<D, std::function<void()>>::value)
            return !f;
        else
            return false;
    }

    template <class D>
    static void invokeInline_(void* self) {
        (*static_cast<D*>(self))();
    }
    template <class D>
    static void relocateInline_(void* to, void* from) noexcept {
        D* source = static_cast<D*>(from);
        ::new (to) D(std::move(*source));
        source->~D();
    }
    template <class D>
    static void destroyInline_(void* self) noexcept {
        static_cast<D*>(self)->~D();
    }
    template <class D>
    static D* held_(void* self) noexcept {
        D* held;
        std::memcpy(&held, self, sizeof held);
        return held;
    }
    template <class D>
    static void invokeHeap_(void* self) {
        (*held_<D>(self))();
    }
    template <class D>
    static void destroyHeap_(void* self) noexcept {
        delete held_<D>(self);
    }

    template <class D>
    static constexpr Ops inlineOps_{
        &invokeInline_<D>, std::is_trivially_copyable<D>::value ? nullptr : &relocateInline_<D>,
        std::is_trivially_destructible<D>::value ? nullptr : &destroyInline_<D>, true};
    template <class D>
    static constexpr Ops heapOps_{&invokeHeap_<D>, nullptr, &destroyHeap_<D>, false};

    void take_(ZELAction& other) noexcept {
        ops_ = other.ops_;
        if (ops_ == nullptr) return;
        if (ops_->relocate != nullptr)
            ops_->relocate(buffer_, other.buffer_);
        else
            std::memcpy(buffer_, other.buffer_, InlineSize);
        other.ops_ = nullptr;
    }

    alignas(std::max_align_t) unsigned char buffer_[InlineSize];
    const Ops* ops_ = nullptr;
};

/// @}

#endif
