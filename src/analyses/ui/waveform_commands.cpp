#include "analyses/ui/waveform_commands.h"

#include "analyses/ui/stepped.h"
#include "shell/dispatch.h"

void RegisterWaveformCommands() {
  RegisterCommand(Cmd::SteppedSampling, [](int16_t) { AUTOCORRELATE(); });
}
