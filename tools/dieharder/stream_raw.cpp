// Writes the numbers of one stream to stdout as raw 32-bit words, for dieharder's standard input
// generator (`dieharder -g 200`): each number u becomes floor(u * 2^32) (at most 2^32 - 1).
//
//     stream_raw mrg32k3a|philox|classic [stream]
//
// Runs until the reader closes the pipe.
#include "ZELMath.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s mrg32k3a|philox|classic [stream]\n", argv[0]);
        return 2;
    }
    const unsigned long long stream = argc == 3 ? std::strtoull(argv[2], nullptr, 10) : 0;
    ZELRandomStream s = ZELRandomStream::Classic(static_cast<int>(stream == 0 ? 1 : stream));
    if (std::strcmp(argv[1], "mrg32k3a") == 0)
        s = ZELRandomStream::MRG32k3a(stream);
    else if (std::strcmp(argv[1], "philox") == 0)
        s = ZELRandomStream::Philox(20261206, stream);
    else if (std::strcmp(argv[1], "classic") != 0) {
        std::fprintf(stderr, "unknown engine %s\n", argv[1]);
        return 2;
    }
    constexpr std::size_t n = 1 << 14;
    std::vector<double> u(n);
    std::vector<std::uint32_t> words(n);
    for (;;) {
        s.next(u.data(), n);
        for (std::size_t i = 0; i < n; ++i) {
            const double scaled = u[i] * 4294967296.0;
            words[i] = scaled >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(scaled);
        }
        if (std::fwrite(words.data(), sizeof(std::uint32_t), n, stdout) != n) return 0;
    }
}
