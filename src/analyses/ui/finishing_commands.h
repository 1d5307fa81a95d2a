// The plot's finishing tools: Y scaling, compaction, overlay and the printed
// file image. Registered from the analyses layer, the highest of the three
// subsystems they belong to (plot, block analyses, results output).
#pragma once

void RegisterFinishingCommands();
