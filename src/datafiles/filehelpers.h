// Small helpers the data-file code shares with the rest of the program:
// case-count and date texts, byte order, the sample-interval check.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The case count as window titles show it: up to 999 the number text, then
// "#,###", "##,###", "###,###" and "#,###,###" pictures (leading blank for
// non-negative counts, like every number text).
std::string MakeCaseNumber(int32_t count);

// A calendar date. Valid dates only come out of ParseDateText.
struct CivilDate {
  int32_t year = 0;
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  friend bool operator==(const CivilDate&, const CivilDate&) = default;
};
// "mm-dd-yyyy" or "mm/dd/yyyy" (blanks may stand for leading zeros); false
// for anything that is not a real date.
bool ParseDateText(std::string_view text, CivilDate* out);
// The date moved by whole days, months and years carried, Gregorian leap
// years.
CivilDate AddDays(CivilDate date, int64_t days);
// "mm-dd-yyyy" (separator '-') or "mm/dd/yyyy".
std::string DateText(const CivilDate& date, char separator = '-');
// Today on the local calendar, "mm-dd-yyyy".
std::string TodayDateText();

// The date of a case of a recording, without leading blanks. With
// d = (caseIndex * interval + startSeconds) / 86400: a non-zero flag gives
// trunc(d) + startDayOfYear as a whole number (not wrapped at the year's end);
// flag 0 gives "mm/dd/yyyy" from startDate advanced by the whole days of d.
// An unreadable start date gives "".
std::string MakeDateStringFor(double interval, std::string_view startDate, int32_t startSeconds,
                              int32_t caseIndex, uint16_t startDayOfYear, uint16_t flag);
// The same for TheFileInUse.
std::string MakeDateString(int32_t startSeconds, int32_t caseIndex, uint16_t startDayOfYear,
                           uint16_t flag);

// Reverses the bytes of each 32-bit word in place.
void ByteSwap32(void* words, size_t count);
// Brings big-endian floats to host order in place (nothing to do on a
// big-endian host).
void BigEndianToHost32(void* words, size_t count);
inline void HostToBigEndian32(void* words, size_t count) { BigEndianToHost32(words, count); }
// Cases 0..nCases of every channel of TheFileInUse from big-endian to host
// order. Case 0 is swapped too: leaving it alone would hand back a garbage
// leading value.
void BigENDIANtoLittleEndian();

inline constexpr float kRepairedInterval = 9.999f;
// The intervals a recording can have: a nanosecond to about eleven days.
// Outside them the clock and date of 7,000,000 cases leave any calendar.
inline constexpr float kMinInterval = 1e-9f;
inline constexpr float kMaxInterval = 1e6f;
// True when an interval cannot be used: outside the range above, or not a
// number.
bool IntervalNeedsRepair(float interval);
// When the interval of TheFileInUse cannot be used, sets it to 9.999 s and
// returns true: the caller then shows the "Sample Interval Warning".
bool CheckSampleInterval();

// FileInfoFLOATS word 8 from a start time: its seconds of the day / 60,
// rounded once to f32 (0 for an unreadable time).
float StartMinutesOf(std::string_view startTime);
