#include "analyses/ui/events_commands.h"

#include <initializer_list>
#include <vector>

#include "analyses/ui/autorepeat.h"
#include "shell/ui/recorder.h"
#include "analyses/ui/timeintegrate.h"
#include "analyses/ui/waveform.h"
#include "output/results.h"
#include "platform/menus.h"
#include "shell/dispatch.h"
#include "shell/globals.h"

namespace {

void definePopup(int id, const char* title, std::initializer_list<const char*> titles) {
  if (plat::menuDefined(id)) return;
  std::vector<plat::MenuItemSpec> items;
  for (const char* t : titles) {
    plat::MenuItemSpec m;
    m.title = t;
    items.push_back(m);
  }
  plat::defineMenu(id, title, items);
}

}  // namespace

void RegisterEventCommands() {
  definePopup(kEventRateMenu, "rate", {"none", "/sec", "/min", "/hour", "/day"});
  definePopup(kWaveDataPopup, "data", {"wave peak values", "wave amplitudes", "interpeak intervals (sec)"});
  definePopup(kWaveBarsPopup, "bars", {"5", "8", "10", "12", "15", "20", "25", "30", "40", "50", "60", "75", "100"});
  RegisterCommand(Cmd::TimeIntegrate, [](int16_t) { TIMEINTEGRATE(0); });
  RegisterCommand(Cmd::EventCounting, [](int16_t) { TIMEINTEGRATE(1); });
  RegisterCommand(Cmd::SelectiveIntegrate, [](int16_t) { TIMEINTEGRATE(2); });
  RegisterAutoRepeatAnalysis(kTimeIntAnalysisCode, [] {
    SetResultTopic(kTopicTimeIntegration);
    TIMEINTEGRATE(0);
  });
  RegisterAutoRepeatAnalysis(kEventAnalysisCode, [] {
    SetResultTopic(kTopicEventCounter);
    TIMEINTEGRATE(1);
  });
  RegisterCommand(Cmd::Waveform, [](int16_t) { WAVEFORM(); });
  RegisterAutoRepeatAnalysis(kWaveAnalysisCode, [] {
    SetResultTopic(kTopicWaveform);
    WAVEFORM();
  });
  RegisterAutoRepeatAnalysis(kSelectiveAnalysisCode, [] {
    SetResultTopic(kTopicSelectiveIntegration);
    TIMEINTEGRATE(2);
  });
}
