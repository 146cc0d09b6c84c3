#pragma once

// number × numerator / denominator from an exact 64-bit product, rounded half
// away from zero; -1 when the denominator is 0 or the result leaves 32 bits.
int MulDiv(int number, int numerator, int denominator);
