// Builds a few matrices, multiplies them and prints the results.
#include <ZELMath.h>

#include <iostream>

int main() {
    // A planar rotation by a quarter turn and a scaling, stored row by row.
    const double rotation[] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
    const double scaling[] = {2, 0, 0, 0, 3, 0, 0, 0, 1};
    const ZELMathMatrix r(rotation, 3, 3);
    const ZELMathMatrix s(scaling, 3, 3);

    std::cout << "rotation R\n" << r;
    std::cout << "scaling S\n" << s;
    std::cout << "R * S\n" << r * s;
    std::cout << "transpose(R) * R\n" << transpose(r) * r;

    // A point in homogeneous coordinates, moved by R * S, then read back through the rows.
    const double point[] = {1, 1, 1};
    const ZELMathVector p(point, 3);
    const ZELMathVector moved = r * s * p;
    std::cout << "p = " << p << "R * S * p = " << moved;
    std::cout << "p * R = " << p * r;

    // Element-wise arithmetic and norms.
    const ZELMathMatrix m = (r + s) / 2.0 - 1.0;
    std::cout << "(R + S) / 2 - 1\n" << m;
    std::cout << "L1 norm " << ZELL1Norm(m) << ", largest element " << ZELLinfNorm(m) << "\n";
    std::cout << "dot(p, moved) = " << ZELDot(p, moved) << "\n";
    return 0;
}
