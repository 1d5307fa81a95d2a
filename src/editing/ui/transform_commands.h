// Transformations: calibration transforms and conversions, saved custom
// transforms, expression transforms and the expression evaluator.
#pragma once

void RegisterTransformCommands();
