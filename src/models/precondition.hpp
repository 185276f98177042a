// Broken preconditions that a caller must respect. Unlike kernel errors, which
// are ordinary results, these stop the operation by throwing; the Python
// boundary turns them into pyo3_runtime.PanicException.
#pragma once

#include <cstddef>
#include <exception>
#include <string>

namespace varduxel::models {

class InternalCheckFailure : public std::exception {
public:
    explicit InternalCheckFailure(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Equality assertion of two lengths, with the message callers may rely on.
inline void assert_equal_lengths(std::size_t left, std::size_t right) {
    if (left == right) return;
    throw InternalCheckFailure("assertion `left == right` failed\n  left: " + std::to_string(left) +
                               "\n right: " + std::to_string(right));
}

}  // namespace varduxel::models
