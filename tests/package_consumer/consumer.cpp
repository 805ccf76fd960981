// Builds against the installed package only: the umbrella header and the exported target.
#include <ZELMath.h>

#include <iostream>

int main() {
    const double values[] = {1.0, 2.0, 3.0, 4.0};
    ZELMathMatrix a(values, 2, 2);
    ZELMathMatrix b = a * a;
    std::cout << b;
    return b(1, 1) == 22.0 ? 0 : 1;
}
