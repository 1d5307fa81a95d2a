#include "shell/ui/commands.h"

void RegisterFileInfoCommands() {}
