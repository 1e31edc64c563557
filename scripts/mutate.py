#!/usr/bin/env python3
"""A mutation pass: each change below (one check dropped or one comparison moved by one) is made
in the source alone, the tests are rebuilt and the named ones run; a change the tests do not notice
is a test missing.

    python3 scripts/mutate.py [--build-dir DIR] [--jobs N] [--timeout SECONDS] [WORD...]

With words, only the changes whose file or text holds one of them are tried. The build folder is
DIR, else $XIUYUN_BUILD_DIR, else build, below the source root; it must be configured already.

Every entry is checked before anything is built: a text found nowhere in its file, or more than
once, fails the pass, as does a filter that names no test and a change that does not build. A
change that survives is reported, and fails nothing. The source is put back after every change,
also on Ctrl-C, and the build once the pass ends."""
import argparse
import os
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TESTS = ["xiuyun_tests", "xiuyun_threaded_tests"]

# (file, text, changed text, tests that must notice). Entries of one file stand together: the
# file put back is rebuilt with the next change anyway.
MUTATIONS = [
    # The type check, and the cap on a pager's page count.
    ("src/analysis/crawler.cpp", "    if (!addressFitsPageType(analysis.pageType, address)) {", "    if (false) {",
     "Rows/TypeCheckTest.*:CrawlerTest.addressesOfAnotherTypeAreRefused"),
    ("src/analysis/albumlists.cpp", "if (pages >= 1 && pages <= maxListPages) {", "if (pages >= 1 && pages <= 10 * maxListPages) {",
     "ExtractListMatchesTest.*"),
    ("src/analysis/cachefiles.cpp", "        post(program, {MessageId::AnalyseFolderFailed, {}, error});\n        return false;",
     "        return false;", "CrawlerTest.aTargetFolderThatCannotBeMadeStopsEachReaderBeforeAnyRequest"),
    ("src/analysis/cachefiles.cpp", "    if (!ensureFolder(folder, &error)) {", "    if (!ensureFolder(folder, &error) && false) {",
     "CrawlerTest.aTargetFolderThatCannotBeMadeStopsEachReaderBeforeAnyRequest"),
    ("src/analysis/cachefiles.cpp", "return fileSizeKb(file) <= brokenPageKb;", "return fileSizeKb(file) < brokenPageKb;",
     "CrawlerTest.aStoredPageOfFiveKilobytesIsBrokenAndOneByteMoreIsNot"),
    # The page cap: a page beyond it leaves nothing in the cache, on the wire or decoded.
    ("src/analysis/cachefiles.cpp", "    failure = HttpFailure::TooLarge;\n    return std::nullopt;", "    return page;",
     "Sizes/PageSizeTest.*"),
    ("src/analysis/cachefiles.cpp", "    auto bytes = files::readFile(file, MAX_PAGE_BYTES);", "    auto bytes = files::readFile(file);",
     "Sizes/PageSizeTest.*"),
    # The history: its lock, its whole-file replacement, its stamp, its line list.
    ("src/download/historyrecords.cpp",
     "    const std::optional<files::FileLock> lock = files::FileLock::acquire(files::lockFileFor(path), lockWait);",
     "    const bool lock = files::FileLock::acquire(files::lockFileFor(path), lockWait).has_value();",
     "HistoryTest.twoProcessesRecordingAtOnceLoseNothingAndTearNothing"),
    ("src/download/historyrecords.cpp",
     "    const bool written = file && file->write(first) && file->write(second) && file->flush() && file->commit();",
     "    const bool written = files::writeFile(path, std::string(first).append(second));",
     "HistoryTest.aProcessKilledWhileRecordingLeavesTheOldFileOrTheNewOneNeverAPart"),
    ("src/download/historyrecords.cpp", "    if (stamp == m_stamp)\n        return true;", "    if (m_stamp)\n        return true;",
     "HistoryTest.aSecondCopyOfTheProgramSeesTheRecordsOfTheFirst"),
    ("src/download/history.cpp", "    if (result.endsWith(lineBreak))\n        result = result.left(result.size() - 2);", "",
     "LineListTest.*"),
    # What counts as a whole picture: each format walked to its own end, whatever follows.
    ("src/download/imageformat.cpp", "            expect(Step::JpegMarker, 1, length - 2);", "            expect(Step::JpegMarker, 1);",
     "Pictures/JudgedPictureTest.*"),
    ("src/download/imageformat.cpp", "        m_step = m_scanSeen ? Step::Ended : Step::Broken;", "        m_step = Step::Ended;",
     "Pictures/JudgedPictureTest.*"),
    ("src/download/imageformat.cpp", "        else\n            jpegMarker(field[0]);\n        break;\n    case Step::PngChunk",
     "        else\n            expect(Step::JpegEntropy, 0);\n        break;\n    case Step::PngChunk",
     "Pictures/JudgedPictureTest.*"),
    ("src/download/imageformat.cpp", "        if (next == end || !continuesEntropyData(static_cast<unsigned char>(*next))) {",
     "        if (next == end) {", "Pictures/JudgedPictureTest.*"),
    ("src/download/imageformat.cpp", "            expect(Step::PngEndCrc, 4, length);", "            m_step = Step::Ended;",
     "Pictures/JudgedPictureTest.*"),
    ("src/download/imageformat.cpp", "expect(Step::PngChunk, 8, length + 4ULL);", "expect(Step::PngChunk, 8, length + 3ULL);",
     "Pictures/JudgedPictureTest.*"),
    ("src/download/imageformat.cpp", "            expect(Step::GifSubBlock, 1, field[0]);", "            expect(Step::GifSubBlock, 1);",
     "Pictures/JudgedPictureTest.*"),
    ("src/download/imageformat.cpp", "expect(Step::WebpEnd, 1, size - 1ULL);", "expect(Step::WebpEnd, 1, size - 2ULL);",
     "Pictures/JudgedPictureTest.*"),
    ("src/download/imageformat.cpp", "    walk(bytes.substr(toHead));", "    walk(bytes);", "Pictures/JudgedPictureTest.*"),
    ("src/download/failedimages.cpp", "    return !stamp || isSmallImage(stamp->size) || !walk.whole();",
     "    return !stamp || isSmallImage(stamp->size);", "FailedImageFileTest.*:Served/PictureEndTest.*"),
    # The download judges the picture on its way in, and only a whole one is spared the checks' read.
    ("src/download/imageworker.cpp", "stamp && whole)", "stamp && (whole || true))", "Served/PictureEndTest.*"),
    # An image worker: busy answers, error answers, the temporary file, the file name.
    ("src/download/imageworker.cpp", "if (isBusyAnswer(exchange.status) && attempt < policy.busyAnswerTries)",
     "if (isBusyAnswer(exchange.status) && attempt <= policy.busyAnswerTries)",
     "BusySiteTest.aSiteThatStaysBusyIsAskedABoundedNumberOfTimesAndReported"),
    ("src/download/imageworker.cpp", "            file.reset(); // no temporary file stays through the wait\n", "",
     "BusySiteTest.aCancelEndsALongWaitAtOnceAndNothingIsWritten"),
    ("src/download/imageworker.cpp", "exchange.status != 0 && exchange.status < 400;", "exchange.status != 0 && exchange.status <= 400;",
     "Answers/ErrorAnswerTest.*"),
    ("src/download/imageworker.cpp", "    if (extension.empty())\n        extension = \".jpg\"_t;", "",
     "ImageFileNameTest.*"),
    # The HTTP client: the body cap, the floor on progress, the idle limit, the fresh connection.
    ("src/net/curlclient.cpp", "    if (received->bodyBytes + static_cast<long long>(length) > received->maxBodyBytes)",
     "    if (received->bodyBytes + static_cast<long long>(length) > 2 * received->maxBodyBytes)",
     "HttpClientTest.theLimitEndsAnEndlessBodyGoingToASink"),
    ("src/net/curlclient.cpp", "        received->endedBy = HttpFailure::Stalled;\n        return 1;\n",
     "        received->endedBy = HttpFailure::Stalled;\n",
     "HttpClientTest.aBodyThatSlowsDownAfterAFastStartIsGivenUpAWindowLater"),
    ("src/net/curlclient.cpp", "        received->endedBy = HttpFailure::TimedOut;\n        return 1;\n",
     "        received->endedBy = HttpFailure::TimedOut;\n",
     "HttpClientTest.failedExchangesLeaveEmptyResults:HttpClientTest.theTimeOutLimitsWaitsNotTheWholeTransfer"),
    # Why an exchange failed: the callback's own reason first, then the library's.
    ("src/net/curlclient.cpp", "        received->endedBy = HttpFailure::Stalled;", "        received->endedBy = HttpFailure::TimedOut;",
     "HttpClientTest.aBodyTricklingTenBytesASecondIsGivenUpAfterOneWindow"),
    ("src/net/curlclient.cpp", "    if (received.endedBy != HttpFailure::None)", "    if (false && received.endedBy != HttpFailure::None)",
     "HttpClientTest.aSinkThatRefusesEndsTheTransfer:HttpClientTest.theLimitEndsAnEndlessBodyGoingToASink"),
    ("src/net/curlclient.cpp", "    case CURLE_COULDNT_CONNECT:\n", "", "HttpClientTest.failedExchangesLeaveEmptyResults"),
    # The cache keeps a connection for each worker, not libcurl's few.
    ("src/net/curlclient.cpp", "        curl_easy_setopt(curl, CURLOPT_MAXCONNECTS, static_cast<long>(shared->kept.load()));", "",
     "Transports/BusyConnectionReuseTest.*"),
    ("src/net/curlclient.cpp", "    if (diedOnKeptConnections(curl, result, received)) {",
     "    if (false && diedOnKeptConnections(curl, result, received)) {",
     "Transports/ConnectionReuseTest.keptConnectionsTheSiteHasClosedMeanwhileFailNoRequest/*"),
    # The proxy: routed hosts go straight, no_proxy, a refusal by the proxy, the order of choice,
    # the variables curl reads, the one line about a setting passed over, addresses and masks.
    ("src/net/curlclient.cpp", "    if (!shared.isRouted(parts.host, parts.hostAndPort))\n", "    if (true)\n",
     "HttpClientTest.requestsGoThroughTheProxyOfTheUsersChoiceUnlessBypassed"),
    ("src/net/curlclient.cpp", "    curl_easy_setopt(curl, CURLOPT_NOPROXY, route.bypass.c_str());",
     "    curl_easy_setopt(curl, CURLOPT_NOPROXY, \"\");",
     "HttpClientTest.requestsGoThroughTheProxyOfTheUsersChoiceUnlessBypassed"),
    ("src/net/curlclient.cpp", "    if (throughProxy && refusedByProxy(curl))\n        result = CURLE_COULDNT_CONNECT;\n", "",
     "HttpClientTest.aProxyThatFailsEndsTheRequestWithinItsTimeOut"),
    ("src/net/curlclient.cpp", "    if (throughProxy && refusedByProxy(curl.get())) {", "    if (throughProxy && false) {",
     "HttpClientTest.aProxyThatFailsEndsTheRequestWithinItsTimeOut"),
    ("src/net/proxychoice.cpp", "    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)",
     "    if (const std::size_t at = authority.rfind('@'); false)", "ProxyChoiceTest.*"),
    ("src/net/proxychoice.cpp", " && authority.find(']', colon) == std::string_view::npos;", ";",
     "ProxyChoiceTest.*"),
    ("src/net/proxychoice.cpp", "    case ProxySetting::Kind::None:\n        return {};\n", "    case ProxySetting::Kind::None:\n",
     "HttpClientTest.requestsGoThroughTheProxyOfTheUsersChoiceUnlessBypassed"),
    ("src/net/proxychoice.cpp", "secure ? \"HTTPS_PROXY\" : \"\"", "secure ? \"HTTPS_PROXY\" : \"HTTP_PROXY\"",
     "HttpClientTest.requestsGoThroughTheProxyOfTheUsersChoiceUnlessBypassed"),
    ("src/net/proxychoice.cpp", "            notice(name, *value);\n", "",
     "HttpClientTest.requestsGoThroughTheProxyOfTheUsersChoiceUnlessBypassed"),
    ("src/net/proxychoice.cpp", "            bypassed = bypassed || name.find('.') == std::string::npos;",
     "            bypassed = true;", "ProxyChoiceTest.*"),
    ("src/net/proxychoice.cpp", "            socks = \"socks4://\" + std::string(entry.substr(equals + 1));",
     "            socks = std::string(entry.substr(equals + 1));", "ProxyChoiceTest.*"),
    ("src/net/proxyaddress.cpp", "    return port >= 1 && port <= 65535", "    return port >= 0 && port <= 65536",
     "ProxyAddressTest.*"),
    ("src/net/proxyaddress.cpp", "        if (at != std::string_view::npos && at >= start)", "        if (false)",
     "ProxyAddressTest.*:CommandLineParseTest.usageErrorsSayWhatIsWrong"),
    ("src/net/progresswindow.cpp", "    if (m_samples.front().time > now - m_window)\n",
     "    if (m_samples.front().time > now - m_window / 2)\n", "ProgressWindowTest.*"),
    ("src/net/decoding.cpp", "if (static_cast<long long>(result.size() + written) > maxBytes) {",
     "if (static_cast<long long>(result.size() + written) >= maxBytes) {",
     "GzipDecodeTest.aStreamBeyondThePageCapGivesNothing:Sizes/PageSizeTest.*"),
    # Files: the lock's wait, folder links below a target, a write that breaks off.
    ("src/os/filelock_posix.cpp", "        if (now >= deadline)\n", "        if (now >= deadline - wait)\n",
     "FileLockTest.aWaitingAcquireTakesTheLockOnceItIsLetGo"),
    ("src/os/files_posix.cpp", "        if (::lstat(current.c_str(), &info) == 0) {", "        if (::stat(current.c_str(), &info) == 0) {",
     "ImageWorkerTest.nothingIsWrittenThroughAFolderLinkBelowTheTarget:FaultTest.folderLinksBelowTheTargetAreNeverWrittenThrough"),
    ("src/os/files_posix.cpp", "        if (put <= 0)\n            return fail(&m_error,",
     "        if (put <= 0)\n            break;\n        if (false)\n            return fail(&m_error,",
     "FilesTest.aReplacedFileIsEitherWholeOrAsItWas"),
    # A failure's cause, from the system call up to the message.
    ("src/os/files_posix.cpp",
     "        return fail(error, {SystemError::Kind::OutsideFolder});\n    if (make && !ensureFolder(root, error))",
     "        return false;\n    if (make && !ensureFolder(root, error))", "FilesTest.aFailedCallSaysWhy"),
    ("src/analysis/cachefiles.cpp", "    else if (failure != HttpFailure::None)", "    else if (false && failure != HttpFailure::None)",
     "CrawlerTest.aFirstPageThatNeverCameIsFetchedAgainByTheNextAnalysis"),
    ("src/download/scheduler.cpp", "        if (!files::ensureFolderBelow(target, listFolder, &error)) {",
     "        if (!files::ensureFolderBelow(target, listFolder)) {", "FaultTest.folderLinksBelowTheTargetAreNeverWrittenThrough"),
    # The requests: the type detected before an analysis, the thread count the slider sets.
    ("src/analysis/analysecommand.cpp", "    if (request.detectType == Ticked::Yes)\n        detectPageType(program, request.address, Ticked::Yes);\n",
     "", "AnalyseCommandTest.theAnalyseCommandRunsDetectionFirst"),
    ("src/app/folderchoice.cpp", "    program.threadCount = position;\n", "", "Slider/ThreadLimitTest.*"),
    ("src/program/presenter.cpp", "void tickPageTypeBoxAlone(Program& program, PageType type) {\n    clearPageTypeBoxes(program);",
     "void tickPageTypeBoxAlone(Program& program, PageType type) {", "PageTypeBoxTest.*"),
    # The run a download owns: its limit, its stop, its checks and their two rules, its retries.
    ("src/download/scheduler.cpp", "while (download.activeWorkers >= download.threadLimit()) {",
     "while (download.activeWorkers > download.threadLimit()) {", "Slider/ThreadLimitTest.*"),
    ("src/download/scheduler.cpp", "        if (download.stopRequested())\n            return Batch::Stopped;\n        {", "        {",
     "CancelTest.*"),
    ("src/download/scheduler.cpp", "if (check == rule.checks && !rule.downloadAfterLastCheck)",
     "if (check == rule.checks && rule.downloadAfterLastCheck)",
     "SchedulerTest.anAlbumImageThatStaysSmallEndsAfterTenBatchesWithTheWarning:SchedulerTest.aListAlbumThatStaysSmallIsFetchedElevenTimes"),
    ("src/download/scheduler.cpp", "download.retryCount() != 0 ? download.retryCount() + 1 : 0;", "download.retryCount();",
     "SchedulerTest.anImageSmallTheFirstTimeIsFetchedAgainAndReportedAsTwoRetries"),
    ("src/program/state.cpp", "    if (!m_albums.empty())\n        m_albums.pop_front();\n", "",
     "SchedulerTest.*"),
    # The history asked before a start; the images of the cancelled download and their workers.
    ("src/download/startcommand.cpp", "    } else if (checkAndRecordHistory(program, request.address)) {", "    } else if (false) {",
     "StartDownloadTest.aPageDownloadedBeforeIsRefusedOnceThenForced"),
    ("src/download/download.cpp", "    program.lastDownload = download;\n", "", "CancelledImagesTest.*"),
    ("src/download/cleanup.cpp", "    if (program.rows.anyWaiting()) {", "    if (false) {",
     "CancelledImagesTest.theFolderGoesOnceNoWorkerIsLeftAndTheUserAgrees"),
    # Messages: what reports a failure, the log's bound, the exit code read from the log.
    ("src/program/messagecatalog.cpp", "解决：请重试下载\", error, status,\n     failure},",
     "解决：请重试下载\", error, status,\n     report},", "MessageCatalogTest.*"),
    ("src/program/messages.cpp", "    if (m_recent.size() == capacity)\n        m_recent.pop_front();\n", "", "MessageLogTest.*"),
    ("src/app/commandline.cpp", "program.messages.failures() == 0;", "program.messages.failures() >= 0;",
     "CommandLineRunTest.aFailureOnTheWayEndsWithOneThoughTheDownloadCompletes"),
    # The rows, kept once: a worker of an album no longer shown leaves the new rows alone.
    ("src/program/imagerows.cpp", "if (batch.fill != m_rows->batch->fill || row < 0 ||", "if (batch.fill > m_rows->batch->fill || row < 0 ||",
     "ImageRowsTest.*"),
    # The sleep lock: what it asks logind for, how a bus without logind answers, the bound on a
    # hung bus, its taking and its release at the run's end and at a stop, the command line's line.
    ("src/os/sleeplock_posix.cpp", "\"sleep\", \"xiuyun\", \"下载进行中\", \"block\");",
     "\"idle\", \"xiuyun\", \"下载进行中\", \"block\");", "DownloadSleepLockTest.*"),
    ("src/os/sleeplock_posix.cpp", "        return {SleepLockState::NoService, error.name};",
     "        return {SleepLockState::Refused, error.name};", "SleepLockTest.*"),
    ("src/os/sleeplock_posix.cpp", "        if (left.count() <= 0)\n            break;\n", "", "SleepLockTest.*"),
    ("src/download/download.cpp", "        download->holdSleepLock();\n", "",
     "DownloadSleepLockTest.*:Buses/CommandLineSleepLockTest.*"),
    ("src/download/download.cpp", "    m_stop.request();\n    // A scheduler held up in a request sees the stop late; the system need not wait for it.\n    releaseSleepLock();\n",
     "    m_stop.request();\n", "Ends/DownloadSleepLockEndTest.*"),
    ("src/download/scheduler.cpp", "    download.releaseSleepLock();\n", "", "DownloadSleepLockTest.*"),
    ("src/app/commandline.cpp", "        sleepLockTold = true;\n", "", "Buses/CommandLineSleepLockTest.*"),
    ("src/app/commandline.cpp", "    program.network.setProxy(commandLine.proxy);\n", "",
     "CommandLineRunTest.aProxyCarriesEveryRequestOrTheAnalysisFailsThroughIt"),
    ("src/app/commandline.cpp", "        commandLine.proxy.kind = ProxySetting::Kind::None;\n", "",
     "CommandLineParseTest.aProxyGivenOrNoneAtAll"),
    ("src/app/commandline.cpp", "        if (outcome->state != SleepLockState::Held)\n", "        if (true)\n",
     "Buses/CommandLineSleepLockTest.*"),
    # The progress: one count per image file with its latest outcome, a bar that never moves back,
    # the time left from 5 %, the speed of the last ten seconds, the site's wait, the window told at
    # most four times a second, a status of its own until the figures move, the reset.
    ("src/program/jobprogress.cpp", "    if (folder.bytes() == m_albumFolder)\n        return;\n", "",
     "JobProgressTest.aRetryPassCountsEachImageOnceWithItsLatestOutcomeAndTheBarNeverGoesBack"),
    ("src/program/jobprogress.cpp", "        m_rowsSaved -= state == Row::Saved ? 1 : 0;\n", "",
     "JobProgressTest.aRetryPassCountsEachImageOnceWithItsLatestOutcomeAndTheBarNeverGoesBack"),
    ("src/program/jobprogress.cpp", "    m_fraction = std::max(m_fraction, rawFractionLocked());", "    m_fraction = rawFractionLocked();",
     "JobProgressTest.aRetryPassCountsEachImageOnceWithItsLatestOutcomeAndTheBarNeverGoesBack"),
    ("src/program/jobprogress.cpp", "if (m_fraction >= timeLeftFrom && m_fraction < 1 && fractionPerSecond > 0)",
     "if (m_fraction < 1 && fractionPerSecond > 0)", "JobProgressTest.theTimeLeftAppearsOnceFivePercentIsDone"),
    ("src/program/jobprogress.cpp", "        if (sample.at > windowStart)\n            break;\n", "",
     "JobProgressTest.theSpeedIsThatOfTheLastTenSeconds"),
    ("src/program/imagerows.cpp", "    if (m_progress && status == RowStatus::Busy)", "    if (false)",
     "ImageRowsTest.theSiteWaitOfARowIsToldToTheProgressUntilTheRowGoesOn"),
    ("src/program/progressview.cpp", "std::max<long long>(1, ", "std::max<long long>(0, ", "Figures/StatusLineTest.*"),
    ("src/program/progressview.cpp", "now - *shown.at < progressInterval)", "now - *shown.at < progressInterval / 1000)",
     "ProgressViewTest.theWindowIsToldAtMostOnceAQuarterSecond"),
    ("src/program/progressview.cpp", "shown.status && shown.statusAt == figures.changes", "shown.status",
     "ProgressViewTest.aJobStatusStaysUntilTheFiguresMove"),
    ("src/program/presenter.cpp", "    clearProgress(program);\n", "", "CompletionTest.reanalyseUnlocksAndForgetsEverything"),
    ("src/download/progressnotes.cpp", "isFailedImageFile(program.engine->wholeImages, path) ? ImageOutcome::Failed : ImageOutcome::Saved", "ImageOutcome::Saved",
     "CommandLineRunTest.theFinalCountIsTheImageFilesOnDiskThoughChecksFetchThemAgain"),
    # Folder names held exactly: the escape of a "\" of a Linux name, the four-byte forms read
    # back, the mark of a name that can't be held, and its refusal before the analysis.
    ("src/text/gb18030.cpp", "            if (byte == '\\\\' && form == NameForm::Bytes)", "            if (false)",
     "Gb18030Test.*:FolderNameTest.theTargetFolderIsUsedExactlyAsNamed"),
    ("src/text/encoding.cpp", "    if (isFourByteSecond(trail))\n        return readFourByteForm(text, i, code);", "",
     "Gb18030Test.*:FolderNameTest.theTargetFolderIsUsedExactlyAsNamed"),
    ("src/text/gb18030.cpp", "if (code == unheldMark || (code > 0x10FFFF && form == NameForm::Characters))",
     "if (code > 0x10FFFF && form == NameForm::Characters)",
     "Gb18030Test.*:FolderNameTest.aTargetFolderThatCanNotBeHeldIsRefusedAndNothingIsWritten"),
    ("src/analysis/analysecommand.cpp", "    if (!files::canHold(folder))", "    if (false)",
     "FolderNameTest.aTargetFolderThatCanNotBeHeldIsRefusedAndNothingIsWritten"),
    ("src/os/programdir_posix.cpp", "        if (files::canHold(text))\n            return text;", "        return text;",
     "FolderNameTest.theProgramDirectoryIsUsedExactlyAsNamed"),
    # A folder name's length on disk.
    ("src/text/textutils.cpp", "        if (diskBytes + onDisk > budget)", "        if (diskBytes + onDisk >= budget)",
     "SafeFolderElementTest.*"),
    # The journal: a begun job goes on, whole images stay, the ledger and its report, the clean-up.
    ("src/download/startcommand.cpp", "    } else if (request.resume == StartRequest::Resume::IfUnfinished && journal.resumes()) {",
     "    } else if (false) {", "JournalTest.*"),
    ("src/download/download.h", "m_request.skipExisting || (m_journal && m_journal->resumes())", "m_request.skipExisting",
     "JournalTest.aJobBrokenOffGoesOnWhereItStoppedAndAsksForNothingItHad"),
    ("src/download/scheduler.cpp", "albumFailures(download, *albumFolder, name, current->number, current->title)", "{}",
     "JournalTest.imagesThatStillFailAreListedAndTheNextStartFetchesThemAlone"),
    ("src/download/scheduler.cpp", "        removeFailureReport(folder, journal->key());\n", "",
     "JournalTest.imagesThatStillFailAreListedAndTheNextStartFetchesThemAlone"),
    ("src/download/scheduler.cpp", "    journal->end(journal->failedCount() == 0, report.has_value());",
     "    journal->end(true, report.has_value());", "JournalTest.imagesThatStillFailAreListedAndTheNextStartFetchesThemAlone"),
    ("src/download/cleanup.cpp", "        Journal::open(program, *job).forget();", "        Journal::open(program, *job);",
     "JournalTest.theCleanUpOfACancelledDownloadForgetsTheJob"),
    ("src/download/journal.cpp", "    if (!(stored == expected))\n        return std::nullopt;\n", "",
     "JournalTextTest.*"),
    ("src/os/files.cpp", "writer != 0 && !isProcessRunning(writer)", "writer != 0", "FilesTest.onlyThePartsOfAProcessNoLongerRunningAreRemoved"),
]


def shown(text):
    return text.strip().replace("\n", " ")[:70]


def list_problems(mutations):
    """Entries that can't be made: the list is wrong, whatever the tests say."""
    problems = []
    for path, text, changed, tests in mutations:
        full = os.path.join(ROOT, path)
        if not os.path.isfile(full):
            problems.append("%s: no such file" % path)
            continue
        with open(full, encoding="utf-8") as f:
            count = f.read().count(text)
        if count == 0:
            problems.append("%s: not found: %s" % (path, shown(text)))
        elif count > 1:
            problems.append("%s: found %d times, which one is meant: %s" % (path, count, shown(text)))
        if text == changed:
            problems.append("%s: changes nothing: %s" % (path, shown(text)))
        if not tests or "-" in tests:
            problems.append("%s: the filter must name the tests that notice, none left out: %s" % (path, tests))
    return problems


def end_group(leader):
    """Ends the process group `leader` started, and waits until none of it is left."""
    for _ in range(500):
        try:
            os.killpg(leader.pid, signal.SIGKILL)
        except ProcessLookupError:
            break
        if leader.poll() is None:
            leader.wait()
        time.sleep(0.01)


class Runner:
    def __init__(self, build, jobs, timeout):
        self.build = build
        self.jobs = jobs
        self.timeout = timeout

    def compile(self):
        # A group of its own, ended whole on a stop: a compiler left running would write an object
        # of the changed source after the source is back, and the next build would keep it.
        build = subprocess.Popen(["cmake", "--build", self.build, "-j%d" % self.jobs, "--target", *TESTS],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, errors="replace",
                                 start_new_session=True)
        try:
            stdout, stderr = build.communicate()
        except BaseException:
            end_group(build)
            raise
        return subprocess.CompletedProcess(build.args, build.returncode, stdout, stderr)

    def binary(self, test):
        return os.path.join(self.build, "tests", test)

    def listed(self, test, tests):
        run = subprocess.run([self.binary(test), "--gtest_list_tests", "--gtest_filter=" + tests],
                             capture_output=True, text=True, errors="replace")
        return [line for line in run.stdout.splitlines() if line.startswith("  ")]

    def passes(self, test, tests):
        """True when the tests pass, False when they fail, None when they ran out of time."""
        # A group of its own, so that a test left hanging goes with its children (the file probe).
        child = subprocess.Popen([self.binary(test), "--gtest_filter=" + tests], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            return child.wait(timeout=self.timeout) == 0
        except subprocess.TimeoutExpired:
            return None
        finally:
            end_group(child)


def interrupt(signum, frame):
    raise KeyboardInterrupt


STOPS = {signal.SIGINT, signal.SIGTERM, signal.SIGHUP}


def restore(full, source):
    # A second Ctrl-C must not cut the file short while it is put back.
    blocked = signal.pthread_sigmask(signal.SIG_BLOCK, STOPS)
    try:
        with open(full, "w", encoding="utf-8") as f:
            f.write(source)
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, blocked)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("words", nargs="*", help="only the changes whose file or text holds one of these")
    parser.add_argument("--build-dir", default=os.environ.get("XIUYUN_BUILD_DIR", "build"))
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=int, default=300, help="seconds a test program may run")
    options = parser.parse_args()
    started = time.monotonic()

    problems = list_problems(MUTATIONS)
    if problems:
        print("The list does not match the source:")
        for problem in problems:
            print("  " + problem)
        return 1

    chosen = [m for m in MUTATIONS if not options.words or any(w in m[0] or w in m[1] for w in options.words)]
    runner = Runner(os.path.join(ROOT, options.build_dir), options.jobs, options.timeout)
    signal.signal(signal.SIGTERM, interrupt)
    signal.signal(signal.SIGHUP, interrupt)

    # The tests as they are: built, each filter naming some, all of them passing. Otherwise a
    # change would count as caught by a test that fails anyway.
    build = runner.compile()
    if build.returncode != 0:
        print(build.stdout[-3000:] + build.stderr[-3000:])
        print("The tests do not build without any change.")
        return 1
    programs = {}
    for path, text, changed, tests in chosen:
        programs[tests] = [t for t in TESTS if runner.listed(t, tests)]
        if not programs[tests]:
            problems.append("%s: the filter names no test: %s" % (path, tests))
    if problems:
        print("The list names tests that do not exist:")
        for problem in problems:
            print("  " + problem)
        return 1
    every = ":".join(sorted(set(programs)))
    failing = [t for t in TESTS if runner.passes(t, every) is not True]
    if failing:
        print("The tests fail without any change:", ", ".join(failing))
        return 1

    caught, survivors, unbuilt = 0, [], []
    try:
        for path, text, changed, tests in chosen:
            full = os.path.join(ROOT, path)
            with open(full, encoding="utf-8") as f:
                source = f.read()
            began = time.monotonic()
            try:
                with open(full, "w", encoding="utf-8") as f:
                    f.write(source.replace(text, changed, 1))
                build = runner.compile()
            finally:
                restore(full, source)
            if build.returncode != 0:
                errors = [line for line in (build.stdout + build.stderr).splitlines() if "error" in line]
                unbuilt.append("%s: %s (%s)" % (path, shown(text), errors[0].strip() if errors else "see the build"))
                print("NO BUILD", path, shown(text), flush=True)
                continue
            results = [runner.passes(t, tests) for t in programs[tests]]
            noticed = any(result is not True for result in results)
            caught += noticed
            if not noticed:
                survivors.append("%s: %s -> %s (%s)" % (path, shown(text), shown(changed) or "nothing", tests))
            state = "caught  " if noticed else "SURVIVED"
            if None in results:
                state = "timed out"
            print("%s %s %s (%d s)" % (state, path, shown(text), time.monotonic() - began), flush=True)
    except KeyboardInterrupt:
        print("\nStopped; the source is as it was, the next build puts the build back.")
        return 130

    print("Putting the build back.", flush=True)
    if runner.compile().returncode != 0:
        problems.append("the tests no longer build after the pass")
    tried = len(chosen) - len(unbuilt)
    print("caught %d of %d" % (caught, tried))
    for survivor in survivors:
        print("  survived: " + survivor)
    for entry in unbuilt:
        print("  does not build: " + entry)
    for problem in problems:
        print("  " + problem)
    print("The pass took %d s." % (time.monotonic() - started))
    return 1 if unbuilt or problems else 0


if __name__ == "__main__":
    sys.exit(main())
