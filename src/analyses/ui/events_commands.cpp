#include "analyses/ui/events_commands.h"

#include <vector>

#include "analyses/ui/analyses_commands.h"
#include "analyses/ui/timeintegrate.h"
#include "output/results.h"
#include "platform/menus.h"
#include "shell/dispatch.h"
#include "shell/globals.h"

void RegisterEventCommands() {
  if (!plat::menuDefined(kEventRateMenu)) {
    std::vector<plat::MenuItemSpec> items;
    for (const char* t : {"none", "/sec", "/min", "/hour", "/day"}) {
      plat::MenuItemSpec m;
      m.title = t;
      items.push_back(m);
    }
    plat::defineMenu(kEventRateMenu, "rate", items);
  }
  RegisterCommand(Cmd::TimeIntegrate, [](int16_t) { TIMEINTEGRATE(0); });
  RegisterCommand(Cmd::EventCounting, [](int16_t) { TIMEINTEGRATE(1); });
  RegisterCommand(Cmd::SelectiveIntegrate, [](int16_t) { TIMEINTEGRATE(2); });
  RegisterAutoRepeatAnalysis(kTimeIntAnalysisCode, [] {
    topic = kTopicTimeIntegration;
    TIMEINTEGRATE(0);
  });
  RegisterAutoRepeatAnalysis(kEventAnalysisCode, [] {
    topic = kTopicEventCounter;
    TIMEINTEGRATE(1);
  });
  RegisterAutoRepeatAnalysis(kSelectiveAnalysisCode, [] {
    topic = kTopicSelectiveIntegration;
    TIMEINTEGRATE(2);
  });
}
