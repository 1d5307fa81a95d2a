#include "analyses/statspanel.h"

#include <cmath>
#include <cstdio>

#include <gtest/gtest.h>

#include "output/results.h"

namespace {

// The block 1, 2, 3, 4, 5 at 1 s, descriptive statistics running.
PanelInput oneToFive() {
  PanelInput in;
  in.meanValue = 3.0;
  in.sd = static_cast<float>(std::sqrt(2.0));
  in.n = 5;
  in.mi = 1.0f;
  in.ma = 5.0f;
  in.x1 = 120.0f;
  in.x2 = 124.0f;
  in.startMinutes = 600.0f;
  in.integrationUnit = kUnitSeconds;
  return in;
}

}  // namespace

TEST(StatsPanel, OneToFiveTexts) {
  const PanelTexts p = StatsPanelTexts(oneToFive(), kPanelFull);
  EXPECT_EQ(p.mean, " 3");
  ASSERT_TRUE(p.spreadShown);
  EXPECT_EQ(p.sd, " 1.41421");
  EXPECT_EQ(p.se, " 0.63246");
  EXPECT_EQ(p.cv, " 47.140 %");  // StringFormatter's "####.###"
  ASSERT_TRUE(p.elapsedShown);
  EXPECT_EQ(p.elapsed.n, " 5");
  EXPECT_EQ(p.elapsed.duration, " 4.000 sec");
  EXPECT_EQ(p.range, " 1  to  5");
  EXPECT_TRUE(p.rateUnitShown);
  ASSERT_TRUE(p.clockShown);
  EXPECT_EQ(p.clock, "       from 10:02:00  to 10:02:04  ");
  ASSERT_TRUE(p.totalShown);
  EXPECT_EQ(p.integration.total, " 15");  // mean 3 over 5 s per second
  EXPECT_EQ(p.integration.markedUnit, kUnitSeconds);

  // The compact panel writes the C.V. as a plain number and has no total.
  const PanelTexts c = StatsPanelTexts(oneToFive(), kPanelCompact);
  EXPECT_EQ(c.cv, " 47.1405 %");
  EXPECT_FALSE(c.totalShown);
}

TEST(StatsPanel, ScalingShiftsValuesAndScalesSpreads) {
  PanelInput in = oneToFive();
  in.meanValue = 4.0;
  in.sd = 2.0f;
  in.scale = ScaleOfEntry({0.0f, 2.0f, 10.0f});  // divide by 2, + 10
  const PanelTexts p = StatsPanelTexts(in, kPanelFull);
  EXPECT_EQ(p.mean, " 12");
  EXPECT_EQ(p.sd, " 1");
  EXPECT_EQ(p.range, " 10.5  to  12.5");
  EXPECT_EQ(p.cv, " 8.333 %");  // 100 * 1 / 12
  // The 1..5 block under the same scaling: 10 + 3 / 2.
  in = oneToFive();
  in.scale = ScaleOfEntry({0.0f, 2.0f, 10.0f});
  EXPECT_EQ(StatsPanelTexts(in, kPanelFull).mean, " 11.5");
}

TEST(StatsPanel, TwoCasesHideTheSpreadAndZeroMeanHasNoCV) {
  PanelInput in = oneToFive();
  in.n = 2;
  EXPECT_FALSE(StatsPanelTexts(in, kPanelFull).spreadShown);
  in = oneToFive();
  in.meanValue = 0.0;
  EXPECT_EQ(StatsPanelTexts(in, kPanelFull).cv, " undefined");
  EXPECT_EQ(StatsPanelTexts(in, kPanelCompact).cv, " undefined");
}

TEST(StatsPanel, ModesRowSixAndPickedValuesGateTheParts) {
  PanelInput in = oneToFive();
  EXPECT_FALSE(StatsPanelTexts(in, kPanelNoTotal).totalShown);
  in.rEnd = 3;
  EXPECT_FALSE(StatsPanelTexts(in, kPanelFull).totalShown);
  in = oneToFive();
  in.row = 6;
  const PanelTexts p = StatsPanelTexts(in, kPanelFull);
  EXPECT_FALSE(p.elapsedShown);
  EXPECT_FALSE(p.rateUnitShown);
  EXPECT_TRUE(p.totalShown);  // the field stays, only its label goes
  EXPECT_FALSE(p.integration.labelShown);
  // No analysis running and the span starting in case 0: no clock line.
  in = oneToFive();
  in.analysisCode = -1;
  in.x1 = 0.9f;
  EXPECT_FALSE(StatsPanelTexts(in, kPanelCompact).clockShown);
  EXPECT_FALSE(StatsPanelTexts(in, kPanelCompact).elapsedShown);
}

TEST(StatsPanel, ConstantVolumeConvertsOnlyTheFullPanelsMean) {
  ConstantVolume cv;
  cv.on = true;
  cv.stpFactor = 1.0f;
  cv.rq = 0.8f;
  cv.gasType = 2;
  EXPECT_NEAR(*ConstantVolumeMean(20.0, cv), 0.190476, 1e-6);
  cv.gasType = 1;
  cv.abCO2 = true;
  cv.fio2 = 20.95f;
  EXPECT_NEAR(*ConstantVolumeMean(20.0, cv), 0.201918, 1e-6);
  cv.abCO2 = false;   // 0.2 / (1 - (0.2095 - 0.2) (1 - 0.8))
  EXPECT_NEAR(*ConstantVolumeMean(20.0, cv), 0.200381, 1e-6);
  cv.on = false;
  EXPECT_EQ(*ConstantVolumeMean(20.0, cv), 20.0);

  // A zero denominator: 1 - (100 % - 0).
  ConstantVolume zero;
  zero.on = true;
  zero.gasType = 1;
  zero.abCO2 = true;
  zero.fio2 = 100.0f;
  EXPECT_FALSE(ConstantVolumeMean(0.0, zero).has_value());

  PanelInput in = oneToFive();
  in.meanValue = 20.0;
  in.sd = 2.0f;
  in.constantVolume = cv;
  in.constantVolume.on = true;
  const PanelTexts full = StatsPanelTexts(in, kPanelFull);
  EXPECT_EQ(full.mean, " 0.200381");
  EXPECT_EQ(full.cv, " 10.000 %");  // from the unconverted mean
  EXPECT_EQ(StatsPanelTexts(in, kPanelCompact).mean, " 20");
}

TEST(TimeTexts, ClockOfCasesWrapsAtMidnight) {
  EXPECT_EQ(CaseClockText(600.0f, 1.0f, 0.0f), " 10:00:00  ");
  // 23:59:00 plus two minutes.
  EXPECT_EQ(CaseClockText(1439.0f, 60.0f, 2.0f), " 0:01:00  ");
  // Exactly a day's end stays 24:00:00, as the clock text is reduced only
  // above, also when an hour's worth of cases reaches it.
  EXPECT_EQ(CaseClockText(1440.0f, 60.0f, 0.0f), " 24:00:00  ");
  EXPECT_EQ(CaseClockText(1380.0f, 60.0f, 60.0f), " 24:00:00  ");
  EXPECT_EQ(CaseClockText(1380.0f, 60.0f, 61.0f), " 0:01:00  ");
  // Case 7,000,000 at 1 s from 09:30:00 is 81 days and 26:40 on, not 14 s
  // later as at 0.0166667 minutes per second.
  EXPECT_EQ(CaseClockText(570.0f, 1.0f, 7'000'000.0f), " 9:56:40  ");
  EXPECT_EQ(CaseClockText(570.0f, 0.25f, 6'999'999.0f), " 15:36:39  ");
  // Every whole second of the day held as f32 minutes reads as itself, at
  // its start and 7,000,000 s (81 days and 1600 s) on.
  for (int32_t s = 0; s < 86'400; ++s) {
    const auto start = static_cast<float>(s / 60.0);
    for (const int32_t later : {0, 1600}) {
      const int32_t t = (s + later) % 86'400;
      if (t == 0 && later != 0) continue;   // a day's end exactly, 24:00:00 above
      char want[32];
      std::snprintf(want, sizeof want, " %d:%02d:%02d  ", t / 3600, t / 60 % 60, t % 60);
      ASSERT_EQ(CaseClockText(start, 1.0f, later == 0 ? 0.0f : 7'000'000.0f), want) << s;
    }
  }
  // Several days on.
  EXPECT_EQ(CaseClockText(0.0f, 3600.0f, 50.0f), " 2:00:00  ");
  EXPECT_EQ(ClockLineText(1439.0f, 30.0f, 0.0f, 4.0f), "       from 23:59:00  to 0:01:00  ");
  EXPECT_TRUE(ClockLineShown(0.0f, 1));
  EXPECT_TRUE(ClockLineShown(3.0f, -1));
}

TEST(TimeTexts, DurationRowByUnit) {
  EXPECT_EQ(ElapsedTimeTexts(3, 1.0f, kUnitSeconds).duration, " 2.000 sec");
  EXPECT_EQ(ElapsedTimeTexts(3, 1.0f, kUnitMinutes).duration, " 0.033333335 min");
  EXPECT_EQ(ElapsedTimeTexts(13, 1.0f, kUnitMinutes).duration, " 0.2 min");   // 12 s, not 0.20000039
  EXPECT_EQ(ElapsedTimeTexts(7201, 1.0f, kUnitHours).duration, " 2.000 hours");
  EXPECT_EQ(ElapsedTimeTexts(172'801, 1.0f, kUnitDays).duration, " 2.000 days");
  // "None" still gives the duration, in seconds.
  EXPECT_EQ(ElapsedTimeTexts(3, 1.0f, kUnitNone).duration, " 2.000 sec");
  EXPECT_EQ(ElapsedTimeTexts(601, 1.0f, kUnitSeconds).minutes, 0);  // 600 s
  EXPECT_EQ(ElapsedTimeTexts(602, 1.0f, kUnitSeconds).minutes, 1);
  EXPECT_EQ(ElapsedTimeTexts(1, 1.0f, kUnitSeconds).duration, " 0 sec");
  EXPECT_EQ(ElapsedTimeTexts(0, 1.0f, kUnitSeconds).duration, " 0 sec");
  EXPECT_EQ(ElapsedTimeTexts(7'000'000, 1.0f, kUnitSeconds).n, " 7000000");
}

TEST(TimeTexts, ResultsHeader) {
  HeaderTexts h = ResultsHeaderTexts(2, "O2", 0, 1, 1.0f);
  EXPECT_EQ(h.channelLine, "  Channel 2   O2" + std::string(28, ' '));
  EXPECT_EQ(h.casesLine, " cases 0 to 1;  duration 1 sec         ");
  EXPECT_EQ(h.minutes, 0);
  h = ResultsHeaderTexts(12, std::string(40, 'x'), 99, 699, 1.0f);
  EXPECT_EQ(h.channelLine, "  Channel 12   " + std::string(30, 'x'));
  EXPECT_EQ(h.casesLine, " cases 99 to 699;  duration 10 min         ");
  EXPECT_EQ(h.minutes, 1);
  h = ResultsHeaderTexts(1, "", 0, 599, 1.0f);
  EXPECT_EQ(h.casesLine, " cases 0 to 599;  duration 599 sec         ");
  EXPECT_EQ(h.minutes, 0);
  // Case numbers past 16 bits.
  EXPECT_EQ(ResultsHeaderTexts(1, "", 6'999'998, 6'999'999, 0.5f).casesLine,
            " cases 6999998 to 6999999;  duration 0.5 sec         ");
  // At most four significant digits; whole minutes stay whole.
  EXPECT_EQ(ResultsHeaderTexts(1, "", 0, 1, 12.345678f).casesLine, " cases 0 to 1;  duration 12.35 sec         ");
  EXPECT_EQ(ResultsHeaderTexts(1, "", 0, 1, 0.0123456f).casesLine, " cases 0 to 1;  duration 0.01235 sec         ");
  EXPECT_EQ(ResultsHeaderTexts(1, "", 0, 6'999'999, 1.0f).casesLine,
            " cases 0 to 6999999;  duration 116667 min         ");
}

TEST(IntegratedTotal, UnitsAndNone) {
  const ResultScale none;
  EXPECT_DOUBLE_EQ(IntegratedTotal(3.0, 120, none, kUnitMinutes, 0.5f), 3.0);
  EXPECT_DOUBLE_EQ(IntegratedTotal(3.0, 120, none, kUnitNone, 0.5f), 360.0);
  EXPECT_DOUBLE_EQ(IntegratedTotal(3.0, 120, none, kUnitNoneIntegration, 0.5f), 360.0);
  EXPECT_DOUBLE_EQ(IntegratedTotal(10.0, 3600, none, kUnitHours, 2.0f), 20.0);
  EXPECT_DOUBLE_EQ(IntegratedTotal(2.0, 86400, none, kUnitDays, 1.0f), 2.0);
  EXPECT_DOUBLE_EQ(IntegratedTotal(2.0, 10, none, 999, 1.0f), 20.0);  // unknown id: seconds
  EXPECT_DOUBLE_EQ(IntegratedTotal(3.0, 120, none, kUnitMinutes, 0.0f), 0.0);
  // Scaled before integrating: (10 + 3 / 2) per sample.
  EXPECT_DOUBLE_EQ(IntegratedTotal(3.0, 4, ScaleOfEntry({0.0f, 2.0f, 10.0f}), kUnitNone, 1.0f), 46.0);

  PanelInput in;
  in.meanValue = 3.0;
  in.n = 120;
  in.mmlPoints = 60;
  in.interval = 0.5f;
  in.integrationUnit = kUnitMinutes;
  EXPECT_EQ(IntegrationPanelTexts(in, false).total, " 3");
  const IntegrationTexts scan = IntegrationPanelTexts(in, true);
  EXPECT_EQ(scan.n, 60);
  EXPECT_EQ(scan.total, " 1.5");
}

TEST(TimeStatsPanel, Texts) {
  const TimeStatsTexts t = TimeStatsPanelTexts(2.0f, 1.0f, 3, 1.0f, 3.0f);
  EXPECT_EQ(t.mean, " 2");
  ASSERT_TRUE(t.spreadShown);
  EXPECT_EQ(t.cv, " 50 %");
  EXPECT_EQ(t.se, " 0.57735");
  EXPECT_EQ(t.rangeLine, "range:  1  to 3 sec" + std::string(25, ' '));
  EXPECT_EQ(t.integratedLine, "integrated time =  6 sec" + std::string(22, ' '));
  EXPECT_FALSE(TimeStatsPanelTexts(2.0f, 1.0f, 2, 1.0f, 3.0f).spreadShown);
  EXPECT_EQ(TimeStatsPanelTexts(0.0f, 1.0f, 3, 0.0f, 0.0f).cv, " undefined");
}

TEST(AnalysisKit, ChannelButtonsAndRules) {
  EXPECT_EQ(ChannelButtonRect(17).right, 315);
  EXPECT_EQ(ChannelButtonRect(18), (plat::Rect{5, 277, 25, 293}));
  EXPECT_TRUE(ChannelButtonRect(33).empty());
  EXPECT_TRUE(KitShowsDistributionButtons(-1));
  EXPECT_EQ(ChannelOfKey('0', 10), 10);
  EXPECT_EQ(ChannelOfKey('0', 9), 0);
  EXPECT_EQ(ChannelOfKey('$', 14), 14);
  EXPECT_EQ(ChannelOfKey('a', 32), 0);
}
