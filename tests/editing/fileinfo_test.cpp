// The acquisition summary's texts and the commit rules of the file-data
// dialog: what is shown at the format boundaries, which values are refused,
// and when the file counts as changed.
#include "editing/fileinfo.h"

#include <gtest/gtest.h>

#include <cmath>

#include "shell/globals.h"
#include "shell/store.h"

namespace {

TEST(FileInfoTexts, CaseCountGroupsByTheCountNotTheShownValue) {
  EXPECT_EQ(CaseCountText(12'345), " 12,346");
  EXPECT_EQ(CaseCountText(10'000), " 10001") << "10,000 cases is not above 10,000";
  EXPECT_EQ(CaseCountText(10'001), " 10,002");
  EXPECT_EQ(CaseCountText(100'000), " 100,001");
  EXPECT_EQ(CaseCountText(100'001), " 100,002");
  EXPECT_EQ(CaseCountText(1'000'001), " 1,000,002");
  EXPECT_EQ(CaseCountText(7'000'000), " 7,000,001");
  EXPECT_EQ(CaseCountText(2), " 3");
}

TEST(FileInfoTexts, DurationSwitchesUnitsAtTwoMinutesAndOneHour) {
  EXPECT_EQ(DurationText(1.0f, 119), " 119 sec");
  EXPECT_EQ(DurationText(1.0f, 120), " 2 min");
  EXPECT_EQ(DurationText(0.1f, 1200), " 2 min") << "0.1 s steps must not fall short of 120 s";
  EXPECT_EQ(DurationText(1.0f, 3599), " 59.983334 min");
  EXPECT_EQ(DurationText(1.0f, 3600), " 1 hr");
  EXPECT_EQ(DurationText(2.0f, 7200), " 4 hr");
}

TEST(FileInfoTexts, DeviceNamesAndFlowUnits) {
  EXPECT_EQ(DeviceName(1), "Lab-NB");
  EXPECT_EQ(DeviceName(8), "Riduz UI2");
  EXPECT_EQ(DeviceName(80), "DataTaker DT80");
  EXPECT_EQ(DeviceName(800), "DataTaker DT800");
  EXPECT_EQ(DeviceName(4119), "ADAM-4119");
  EXPECT_EQ(DeviceName(9), "unknown");
  EXPECT_EQ(DeviceName(0), "unknown");
  EXPECT_EQ(DeviceName(1.5f), "unknown") << "codes compare exactly";
  EXPECT_EQ(FlowRateText(500, false), " 500 ml/min");
  EXPECT_EQ(FlowRateText(0.5f, true), " 0.5 L/min");
}

TEST(FileInfoTexts, AcquisitionNumbersAndCopies) {
  EXPECT_EQ(ADNumberText(3), " 3");
  EXPECT_EQ(ADNumberText(99), " 99");
  EXPECT_EQ(ADNumberText(0), "     ?");
  EXPECT_EQ(ADNumberText(103), " 3  copy");
  EXPECT_EQ(ADNumberText(100), "  ?  copy ");
  EXPECT_EQ(ADNumberText(215), " 15  copy");
  EXPECT_EQ(NColumnText(2.6f), " 3");
  EXPECT_EQ(NColumnText(0.4f), "?");
  EXPECT_EQ(NColumnText(NAN), "?");
}

ChannelInfoRecord record(float ad, float a, float b, float c, float kind, float n) {
  ChannelInfoRecord r{};
  r[1] = ad;
  r[2] = a;
  r[3] = b;
  r[4] = c;
  r[5] = kind;
  r[6] = n;
  return r;
}

TEST(FileInfoTexts, CalibrationRowsByConversionKind) {
  const CubicTerms none{};
  CalibrationRow r = CalibrationRowOf(record(2, 0.5f, 20, 0, 1, 4), none);
  EXPECT_EQ(r.adNumber, " 2");
  EXPECT_EQ(r.a, " 0.5");
  EXPECT_EQ(r.b, " 20");
  EXPECT_EQ(r.c, " 0");
  EXPECT_EQ(r.n, " 4");
  EXPECT_EQ(r.transform, "linear (A + B * volts) ");
  EXPECT_EQ(r.wide, "");

  r = CalibrationRowOf(record(1, 7, 8, 9, 0, 0), none);
  EXPECT_EQ(r.a, " 0") << "an unknown conversion shows as the identity";
  EXPECT_EQ(r.b, " 1");
  EXPECT_EQ(r.c, " 1");
  EXPECT_EQ(r.n, "?");
  EXPECT_EQ(r.transform, "   unknown  (assumed linear) ");

  r = CalibrationRowOf(record(1, 7, 8, 9, 11.7f, 1), none);
  EXPECT_EQ(r.transform, "poly (A + B*volts + C*volts^2) ") << "the kind is truncated";

  r = CalibrationRowOf(record(1, 7, 8, 9, 7, 1), none);
  EXPECT_EQ(r.wide, "keyboard event recorder");
  EXPECT_EQ(r.adNumber + r.a + r.n + r.transform, "");
  r = CalibrationRowOf(record(1, 7, 8, 9, 5, 1), none);
  EXPECT_EQ(r.wide, "complex breakpoint equation");

  r = CalibrationRowOf(record(0, 0, 0, 0, 12, 0), none);
  EXPECT_EQ(r.wide, "data transformed after acquisition");
  r = CalibrationRowOf(record(0, 0, 1, 0, 12, 0), none);
  EXPECT_EQ(r.wide, "");
  r = CalibrationRowOf(record(0, 0, 0, 0, -1, 0), none);
  EXPECT_EQ(r.wide, "data transformed after acquisition");
}

TEST(FileInfoTexts, ThirdOrderConversionShowsItsFormulaOnlyWithVoltTerms) {
  CalibrationRow r = CalibrationRowOf(record(1, 0, 0, 0, 6, 3), CubicTerms{1.5f, 2, 0, -0.25f, 10});
  EXPECT_EQ(r.n, " 3");
  EXPECT_EQ(r.wide, "[ 1.5 + 2*V + 0*V2 +-0.25*V3 ] * 10");
  EXPECT_EQ(r.transform, "");
  r = CalibrationRowOf(record(1, 0, 0, 0, 6, 3), CubicTerms{1.5f, 0, 0, 0, 10});
  EXPECT_EQ(r.wide, "3-order polynomial conversion");
  EXPECT_EQ(r.transform, "nonlinear");
}

TEST(FileDataRules, ValidationFunctions) {
  EXPECT_TRUE(AcceptableInterval(0.5));
  EXPECT_FALSE(AcceptableInterval(0));
  EXPECT_FALSE(AcceptableInterval(-1));
  EXPECT_FALSE(AcceptableInterval(NAN));
  EXPECT_FALSE(AcceptableInterval(INFINITY));
  EXPECT_TRUE(AcceptableRQ(0.7));
  EXPECT_FALSE(AcceptableRQ(0));
  EXPECT_FALSE(AcceptableRQ(-0.85));

  EXPECT_TRUE(AcceptableStartTime("09:05:30"));
  EXPECT_TRUE(AcceptableStartTime("23:59:59"));
  EXPECT_TRUE(AcceptableStartTime(" 7: 5: 9")) << "blanks for leading zeros, as stored times have";
  EXPECT_TRUE(AcceptableStartTime("09:05:30  "));
  EXPECT_FALSE(AcceptableStartTime("9:05:00"));
  EXPECT_FALSE(AcceptableStartTime("24:00:00"));
  EXPECT_FALSE(AcceptableStartTime("12:60:00"));
  EXPECT_FALSE(AcceptableStartTime("12:00:61"));
  EXPECT_FALSE(AcceptableStartTime("09:05:30x"));
  EXPECT_FALSE(AcceptableStartTime("ab:cd:ef"));
  EXPECT_FALSE(AcceptableStartTime(""));

  EXPECT_EQ(RefusalText(kRefusedNone), "");
  const std::string all = RefusalText(kRefusedInterval | kRefusedStartTime | kRefusedRQ);
  EXPECT_NE(all.find("sample interval"), std::string::npos);
  EXPECT_NE(all.find("start time"), std::string::npos);
  EXPECT_NE(all.find("RQ"), std::string::npos);
}

class CommitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    ASSERT_EQ(AllocateSlot(0, 100, 10), StoreStatus::Ok);
    for (int16_t c = 1; c <= 10; ++c) SetChannelLabel(0, c, "chan " + std::to_string(c));
    float* info = FileInfoFLOATS[0];
    info[kInfoInterval] = 1.23456f;
    info[kInfoFlow] = 500;
    info[kInfoTemperature] = 25;
    info[kInfoPressure] = 760;
    info[kInfoEffectiveVolume] = 1000;
    info[kInfoMass] = 35.5f;
    StartDate[0] = "03-15-2024";
    StartTime[0] = "10:00:00";
    info[kInfoStartMinutes] = 600;
    FileSHORTS[0][kShortChanged] = 0;
    FiO2 = 20.95f;
    FiCO2 = 0.038f;
    RQ = 0.85f;
    shown_ = FileDataFormOf(0);
    typed_ = shown_;
  }
  void TearDown() override { FreeSlot(0); }

  FileDataCommit commit() { return CommitFileData(0, shown_, typed_); }
  bool changed() const { return FileSHORTS[0][kShortChanged] != 0; }

  FileDataForm shown_, typed_;
};

TEST_F(CommitTest, FormShowsTheStoredValues) {
  EXPECT_EQ(shown_.labels[3], "chan 3");
  EXPECT_EQ(shown_.interval, "1.235");
  EXPECT_EQ(shown_.flow, "500");
  EXPECT_EQ(shown_.mass, "35.5");
  EXPECT_EQ(shown_.startDate, "03-15-2024");
  EXPECT_EQ(shown_.startTime, "10:00:00");
  EXPECT_EQ(shown_.fio2, "20.950");
  EXPECT_EQ(shown_.rq, "0.85");
  EXPECT_EQ(shown_.labels[11], "") << "no eleventh channel";
}

TEST_F(CommitTest, UntouchedFormChangesNothing) {
  const FileDataCommit r = commit();
  EXPECT_FALSE(r.fileChanged);
  EXPECT_EQ(r.refused, kRefusedNone);
  EXPECT_FALSE(changed());
  EXPECT_EQ(FileInfoFLOATS[0][kInfoInterval], 1.23456f) << "the rounded field text must not replace the value";
  EXPECT_EQ(FiO2, 20.95f);
}

TEST_F(CommitTest, LabelsAreCutOrPaddedToThirtyCharacters) {
  typed_.labels[2] = "Oxygen fraction, excurrent air from chamber";
  typed_.labels[9] = "CO2";
  EXPECT_TRUE(commit().fileChanged);
  EXPECT_EQ(RetrieveLabelOf(0, 2), "Oxygen fraction, excurrent air");
  EXPECT_EQ(RetrieveLabelOf(0, 9), "CO2" + std::string(27, ' '));
  EXPECT_EQ(RetrieveLabelOf(0, 10), FitLabel("chan 10")) << "the neighbour in the same label string";
  EXPECT_TRUE(changed());
}

TEST_F(CommitTest, LabelsOfShortLabelStringsAreWrittenInPlace) {
  LabelStrings[0][2] = "";   // channels 9..16 never written
  shown_ = FileDataFormOf(0);
  typed_ = shown_;
  typed_.labels[10] = "Flow";
  EXPECT_TRUE(commit().fileChanged);
  EXPECT_EQ(RetrieveLabelOf(0, 10), FitLabel("Flow"));
  EXPECT_EQ(LabelStrings[0][2].substr(30, 30), FitLabel("Flow"));
}

TEST_F(CommitTest, RetypingTheSameValueIsNoChange) {
  typed_.flow = "500.0";
  typed_.labels[1] = "chan 1   ";
  typed_.startTime = "10:00:00";
  EXPECT_FALSE(commit().fileChanged);
  EXPECT_FALSE(changed());
}

TEST_F(CommitTest, NumbersAreReadWithoutRangeChecks) {
  typed_.flow = "-3";
  typed_.mass = "heavy";
  typed_.pressure = "745.5";
  typed_.interval = "0.5";
  EXPECT_TRUE(commit().fileChanged);
  EXPECT_EQ(FileInfoFLOATS[0][kInfoFlow], -3.0f);
  EXPECT_EQ(FileInfoFLOATS[0][kInfoMass], 0.0f) << "text that is not a number reads as 0";
  EXPECT_EQ(FileInfoFLOATS[0][kInfoPressure], 745.5f);
  EXPECT_EQ(FileInfoFLOATS[0][kInfoInterval], 0.5f);
}

TEST_F(CommitTest, UnusableIntervalAndRQKeepTheirOldValues) {
  for (const char* bad : {"0", "-1", "abc", "1e60"}) {
    typed_ = shown_;
    typed_.interval = bad;
    typed_.rq = bad;
    const FileDataCommit r = commit();
    EXPECT_EQ(r.refused, kRefusedInterval | kRefusedRQ) << bad;
    EXPECT_FALSE(r.fileChanged) << bad;
    EXPECT_EQ(FileInfoFLOATS[0][kInfoInterval], 1.23456f) << bad;
    EXPECT_EQ(RQ, 0.85f) << bad;
  }
  EXPECT_FALSE(changed());
}

TEST_F(CommitTest, StartTimeNeedsAClockTime) {
  typed_.startTime = "9:05:00";
  EXPECT_EQ(commit().refused, kRefusedStartTime);
  EXPECT_EQ(StartTime[0], "10:00:00");
  EXPECT_FLOAT_EQ(FileInfoFLOATS[0][kInfoStartMinutes], 600.0f);
  typed_.startTime = "25:00:00";
  EXPECT_EQ(commit().refused, kRefusedStartTime);
  EXPECT_FALSE(changed());

  typed_.startTime = "09:05:30";
  EXPECT_EQ(commit().refused, kRefusedNone);
  EXPECT_EQ(StartTime[0], "09:05:30");
  EXPECT_NEAR(FileInfoFLOATS[0][kInfoStartMinutes], 545.5f, 1e-4);
  EXPECT_TRUE(changed());
}

TEST_F(CommitTest, OtherValuesAreCommittedBesideARefusedOne) {
  typed_.interval = "0";
  typed_.labels[1] = "O2";
  const FileDataCommit r = commit();
  EXPECT_EQ(r.refused, kRefusedInterval);
  EXPECT_TRUE(r.fileChanged);
  EXPECT_EQ(RetrieveLabelOf(0, 1), FitLabel("O2"));
}

TEST_F(CommitTest, StartDateIsTakenAsTypedWithinTheTenStoredCharacters) {
  typed_.startDate = "12-31-2023 evening";
  EXPECT_TRUE(commit().fileChanged);
  EXPECT_EQ(StartDate[0], "12-31-2023");
}

TEST_F(CommitTest, GasValuesAreProgramWideAndDoNotMarkTheFile) {
  typed_.fio2 = "20.93";
  typed_.fico2 = "0.04";
  typed_.rq = "0.7";
  const FileDataCommit r = commit();
  EXPECT_FALSE(r.fileChanged);
  EXPECT_FALSE(changed());
  EXPECT_EQ(FiO2, 20.93f);
  EXPECT_EQ(FiCO2, 0.04f);
  EXPECT_EQ(RQ, 0.7f);
}

TEST_F(CommitTest, AFileAlreadyChangedStaysChanged) {
  FileSHORTS[0][kShortChanged] = 1;
  EXPECT_FALSE(commit().fileChanged);
  EXPECT_EQ(FileSHORTS[0][kShortChanged], 1);
}

TEST_F(CommitTest, NoFileNoWork) {
  FreeSlot(0);
  typed_.labels[1] = "x";
  EXPECT_FALSE(CommitFileData(0, shown_, typed_).fileChanged);
  EXPECT_FALSE(CommitFileData(-1, shown_, typed_).fileChanged);
}

}  // namespace

TEST_F(CommitTest, NumbersBeyondFloatRangeKeepTheirOldValues) {
  typed_.mass = "1e39";
  typed_.flow = "-4e38";
  typed_.pressure = "750";
  typed_.fio2 = "1e300";
  EXPECT_TRUE(commit().fileChanged);
  EXPECT_EQ(FileInfoFLOATS[0][kInfoMass], 35.5f);
  EXPECT_EQ(FileInfoFLOATS[0][kInfoFlow], 500.0f);
  EXPECT_EQ(FileInfoFLOATS[0][kInfoPressure], 750.0f) << "a good value beside them is still taken";
  EXPECT_EQ(FiO2, 20.95f);
}
