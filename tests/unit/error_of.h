#pragma once

#include <cstdint>

#include "platform/error.h"

// The number of the run-time error `statement` raises; 0 when it completes.
template <class Statement>
std::int32_t ErrorOf(Statement&& statement) {
    try {
        statement();
    } catch (const vb::Error& error) {
        return error.number;
    }
    return 0;
}
