// Number, clock and calendar texts shared by every subsystem. Texts are Mac
// Roman bytes; these helpers only ever produce ASCII.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The standard number-to-text form: one leading blank unless negative, no
// trailing zeros or point, at most 10 significant digits. A float prints the
// shortest text that reads back as the same float, so 0.1f is " 0.1".
std::string NumText(double x);
std::string NumText(float x);
inline std::string NumText(int32_t x) { return NumText(static_cast<double>(x)); }
inline std::string NumText(int16_t x) { return NumText(static_cast<double>(x)); }
// The same without the leading blank, as edit fields show numbers.
std::string FieldNumText(double x);
std::string FieldNumText(float x);
// FieldNumText's characters written at out (room for 32); returns their end.
char* FieldNumChars(char* out, float x);
char* FieldNumChars(char* out, double x);

// The standard text-to-number conversion: blanks around the number are
// allowed; anything else that is not a whole finite number reads as 0.
double TextToNum(std::string_view text);

// Number pictures such as "###.###" or "#,###,###": as many decimals as '#'
// after the point, thousands separators when the picture has a comma; the
// integer part is never cut. Non-negative results start with a blank like
// NumText.
std::string FormatPicture(double x, std::string_view picture);
// Display text by magnitude: below 1 NumText; below 10 "###.###"; below 100
// "####.###"; below 1000 "#####.##"; below 10000 "######.#"; else rounded.
std::string StringFormatter(float x);

// " h:mm:ss  " for minutes of the day (reduced into one day, seconds
// truncated).
std::string ClockTextFromMinutes(double minutesOfDay);
// Reads VarXX (minutes of the day), reducing it by 1440 while above 1440 and
// storing it back, and leaves the clock text in timstring[0].
void MakeTimeString();

// "hh:mm:ss" fields may carry blanks for leading zeros (" 7: 5: 9"). Returns
// seconds of the day, or -1 when the text is not a clock time.
int32_t ClockTextSeconds(std::string_view text);
// Seconds of the day as "hh:mm:ss"; with blankPadded a leading zero of each
// field is a blank instead.
std::string ClockText(int32_t secondsOfDay, bool blankPadded = false);

bool IsLeapYear(int32_t year);                 // Gregorian
int DaysInMonth(int month, int32_t year);      // 0 for a month outside 1..12
// Days before the month in a common year (0 outside 1..12). The flag of the
// Day-of-Year calculator is handled by its window, which calls DayOfYearOf.
int16_t computeDayOfYear(uint16_t flag, int16_t month);
// Day of the year from 1, with Gregorian leap years; 0 for an invalid date.
int16_t DayOfYearOf(int day, int month, int32_t year);

// Text without trailing blanks.
std::string TrimTrailingBlanks(std::string_view text);

// Today's local date as "MM/dd/yy".
std::string TodayMMddyy();
