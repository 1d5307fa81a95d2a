#include "shell/ui/kitglobals.h"

int16_t RunScript = 0;
int16_t ScreenWidth = 1287;
int16_t ScreenHeight = 800;
int16_t BottomOfPlotArea = 390;
uint16_t printblock = 0;
uint16_t CustomOverlay = 0;
float splot = 0.0f;
plat::Picture MultiChannelImages[33];
