// Every message the user reads, by id: its text, its icon, its caption, and whether it reports a
// failure. The engine posts a message as its id and the values it carries; the text is made here.
#pragma once

#include "program/cause.h"
#include "text/text.h"
#include "window/window.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace xiuyun {

enum class MessageId {
    // The analyse command and the analysis.
    AnalyseHomePage,
    AnalyseNoAddress,
    AnalyseOtherSite,
    AnalyseNoPageType,
    AnalyseNoFolder,
    AnalyseLocked,
    AnalyseWrongListType,
    AnalyseWrongAlbumType,
    AnalyseFolderFailed,
    AnalyseDecoderFailed,
    AnalyseEmptyPage,
    AnalyseImplausiblePage,
    AnalyseListPageUnsaved, // the page's number
    AnalyseCachedPageBroken,
    AnalyseNoAlbums,
    AnalyseNoPager,
    AnalyseFailedAgain,
    ReadPageNotAnalysed,
    PatternInvalid,
    PatternMatchedNothing,
    AnalyseDone,
    ReanalyseDoneCacheFound,
    ReanalyseDone,
    // The download.
    StartNotAnalysed,
    StartLocked,
    StartDownloadedBefore,
    FolderCreateFailed,
    ImageFileFailed,
    DownloadDone,             // the retries
    ListDownloadMaybeFailed,  // the retries
    AlbumDownloadMaybeFailed, // the retries
    // The clean-up.
    CleanUpPleaseWait,
    CleanUpConfirmImages,
    CacheFolderMissing,
    CacheLocked,
    CacheNothingFound,
    CacheFileNotDeleted, // the file's path
    CacheDeleted,
    CancelledImagesWhileDownloading,
    CancelledImagesPaused,
    CancelledImagesDeleted,
    CancelledImagesNotDeleted,
};

// "温馨提示" for status messages, "信息：" for plain boxes, "恭喜客官" for the end of a download.
enum class MessageCaption { Status, Information, Congratulations };

struct MessageEntry {
    MessageId id;
    // UTF-8; each "{}" takes the next value of the message.
    std::string_view text;
    MessageIcon icon;
    MessageCaption caption;
    // The message says that something failed: the command line's exit code counts it.
    bool reportsFailure;
};

// One message as the engine posts it; a failure with the cause the floor below gave.
struct Message {
    MessageId id;
    std::vector<Text> values{};
    Cause cause{};
};

std::span<const MessageEntry> messageCatalog();
const MessageEntry& messageEntry(MessageId id);

// The message's text (GBK), its values in place of the "{}" marks, in order.
Text messageText(const Message& message);
Text captionText(MessageCaption caption);

} // namespace xiuyun
