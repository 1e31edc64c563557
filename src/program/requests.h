// What the user typed, ticked and slid when giving a command, as the front end read it at that
// moment. The engine acts on these and never reads an input back from the window.
#pragma once

#include "text/text.h"

namespace xiuyun {

// A check box's tick after the user's click.
enum class Ticked { No, Yes };

// "1 分析数据".
struct AnalyseRequest {
    Text address{};
    Text folder{};
    // 选择框_自动选择 is ticked: the page type is detected from the address first.
    Ticked detectType = Ticked::No;
};

// "2 开始下载".
struct StartRequest {
    Text address{}; // the history is asked about it; a numbered list page starts there
    Text folder{};  // the target folder, for the whole download
    // Leave out an image already on disk that passes the check (the command line's
    // --skip-existing; the window never asks for it).
    bool skipExisting = false;
    // A job begun and not finished goes on where it stopped, unless the user asks for it afresh
    // (the command line's --force).
    enum class Resume { IfUnfinished, Never } resume = Resume::IfUnfinished;
};

// The clean-up button.
struct CleanUpRequest {
    Text folder{}; // the target folder: nothing outside it, or the program's own, is deleted
};

} // namespace xiuyun
