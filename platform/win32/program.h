#pragma once
// A program on the Win32 API: the runtime its forms run on, for the module
// the process runs.

#include <string>

#include "win32_runtime.h"

namespace win32rt {

struct Program {
    // `name` is the program's name, in ASCII (see Win32Runtime).
    Program(int&, char**, const char* name)
        : rt(GetModuleHandleW(nullptr),
             std::u16string(name, name + std::char_traits<char>::length(name))) {}

    // Runs the message loop until the runtime ends the program.
    [[noreturn]] int Run() { rt.Run(); }

    Win32Runtime rt;
};

}  // namespace win32rt
