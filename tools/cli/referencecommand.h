// SPDX-License-Identifier: MIT
// The reference commands: "reference save" keeps one instrument's 35 parameters as the
// reference, "compare" reads instruments one after another and shows where each differs.
#pragma once

#include "cliarguments.h"

#include <optional>

class LineClient;
class ReferenceSet;

// Reads --reference before the line is opened; a file refused is said on stderr (the line and
// the entry) and nothing is compared.
std::optional<ReferenceSet> loadReference(const CliOptions &options);

// Exit status 0 when the reference was written, 1 when the instrument could not be read or the
// file not written.
int runReferenceSave(LineClient *line, const CliOptions &options);
// Exit status 0 when every instrument matches, 1 when one differs or could not be read.
int runCompare(LineClient *line, const CliOptions &options, const ReferenceSet &reference);
