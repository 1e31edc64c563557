// The two kinds of message box: status messages ("温馨提示") and plain boxes ("信息：").
#pragma once

#include "platform/window.h"

namespace xiuyun {

void showStatus(Window& window, const Text& text, MessageIcon icon = MessageIcon::Error);
MessageAnswer showInformationBox(Window& window, const Text& text, MessageIcon icon,
                                 MessageButtons buttons = MessageButtons::Ok);

} // namespace xiuyun
