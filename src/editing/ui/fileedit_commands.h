// Registration of the edits of a whole file: cutting the block, removing
// markers, cropping, deleting channels, the time-scale change and the
// re-arrangement of channels.
#pragma once

void RegisterFileEditCommands();
