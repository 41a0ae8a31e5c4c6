// qirvex-rescue --batch: many recordings in one run, decoded side by side on the processor's
// cores, each as if alone. What each decode says is held until it ends and printed whole, in the
// order of the recordings; a summary table and the worst status end the run.
#pragma once

#include "rescue/rescue_driver.h"
#include "rescue/rescue_options.h"

// Runs the batch that `options` names (options.batch_names); returns the exit status.
[[nodiscard]] int run_batch(const RescueOptions& options, const RescueConsole& console);
