// The two kinds of message box: status messages ("温馨提示") and plain boxes ("信息："). Every box
// the program shows goes through here, so the program knows whether it has reported a failure.
#pragma once

#include "program/program.h"

namespace xiuyun {

void showStatus(Program& program, const Text& text, MessageIcon icon = MessageIcon::Error);
MessageAnswer showInformationBox(Program& program, const Text& text, MessageIcon icon,
                                 MessageButtons buttons = MessageButtons::Ok);
// The box at the end of a download, which gives its outcome.
void showDownloadOutcome(Program& program, DownloadOutcome outcome, const Text& text);

} // namespace xiuyun
