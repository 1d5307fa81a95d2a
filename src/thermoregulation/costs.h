// The thermoregulatory cost engine: case by case over a microclimate
// recording, the energy an endotherm spends on keeping warm, with active and
// rest phases, Tb and conductance changes, the BMR floor, torpor with entry
// and arousal ramps, wind and shelter, and the missing-data rules. Pure
// functions over plain arrays and settings; adapters at the end read the
// store and keep the run totals in the shared globals.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/pages.h"
#include "thermoregulation/options.h"

// Channels of a recording, each indexed by case (1..nCases; index 0 unused).
// dayOfYear is read only with computeDawnAndDusk, wind only with windUsed.
struct TregClimate {
  const float* shade = nullptr;
  const float* sun = nullptr;
  const float* timeOfDay = nullptr;   // hours, 0..24
  const float* dayOfYear = nullptr;
  const float* wind = nullptr;        // m/s
  int32_t nCases = 0;
  float interval = 0;                 // s
};

// One animal. bmr in watts.
struct TregAnimal {
  float lct = 0, conductance = 0, bmr = 0;
  bool useSun = true;
  float tb = 0, mass = 0;
  bool shelter = false;
};

struct TregCostsKind;

// Leaves the floats of a cost channel unset as it grows: the case loop
// writes every case, and setting them first was a pass of its own. The
// block is kept for the next run, which the user repeats with other
// animals and settings.
template <class T>
struct UnsetOnGrowth : KeepsLastBlock<T, TregCostsKind> {
  UnsetOnGrowth() = default;
  template <class U>
  UnsetOnGrowth(const UnsetOnGrowth<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... A>
  void construct(U* p, A&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<A>(args)...);
  }
};

// e^x as the cost engine works it out, the same in every one of its loops.
float TregExp(float x);

inline constexpr int kMaxListedTimingErrors = 100;
inline constexpr float kNoWindowMean = -9e30f;

struct TregResult {
  std::vector<float, UnsetOnGrowth<float>> costs;   // per case: the cost, 0 when rejected or without a cost
  int32_t totalCases = 0;             // accepted cases
  int32_t atBMR = 0, aboveBMR = 0;
  float highest = 0;                  // highest single written cost, W
  int32_t timingErrorCount = 0;
  std::vector<int32_t> timingErrors;  // first 100 case numbers
  double writtenSum = 0, aboveSum = 0, torporSum = 0, activeSum = 0;
  int32_t torporCases = 0, activeCases = 0;
  int32_t windowCases = 0;            // cases in 6 hours
  float h6 = kNoWindowMean, h12 = kNoWindowMean, hday = kNoWindowMean;
  float mean = 0;                     // written sum / accepted cases (NaN without any)
  float activeMean = 0;               // over active-phase cases (NaN without any)
  bool torporUsed = false;            // the animal could use torpor in this run
};

// Runs every case once. sunTable (days 0..366: daylight, sunrise, sunset) is
// read with computeDawnAndDusk; a day of the year outside 0..366 takes the
// fixed dawn and dusk and counts as a timing error. In torpor, Tr ramps
// from Tb' over the entry time after rest start + start lag and back over
// the entry time before rest end - end lag, both across midnight; defending
// Tr below MinTb - 1 costs max((Tr - Ta) C, BMR Q10^((Tr - Tb') / 10)).
// store, when given
// (nCases + 1 floats), receives the cost of every case that was not
// rejected, 0 for a case without a cost; rejected cases are left as they were.
TregResult ComputeTregCosts(const TregClimate& climate, const TregAnimal& animal, const TregSettings& s,
                            const float (*sunTable)[3], float* store = nullptr);

// The highest mean of the positive costs over any run of w consecutive
// cases 1..n-w+... (cases i..i+w-1 for i = 1..n-w) holding at least
// trunc(0.7 w) positive values; kNoWindowMean when none qualifies.
// costs holds n + 1 values (index 0 unused). One pass; a long channel's
// running totals are added up on a thread of their own.
float HighestWindowMean(std::span<const float> costs, int32_t w);
// The same for w6, 2 w6 and 4 w6 (6 hours, 12 hours, a day) in one pass;
// a long channel's running totals are added up on a thread of their own.
std::array<float, 3> HighestWindowMeans(std::span<const float> costs, int32_t w6);
// The same for lengths w1, w2 and w3 (0: none) with the totals added up on
// a thread of their own, `segment` cases at a time, however short the
// channel: the tests hold it to the pass on one thread.
std::array<float, 3> HighestWindowMeansOnTwoThreads(std::span<const float> costs, int32_t w1, int32_t w2, int32_t w3,
                                                    int32_t segment);

// The extra fraction of heat loss through wind:
// 0.0092 mass^0.66 |LCT - Ta|^0.32 sqrt(wind), mass in g, wind in m/s.
float WindFactor(float mass, float lctMinusTa, float wind);

// ---- Texts ------------------------------------------------------------------------------------

// Result-field texts of a run (field id, text), bmr the watts the engine took.
std::vector<std::pair<int16_t, std::string>> TregResultTexts(const TregResult& r, float bmr);
// The three mean fields: 115 mean W, 116 ml O2/min, 117 x BMR.
std::string MeanTimesBmrText(float mean, float bmrWatts);

// Field ids of the main dialog's results.
inline constexpr int16_t kTregMeanW = 115, kTregMeanMl = 116, kTregMeanXBmr = 117;
inline constexpr int16_t kTregMaxW = 118, kTregMaxXBmr = 119, kTregAtBmrPct = 138;
inline constexpr int16_t kTregNotBmrW = 139, kTregNotBmrX = 140;
inline constexpr int16_t kTreg6hW = 202, kTreg6hX = 204, kTreg12hW = 212, kTreg12hX = 214;
inline constexpr int16_t kTregDayW = 182, kTregDayX = 184;
inline constexpr int16_t kTregTorporW = 188, kTregTorporX = 189, kTregTorporPct = 192;

// ---- Adapters ---------------------------------------------------------------------------------

// Totals of the last run, read by the main dialog and the batch.
extern int32_t TotalTregCases, TotalAtBMR, TotalAboveBMR;
extern float HighestTregCost;
extern int32_t TimingErrors[kMaxListedTimingErrors + 1];   // 1-based
// The run's timing-error count (32-bit; prefsArray word 58 holds it clamped).
extern int32_t TimingErrorCount;

// The climate channels of a file slot; channels outside the file give nulls.
TregClimate ClimateOfSlot(int16_t slot, int16_t shadeChannel, int16_t sunChannel, int16_t timeChannel,
                          int16_t dayChannel, int16_t windChannel);
// Keeps a run's totals in the globals above and word 58.
void StoreTregTotals(const TregResult& r);
