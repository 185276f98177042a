// The Einstein radius in stellar radii, the one scale of every circle mean in
// a call: the circle kernel, the ring sums and the discrete flux map take it.
#pragma once

namespace varduxel::models {

// eps = re / rstar and its square, formed once per call.
struct CircleKernelScale {
    CircleKernelScale(double re, double rstar) : eps(re / rstar), eps2(eps * eps) {}

    double eps;
    double eps2;
};

}  // namespace varduxel::models
