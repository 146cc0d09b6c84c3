#pragma once

// What one step of a run reports to its worker.
enum StepResult { StepOk = 0, StepRetry = 1, StepStopped = 2, StepFailed = 3 };
