// The composition root's list of subsystem registrars, shared by the
// program's main() and the wiring test.
#pragma once
#include <span>

#include "shell/ui/commands.h"

std::span<const Registrar> CorvimetRegistrars();
