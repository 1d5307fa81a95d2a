#include "analyses/ui/waveform_commands.h"

#include "analyses/ui/fft.h"
#include "analyses/ui/stepped.h"
#include "platform/menus.h"
#include "shell/dispatch.h"

void RegisterWaveformCommands() {
  // The units of the frequency read-outs, shared with the waveform analysis.
  if (!plat::menuDefined(kFftUnitPopup)) {
    std::vector<plat::MenuItemSpec> items;
    for (const char* t : {"Hz", "mHz", "KHz", "-", "msec", "sec", "min", "hours"}) {
      plat::MenuItemSpec m;
      m.title = t;
      m.separator = t[0] == '-';
      items.push_back(m);
    }
    plat::defineMenu(kFftUnitPopup, "units", items);
  }
  RegisterCommand(Cmd::FFT, [](int16_t) { FFT(); });
  RegisterCommand(Cmd::SteppedSampling, [](int16_t) { AUTOCORRELATE(); });
}
