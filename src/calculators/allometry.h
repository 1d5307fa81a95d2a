// Resting metabolism by allometry, MR = a M^b corrected by a Q10 and
// converted to one of 24 output units, the table of published equations by
// taxon, and the Q10 rule. Pure; the tables are data.
#pragma once
#include <cstdint>
#include <span>

#include "calculators/fieldcheck.h"

// Pop-up menus of the metabolism window.
inline constexpr int16_t kGroupMenu = 51;
inline constexpr int16_t kFirstTaxonMenu = 52;
inline constexpr int16_t kLastTaxonMenu = 57;
inline constexpr int16_t kUnitMenu = 58;
inline constexpr int16_t kUnitCount = 24;
inline constexpr int16_t kGeneralHelp = 143;

// One published equation: the texts the window writes into its fields and
// a in the base unit, ml O2/min (M in grams).
struct TaxonEntry {
  int16_t menu, item;
  const char* baseT;   // field 114
  const char* realT;   // field 115
  const char* b;       // field 113
  float a;
  const char* q10;     // field 116; nullptr: the field keeps its value
};
std::span<const TaxonEntry> TaxonTable();
const TaxonEntry* FindTaxonEntry(int16_t menu, int16_t item);

struct TaxonMenu {
  int16_t menu;
  const char* baseT;      // written first by every pick
  int16_t generalItem;    // back to the group menu's general equation
  int16_t help;
};
const TaxonMenu* FindTaxonMenu(int16_t menu);

// Group menu 51: items 1, 3, 4 the general equations, 6..11 open taxon
// menus 52..57, 13 the saved custom equation.
struct GeneralEquation {
  int16_t item;
  const char* temperature;  // fields 114 and 115
  const char* b;
  float a;
};
const GeneralEquation* FindGeneralEquation(int16_t item);
inline constexpr int16_t kGroupCustomItem = 13;
inline int16_t TaxonMenuOfGroupItem(int16_t item) { return item >= 6 && item <= 11 ? item + 46 : 0; }

// Factor from ml O2/min to output unit `unit` (menu 58) for a body of
// massG grams; 1 for an unknown unit.
double BmrUnitFactor(int16_t unit, double massG);

struct BmrInput {
  double mass = 1;          // as typed
  bool kg = false;          // mass typed in kilograms
  double b = 0.75;
  double baseT = 20, realT = 20, q10 = 2.2;
  float valueOfA = 0;       // a in ml O2/min
  // a typed into the a field, in the unit shown before (previousFactor);
  // it scales the equation without changing valueOfA.
  bool fromField = false;
  double fieldA = 0;
  float previousFactor = 1;
  int16_t unit = 1;
};
struct BmrResult {
  float rate = 0;           // MR in the output unit
  float aShown = 0;         // a in the output unit
  float factor = 1;         // BMRunitfact
  // The field refused: a mass, a Q10 or an a (typed, or of the equation)
  // at or below 0, a temperature at or below absolute zero, or the field that
  // makes rate or aShown infinite or not a number; ok() when both are finite.
  CheckedResult check;
};
// MR = s a M^b Q10^((Treal - Tbase) / 10) x factor, s = typed a / (a x old
// factor) when taken from the field, else 1.
BmrResult ComputeBmr(const BmrInput& in);

// R2 = R1 Q10^((T2 - T1) / 10); refused for a Q10 or a rate at or below 0,
// a temperature at or below absolute zero, and any input that makes R2
// infinite, not a number or too near 0 for a float's normal range: as the
// base value's or the Q10's when even 10 degrees would, else as the adjusted
// temperature's.
CheckedResult Q10Adjusted(double q10, double t1, double t2, double r1);
// Q10 = (R2 / R1)^(10 / (T2 - T1)); refused for a rate at or below 0, a
// temperature at or below absolute zero, for equal temperatures and for any
// input that makes Q10 infinite, not a number or too near 0 for a float's
// normal range.
CheckedResult Q10FromRates(double r1, double r2, double t1, double t2);
