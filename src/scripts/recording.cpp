#include "scripts/recording.h"

int16_t RecordSCRIPT = 0;
uint16_t ScriptCOUNT = 0;
int16_t autoscript = 0;
