// The outcome of a model operation: a float vector of magnifications, or the
// kernel error that ended the operation (its static message text, unchanged).
#pragma once

#include <utility>
#include <vector>

#include "numeric/kernel_result.hpp"

namespace varduxel::models {

using FloatVector = std::vector<double>;

class VectorResult {
public:
    static VectorResult success(FloatVector values) { return VectorResult(std::move(values), nullptr); }
    static VectorResult failure(const char* message) { return VectorResult(FloatVector(), message); }

    bool ok() const noexcept { return message_ == nullptr; }
    // Meaningful only when ok(); the caller may move the vector out.
    FloatVector& values() noexcept { return values_; }
    // Meaningful only when !ok().
    const char* message() const noexcept { return message_; }

private:
    VectorResult(FloatVector values, const char* message) : values_(std::move(values)), message_(message) {}

    FloatVector values_;
    const char* message_;
};

// The circle kernel returns one float or a kernel error: exactly a kernel result.
using ScalarResult = numeric::KernelResult;

}  // namespace varduxel::models
