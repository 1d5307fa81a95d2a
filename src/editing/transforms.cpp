#include "editing/transforms.h"

#include <cmath>
#include <cstring>

#include "editing/watervapour.h"
#include "platform/lanes.h"
#include "shell/textutil.h"

namespace {

// One pass, the code's branch outside it: `f(x, bad)` gives y and marks a
// domain error; a marked or non-finite result is written as 0.
template <class F>
bool pass(float* w, int32_t first, int32_t last, F f) {
  bool anyBad = false;
  for (int32_t k = first; k <= last; ++k) {
    bool bad = false;
    const float y = f(w[k], bad);
    bad = bad || !std::isfinite(y);
    w[k] = bad ? 0.0f : y;
    anyBad |= bad;
  }
  return anyBad;
}

template <class F>
bool pass2(float* w, const float* z, int32_t first, int32_t last, F f) {
  bool anyBad = false;
  for (int32_t k = first; k <= last; ++k) {
    bool bad = false;
    const float y = f(w[k], z[k], bad);
    bad = bad || !std::isfinite(y);
    w[k] = bad ? 0.0f : y;
    anyBad |= bad;
  }
  return anyBad;
}

bool whole(float e) { return std::floor(e) == e; }

// Water-vapour pressure (codes 64, 65) of a long temperature channel, four
// cases at a time; the cases left over go through the one-case pass.
bool vapourPass(float* w, int32_t first, int32_t last, float unit) {
  using lanes::F4;
  lanes::I4 bad = {0, 0, 0, 0};
  int32_t k = first;
  for (; k <= last - 3; k += 4) {
    const F4 y = SaturationVapourPressureOf(lanes::load4(w + k), unit);
    const lanes::I4 finite = (y - y) == 0.0f;   // false for an infinity or NaN
    const F4 out = finite ? y : F4{0.0f, 0.0f, 0.0f, 0.0f};
    std::memcpy(w + k, &out, sizeof out);
    bad |= ~finite;
  }
  const bool anyBad = (bad[0] | bad[1] | bad[2] | bad[3]) != 0;
  return pass(w, k, last, [unit](float x, bool&) { return SaturationVapourPressureOf(x, unit); }) || anyBad;
}

bool typeReadable(float t) { return t > -2147483520.0f && t < 2147483520.0f; }   // false for NaN

float segment(float type, float a, float b, float c, float x, bool& bad) {
  if (!typeReadable(type)) return x;
  switch (static_cast<int>(type)) {
    case 1: return b * x + a;
    case 2: return b * x + a + c * x * x;
    case 3:
      if (x <= 0.0f) {
        bad = true;
        return 0.0f;
      }
      return a + b * std::pow(x, c);
    case 4: return a + b * std::exp(c * x);
    default: return x;
  }
}

float q10(float v) { return v <= 0.0f ? 1.0f : v; }

constexpr Conversion kConversions[kConversionItems] = {
    {"joules", "cal", 0.2388887f, "joules --> cal"},
    {"cal", "joules", 4.18605f, "cal --> joules"},
    {"watts", "KJ/day", 86.4f, "watts --> KJ/day"},
    {"watts", "Kcal/day", 20.63998f, "watts --> Kcal/day"},
    {"watts", "cal/min", 14.33332f, "watts --> cal/min"},
    {"BTU/hr", "Kilowatts", 0.0002931f, "BTU/hr --> Kilowatts"},
    {"mg H2O", "joules", static_cast<float>(kLatentJoulesPerMg37), "mg H2O --> joules @ 37\xA1" "C"},
    {"Torr", "KPa", 0.133322f, "Torr --> kilopascals"},
    {"PSI", "Torr", 51.7149f, "P.S.I. --> Torr"},
    {"mm H2O", "Torr", static_cast<float>(kTorrPerMmWater), "mm H2O --> Torr"},
    {"KPa", "Torr", 7.50062f, "Kilopascals --> Torr"},
    {"KPa", "atm", 0.00986923f, "Kilopascals --> Atm"},
    {"atm", "KPa", 101.325f, "Atm --> Kilopascals"},
    {"atm", "Torr", 760.0f, "Atm --> Torr"},
    {"m/s", "km/hr", 3.6f, "m/s --> km/hour"},
    {"km/hr", "m/s", 1000.0f / 3600.0f, "km/hour --> m/s"},
    {"mph", "m/s", 0.44704f, "m.p.h --> m/s"},
    {"ml", "mmole", 0.044615f, "ml gas@STP --> mmole"},
    {"mmole", "mL", 22.414f, "mmole --> ml gas@STP"},
    {"sec", "hr", 3600.0f, "rate/sec --> rate/hour"},
    {"hr", "sec", 1.0f / 3600.0f, "rate/hour --> rate/sec"},
    {"min", "sec", 1.0f / 60.0f, "rate/min --> rate/sec"},
    {"\xA1" "F", "\xA1" "C", 0.0f, "\xA1" "F --> \xA1" "C"},
    {"\xA1" "C", "K", 0.0f, "\xA1" "C --> \xA1K"},
    {"", "", 0.0f, "\xA1" "C --> KPa H2O vapor"},
    {"", "", 0.0f, "\xA1" "C --> Torr H2O vapor"},
    {"", "", 0.0f, "KPa H2O --> g H2O/m^3"},
    {"", "", 0.0f, "KPa H2O --> % vol H2O"},
    {"", "", 0.0f, "\xD6 mass (g) "},
    {"", "", 0.0f, "\xD6 mass (kg) "},
    {"", "", 0.0f, "STP converter"},
};

}  // namespace

const Conversion& ConversionItem(int item) {
  if (item < 1 || item > kConversionItems) item = 1;
  return kConversions[item - 1];
}

TransformOutcome ApplyTransform(float* w, const float* z, int32_t first, int32_t last, const TransformSettings& s) {
  TransformOutcome out;
  const float A = s.a, B = s.b, E = s.exponent;
  if (s.code == 8 && A == 0.0f) {
    out.error = true;
    return out;
  }
  out.ran = true;
  bool bad = false;
  switch (s.code) {
    case 1: {
      if (A == 0.0f) {
        bad = pass(w, first, last, [](float, bool& e) { return e = true, 0.0f; });
        break;
      }
      // p is the previous case's input, so the pass keeps it aside.
      float p = w[1 <= last ? 1 : first];
      bad = pass(w, first, last, [&](float x, bool&) {
        const float y = (x - p) / A + p;
        p = x;
        return y;
      });
      break;
    }
    case 2: {
      const int deg = s.polyDegree < 1 ? 0 : s.polyDegree > 9 ? 9 : s.polyDegree;
      bad = pass(w, first, last, [&](float x, bool&) {
        float sum = s.polyVal[10];
        double xk = 1.0;
        for (int k = 1; k <= deg; ++k) {
          xk *= x;
          sum = static_cast<float>(sum + s.polyVal[k] * xk);
        }
        return sum;
      });
      break;
    }
    case 3: bad = pass(w, first, last, [](float x, bool& e) { return x == 0.0f ? (e = true, 0.0f) : 1.0f / x; }); break;
    case 4: bad = pass(w, first, last, [](float x, bool&) { return -x; }); break;
    case 5:
    case 16: {
      const bool integral = whole(E);
      const bool divides = s.code == 16;
      bad = pass(w, first, last, [&](float x, bool& e) {
        if ((x < 0.0f && !integral) || (x == 0.0f && (divides || E < 0.0f))) return e = true, 0.0f;
        const double p = std::pow(static_cast<double>(x), static_cast<double>(E));
        return divides ? static_cast<float>(A / p) : static_cast<float>(A + B * p);
      });
      break;
    }
    case 6: bad = pass(w, first, last, [=](float x, bool&) { return A - x; }); break;
    case 7: bad = pass(w, first, last, [=](float x, bool&) { return x - A; }); break;
    case 8: bad = pass(w, first, last, [=](float x, bool& e) { return x == 0.0f ? (e = true, 0.0f) : A / x; }); break;
    case 9: bad = pass(w, first, last, [=](float x, bool& e) { return A == 0.0f ? (e = true, 0.0f) : x / A; }); break;
    case 10: bad = pass(w, first, last, [](float x, bool& e) { return x <= 0.0f ? (e = true, 0.0f) : std::sqrt(x); }); break;
    case 11: bad = pass(w, first, last, [](float x, bool&) { return x * x; }); break;
    case 12: bad = pass(w, first, last, [](float x, bool& e) { return x <= 0.0f ? (e = true, 0.0f) : std::log(x); }); break;
    case 13:
      bad = pass(w, first, last, [](float x, bool& e) { return x <= 0.0f ? (e = true, 0.0f) : std::log(x) * 0.43429448f; });
      break;
    case 14: bad = pass(w, first, last, [](float x, bool& e) { return x > 88.0f ? (e = true, 0.0f) : std::exp(x); }); break;
    case 15:
      bad = pass(w, first, last,
                 [](float x, bool& e) { return x > 37.0f ? (e = true, 0.0f) : std::exp(2.302585f * x); });
      break;
    case 17: bad = pass(w, first, last, [](float x, bool&) { return std::fabs(x); }); break;
    case 18: {
      const float f = std::pow(q10(B), 0.1f * A);
      bad = pass(w, first, last, [=](float x, bool&) { return x * f; });
      break;
    }
    case 20: {
      const Breakpoint& bp = s.breakpoint;
      bad = pass(w, first, last, [&](float x, bool& e) {
        return x < bp.value ? segment(bp.lowerType, bp.lowerA, bp.lowerB, bp.lowerC, x, e)
                            : segment(bp.upperType, bp.upperA, bp.upperB, bp.upperC, x, e);
      });
      break;
    }
    case 22:
    case 23:
    case 24:
    case 25: {
      if (z == nullptr) return {false, true};
      const bool divide = s.divide && A != 0.0f;
      if (s.divide && A == 0.0f) out.error = true;
      const float mul = s.multiply ? A : 1.0f;
      const int16_t code = s.code;
      if (code == 22)
        bad = pass2(w, z, first, last, [=](float x, float y, bool&) { return divide ? (x + y) * mul / A : (x + y) * mul; });
      else if (code == 23)
        bad = pass2(w, z, first, last, [=](float x, float y, bool&) { return (x - y) * mul; });
      else if (code == 24)
        bad = pass2(w, z, first, last, [=](float x, float y, bool&) { return y * x * mul; });
      else
        bad = pass2(w, z, first, last, [=](float x, float y, bool& e) {
          if (y == 0.0f) return e = true, 0.0f;
          return divide ? x / y * mul / A : x / y * mul;
        });
      break;
    }
    case 26: {
      if (z == nullptr) return {false, true};
      const float q = q10(B), tref = A;
      bad = pass2(w, z, first, last, [=](float x, float t, bool&) { return x * std::pow(q, 0.1f * (tref - t)); });
      break;
    }
    case 62: bad = pass(w, first, last, [](float x, bool&) { return (x - 32.0f) * 0.555555f; }); break;
    case 63: bad = pass(w, first, last, [](float x, bool&) { return x + 273.15f; }); break;
    case 64:
    case 65: {
      bad = vapourPass(w, first, last, s.code == 65 ? kVapourTorr : kVapourKPa);
      break;
    }
    case 66: {
      const float f = 7.92568f * (273.16f / (A + 273.16f));
      bad = pass(w, first, last, [=](float x, bool&) { return x * f; });
      break;
    }
    case 67:
    case 68:
    case 69: {
      const float f = A == 0.0f ? 0.0f : s.code == 67 ? 750.06f / A : s.code == 68 ? 1.0f / A : 1000.0f / A;
      bad = pass(w, first, last, [=](float x, bool& e) { return f == 0.0f ? (e = true, 0.0f) : x * f; });
      break;
    }
    default:
      if (s.code >= 40 && s.code <= 61) bad = pass(w, first, last, [=](float x, bool&) { return x * A; });
      break;
  }
  out.error = out.error || bad;
  return out;
}

const char* TransformTypeName(int16_t code) {
  static const char* const kNames[27] = {"",
                                         "Z-transform",
                                         "polynomial",
                                         " 1/x",
                                         "x * -1",
                                         "a + b * x^exponent",
                                         "constant - x",
                                         "x - constant",
                                         "constant/x",
                                         "x/constant",
                                         "square root",
                                         "x^2",
                                         "ln x",
                                         "log10 x",
                                         "e^x",
                                         "10^x",
                                         "constant / (x^exponent) ",
                                         "absolute value",
                                         "fixed Q10 ",
                                         "",
                                         "breakpoint (invalid) ",
                                         "",
                                         " chan 1 + chan 2",
                                         "chan 1 - chan 2",
                                         "chan 1 * chan 2",
                                         "chan 1 / chan 2",
                                         "Q10 X, chan 2 is \xA1" "C"};
  return code >= 1 && code <= 26 ? kNames[code] : "";
}

std::string TransformLogText(const TransformSettings& s, const std::string& aText, const std::string& bText,
                             const std::string& eText) {
  if (s.code >= kFirstConversionCode) {
    const int item = s.code - kFirstConversionCode + 1;
    return "conversion #" + NumText(static_cast<int16_t>(item)) + ": " +
           (item <= kConversionItems ? ConversionItem(item).description : "");
  }
  std::string d;
  const std::string ch2 = NumText(s.chan2);
  switch (s.code) {
    case 1: d = "z-transform"; break;
    case 2: d = "polynomial"; break;
    case 3: d = "1/channel X"; break;
    case 4: d = "sign (channelX * -1) "; break;
    case 5: d = aText + " +" + bText + " * (channel X^" + eText + ") "; break;
    case 6: d = aText + " - channel X"; break;
    case 7: d = "channel X -" + aText; break;
    case 8: d = aText + " \xD6 channel X"; break;
    case 9: d = "channel X /" + aText; break;
    case 10: d = "square root of channel X"; break;
    case 11: d = "channel X squared"; break;
    case 12: d = "ln channel X"; break;
    case 13: d = "log10 channel X"; break;
    case 14: d = "e ^ channel X"; break;
    case 15: d = "10 ^ channel X"; break;
    case 16: d = aText + " \xD6 (channel X ^" + eText + ") "; break;
    case 17: d = "absolute value"; break;
    case 18: d = "fixed Q10 correction; dT = " + aText + ", Q10 = " + bText; break;
    case 20: d = "breakpoint transformations"; break;
    case 22: d = "channel" + NumText(s.chan1) + " + channel" + ch2; break;
    case 23: d = "channel" + NumText(s.chan1) + " - channel" + ch2; break;
    case 24: d = "channel" + NumText(s.chan1) + " * channel" + ch2; break;
    case 25: d = "channel" + NumText(s.chan1) + " \xD6 channel" + ch2; break;
    case 26: d = "Q10 of channel X; channel" + ch2 + " is \xA1" "C"; break;
    default: break;
  }
  return "transformation #" + NumText(s.code) + ": " + d;
}

std::string FixTransformLabel(int16_t code, std::string_view label, std::string_view oldUnit,
                              std::string_view newUnit) {
  std::string l(label);
  if (code == 68 || code == 69) {
    if (l.size() >= 30) {
      size_t n = 30;
      while (n > 1 && l[n - 1] == ' ' && l[n - 2] == ' ') --n;
      l.resize(n);
    }
    if (l.size() < 28) l += code == 68 ? "/g" : "/Kg";
    return l;
  }
  if (code < kFirstConversionCode || code > 66 || oldUnit.empty()) return l;
  const size_t at = l.find(oldUnit);
  if (at == std::string::npos) return l;
  return l.substr(0, at) + std::string(newUnit) + l.substr(at + oldUnit.size());
}

void TransformToStep(const TransformSettings& s, float (&f)[28]) {
  for (int k = 2; k < 28; ++k) f[k] = 0.0f;
  f[1] = kTransformOp;
  f[4] = s.code;
  f[5] = s.chan2;
  f[7] = s.makeNewChan ? 1.0f : 0.0f;
  f[8] = s.a;
  f[9] = s.b;
  f[10] = s.exponent;
  f[11] = s.chan1;
  f[14] = s.aux;
  f[15] = s.item1;
  f[27] = s.customIndex;
  if (s.code == 20) {
    const Breakpoint& b = s.breakpoint;
    const float v[9] = {b.value, b.lowerType, b.lowerA, b.lowerB, b.lowerC, b.upperType, b.upperA, b.upperB, b.upperC};
    for (int k = 0; k < 9; ++k) f[18 + k] = v[k];
    return;
  }
  const int deg = s.polyDegree < 0 ? 0 : s.polyDegree > 9 ? 9 : s.polyDegree;
  f[16] = static_cast<float>(deg);
  f[17] = s.polyVal[10];
  for (int k = 1; k <= deg; ++k) f[17 + k] = s.polyVal[k];
}

bool BreakpointTypesValid(const Breakpoint& b) { return typeReadable(b.lowerType) && typeReadable(b.upperType); }

TransformSettings TransformFromStep(const float (&f)[28]) {
  // Fields may come from a damaged script: clamp before they index anything.
  auto i16 = [](float v, int lo, int hi) {
    if (!(v >= static_cast<float>(lo))) return static_cast<int16_t>(lo);
    if (!(v <= static_cast<float>(hi))) return static_cast<int16_t>(hi);
    return static_cast<int16_t>(v);
  };
  TransformSettings s;
  s.code = i16(f[4], 0, 99);
  s.chan2 = i16(f[5], 0, 32);
  s.makeNewChan = f[7] != 0.0f;
  s.a = f[8];
  s.b = f[9];
  s.exponent = f[10];
  s.chan1 = i16(f[11], 0, 32);
  s.aux = i16(f[14], 0, 99);
  s.item1 = i16(f[15], 0, 99);
  s.customIndex = i16(f[27], 0, 9999);
  if (s.code == 20) {
    Breakpoint& b = s.breakpoint;
    float* v[9] = {&b.value, &b.lowerType, &b.lowerA, &b.lowerB, &b.lowerC, &b.upperType, &b.upperA, &b.upperB, &b.upperC};
    for (int k = 0; k < 9; ++k) *v[k] = f[18 + k];
    return s;
  }
  s.polyDegree = i16(f[16], 0, 9);
  s.polyVal[10] = f[17];
  for (int k = 1; k <= s.polyDegree; ++k) s.polyVal[k] = f[17 + k];
  return s;
}
