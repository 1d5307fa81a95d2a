// The thermoregulation model's options as numbers: the preference words it
// uses, the rules that turn typed option texts into settings, and the one
// struct of settings the cost engine reads.
#pragma once
#include <cstdint>
#include <string>

// prefsArray words of the model (run state, never saved).
inline constexpr int kPrefWindChannel = 55;
inline constexpr int kPrefWindUsed = 56;
inline constexpr int kPrefShelter = 57;
inline constexpr int kPrefTimingErrors = 58;
inline constexpr int kPrefRejectNoShade = 59;
inline constexpr int kPrefRejectNoSun = 60;
inline constexpr int kPrefRejectNoWind = 61;
inline constexpr int kPrefMaxActiveTb = 63;

// The texts the options dialog shows for settings still at 0.
inline constexpr const char* kShownTbChange = "2";
inline constexpr const char* kShownMaxTb = "44";
inline constexpr const char* kShownConductanceFactor = "1.4";
inline constexpr const char* kShownDefaultTb = "37";

// The typed fields of the options dialog, read as numbers (non-numbers 0).
struct TypedOptions {
  double maxTb = 0, startLag = 0, endLag = 0, minTorporTb = 0, dawn = 0, dusk = 0;
  double conductanceFactor = 0, tbChange = 0, defaultTb = 0, entryTime = 0, q10 = 0;
};
// Stores them into the settings: word 63 truncated to a whole number, a
// replacement Tb of 0 becomes 37, Q10 kept within 1..5, an entry time of 0
// becomes 0.5.
void StoreTypedOptions(const TypedOptions& t);

// Field text of a setting: its number, or the shown default while it is 0.
std::string OptionText(float value, const char* shownWhenZero);

// Everything the cost engine reads, taken from the settings as they stand.
struct TregSettings {
  bool zeroIsMissing = true;       // a temperature of exactly 0 is missing (else -9999)
  bool sunAllowed = true;
  bool replacementTb = true;
  float defaultTb = 37;
  float tbChange = 0;              // active-phase rise of Tb
  bool dayActive = true;
  float dawn = 6, dusk = 18;       // fixed dawn and dusk, hours
  bool computeDawnAndDusk = false; // from the sun table by the day-of-year channel
  float torporStartLag = 0, torporEndLag = 0;
  bool variableConductance = true;
  float conductanceFactor = 0;
  bool variableTb = true;
  float torporQ10 = 2.2f;
  float minimumTorporTb = 12;
  float torporEntryTime = 2;
  bool torporAllowed = true;       // CalculationsCanUseTorpor
  bool useTorpor = true;           // this animal may use torpor
  bool activeTimeCostsOnly = false;
  bool windUsed = false;
  bool rejectNoShade = true, rejectNoSun = true, rejectNoWind = true;
  float maxActiveTb = 0;           // cap of the active-phase Tb, whole degrees
};
TregSettings CurrentTregSettings();
