// Exact simulation time: a clock that does not drift, exact products and quotients, and the
// fixed-point output format.
#include <ZELMath.h>

#include <iomanip>
#include <iostream>

int main() {
    // Ten million steps of 0.1 s: the double sum drifts, the time does not.
    double seconds = 0.0;
    ZELSimTime clock;
    const ZELSimTime step(0.1);
    for (int i = 0; i < 10000000; ++i) {
        seconds += 0.1;
        clock += step;
    }
    std::cout << std::setprecision(9) << "double clock: " << std::fixed << seconds << "\n";
    std::cout << "ZELSimTime:   " << clock << "\n";

    // Products and quotients are exact to the nanosecond (truncated toward zero).
    const ZELSimTime period(2, 500000000);
    std::cout << "period * 3      = " << period * ZELSimTime(3, 0) << "\n";
    std::cout << "1 s / 3 s       = " << ZELSimTime(1, 0) / ZELSimTime(3, 0) << "\n";
    const ZELSimTime now = clock + 1.3;
    std::cout << "whole periods in " << now << " = " << floor(now / period).wholeSeconds()
              << ", remainder " << fmod(now, period) << "\n";
    std::cout << "periods in it   = " << ratio(now, period)
              << " (a plain number, the exact quotient rounded once)\n";
    try {
        clock /= ZELSimTime();
    } catch (const ZELEZeroDivide& e) {
        std::cout << "divide by zero: " << e.what() << "\n";
    }

    // Output: precision counts decimals (at most 9), width, fill and adjustment apply.
    const ZELSimTime t(-1, -250000000);
    std::cout << std::setprecision(6) << "[" << t << "]\n";
    std::cout << std::setprecision(2) << "[" << std::setw(10) << t << "]\n";
    std::cout << "[" << std::internal << std::setfill('0') << std::setw(10) << t << "]\n";
    std::cout << std::setfill(' ') << std::right << std::showpos << "[" << std::setw(10) << -t
              << "]\n";
    std::cout << std::noshowpos << std::setprecision(9)
              << "largest time: " << scl_numeric_limits<ZELSimTime>::max() << "\n";
    return 0;
}
