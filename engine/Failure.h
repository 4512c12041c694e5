#pragma once

// Failures travel as values: the file, what went wrong, the library's own
// words for the log and, for system calls, their errno. The user-facing wording
// lives in the windows.

#include <string>
#include <utility>
#include <variant>

namespace tessaline {

enum class FailureKind {
    NotFound,     // the file or folder does not exist
    Unreadable,   // exists, but cannot be opened for reading
    NotAPicture,  // not a picture format we read
    Corrupt,      // a picture format, but damaged or truncated
    TooLarge,     // refused before decoding: beyond the size limits
    WriteFailed,  // the output could not be written
    BadQuality,   // the JPEG quality text is not a whole number from 1 to 100
    Cancelled,    // the run was stopped before this file
};

struct Failure {
    std::string file;
    FailureKind kind = FailureKind::Corrupt;
    std::string detail;
    int error = 0; // the system's errno when it gave one, else 0
};

// Either a value or the Failure that prevented it.
template <class T>
class Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Failure failure) : state_(std::move(failure)) {}

    bool ok() const { return std::holds_alternative<T>(state_); }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<T>(state_); }
    const T& value() const { return std::get<T>(state_); }
    const Failure& failure() const { return std::get<Failure>(state_); }

private:
    std::variant<T, Failure> state_;
};

} // namespace tessaline
