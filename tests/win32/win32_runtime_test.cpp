// The Win32 runtime's own parts, on the private desktop the Wine run has.

#include "platform/win32/win32_runtime.h"

#include <gtest/gtest.h>

TEST(Win32Runtime, Placeholder) {}
