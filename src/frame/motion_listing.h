// The motion listing of an NC program (--motions): the interpreter's motions,
// one line each, for checking a program or a controller definition by eye
// and for comparing interpreter behaviour in tests.
#pragma once

#include <cstdio>

#include "frame/app.h"

namespace morvex {

class Host;

// Interprets the NC program of the command line under the controller and
// machine definitions read at start-up and prints every motion to `out`.
// Returns the exit status: 0 done, 1 an NC error or alarm, 2 a file that
// cannot be read.
int ListMotions(App& app, Host& host, std::FILE* out);

}  // namespace morvex
