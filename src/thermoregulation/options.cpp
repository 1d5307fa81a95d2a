#include "thermoregulation/options.h"

#include <algorithm>
#include <cmath>

#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/textutil.h"

void StoreTypedOptions(const TypedOptions& t) {
  const double cap = std::isfinite(t.maxTb) ? std::clamp(std::trunc(t.maxTb), -32768.0, 32767.0) : 0.0;
  prefsArray[kPrefMaxActiveTb] = static_cast<int16_t>(cap);
  TorporStartLag = static_cast<float>(t.startLag);
  TorporEndLag = static_cast<float>(t.endLag);
  MinimumTorporTb = static_cast<float>(t.minTorporTb);
  DaytimeStart = static_cast<float>(t.dawn);
  DaytimeEnd = static_cast<float>(t.dusk);
  ActivePhaseConductanceIncrease = static_cast<float>(t.conductanceFactor);
  TbChange = static_cast<float>(t.tbChange);
  DefaultTb = t.defaultTb == 0 ? 37.0f : static_cast<float>(t.defaultTb);
  TorporEntryTime = static_cast<float>(t.entryTime);
  TorporQ10 = static_cast<float>(std::clamp(t.q10, 1.0, 5.0));
  if (TorporEntryTime == 0) TorporEntryTime = 0.5f;
}

std::string OptionText(float value, const char* shownWhenZero) {
  return value == 0 ? std::string(shownWhenZero) : FieldNumText(value);
}

TregSettings CurrentTregSettings() {
  TregSettings s;
  s.zeroIsMissing = ZeroEqualsMissingTemperatures != 0;
  s.sunAllowed = SunUseAllowed != 0;
  s.replacementTb = replacementTb == 1;
  s.defaultTb = DefaultTb;
  s.tbChange = TbChange;
  s.dayActive = dayActive != 0;
  s.dawn = DaytimeStart;
  s.dusk = DaytimeEnd;
  s.computeDawnAndDusk = ComputeDawnAndDusk != 0;
  s.torporStartLag = TorporStartLag;
  s.torporEndLag = TorporEndLag;
  s.variableConductance = variableConductance == 1;
  s.conductanceFactor = ActivePhaseConductanceIncrease;
  s.variableTb = variableTb == 1;
  s.torporQ10 = TorporQ10;
  s.minimumTorporTb = MinimumTorporTb;
  s.torporEntryTime = TorporEntryTime;
  s.torporAllowed = CalculationsCanUseTorpor == 1;
  s.useTorpor = UseTorpor == 1;
  s.activeTimeCostsOnly = ActiveTimeCostsOnly != 0;
  s.windUsed = prefsArray[kPrefWindUsed] != 0;
  s.rejectNoShade = prefsArray[kPrefRejectNoShade] == 1;
  s.rejectNoSun = prefsArray[kPrefRejectNoSun] == 1;
  s.rejectNoWind = prefsArray[kPrefRejectNoWind] == 1;
  s.maxActiveTb = prefsArray[kPrefMaxActiveTb];
  return s;
}
