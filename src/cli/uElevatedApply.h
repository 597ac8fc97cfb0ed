#pragma once
// "prolamo-cli elevated-apply REQUEST RESULT": what prolamo-cli does when an apply started it with
// administrator rights. It applies the request file as the switching service would for an
// administrator, and writes the service's reply lines to the result file.

#include <string>

namespace prolamo::cli {

// The exit code: 0 once the result file is written.
int RunElevatedApply(const std::string& requestFile, const std::string& resultFile);

} // namespace prolamo::cli
