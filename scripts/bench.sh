#!/usr/bin/env bash
# Builds and runs every benchmark, then prints one table: figure, value, target. Medians of
# repeated runs where a benchmark repeats; this machine may be shared, so read ratios first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DXIUYUN_BUILD_BENCH=ON
cmake --build build -j "$(nproc)" --target xiuyun_bench_text xiuyun_bench_analysis xiuyun_bench_download xiuyun_bench_scan \
  xiuyun_bench_history xiuyun_bench_progress
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
for bench in text analysis download scan history progress; do
  echo "== $bench" >&2
  "./build/bench/xiuyun_bench_$bench" --benchmark_format=json --benchmark_out="$out/$bench.json" \
    --benchmark_out_format=json > /dev/null
done
python3 - "$out" <<'PY'
import json, sys, os

def runs(name):
    with open(os.path.join(sys.argv[1], name + ".json")) as f:
        return json.load(f)["benchmarks"]

def median(name, run_name):
    for run in runs(name):
        if run.get("run_name") == run_name and run.get("aggregate_name") == "median":
            return run
    raise KeyError(run_name)

def latency(workers, https, reuse):
    return median("download", "downloadCategory/workers:%d/https:%d/reuse:%d/iterations:1/repeats:5/real_time" % (workers, https, reuse))

def transport(https, reuse):
    return "%s, %s" % ("https" if https else "http", "connections kept" if reuse else "a connection each")

rows = []
text = {r["name"]: r for r in runs("text")}
rows.append(("gzip decoding of a 2 MB list page", "%.0f MB/s" % (text["gzipDecodeListPage"]["bytes_per_second"] / 1e6), ">= 200 MB/s"))
rows.append(("UTF-8 to GBK of a 2 MB list page", "%.0f MB/s" % (text["utf8ToGbkListPage"]["bytes_per_second"] / 1e6), "-"))
rows.append(("album extraction of a 2 MB list page", "%.0f MB/s" % (text["extractAlbumsFromListPage"]["bytes_per_second"] / 1e6), ">= 100 MB/s"))
analysis = next(r for r in runs("analysis") if r["name"] == "analyseCategory/min_time:2.000/real_time")
rows.append(("analysis of a 50-page category", "%.0f ms, %.0f pages/s" % (analysis["real_time"], analysis["pages_per_second"]), "-"))
rows.append(("peak memory of the analysis benchmark", "%.1f MB" % (analysis["peak_rss_kb"] / 1024), "-"))
for arg, figure in ((0, "the largest first list page (16 MiB, gzip)"), (1, "a gzip bomb (2 GB from %.1f MB)")):
    run = median("analysis", "analysisPeakMemory/%d/iterations:1/repeats:5/real_time" % arg)
    rows.append(("peak memory analysing " + (figure % run["wire_mb"] if arg else figure) + ", the whole program",
                 "%.1f MB" % run["peak_rss_mb"], "<= 150 MB"))
for https in (0, 1):
    for reuse in (1, 0):
        run = latency(10, https, reuse)
        rows.append(("200 images at 300 ms, 10 threads, " + transport(https, reuse),
                     "%.2f s, %.2fx the bound %.0f s" % (run["real_time"], run["ratio_to_bound"], run["bound_s"]), "<= 1.4x"))
latency30 = latency(30, 0, 1)
rows.append(("200 images at 300 ms, 30 threads", "%.2f s" % latency30["real_time"], "-"))
rows.append(("peak memory at 30 threads (with the local site)", "%.1f MB" % (latency30["peak_rss_kb"] / 1024), "< 80 MB"))
for https in (0, 1):
    for reuse in (0, 1):
        run = median("download", "downloadWithoutLatency/https:%d/reuse:%d/iterations:1/repeats:5/real_time" % (https, reuse))
        rows.append(("200 images, no latency, 10 threads, " + transport(https, reuse),
                     "%.0f images/s" % run["images_per_second"], "-"))
for workers in (10, 30):
    for https in (0, 1):
        kept = [median("download", "connectionsPerDownload/workers:%d/https:%d/kept:%d/iterations:1/repeats:3/real_time" % (workers, https, count))["connections"] for count in (5, 40)]
        rows.append(("connections for 2,000 images, %d threads, %s" % (workers, "https" if https else "http"),
                     "%.0f with 5 kept, %.0f with 40 kept" % tuple(kept), "<= 40 with 40 kept"))
whole = median("scan", "scanWholeImages/repeats:5")
first = median("scan", "scanFirstCheck/repeats:5")
before = median("scan", "scanAsBefore/repeats:5")
sizes = median("scan", "scanSizesOnly/repeats:5")
read = median("scan", "readAlbumFolder/repeats:5")
rows.append(("first check of an album folder of 10,000 whole images", "%.0f ms, %.2fx the size-only walk (%.0f ms)" % (first["real_time"], first["real_time"] / sizes["real_time"], sizes["real_time"]), "-"))
rows.append(("  against one plain read of every file", "%.2fx (%.0f ms)" % (first["real_time"] / read["real_time"], read["real_time"]), "about 1x"))
rows.append(("each later check of that folder", "%.0f ms" % whole["real_time"], "-"))
rows.append(("the check as it was (a walk per extension, every file read)", "%.0f ms, %.1fx a later check" % (before["real_time"], before["real_time"] / whole["real_time"]), "-"))
for cold, where in ((0, "in the page cache"), (1, "from the disk")):
    photos = median("scan", "scanPhotosFirstCheck/cold:%d/repeats:5" % cold)
    plain = median("scan", "readPhotoFolder/cold:%d/repeats:5" % cold)
    rows.append(("first check of 100 photos of 2 MB, " + where, "%.0f ms, %.2fx one plain read (%.0f ms)" % (photos["real_time"], photos["real_time"] / plain["real_time"], plain["real_time"]), "about 1x"))
rows.append(("each later check of those photos", "%.1f ms" % median("scan", "scanPhotosLaterCheck/repeats:5")["real_time"], "-"))
history = {int(r["name"].split("/")[1]): r for r in runs("history")}
for records, target in ((10000, "-"), (100000, "<= 10 ms"), (1000000, "<= 50 ms")):
    run = history[records]
    rows.append(("an album recorded into a history of %s addresses" % format(records, ","),
                 "%.1f ms (the first, which reads it: %.0f ms)" % (run["ms_per_album"], run["first_album_ms"]), target))
for records in (10000, 100000, 1000000):
    run = history[records]
    rows.append(("peak memory recording into %s addresses (%.1f MB)" % (format(records, ","), run["file_mb"]),
                 "%.1f MB, %.1fx the file" % (run["peak_rss_mb"], run["peak_rss_mb"] / run["file_mb"]),
                 "<= 3x the file" if records >= 100000 else "-"))
progress = runs("progress")[0]
rows.append(("time left shown at 10/50/90 % of 300 paced images, against the true rest",
             "%+.0f %%, %+.0f %%, %+.0f %% (%.0f s in all)" % (progress["error_at_10"], progress["error_at_50"], progress["error_at_90"], progress["seconds"]),
             "within 25 % from 10 %"))
rows.append(("images counted saved at the end, against image files on disk",
             "%.0f of %.0f (%.0f failed)" % (progress["saved"], progress["files_on_disk"], progress["failed"]), "equal"))
width = max(len(r[0]) for r in rows)
print("%-*s  %-34s  %s" % (width, "figure", "value", "target"))
for figure, value, target in rows:
    print("%-*s  %-34s  %s" % (width, figure, value, target))
PY
