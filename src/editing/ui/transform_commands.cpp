#include "editing/ui/transform_commands.h"

#include "editing/transforms.h"
#include "editing/ui/customtransforms.h"
#include "editing/ui/expressions.h"
#include "editing/ui/transformations.h"
#include "shell/steptable.h"
#include "editing/ui/editframe.h"
#include "shell/dispatch.h"

void RegisterTransformCommands() {
  RegisterCommand(Cmd::Transformations, [](int16_t) { TRANSFORMATIONS(0); });
  RegisterScriptOp(kTransformOp, [](int16_t step) { TRANSFORMATIONS(step); });
  RegisterCommand(Cmd::CustomTransforms, [](int16_t) {
    EditDialogScope frame;  // the toolbar hidden and the dialog's handlers in place while it runs
    GetCustomTransformation(0, nullptr);
  });
  RegisterCommand(Cmd::ExpressionTransforms, [](int16_t) { ExpressionEvaluator(1); });
  RegisterCommand(Cmd::ExpressionEvaluator, [](int16_t) { ExpressionEvaluator(0); });
}
