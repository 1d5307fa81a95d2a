// The furniture every analysis window shares in results window 4: the
// results header, the channel buttons, the help / distribution / scale
// buttons, the time-unit buttons and the output icon; plus the parts of
// the modal loop that every analysis handles alike (keys, deferred menu and
// toolbar picks). The drawing entries draw only; the owning loop acts on
// the clicks.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Clears the output icon area of window 4; the current port stays.
void EraseDiskIcon();
// The disk icon: the result went to the text results file or the tabular
// file. key is not used. Window 4 is left as the current port.
void DRAWDISK(const plat::MacText& key);
// The page icon: the result went to the printer spool.
void DRAWPAGE();
// Header of window 4: channel and label, case range and duration; sets
// `minutes`; marks the channel button of `ch` unless the analysis says not.
void WriteHEADER(uint16_t lightGrayBackground);
// "Chan:" and one small bevel button per channel of the current file.
void DrawChannelButtons();
// Channel buttons, "?", the distribution and scale buttons where the
// analysis has them, the rule and the header.
void CHANNELSELECT();
// The five time-unit buttons, the selected one marked.
void IntBUTTON();

// Installs DRAWDISK and DRAWPAGE as the results output's icon hooks.
void InstallAnalysisKitHooks();

// ---- The analysis loop's shared parts ---------------------------------------------
// Dialog handlers of an analysis window: events fill the mailbox, menu picks
// are deferred (ShowSpecificHelpWindow) and end the loop.
void InstallAnalysisHandlers();
// Results window 4 made `height` pixels tall: grown down, and moved up
// where the desk ends below it, so that its controls stay on the desk.
void FitResultsWindow(int16_t height);

enum class AnalysisKeyKind : int8_t { None, Help, Store, Channel };
struct AnalysisKey {
  AnalysisKeyKind kind = AnalysisKeyKind::None;
  int16_t channel = 0;   // Channel: 1..14, within the file's channels
};
// '/' '?' help, 'P' 'p' store, '1'..'9' '0' '!' '@' '#' '$' channels.
AnalysisKey TranslateAnalysisKey(int charCode, int16_t nChannels);
// Acts on help and store keys; returns the channel a channel key asks for
// (0 for every other key), which the caller switches to as on a click.
int16_t HandleAnalysisKey(int charCode);

// Toolbar buttons (551..594) and the script's continue button (135) end an
// analysis loop: their pick is left in menuidx / menuitemx with
// MENU_or_ToolBar_PICKED set. A button that runs its command directly is
// kept and run by RunPendingToolbarCommand once the loop has ended.
bool IsDeferredToolbarClick(int16_t id);
void DeferToolbarClick(int16_t id);
void RunPendingToolbarCommand();

// Marks the button of channel newCh and releases that of oldCh in window 4.
void MarkChannelButton(int16_t oldCh, int16_t newCh);
// A small bevel button of window 4 set to state 1 or 2 when it exists.
void SetKitButton(int16_t id, bool marked);
