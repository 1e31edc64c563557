// "2 开始下载": the history check, the downloading phase, and the scheduler thread started.
#pragma once

#include "program/program.h"
#include "program/requests.h"

namespace xiuyun {

void onStartDownload(Program& program, const StartRequest& request);

// The download of a list starts at the page its address names: *…/3.html* drops pages 1 and 2.
void skipToAddressedPage(Program& program, const Text& address);

} // namespace xiuyun
