#include "shell/ui/commands.h"

void RegisterSaveCommands() {}
