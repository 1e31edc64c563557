#!/usr/bin/env python3
"""A mutation pass: each change below (one check dropped or one comparison moved by one) is made
in the source alone, the tests are rebuilt and the named ones run; a change the tests do not notice
is a test missing. The source is always put back. Run from anywhere: python3 scripts/mutate.py
[WORD...]; with words, only the changes whose file or text holds one of them are tried."""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build")
TESTS = ["xiuyun_tests", "xiuyun_threaded_tests"]

# (file, text, changed text, tests that must notice)
MUTATIONS = [
    ("src/analysis/crawler.cpp", '    if (address.contains("/item/"_t))\n        return false;\n', "", "*TypeCheck*"),
    ("src/analysis/cachefiles.cpp", "return fileSizeKb(file) <= brokenPageKb;", "return fileSizeKb(file) < brokenPageKb;", "*Crawler*"),
    ("src/download/failedimages.cpp", "(ends->size + 1023) / 1024 <= failedImageKb", "(ends->size + 1023) / 1024 < failedImageKb", "*FailedImage*"),
    ("src/download/imageformat.cpp", "tail.size() - end < jpegPaddingLimit", "tail.size() - end <= jpegPaddingLimit", "*JpegPadding*"),
    ("src/download/imageformat.cpp", "return endsWith(tail, \"\\x3B\"sv);", "return true;", "*Picture*"),
    ("src/download/imageworker.cpp", "if (isBusyAnswer(exchange.status) && attempt < busyAnswerTries)", "if (isBusyAnswer(exchange.status) && attempt <= busyAnswerTries)", "*BusySite*"),
    ("src/download/imageworker.cpp", "            if (!download.pauseWorker(wait))\n                return std::nullopt;", "            download.pauseWorker(wait);", "*BusySite*"),
    ("src/download/scheduler.h", "inline constexpr int albumChecks = 10;", "inline constexpr int albumChecks = 9;", "*Scheduler*"),
    ("src/download/scheduler.cpp", "if (program.retryCount >= albumRetries)", "if (program.retryCount > albumRetries)", "*Scheduler*"),
    ("src/download/scheduler.cpp", "    if (program.retryCount != 0)\n        ++program.retryCount;", "", "*Scheduler*"),
    ("src/download/scheduler.cpp", "while (download.activeWorkers >= program.threadLimit) {", "while (download.activeWorkers > program.threadLimit) {", "*ThreadLimit*"),
    ("src/download/scheduler.cpp", "        if (download.stopRequested())\n            return Batch::Stopped;", "", "*Cancel*"),
    ("src/download/scheduler.cpp", "            if (!program.albumLinks.empty())\n                checkAndRecordHistory(program, program.albumLinks.front());", "", "*StartDownload*"),
    ("src/download/imageworker.cpp", "if (exchange.status >= 400 || !looksLikeImage(body))", "if (exchange.status > 400 || !looksLikeImage(body))", "*ErrorAnswer*"),
    ("src/download/imageworker.cpp", '    if (extension.empty())\n        extension = ".jpg"_t;', "", "*ImageFileName*"),
    ("src/download/startcommand.cpp", "    if (skip < 1)\n        return;", "    if (skip < 2)\n        return;", "*StartDownload*"),
    ("src/download/history.cpp", "    if (std::find(records.begin(), records.end(), address) != records.end())\n        return true;", "", "*History*:*StartDownload*"),
    ("src/download/history.cpp", "    if (result.endsWith(lineBreak))\n        result = result.left(result.size() - 2);", "", "*LineList*:*History*"),
    ("src/download/cleanup.cpp", '        if (path.contains("vrd\\\\gzip.dll"_t) || path.contains("vrd\\\\c_x.q"_t))', '        if (path.contains("vrd\\\\c_x.q"_t))', "*CleanUp*"),
    ("src/download/cleanup.cpp", '        if (window.cell(row, 2) == "等待中..."_t) {', "        if (false) {", "*CancelledImages*"),
    ("src/download/cleanup.cpp", "    if (window.isEnabled(Control::按钮_取消下载)) {", "    if (false) {", "*CancelledImages*"),
    ("src/download/cancelcommand.cpp", "    window.setEnabled(Control::按钮_重新分析, true);\n", "", "*Cancel*"),
    ("src/net/curlclient.cpp", "    if (static_cast<long long>(received->body.size() + length) > MAX_BODY_BYTES)", "    if (static_cast<long long>(received->body.size() + length) > 2 * MAX_BODY_BYTES)", "*HttpClient*:*Fault*"),
]


def main():
    words = sys.argv[1:]
    chosen = [m for m in MUTATIONS if not words or any(w in m[0] or w in m[1] for w in words)]
    caught = 0
    for path, text, changed, tests in chosen:
        full = os.path.join(ROOT, path)
        with open(full, encoding="utf-8") as f:
            source = f.read()
        if text not in source:
            print("not found (update the list):", path, text.strip()[:60])
            continue
        try:
            with open(full, "w", encoding="utf-8") as f:
                f.write(source.replace(text, changed, 1))
            build = subprocess.run(["cmake", "--build", BUILD, "-j2", "--target", *TESTS], capture_output=True)
            if build.returncode != 0:
                print("does not build:", path, text.strip()[:60])
                continue
            runs = [subprocess.run([os.path.join(BUILD, "tests", t), "--gtest_filter=" + tests], capture_output=True) for t in TESTS]
            noticed = any(run.returncode != 0 for run in runs)
            caught += noticed
            print("caught  " if noticed else "SURVIVED", path, text.strip().replace("\n", " ")[:70], flush=True)
        finally:
            with open(full, "w", encoding="utf-8") as f:
                f.write(source)
    print("caught %d of %d" % (caught, len(chosen)))
    subprocess.run(["cmake", "--build", BUILD, "-j2", "--target", *TESTS], capture_output=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
