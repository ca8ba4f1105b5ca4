// Run-time errors and the End statement, as the host reports them.
#pragma once

#include <stdexcept>
#include <string>

namespace fenwing {

// A run-time error ends the program: the host reports its number and message.
class RuntimeError : public std::runtime_error {
  public:
    RuntimeError(int number, const std::string& message)
        : std::runtime_error(message), number_(number) {}
    int number() const { return number_; }

    static RuntimeError overflow() { return {6, "Overflow"}; }
    static RuntimeError typeMismatch() { return {13, "Type mismatch"}; }
    static RuntimeError invalidCall() { return {5, "Invalid procedure call or argument"}; }

  private:
    int number_;
};

// Thrown by End so that nothing after it in the handler runs; the host ends the program.
struct EndProgram {};

}  // namespace fenwing
