#pragma once
// The backend the programs run on, chosen here for the system the build is
// for: `backend::Program` is a program's process, with the runtime `rt` its
// forms run on and `Run()`, which handles events until the program ends.

#ifdef _WIN32
#include "platform/win32/program.h"
namespace backend {
using win32rt::Program;
}
#else
#include "platform/qt/program.h"
namespace backend {
using qtrt::Program;
}
#endif
