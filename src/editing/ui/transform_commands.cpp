#include "editing/ui/transform_commands.h"

#include "editing/ui/expressions.h"
#include "shell/dispatch.h"

void RegisterTransformCommands() {
  RegisterCommand(Cmd::ExpressionTransforms, [](int16_t) { ExpressionEvaluator(1); });
  RegisterCommand(Cmd::ExpressionEvaluator, [](int16_t) { ExpressionEvaluator(0); });
}
