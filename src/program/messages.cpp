#include "program/messages.h"

namespace xiuyun {
namespace {

// Every text that reports a failure says so.
void noteFailure(Program& program, const Text& text) {
    if (text.contains("失败"_t))
        ++program.failuresReported;
}

} // namespace

void showStatus(Program& program, const Text& text, MessageIcon icon) {
    noteFailure(program, text);
    program.window.showMessage(text, "温馨提示"_t, icon, MessageButtons::Ok);
}

MessageAnswer showInformationBox(Program& program, const Text& text, MessageIcon icon,
                                 MessageButtons buttons) {
    noteFailure(program, text);
    return program.window.showMessage(text, "信息："_t, icon, buttons);
}

void showDownloadOutcome(Program& program, DownloadOutcome outcome, const Text& text) {
    program.downloadOutcome = outcome;
    program.window.showMessage(text, "恭喜客官"_t,
                               outcome == DownloadOutcome::Downloaded ? MessageIcon::Information
                                                                      : MessageIcon::Warning);
}

} // namespace xiuyun
