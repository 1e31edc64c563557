#include "program/messages.h"

namespace xiuyun {

void showStatus(Window& window, const Text& text, MessageIcon icon) {
    window.showMessage(text, "温馨提示"_t, icon, MessageButtons::Ok);
}

MessageAnswer showInformationBox(Window& window, const Text& text, MessageIcon icon, MessageButtons buttons) {
    return window.showMessage(text, "信息："_t, icon, buttons);
}

} // namespace xiuyun
