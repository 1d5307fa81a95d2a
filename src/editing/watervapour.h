// Water vapour over an evaporating surface: the one definition that the
// temperature transforms, the vapour-pressure calculator and the
// respirometry passes share.
#pragma once

// Saturation water-vapour density, g/L (the same number in mg/ml), at t
// degrees C, in single precision: one fifth-order fit above 4 degrees and
// another at and below. The colder fit falls below zero under about -58
// degrees, where no vapour is left: 0 there. For one case or four side by
// side (the same operations in each lane); NaN stays NaN.
template <class T>
[[gnu::always_inline]] inline T SaturatedVapourDensityOf(T t) {
  const T cold =
      0.0048364f + t * (0.00033247f + t * (9.9414e-06f + t * (1.6383e-07f + t * (1.5029e-09f + t * 6.1512e-12f))));
  const T warm =
      0.0048207f + t * (0.00033389f + t * (1.058e-05f + t * (1.4478e-07f + t * (2.3182e-09f + t * 6.7731e-12f))));
  const T rho = t <= 4.0f ? cold : warm;
  return rho < 0.0f ? T{} : rho;
}

// Saturation vapour pressure at t degrees C: rho x unit x 0.4673615 x
// (t + 273.15) in single precision, in kPa for unit 1 and in torr for
// unit 7.50062.
inline constexpr float kVapourKPa = 1.0f;
inline constexpr float kVapourTorr = 7.50062f;
template <class T>
[[gnu::always_inline]] inline T SaturationVapourPressureOf(T t, float unit) {
  return SaturatedVapourDensityOf(t) * unit * 0.4673615f * (t + 273.15f);
}
