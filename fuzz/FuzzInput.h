// Fuzzing helper: reads fixed-size values from the fuzzer's byte string, zero once it runs out.
#ifndef ZELMATH_FUZZ_FUZZINPUT_H
#define ZELMATH_FUZZ_FUZZINPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    template <class T>
    T take() {
        T value{};
        const std::size_t n = size_ < sizeof(T) ? size_ : sizeof(T);
        if (n) std::memcpy(&value, data_, n);
        data_ += n;
        size_ -= n;
        return value;
    }

    std::size_t remaining() const { return size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// Stops the run with a message; the fuzzer records the input that got here.
#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

#endif
