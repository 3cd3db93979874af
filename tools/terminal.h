// Whether the tool's standard streams are a terminal (a console on Windows): a progress bar is drawn
// and questions are asked only there.
#pragma once

namespace vurerode::cli {

bool StandardInputIsTerminal();
bool StandardErrorIsTerminal();

}  // namespace vurerode::cli
