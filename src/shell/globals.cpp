#include "shell/globals.h"

uint16_t TheFileInUse = kNoFile;
int16_t ActiveChannel = 1;
int16_t NumberOfOpenFiles = 0;
int16_t LastChan = 0;
int16_t ChangedChan = 0;
std::string EditRecord;

uint16_t AvoidInterpolation = 0;
uint16_t UseCrossChanIndex = 0;

int16_t prefsArray[kPrefsWords] = {};

std::string filestrings[8];
std::string timstring[3];
std::string NIBstuff;
float VarXX = 0.0f;

float salinity = 2.0f;
float FiO2 = 20.95f;
float FiCO2 = 0.038f;
float RQ = 0.85f;
int16_t HorizPosition = 0;
int16_t VerticalPosition = 0;
int16_t currentEF = 0;
int16_t NewCrossCursor = 0;
int32_t HelpSubject = 0;

uint16_t ToggleValue(uint16_t flag) { return flag == 0 ? 1 : 0; }

void TogglePrefs(int16_t n) {
  if (n < 1 || n >= kPrefsWords) return;
  prefsArray[n] = prefsArray[n] == 0 ? 1 : 0;
}
