// Water vapour over an evaporating surface: the one definition that the
// temperature transforms, the vapour-pressure calculator and the
// respirometry passes share; and the water column as a pressure.
#pragma once

// Torr per millimetre of water column: 9.80665 Pa (1 mm of water at standard
// gravity) over 101325 / 760 Pa. 760 torr is 10.33 m of water.
inline constexpr double kTorrPerMmWater = 0.0735559;

// Latent heat of vaporisation of water at 37 degrees C, J/mg (steam tables
// 2.4138; it falls with temperature, 2.50 J/mg at 0 degrees).
inline constexpr double kLatentJoulesPerMg37 = 2.414;

// The gas constant of water vapour, R / M = 8.314462618 / 18.01528,
// kPa m^3 / (kg K): the same number in kPa L / (g K).
inline constexpr float kWaterVapourGasConstant = 0.4615228f;

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

// Saturation vapour pressure at t degrees C by the ideal-gas law: rho x unit
// x R/M x (t + 273.15) in single precision, in kPa for unit 1 and in torr for
// unit 7.50062.
inline constexpr float kVapourKPa = 1.0f;
inline constexpr float kVapourTorr = 7.50062f;
template <class T>
[[gnu::always_inline]] inline T SaturationVapourPressureOf(T t, float unit) {
  return SaturatedVapourDensityOf(t) * unit * kWaterVapourGasConstant * (t + 273.15f);
}
