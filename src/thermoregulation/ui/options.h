// The thermoregulation model's options dialog and its three sub-dialogs:
// location (dawn and dusk from the sun table), convection (wind channel and
// shelter) and the rules for rejecting cases with missing data.
#pragma once
#include <cstdint>

inline constexpr int16_t kOptionsWindow = 99;
inline constexpr int16_t kLocationWindow = 199;
inline constexpr int16_t kConvectionWindow = 1201;
inline constexpr int16_t kRejectionWindow = 880;

// Options (window 99).
inline constexpr int16_t kOptVariableTb = 1;
inline constexpr int16_t kOptTbChange = 2;
inline constexpr int16_t kOptMaxTb = 3;
inline constexpr int16_t kOptVariableC = 4;
inline constexpr int16_t kOptCFactor = 5;
inline constexpr int16_t kOptTorpor = 6;
inline constexpr int16_t kOptMinTorporTb = 7;
inline constexpr int16_t kOptEntryTime = 8;
inline constexpr int16_t kOptQ10 = 9;
inline constexpr int16_t kOptStartLag = 10;
inline constexpr int16_t kOptEndLag = 11;
inline constexpr int16_t kOptActiveOnly = 12;
inline constexpr int16_t kOptDay = 13;
inline constexpr int16_t kOptNight = 14;
inline constexpr int16_t kOptDawnDusk = 15;
inline constexpr int16_t kOptSetLocation = 16;
inline constexpr int16_t kOptDawn = 17;
inline constexpr int16_t kOptDusk = 18;
inline constexpr int16_t kOptReplaceTb = 19;
inline constexpr int16_t kOptDefaultTb = 20;
inline constexpr int16_t kOptMlO2 = 21;
inline constexpr int16_t kOptWatts = 22;
inline constexpr int16_t kOptZeroMissing = 23;
inline constexpr int16_t kOptSun = 24;
inline constexpr int16_t kOptConvection = 25;
inline constexpr int16_t kOptRejection = 26;
inline constexpr int16_t kOptHelp = 27;
inline constexpr int16_t kOptDone = 28;
// Location (window 199).
inline constexpr int16_t kLocNorth = 1;
inline constexpr int16_t kLocSouth = 2;
inline constexpr int16_t kLocLatField = 3;
inline constexpr int16_t kLocWest = 4;
inline constexpr int16_t kLocEast = 5;
inline constexpr int16_t kLocLonField = 6;
inline constexpr int16_t kLocFromMap = 7;
inline constexpr int16_t kLocCalculate = 8;
// Convection (window 1201): channel buttons are the channel numbers.
inline constexpr int16_t kWindYes = 101;
inline constexpr int16_t kWindNo = 102;
inline constexpr int16_t kWindPrompt = 103;
inline constexpr int16_t kShelterYes = 104;
inline constexpr int16_t kShelterNo = 105;
inline constexpr int16_t kShelterQuestion = 106;
inline constexpr int16_t kWindOK = 107;
inline constexpr int16_t kWindHelp = 108;
// Rejection rules (window 880).
inline constexpr int16_t kRejectShade = 1;
inline constexpr int16_t kRejectSun = 2;
inline constexpr int16_t kRejectWind = 3;
inline constexpr int16_t kRejectHelp = 4;
inline constexpr int16_t kRejectClose = 5;

// "Options For Energy Cost Calculations": edits the settings in place; the
// typed fields are stored when it closes. There is no Cancel.
void TregCostOptions();
// "Location": "Do Calculations" stores the signed place and computes and
// shows the annual sun table; the close box stores nothing.
void SetLocation();
void SetUpConvection();
void ShowWindPrompt(uint16_t show);
void SetRejectionRules();
