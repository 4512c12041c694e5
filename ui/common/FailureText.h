#pragma once

// The Italian wording of a failure, for the one place of each window that shows them.

#include "Failure.h"
#include "RunChecks.h"

#include <QString>

namespace tessaline {

// One sentence naming the file (its name only) and what went wrong.
QString failureText(const Failure& failure);

// Why a run cannot start, as one sentence.
QString runProblemText(RunProblem problem);

// The file's name as the user sees it, from the file system's bytes.
QString displayName(const std::string& path);

} // namespace tessaline
