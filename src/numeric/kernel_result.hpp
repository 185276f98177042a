// The outcome of a numerical kernel: either a double or a kernel error carrying
// a static message text. Kernels never throw and never allocate; a caller tests
// the outcome at once and forwards an error unchanged, so the message always
// names the innermost kernel that failed.
#pragma once

namespace varduxel::numeric {

class KernelResult {
public:
    // Implicit on purpose: `return 1.0 / x;` reads naturally inside a kernel.
    constexpr KernelResult(double value) noexcept : value_(value), message_(nullptr) {}

    static constexpr KernelResult failure(const char* message) noexcept {
        KernelResult result(0.0);
        result.message_ = message;
        return result;
    }

    constexpr bool ok() const noexcept { return message_ == nullptr; }
    // Meaningful only when ok().
    constexpr double value() const noexcept { return value_; }
    // Meaningful only when !ok(): the static text of the kernel error.
    constexpr const char* message() const noexcept { return message_; }

private:
    double value_;
    const char* message_;
};

}  // namespace varduxel::numeric
