#include "shell/ui/commands.h"

void RegisterOpenCommands() {}
