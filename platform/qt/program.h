#pragma once
// A program on Qt: the application of the process, then the runtime its forms
// run on.

#include <QApplication>

#include "application.h"
#include "qt_runtime.h"

namespace qtrt {

struct Program {
    // `name` is the program's name (see Application).
    Program(int& argc, char** argv, const char* name) : app(argc, argv, name) {}

    // Handles events until the runtime ends the program.
    int Run() { return QApplication::exec(); }

    Application app;
    QtRuntime rt;
};

}  // namespace qtrt
