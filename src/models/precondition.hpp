// Arguments a model operation refuses. Unlike kernel errors, which are
// ordinary results, these stop the operation by throwing before any work is
// done; the Python boundary turns InternalCheckFailure into
// pyo3_runtime.PanicException and RefusedArgument into ValueError.
#pragma once

#include <cmath>
#include <cstddef>
#include <exception>
#include <span>
#include <string>

namespace varduxel::models {

class ThrownMessage : public std::exception {
public:
    explicit ThrownMessage(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// A broken precondition that callers must respect.
class InternalCheckFailure : public ThrownMessage {
    using ThrownMessage::ThrownMessage;
};

// An argument that has no meaning for the operation.
class RefusedArgument : public ThrownMessage {
    using ThrownMessage::ThrownMessage;
};

// Equality assertion of two lengths, with the message callers may rely on.
inline void assert_equal_lengths(std::size_t left, std::size_t right) {
    if (left == right) return;
    throw InternalCheckFailure("assertion `left == right` failed\n  left: " + std::to_string(left) +
                               "\n right: " + std::to_string(right));
}

// The radii of a table that is interpolated must ascend (equal neighbours
// make a step in brightness): out of order, the interpolation would give a
// different profile from the one tabulated, without a word. Refuses the first
// radius that is NaN or below its predecessor.
inline void check_ascending_radii(std::span<const double> radii) {
    for (std::size_t i = 0; i < radii.size(); ++i) {
        if (std::isnan(radii[i])) throw RefusedArgument("bl[" + std::to_string(i) + "] is NaN");
        if (i > 0 && radii[i] < radii[i - 1]) {
            throw RefusedArgument("bl must be in ascending order: bl[" + std::to_string(i) + "] < bl[" +
                                  std::to_string(i - 1) + "]");
        }
    }
}

}  // namespace varduxel::models
