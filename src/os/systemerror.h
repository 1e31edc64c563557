// Why a call to the system failed, in the system's own terms, so that a message can say why (as a
// failed file call answers with its errno rather than a bare false).
#pragma once

#include "text/text.h"

namespace xiuyun {

struct SystemError {
    enum class Kind {
        System,        // the system refused; `code` says why
        LinkRefused,   // a link stood where only a folder or a new file may be
        NotAFolder,    // a file or a device stood where a folder must be
        OutsideFolder, // the path leaves the folder it must stay below
        Missing,       // nothing of that name is there
    };
    Kind kind = Kind::System;
    // errno on POSIX systems, GetLastError() on Windows; 0 for the other kinds.
    int code = 0;
    friend bool operator==(const SystemError&, const SystemError&) = default;
};

// The error the system gave for the calling thread's last failed call.
SystemError lastSystemError();
// The system's own words for one of its error codes (GBK; in the user's language where the system
// has it).
Text systemErrorText(int code);

// Where the caller asked for the cause, keeps it there; false, for a failing return.
inline bool fail(SystemError* error, SystemError cause) {
    if (error)
        *error = cause;
    return false;
}

} // namespace xiuyun
