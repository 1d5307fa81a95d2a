#include "calculators/allometry.h"

#include <cfloat>
#include <cmath>

namespace {

constexpr TaxonEntry kTaxa[] = {
    {52, 1, "25", "25", ".825", 0.002704f, nullptr},
    {52, 2, "25", "25", ".75", 0.002985f, nullptr},
    {52, 3, "25", "25", ".816", 0.0003283f, nullptr},
    {52, 4, "25", "25", ".856", 0.000472f, "2.97"},
    {52, 5, "25", "25", ".788", 0.002647f, nullptr},
    {52, 6, "25", "25", ".943", 0.002716f, nullptr},
    {52, 7, "25", "25", ".803", 0.002176f, nullptr},
    {52, 8, "23.5", "23.5", ".86", 0.0038333f, nullptr},
    {52, 9, "23", "23", ".76", 0.0067167f, nullptr},
    {53, 1, "20", "20", ".7006", 0.006651f, nullptr},
    {53, 2, "20", "20", ".784", 0.007709f, nullptr},
    {53, 3, "20", "20", ".70095", 0.006648f, nullptr},
    {53, 4, "20", "20", ".8278", 0.002824f, nullptr},
    {53, 5, "20", "20", ".7225", 0.004791f, nullptr},
    {53, 6, "20", "20", "1.02", 0.0008136f, nullptr},
    {54, 1, "25", "25", ".74", 0.00194f, nullptr},
    {54, 2, "25", "25", ".802", 0.001583f, nullptr},
    {54, 3, "25", "25", ".75", 0.0047667f, nullptr},
    {54, 4, "20", "20", ".884", 0.00135f, "2.21"},
    {55, 1, "30", "30", ".77", 0.004633f, nullptr},
    {55, 2, "30", "30", ".83", 0.004f, nullptr},
    {55, 3, "37", "37", ".82", 0.0070667f, nullptr},
    {55, 4, "30", "30", ".76", 0.004667f, nullptr},
    {55, 5, "30", "30", ".86", 0.011f, nullptr},
    {55, 6, "20", "20", ".768", 0.00183f, "2.44"},
    {56, 1, "39", "39", ".669", 0.103265f, nullptr},
    {56, 2, "39", "39", ".627", 0.1337f, nullptr},
    {56, 3, "39", "39", ".701", 0.0746f, nullptr},
    {56, 4, "39", "39", ".67", 0.081357f, nullptr},
    {56, 5, "39", "39", ".724", 0.1245f, nullptr},
    {56, 6, "39", "39", ".723", 0.07669f, nullptr},
    {56, 7, "39", "39", ".704", 0.1575f, nullptr},
    {56, 8, "39", "39", ".726", 0.11024f, nullptr},
    {56, 9, "39", "39", ".635", 0.14587f, nullptr},
    {56, 10, "38.2", "40.1", ".71", 0.07633f, nullptr},
    {56, 11, "39", "39", ".845", 0.060667f, nullptr},
    {57, 1, "37.5", "37.5", ".734", 0.06361f, nullptr},
    {57, 2, "37.5", "37.5", ".756", 0.05373f, nullptr},
    {57, 3, "37.5", "37.5", ".76", 0.0597f, nullptr},
    {57, 4, "36.2", "36.2", ".672", 0.07233f, nullptr},
    {57, 5, "35", "35", ".737", 0.04325f, nullptr},
    {57, 6, "35", "35", ".71", 0.0487f, nullptr},
    {57, 7, "36.2", "35", ".73", 0.0548f, nullptr},
    {57, 8, "36.2", "35", ".68", 0.0653f, nullptr},
    {57, 9, "36.2", "32", ".75", 0.02962f, nullptr},
    {57, 10, "36.2", "32", ".82", 0.02033f, nullptr},
    {57, 11, "37.5", "37.5", ".794", 0.03883f, nullptr},
    {57, 12, "36.2", "37.5", ".70", 0.0683f, nullptr},
    {57, 13, "37.5", "37.5", ".713", 0.0715f, nullptr},
    {57, 14, "36.2", "37.5", ".67", 0.07217f, nullptr},
    {57, 15, "36.2", "37.5", ".79", 0.03133f, nullptr},
    {57, 16, "36.2", "37.5", ".73", 0.04733f, nullptr},
    {57, 17, "37.5", "37.5", ".702", 0.1112f, nullptr},
    {57, 18, "36.2", "36.2", ".57", 0.1147f, nullptr},
    {57, 19, "36.2", "36.2", ".67", 0.0457f, nullptr},
};

constexpr TaxonMenu kMenus[] = {
    {52, "25", 11, 150}, {53, "20", 8, 151}, {54, "25", 6, 152},
    {55, "30", 8, 153},  {56, "39", 13, 154}, {57, "37.5", 21, 155},
};

constexpr GeneralEquation kGeneral[] = {
    {1, "20", ".751", 0.002647f},
    {3, "20", ".75", 0.014587f},
    {4, "39", ".75", 0.14587f},
};

}  // namespace

std::span<const TaxonEntry> TaxonTable() { return kTaxa; }

const TaxonEntry* FindTaxonEntry(int16_t menu, int16_t item) {
  for (const TaxonEntry& e : kTaxa)
    if (e.menu == menu && e.item == item) return &e;
  return nullptr;
}

const TaxonMenu* FindTaxonMenu(int16_t menu) {
  for (const TaxonMenu& m : kMenus)
    if (m.menu == menu) return &m;
  return nullptr;
}

const GeneralEquation* FindGeneralEquation(int16_t item) {
  for (const GeneralEquation& g : kGeneral)
    if (g.item == item) return &g;
  return nullptr;
}

double BmrUnitFactor(int16_t unit, double m) {
  switch (unit) {
    case 1: return 1.0;
    case 2: return 1.0 / m;
    case 3: return 60.0;
    case 4: return 0.06;
    case 5: return 1000.0;
    case 6: return 1000.0 / m;
    case 7: return 60000.0;
    case 8: case 11: return 60.0 / m;
    case 9: case 10: return 60000.0 / m;
    case 12: return 0.288;
    case 13: return 6.912;
    case 14: return 0.288 / m;
    case 15: return 6.912 / m;
    case 16: return 335000.0;
    case 17: return 335.0;
    case 18: return 0.335;
    case 19: return 335.0 / m;
    case 20: return 28934.35;
    case 21: return 28.93435;
    case 22: return 0.2893435;
    case 23: return 28934.35 / m;
    case 24: return 28.93435 / m;
    default: return 1.0;
  }
}

namespace {

// Typed values no animal has: refused before they make a rate of any sign.
CheckedResult refusedBmrInput(const BmrInput& in, double massG) {
  if (!(massG > 0.0)) return Refused("mass", "a mass must be above 0");
  if (BelowAbsoluteZero(in.baseT)) return Refused("base T", kAboveAbsoluteZero);
  if (BelowAbsoluteZero(in.realT)) return Refused("real T", kAboveAbsoluteZero);
  if (!(in.q10 > 0.0)) return Refused("Q10", "a Q10 must be above 0");
  // A saved custom a of 0 or below gave a negative rate when picked.
  if (!((in.fromField ? in.fieldA : in.valueOfA) > 0.0)) return Refused("coefficient ('a' value)", "it must be above 0");
  return {};
}

// A rate or a Q10 that single precision shows as 0 or a denormal is a wrong
// number rather than a small one, so it is refused like an overflow, its
// fields judged against the limit the result went past.
constexpr const char* kNearZero = "this value makes the result too near 0 to be kept";
bool beyondFloat(double v, bool large) {
  const float f = static_cast<float>(v);
  return large ? !std::isfinite(f) : !(std::fabs(f) >= FLT_MIN);
}

// Both temperatures of the Q10 window.
CheckedResult refusedQ10Temperatures(double t1, double t2) {
  if (BelowAbsoluteZero(t1)) return Refused("base temp", kAboveAbsoluteZero);
  if (BelowAbsoluteZero(t2)) return Refused("adjusted temp", kAboveAbsoluteZero);
  return {};
}

}  // namespace

BmrResult ComputeBmr(const BmrInput& in) {
  const double m = in.kg ? in.mass * 1000.0 : in.mass;
  if (const CheckedResult c = refusedBmrInput(in, m); !c.ok()) {
    BmrResult refused;
    refused.check = c;
    return refused;
  }
  // In double: a float scale left a typed 1.23456 a float step away when
  // shown again, and the field is read back.
  const double s = in.fromField ? in.fieldA / (static_cast<double>(in.valueOfA) * in.previousFactor) : 1.0;
  BmrResult r;
  r.factor = static_cast<float>(BmrUnitFactor(in.unit, m));
  const double a = s * in.valueOfA;
  const double massTerm = std::pow(m, in.b), q10Term = std::pow(in.q10, (in.realT - in.baseT) * 0.1);
  r.rate = static_cast<float>(a * massTerm * q10Term * r.factor);
  r.aShown = static_cast<float>(a * r.factor);
  if (std::isnormal(r.rate) && std::isfinite(r.aShown)) {
    r.check.value = r.rate;
    return r;
  }
  // Every factor is above 0: a rate of 0 or below a float's normal range
  // lost what it held, and the smallest factor names its field.
  if (std::isfinite(r.rate) && std::isfinite(r.aShown)) {
    const double la = std::log(a * r.factor), lm = std::log(massTerm), lq = std::log(q10Term);
    if (lq < lm && lq < la) r.check = Refused("real T", kNearZero);
    else if (la < lm) r.check = Refused("coefficient ('a' value)", kNearZero);
    else r.check = Refused("mass", kNearZero);
    return r;
  }
  // The first factor that is not a finite number names its field.
  if (!std::isfinite(in.b)) r.check = Refused("exponent");
  else if (!std::isfinite(m) || !std::isfinite(massTerm) || !std::isfinite(r.factor))
    r.check = Refused("mass", m <= 0 ? "a mass must be above 0" : nullptr);
  else if (!std::isfinite(s)) r.check = Refused("coefficient ('a' value)");
  else if (!std::isfinite(in.q10) || in.q10 <= 0) r.check = Refused("Q10", "a Q10 must be above 0");
  else if (!std::isfinite(q10Term)) r.check = Refused("real T");
  else r.check = Refused("mass");
  return r;
}

CheckedResult Q10Adjusted(double q10, double t1, double t2, double r1) {
  // A Q10 of 0 gives 0 (or INF) whatever the rates: no adjustment at all.
  if (!(q10 > 0.0)) return Refused("Q10", "a Q10 must be above 0");
  // As in Q10 from two rates: a rate of -1 became -2.
  if (!(r1 > 0.0)) return Refused("base value", "a rate must be above 0");
  if (const CheckedResult c = refusedQ10Temperatures(t1, t2); !c.ok()) return c;
  const double r2 = r1 * std::pow(q10, (t2 - t1) * 0.1);
  if (std::isnormal(static_cast<float>(r2))) return {r2, nullptr, nullptr};
  const bool large = !(r2 < 1.0);
  const char* why = large ? nullptr : kNearZero;
  if (beyondFloat(r1, large)) return Refused("base value", why);
  // Past here the temperatures differ and the rate grows (or shrinks) by
  // this factor over the Q10's own 10 degrees.
  const double step = t2 > t1 ? q10 : 1.0 / q10;
  if (beyondFloat(step, large)) return Refused("Q10", why);
  // The temperatures are to blame only when the values could be adjusted
  // over those 10 degrees; otherwise the value nearer a float's limit is.
  if (beyondFloat(r1 * step, large)) {
    const bool baseNearer = large ? std::log(r1) >= std::log(step) : std::log(r1) <= std::log(step);
    return Refused(baseNearer ? "base value" : "Q10", why);
  }
  return Refused("adjusted temp", why);
}

CheckedResult Q10FromRates(double r1, double r2, double t1, double t2) {
  // Two negative rates have a positive ratio and gave a Q10 all the same.
  constexpr const char* kRateAbove0 = "a rate must be above 0";
  if (!(r1 > 0.0)) return Refused("base value", std::isnan(r1) ? nullptr : kRateAbove0);
  if (!(r2 > 0.0)) return Refused("adjusted value", std::isnan(r2) ? nullptr : kRateAbove0);
  if (const CheckedResult c = refusedQ10Temperatures(t1, t2); !c.ok()) return c;
  const double dt = t2 - t1;
  if (dt == 0.0) return Refused("adjusted temp", "equal to the base temperature, so no Q10 follows");
  const double q = std::pow(r2 / r1, 10.0 / dt);
  if (std::isnormal(static_cast<float>(q))) return {q, nullptr, nullptr};
  const bool large = !(q < 1.0);
  const char* why = large ? nullptr : kNearZero;
  if (!std::isfinite(dt)) return Refused(std::isfinite(t1) ? "adjusted temp" : "base temp", why);
  if (!std::isfinite(r1)) return Refused("base value", why);
  if (!std::isfinite(r2)) return Refused("adjusted value", why);
  // The temperatures are to blame only when the values would give a Q10
  // even a degree apart; a ratio beyond that is the values' own fault.
  if (beyondFloat(std::pow(r2 / r1, dt > 0 ? 10.0 : -10.0), large))
    return Refused("base value\" and \"adjusted value", "they are too far apart for a Q10 to follow");
  return Refused("adjusted temp", why);
}
