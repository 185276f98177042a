// The series that closes the duplication of RD and RJ, in the elementary
// symmetric functions E2..E5 of the scaled deviations, summed term by term in
// this fixed order. It is the seventh-order series of Carlson's algorithms
// (B. C. Carlson, 1995, Numerical Algorithms 10, 13-26); the fixed order is
// part of the bit-for-bit results.
#pragma once

namespace varduxel::numeric {

inline double carlson_series(double e2, double e3, double e4, double e5) {
    return 1 - 3 * e2 / 14 + e3 / 6 + 9 * e2 * e2 / 88 - 3 * e4 / 22 - 9 * e2 * e3 / 52 + 3 * e5 / 26 -
           e2 * e2 * e2 / 16 + 3 * e3 * e3 / 40 + 3 * e2 * e4 / 20 + 45 * e2 * e2 * e3 / 272 -
           9 * (e3 * e4 + e2 * e5) / 68;
}

}  // namespace varduxel::numeric
