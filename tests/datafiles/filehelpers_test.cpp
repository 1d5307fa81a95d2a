#include "datafiles/filehelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "fixture.h"
#include "shell/textutil.h"

namespace {

using FileHelpersTest = DataFilesTest;

TEST(MakeCaseNumber, PicturesSwitchAtEachDecade) {
  EXPECT_EQ(MakeCaseNumber(0), " 0");
  EXPECT_EQ(MakeCaseNumber(999), " 999");
  EXPECT_EQ(MakeCaseNumber(1000), " 1,000");
  EXPECT_EQ(MakeCaseNumber(9999), " 9,999");
  EXPECT_EQ(MakeCaseNumber(10000), " 10,000");
  EXPECT_EQ(MakeCaseNumber(999999), " 999,999");
  EXPECT_EQ(MakeCaseNumber(1000000), " 1,000,000");
  EXPECT_EQ(MakeCaseNumber(7000000), " 7,000,000");
}

TEST(Dates, ParseAcceptsBothSeparatorsAndRefusesNonDates) {
  CivilDate d;
  ASSERT_TRUE(ParseDateText("02-29-2024", &d));
  EXPECT_EQ(d, (CivilDate{2024, 2, 29}));
  ASSERT_TRUE(ParseDateText(" 3/ 7/2023", &d));
  EXPECT_EQ(d, (CivilDate{2023, 3, 7}));
  EXPECT_FALSE(ParseDateText("02-29-2023", &d));  // not a leap year
  EXPECT_FALSE(ParseDateText("02-29-1900", &d));  // century rule
  EXPECT_TRUE(ParseDateText("02-29-2000", &d));   // 400-year rule
  EXPECT_FALSE(ParseDateText("13-01-2023", &d));
  EXPECT_FALSE(ParseDateText("04-31-2023", &d));
  EXPECT_FALSE(ParseDateText("03-07/2023", &d));
  EXPECT_FALSE(ParseDateText("", &d));
}

TEST(Dates, AddDaysCarriesMonthsYearsAndLeapDays) {
  EXPECT_EQ(AddDays({2024, 2, 28}, 1), (CivilDate{2024, 2, 29}));
  EXPECT_EQ(AddDays({2023, 2, 28}, 1), (CivilDate{2023, 3, 1}));
  EXPECT_EQ(AddDays({2023, 12, 31}, 1), (CivilDate{2024, 1, 1}));
  EXPECT_EQ(AddDays({2024, 1, 1}, -1), (CivilDate{2023, 12, 31}));
  EXPECT_EQ(AddDays({2024, 1, 31}, 45), (CivilDate{2024, 3, 16}));   // two month ends
  EXPECT_EQ(AddDays({2023, 3, 1}, 366), (CivilDate{2024, 3, 1}));    // over a leap day
  EXPECT_EQ(AddDays({1900, 2, 28}, 1), (CivilDate{1900, 3, 1}));
}

TEST(Dates, MakeDateStringCalendarForm) {
  // 1 Hz, start 23:00:00: case 3600 is midnight, the next day.
  const int32_t start = 23 * 3600;
  EXPECT_EQ(MakeDateStringFor(1.0, "12-31-2023", start, 3599, 0, 0), "12/31/2023");
  EXPECT_EQ(MakeDateStringFor(1.0, "12-31-2023", start, 3600, 0, 0), "01/01/2024");
  EXPECT_EQ(MakeDateStringFor(1.0, "02-28-2024", start, 3600, 0, 0), "02/29/2024");
  EXPECT_EQ(MakeDateStringFor(1.0, "02-28-2023", start, 3600, 0, 0), "03/01/2023");
  EXPECT_EQ(MakeDateStringFor(1.0, "04-30-2023", start, 3600, 0, 0), "05/01/2023");
  // A recording of 70 days at one sample a day crosses two month ends; the
  // single carry once described would give an impossible date here.
  EXPECT_EQ(MakeDateStringFor(86400.0, "01-15-2023", 0, 70, 0, 0), "03/26/2023");
  EXPECT_EQ(MakeDateStringFor(1.0, "not a date", 0, 5, 0, 0), "");
}

TEST(Dates, MakeDateStringDayOfYearIsNotWrapped) {
  EXPECT_EQ(MakeDateStringFor(3600.0, "12-31-2023", 0, 0, 365, 1), "365");
  EXPECT_EQ(MakeDateStringFor(3600.0, "12-31-2023", 0, 24, 365, 1), "366");
  EXPECT_EQ(MakeDateStringFor(3600.0, "12-31-2023", 0, 48, 365, 1), "367");
  // Fractions of a day do not count.
  EXPECT_EQ(MakeDateStringFor(0.5, "01-01-2024", 86399, 1, 10, 1), "10");
  EXPECT_EQ(MakeDateStringFor(0.5, "01-01-2024", 86399, 2, 10, 1), "11");
}

TEST_F(FileHelpersTest, MakeDateStringReadsTheCurrentFile) {
  int16_t slot = -1;
  ASSERT_EQ(OpenNewFileSlot(10, 1, &slot), StoreStatus::Ok);
  TheFileInUse = static_cast<uint16_t>(slot);
  FileInfoFLOATS[slot][kInfoInterval] = 60.0f;
  StartDate[slot] = "12-31-1999";
  EXPECT_EQ(MakeDateString(23 * 3600 + 59 * 60, 1, 0, 0), "01/01/2000");
  // Seven days of 0.7 s cases end exactly at midnight, though 0.7f is a
  // hair below 0.7.
  FileInfoFLOATS[slot][kInfoInterval] = 0.7f;
  StartDate[slot] = "01-01-2024";
  EXPECT_EQ(MakeDateString(0, 864'000, 0, 0), "01/08/2024");
  EXPECT_EQ(MakeDateString(0, 864'000, 1, 1), "8");
  EXPECT_EQ(MakeDateString(0, 863'999, 0, 0), "01/07/2024");
  TheFileInUse = kNoFile;
  EXPECT_EQ(MakeDateString(0, 1, 0, 0), "");
}

TEST_F(FileHelpersTest, BigEndianConversionCoversCaseZero) {
  int16_t slot = -1;
  ASSERT_EQ(OpenNewFileSlot(3, 2, &slot), StoreStatus::Ok);
  TheFileInUse = static_cast<uint16_t>(slot);
  const float values[4] = {-1.5f, 2.0f, 1e-30f, 123456.0f};
  for (int16_t c = 1; c <= 2; ++c) {
    float* a = ChannelData(slot, c);
    for (int i = 0; i < 4; ++i) {
      uint32_t w;
      std::memcpy(&w, &values[i], 4);
      w = __builtin_bswap32(w);  // as big-endian bytes on this little-endian host
      std::memcpy(&a[i], &w, 4);
    }
  }
  BigENDIANtoLittleEndian();
  for (int16_t c = 1; c <= 2; ++c)
    for (int i = 0; i < 4; ++i) EXPECT_EQ(GetDatum(slot, c, i), values[i]) << "channel " << c << " case " << i;
}

TEST_F(FileHelpersTest, CheckSampleIntervalRepairsOnlyUnusableIntervals) {
  int16_t slot = -1;
  ASSERT_EQ(OpenNewFileSlot(10, 1, &slot), StoreStatus::Ok);
  TheFileInUse = static_cast<uint16_t>(slot);
  for (float bad : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    6.5e32f, 1.1e6f, 1e-10f}) {
    FileInfoFLOATS[slot][kInfoInterval] = bad;
    EXPECT_TRUE(CheckSampleInterval());
    EXPECT_EQ(FileInfoFLOATS[slot][kInfoInterval], kRepairedInterval);
  }
  for (float good : {0.004f, 2e-7f, 86400.0f, kMinInterval, kMaxInterval}) {
    FileInfoFLOATS[slot][kInfoInterval] = good;
    EXPECT_FALSE(CheckSampleInterval());
    EXPECT_EQ(FileInfoFLOATS[slot][kInfoInterval], good);
  }
}

TEST(StartMinutes, FromClockText) {
  // Seconds of the day / 60 in double, rounded once to float.
  const struct {
    const char* text;
    double minutes;
  } cases[] = {{"09:30:30", 570.5}, {" 7: 5: 0", 425}, {"00:00:01", 1 / 60.0}, {"13:45:10", 825 + 10 / 60.0},
               {"23:59:59", 1439 + 59 / 60.0}};
  for (const auto& c : cases) EXPECT_EQ(StartMinutesOf(c.text), static_cast<float>(c.minutes)) << c.text;
  EXPECT_EQ(StartMinutesOf("garbage!"), 0.0f);
}

}  // namespace
