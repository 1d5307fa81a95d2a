#include "editing/ui/editing_commands.h"

#include "editing/smoothing.h"
#include "editing/integrate.h"
#include "editing/lag.h"
#include "editing/references.h"
#include "editing/scaletoblock.h"
#include "editing/spikes.h"
#include "editing/ui/blockscale.h"
#include "editing/ui/copychannel.h"
#include "editing/ui/integrate.h"
#include "editing/ui/lag.h"
#include "editing/ui/references.h"
#include "editing/ui/spikes.h"
#include "editing/ui/spiketool.h"
#include "editing/ui/smoothing.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/mouse.h"
#include "plot/ui/redraw.h"
#include "shell/steptable.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"

namespace {

void undoLastChange() {
  if (TheFileInUse >= kMaxOpenFiles || !UndoAvailable(static_cast<int16_t>(TheFileInUse))) return;
  if (UNDO() != StoreStatus::Ok) return;
  // The labels may have come back too: the whole view, not one strip; and
  // the block window shows the samples as they are now.
  RefreshSCREEN();
  DRAWBLOCK();
}

}  // namespace

void RegisterEditingCommands() {
  RegisterCommand(Cmd::Undo, [](int16_t) { undoLastChange(); });
  RegisterCommand(Cmd::CopyChannel, [](int16_t) { COPYCHAN(1); });
  RegisterScriptOp(kCopyChannelOp, [](int16_t) { COPYCHAN(1); });
  // The menu and the gas-exchange chain pass the item number: a start from
  // the menu is step 0. The automatic smoothing other commands ask for
  // (the waveform's "3 X 3 Block Smooth") passes through.
  RegisterCommand(Cmd::Smoothing, [](int16_t a) { SMOOTHING(a == kSmoothingAutomatic ? a : 0); });
  RegisterScriptOp(kSmoothingOp, [](int16_t step) { SMOOTHING(step); });
  RegisterCommand(Cmd::LagTime, [](int16_t) { LAGTIME(0.0f, 0); });
  RegisterScriptOp(kLagOp, [](int16_t step) { LAGTIME(ScriptSequenceArray[step][2], step); });
  RegisterCommand(Cmd::RemoveReferences, [](int16_t) { REMOVEREFS(0); });
  RegisterScriptOp(kReferencesOp, [](int16_t step) { REMOVEREFS(step); });
  RegisterCommand(Cmd::RemoveSpikes, [](int16_t) { REMOVESPIKE(0); });
  RegisterCommand(Cmd::InteractiveSpikes, [](int16_t) { IntREMOVESPIKE(0); });
  gInteractiveSpikeTool = IntREMOVESPIKE;
  RegisterScriptOp(kSpikeOp, [](int16_t step) { REMOVESPIKE(step); });
  RegisterCommand(Cmd::Integrate, [](int16_t) { INTEGRATE(0); });
  RegisterScriptOp(kIntegralOp, [](int16_t step) {
    derive = 0;
    INTEGRATE(step);
  });
  RegisterScriptOp(kDerivativeOp, [](int16_t step) {
    derive = 1;
    INTEGRATE(step);
  });
  RegisterCommand(Cmd::BlockScale, [](int16_t) { BLOCKSCALE(0, 0); });
  RegisterCommand(Cmd::BlockScale100, [](int16_t) { BLOCKSCALE(1, 0); });
  // The runner selects the step's block first; the block goes afterwards.
  RegisterScriptOp(kBlockScaleOp, [](int16_t step) {
    BLOCKSCALE(0, step);
    CLEARBLOCK();
  });
}
