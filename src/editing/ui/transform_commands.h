// Transformations: expression transforms and the expression evaluator.
#pragma once

void RegisterTransformCommands();
