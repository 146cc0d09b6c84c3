#include "platform/MulDiv.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    const int64_t product = int64_t(number) * numerator;
    const int64_t divisor = std::llabs(denominator);
    const int64_t magnitude = (std::llabs(product) + divisor / 2) / divisor;
    const bool negative = (product < 0) != (denominator < 0);
    const int64_t result = negative ? -magnitude : magnitude;
    if (result < std::numeric_limits<int>::min() || result > std::numeric_limits<int>::max())
        return -1;
    return int(result);
}
