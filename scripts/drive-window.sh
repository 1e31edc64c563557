#!/usr/bin/env bash
# Drives the real window as a user would, on the X display already set: waits for the window of
# the command given, pastes a sample address, ticks its page type, presses "1 分析数据" and waits for
# the report box. With --pictures it also saves the window after the analysis and in the middle of
# the download that "2 开始下载" starts; with --download it presses "2 开始下载" and waits for the
# report of the whole download. Fails when the window or a report never comes.
# Usage: drive-window.sh [--pictures FOLDER] [--download] COMMAND...
set -euo pipefail
pictures=""
download=""
while [ $# -gt 0 ]; do
  case $1 in
    --pictures) pictures=$2; shift 2 ;;
    --download) download=1; shift ;;
    *) break ;;
  esac
done

"$@" > /tmp/xiuyun-drive.log 2>&1 &
program=$!
trap 'kill "$program" 2>/dev/null || true' EXIT

find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true; }
wait_for_window() { # name, seconds
  local window=""
  for _ in $(seq $(( $2 * 5 ))); do
    window="$(find_window "$1")"
    [ -n "$window" ] && break
    kill -0 "$program" 2>/dev/null || { cat /tmp/xiuyun-drive.log >&2; return 1; }
    sleep 0.2
  done
  [ -n "$window" ] || return 1
  echo "$window"
}
click() { # window, x, y (the centre of a control, in window coordinates)
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.3
}

# The first run of run.sh builds the program: allow for it.
main="$(wait_for_window '^岫云阁_下载$' 1800)" || { echo "the window did not open" >&2; exit 1; }
sleep 1
click "$main" 888 23                       # 编辑框_页面地址
# Keys as a keyboard sends them (to the window under the pointer): Wine takes no Shift from keys
# sent to a window, and ":" would arrive as ";".
xdotool key ctrl+a
xdotool type --delay 20 "http://www.gallery.test/t/xinggan/"
click "$main" 730 68                       # 选择框_图集分类
click "$main" 1039 258                     # 按钮_分析数据
box="$(wait_for_window '^温馨提示$' 60)" || { echo "the analysis never reported" >&2; exit 1; }
echo "the window opened and reported the analysis of a sample address"
xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box" 2>/dev/null
xdotool key Return
sleep 0.5

if [ -n "$pictures" ]; then
  import -window "$main" "$pictures/window-analysed.png"
fi
if [ -n "$pictures$download" ]; then
  click "$main" 940 259                    # 按钮_开始下载
fi
if [ -n "$pictures" ]; then
  sleep 3
  import -window "$main" "$pictures/window-downloading.png"
  echo "saved $pictures/window-analysed.png and $pictures/window-downloading.png"
fi
if [ -n "$download" ]; then
  box="$(wait_for_window '^恭喜客官$' 600)" || { echo "the download never reported" >&2; exit 1; }
  echo "the window reported the end of the download"
  xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box" 2>/dev/null
  xdotool key Return
  sleep 0.5
fi
