#pragma once
// Run-time errors as the programs see them: a number and a description,
// thrown by any runtime operation and caught by a procedure's trap.

#include <cstdint>
#include <string>

namespace vb {

// The classic error numbers the programs meet.
enum ErrorNumber : std::int32_t {
    kInvalidCall = 5,
    kOverflow = 6,
    kOutOfMemory = 7,
    kDivisionByZero = 11,
    kTypeMismatch = 13,
    kFileAccess = 75,
    kNoSuchElement = 340,
    kInvalidPropertyValue = 380,
    kAlreadyLoaded = 360,
    kDesignedControl = 362,
    kClipboardBusy = 521,
};

struct Error {
    std::int32_t number = 0;
    std::u16string description;
};

// The standard description of a number ("" for a number without one).
std::u16string Describe(std::int32_t number);

// Throws Error{number, Describe(number)}, or with the given description.
[[noreturn]] void Raise(std::int32_t number);
[[noreturn]] void Raise(std::int32_t number, std::u16string description);

// The error object: holds the error a trap caught until it resumes.
struct ErrObject {
    std::int32_t Number = 0;
    std::u16string Description;

    void Clear() {
        Number = 0;
        Description.clear();
    }
};

}  // namespace vb
