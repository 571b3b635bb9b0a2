#!/usr/bin/env bash
# The installed tree and the Debian package as a user meets them: the layout, the desktop files,
# an installed copy run by an unprivileged user from a read-only folder, and the package
# installed into and removed from a scratch root.
#   InstallTest.sh BUILD_DIR SOURCE_DIR [tree|package]
set -uo pipefail
build=$1
source=$2
part=${3:-tree}
failures=0
work=$(mktemp -d "${TMPDIR:-/tmp}/zu-install-XXXXXX")
chmod 755 "$work"
editors=()
cleanup() {
  for pid in "${editors[@]}"; do kill -KILL "$pid" 2>/dev/null; done
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
expect_path() { [ -e "$1" ] || [ -L "$1" ] || fail "missing $1"; }
expect_text() { grep -qF -- "$2" "$1" 2>/dev/null || fail "$1 does not hold: $2"; }
# Waits up to 60 s for the file to hold the text.
wait_for_text() {
  for _ in $(seq 600); do
    grep -qF -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "$1 never held: $2"
  return 1
}

# The tree every install has below its prefix.
tree_paths=(
  bin/zu-programming bin/zu-cli
  lib/zu-programming/ZUProgramming lib/zu-programming/zu-probe lib/zu-programming/zu-logservice
  lib/zu-programming/zu-cli lib/zu-programming/zu-programming.installed
  lib/zu-programming/components/Adder.so lib/zu-programming/components/SignalGenerator.so
  lib/zu-programming/components/Comparator.so lib/zu-programming/components/SerialPort.so
  lib/zu-programming/components/DatabaseWriter.so lib/zu-programming/components/Recorder.so
  share/man/man1/zu-programming.1.gz share/man/man1/zu-cli.1.gz
  share/doc/zu-programming/copyright share/doc/zu-programming/changelog.Debian.gz
  lib/zu-programming/DOC/Programming/TreeViewMain.html
  lib/zu-programming/translations/zu-programming_en.qm
  share/applications/zu-programming.desktop
  share/icons/hicolor/scalable/apps/zu-programming.svg
  share/icons/hicolor/48x48/apps/zu-programming.png
  share/icons/hicolor/256x256/apps/zu-programming.png
  share/mime/packages/zu-programming.xml
  share/dbus-1/services/OBU_LogSystem.Service_Info.service
  share/dbus-1/services/OBU_LogSystem.Service_Config.service
  share/dbus-1/services/OBU_LogSystem.Service_Work.service
  share/metainfo/org.kven.zuprogramming.metainfo.xml
  share/bash-completion/completions/zu-cli
  share/zsh/vendor-completions/_zu-cli
)

# bash completes zu-cli's commands and a run's options as a user types them.
check_completion() {
  local script=$1 got
  got=$(bash -c "source '$script'
    COMP_WORDS=(zu-cli pro); COMP_CWORD=1; _zu_cli; echo \"\${COMPREPLY[*]}\"
    COMP_WORDS=(zu-cli project r); COMP_CWORD=2; _zu_cli; echo \"\${COMPREPLY[*]}\"
    COMP_WORDS=(zu-cli project run p.zuproj --t); COMP_CWORD=4; _zu_cli; echo \"\${COMPREPLY[*]}\"")
  [ "$got" = "$(printf 'project\nresave render run\n--ticks')" ] ||
    fail "bash completion of zu-cli gives: $got"
}

check_tree() {
  local stage=$work/stage
  DESTDIR=$stage cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
    { fail "cmake --install failed"; cat "$work/install.log"; return; }
  local usr=$stage/usr
  for p in "${tree_paths[@]}"; do expect_path "$usr/$p"; done
  [ "$(readlink "$usr/bin/zu-programming")" = ../lib/zu-programming/ZUProgramming ] ||
    fail "bin/zu-programming is not a link to the editor"
  # Nothing of the tests or of the build folder's own state is installed.
  [ -z "$(find "$stage" -name 'test_*' -o -name 'Configs' -o -name 'Logs' -o -name '*_tests')" ] ||
    fail "the tree holds test files or build state"
  # The files that name programs name them where the prefix puts them.
  expect_text "$usr/share/applications/zu-programming.desktop" "Exec=/usr/bin/zu-programming %f"
  expect_text "$usr/share/dbus-1/services/OBU_LogSystem.Service_Work.service" \
    "Exec=/usr/lib/zu-programming/zu-logservice --foreground"
  desktop-file-validate "$usr/share/applications/zu-programming.desktop" || fail "desktop-file-validate"
  appstreamcli validate --pedantic --no-net --explain "$usr/share/metainfo/org.kven.zuprogramming.metainfo.xml" ||
    fail "appstreamcli validate"
  check_desktop_open
  check_completion "$usr/share/bash-completion/completions/zu-cli"

  # A read-only copy run by a user who cannot write it.
  local ro=$work/ro home=$work/home
  cp -a "$usr" "$ro"
  chmod -R a+rX,a-w "$ro"
  touch "$work/copied"
  mkdir -p "$home/.local/share/zu-programming/components"
  cp "$build/bin/Recorder.so" "$home/.local/share/zu-programming/components/UserRecorder.so"
  cp "$source/tests/data/nested-project.xml" "$home/first.xml"
  cp "$source/tests/data/nested-project.xml" "$home/second.xml"
  local as_user=()
  if [ "$(id -u)" -eq 0 ]; then
    chown -R 65534:65534 "$home"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  fi
  local env_user=(env -i HOME="$home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen LANG=C.UTF-8)
  "${as_user[@]}" "${env_user[@]}" "$ro/bin/zu-programming" "$home/first.xml" >"$work/editor1.out" 2>&1 &
  editors+=($!)
  local config=$home/.config/zu-programming state=$home/.local/state/zu-programming
  local log=$state/ZUProgramming.log cache=$home/.cache/zu-programming
  wait_for_text "$log" "Обновление списка компонент закончено"
  # A second file while the first editor runs opens in an editor of its own.
  "${as_user[@]}" "${env_user[@]}" "$ro/bin/zu-programming" "$home/second.xml" >"$work/editor2.out" 2>&1 &
  editors+=($!)
  for _ in $(seq 600); do
    [ "$(find "$state" -name 'ZUProgramming.*.lock' 2>/dev/null | wc -l)" -ge 2 ] && break
    sleep 0.1
  done
  [ "$(find "$state" -name 'ZUProgramming.*.lock' | wc -l)" -eq 2 ] ||
    fail "two editors do not each hold their recovery lock in $state"
  expect_text "$log" "/.local/share/zu-programming/components/UserRecorder.so"
  # Asked to end by the system, each editor writes its configuration and stops.
  for pid in "${editors[@]}"; do
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "editor $pid did not end on SIGTERM"
  done
  expect_text "$config/ZUProgramming.config" "<RecentProjects>"
  # The editor that ended last wrote the configuration last: its file is the recent one.
  expect_text "$config/ZUProgramming.config" "<Project>$home/second.xml</Project>"
  # One cache for the editor and zu-cli, in the user's cache folder; nothing of it or of the
  # recovery beside the configuration.
  expect_path "$cache/components.cache"
  [ -e "$config/components.cache" ] && fail "a cache beside the configuration"
  expect_text "$log" "Программа остановлена"
  [ -z "$(find "$state" "$config" -name '*.lock')" ] || fail "a lock was left behind"
  local written
  written=$(find "$ro" -newer "$work/copied")
  [ -z "$written" ] || fail "the tree was written: $written"
  # zu-cli of the same tree finds the user's component too.
  "${as_user[@]}" "${env_user[@]}" "$ro/bin/zu-cli" components >"$work/cli.out" 2>&1 ||
    fail "zu-cli components"
  # Recorder twice: the program's own and the user's copy.
  [ "$(grep -c '^Name: *Recorder$' "$work/cli.out")" -eq 2 ] || fail "zu-cli missed the user's component"
}

# A tree installed where it runs, made known to the desktop as the packages' triggers would: a
# project opened as a file manager opens it (GIO's default application for the file's type)
# starts the editor with it.
check_desktop_open() {
  local pfx=$work/pfx share=$work/pfx/share home=$work/home-desktop
  cmake --install "$build" --prefix "$pfx" >/dev/null 2>&1 || { fail "install into $pfx"; return; }
  update-mime-database "$share/mime" >/dev/null 2>&1 || fail "update-mime-database"
  update-desktop-database "$share/applications" || fail "update-desktop-database"
  # Readers of XML roots learn the rule; the others know projects by their first bytes.
  expect_text "$share/mime/XMLnamespaces" "Kven_ZU_Programming_Project application/x-zu-programming-project"
  mkdir -p "$home"
  cp "$source/tests/data/nested-project.xml" "$home/Project.zup"
  cp "$source/tests/data/nested-project.xml" "$home/Project"
  # A file of the projects' own extension is one whatever it holds.
  printf 'not yet written' >"$home/Empty.zuproj"
  local desktop=(env -i HOME="$home" PATH=/usr/bin:/bin XDG_DATA_HOME="$home/.local/share"
    XDG_DATA_DIRS="$share:/usr/share" XDG_CONFIG_DIRS=/nonexistent QT_QPA_PLATFORM=offscreen
    LANG=C.UTF-8)
  for file in "$home/Project.zup" "$home/Project" "$home/Empty.zuproj"; do
    "${desktop[@]}" gio info -a standard::content-type "$file" >"$work/gio-info.out" 2>&1
    grep -q "standard::content-type: application/x-zu-programming-project" "$work/gio-info.out" ||
      fail "$file is not known as a project: $(cat "$work/gio-info.out")"
  done
  "${desktop[@]}" gio mime application/x-zu-programming-project >"$work/gio-mime.out" 2>&1
  grep -q "Default application.*: zu-programming.desktop" "$work/gio-mime.out" ||
    fail "the editor does not open projects: $(cat "$work/gio-mime.out")"
  "${desktop[@]}" gio open "$home/Project" >"$work/gio.out" 2>&1 || fail "gio open"
  wait_for_text "$home/.local/state/zu-programming/ZUProgramming.log" "Программа запущена"
  local pid
  for _ in $(seq 100); do
    pid=$(pgrep -f "^$pfx/bin/zu-programming $home/Project\$") && break
    sleep 0.1
  done
  [ -n "$pid" ] || { fail "no editor runs with the project"; return; }
  editors+=("$pid")
  kill -TERM "$pid"
  for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  expect_text "$home/.config/zu-programming/ZUProgramming.config" "$home/Project<"
  check_window_class "$pfx" "$home"
}

# The window of the installed editor, started as its menu entry starts it, carries the class the
# desktop entry names, so that the desktop ties the window to the entry (X11, when Xvfb is there).
check_window_class() {
  local pfx=$1 home=$2
  command -v Xvfb >/dev/null && command -v xprop >/dev/null || return 0
  local display=:$((200 + $$ % 500)) xvfb pid class wanted
  Xvfb "$display" -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
  env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$display" LANG=C.UTF-8 \
    "$pfx/bin/zu-programming" "$home/Project" >/dev/null 2>&1 &
  pid=$!
  editors+=("$pid")
  for _ in $(seq 100); do
    class=$(for w in $(DISPLAY=$display xwininfo -root -children 2>/dev/null | grep -o '0x[0-9a-f]*'); do
      DISPLAY=$display xprop -id "$w" WM_CLASS 2>/dev/null; done | grep -o '"[^"]*"$' | tr -d '"' | sort -u | head -1)
    [ -n "$class" ] && break
    sleep 0.1
  done
  wanted=$(sed -n 's/^StartupWMClass=//p' "$pfx/share/applications/zu-programming.desktop")
  [ "$class" = "$wanted" ] || fail "the window's class is \"$class\", the desktop entry names \"$wanted\""
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
}

check_package() {
  (cd "$work" && cpack -G DEB -B "$work/deb" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1) ||
    { fail "cpack failed"; cat "$work/cpack.log"; return; }
  local deb
  deb=$(find "$work/deb" -maxdepth 1 -name 'zu-programming_*.deb' | head -1)
  [ -n "$deb" ] || { fail "no .deb was made"; return; }
  dpkg-deb --contents "$deb" >"$work/contents"
  for p in "${tree_paths[@]}"; do
    grep -q " \./usr/$p\( \|$\)" "$work/contents" || fail "the package lacks /usr/$p"
  done
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  for library in libc6 libqt6widgets6 libqt6svg6 libsqlite3-0 libsystemd0 qt6-qpa-plugins; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
  done
  [[ $(dpkg-deb -f "$deb" Version) == *-* ]] || fail "no Debian revision: $(dpkg-deb -f "$deb" Version)"
  [[ $(dpkg-deb -f "$deb" Homepage) == https://* ]] || fail "no Homepage"
  # Installed-Size as dpkg counts it: each file rounded up to a KiB, a KiB a folder or link.
  local tree=$work/deb-tree counted
  dpkg-deb -x "$deb" "$tree"
  counted=$(( $(find "$tree" -type f -printf '%s\n' | awk '{k += int(($1 + 1023) / 1024)} END {print k + 0}') +
    $(find "$tree" -mindepth 1 \( -type d -o -type l \) | wc -l) ))
  [ "$(dpkg-deb -f "$deb" Installed-Size)" = "$counted" ] ||
    fail "Installed-Size $(dpkg-deb -f "$deb" Installed-Size), the files take $counted KiB"
  # The programs are hardened as Debian's are.
  readelf -d "$tree/usr/lib/zu-programming/ZUProgramming" >"$work/dynamic"
  grep -q BIND_NOW "$work/dynamic" || fail "no bind-now"
  nm -D "$tree/usr/lib/zu-programming/zu-cli" >"$work/symbols"
  grep -q "_chk@" "$work/symbols" || fail "no fortified calls"
  # Debian's own check finds nothing to say.
  if command -v lintian >/dev/null; then
    lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian.out" 2>&1 ||
      fail "lintian: $(grep -v 'root privileges' "$work/lintian.out")"
  fi
  [ "$(dpkg-deb -f "$deb" Package)" = zu-programming ] || fail "package name"
  echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
  echo "Depends: $depends"
  # Its maintainer scripts touch nothing outside the package (no linker cache for plug-ins).
  dpkg-deb -e "$deb" "$work/control"
  ! grep -l ldconfig "$work/control"/post* 2>/dev/null || fail "a maintainer script calls ldconfig"
  # Installed into a scratch root and purged again, it leaves nothing.
  local root=$work/root
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
  touch "$root/var/lib/dpkg/status"
  local dpkg=(dpkg --root="$root" --force-not-root --force-depends --force-script-chrootless
    --log=/dev/null)
  "${dpkg[@]}" -i "$deb" >"$work/dpkg.log" 2>&1 || { fail "dpkg -i"; cat "$work/dpkg.log"; }
  expect_path "$root/usr/lib/zu-programming/ZUProgramming"
  expect_path "$root/usr/share/applications/zu-programming.desktop"
  "${dpkg[@]}" -P zu-programming >>"$work/dpkg.log" 2>&1 || { fail "dpkg -P"; cat "$work/dpkg.log"; }
  local left
  left=$(find "$root" -mindepth 1 -not -path "$root/var*" -not -type d)
  [ -z "$left" ] || fail "the purge left: $left"
  [ -z "$(find "$root/usr" -mindepth 1 2>/dev/null)" ] || fail "the purge left folders in /usr"
}

case $part in
tree) check_tree ;;
package) check_package ;;
*) echo "unknown part $part"; exit 2 ;;
esac
if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all checks passed"
