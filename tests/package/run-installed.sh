#!/bin/sh
# Unpacks the package into a temporary root and starts the installed program
# the way the desktop does, from its entry's Exec line: the options answer as
# they should, and under X its window appears with the class the entry names
# and an icon, which needs every QML module of the interface. The settings log
# line tells where --settings-dir put the list, and that without it the list
# is kept per user although the unpacked bin directory can be written.
# Usage: run-installed.sh <package build dir> <scripts/with-display>
set -eu

fail() {
    echo "FAIL: $*"
    exit 1
}

if [ "${1:-}" = "--with-display" ]; then
    shift
    root=$1 exec_line=$2 wm_class=$3
    set +e
    $exec_line --no-such-option >"$root/unknown.out" 2>&1
    status=$?
    set -e
    [ $status -eq 2 ] || fail "an unknown option exited with $status, not 2"
    grep -q "^NorvaleoDimmer: неизвестный параметр «--no-such-option»$" "$root/unknown.out" ||
        fail "an unknown option printed no Russian error line"
    grep -q "^Использование:" "$root/unknown.out" || fail "an unknown option printed no usage"

    QT_LOGGING_RULES="norvaleo.settings.debug=true" \
        $exec_line --settings-dir "$root/settings" >"$root/app.log" 2>&1 &
    app=$!
    window=""
    tries=0
    while [ -z "$window" ] && [ $tries -lt 150 ]; do
        kill -0 $app 2>/dev/null || { cat "$root/app.log"; fail "the program ended without a window"; }
        window=$(xdotool search --onlyvisible --class "^$wm_class\$" 2>/dev/null | head -n 1) || true
        [ -n "$window" ] || sleep 0.2
        tries=$((tries + 1))
    done
    [ -n "$window" ] || { cat "$root/app.log"; fail "no window of class $wm_class"; }
    title=$(xdotool getwindowname "$window")
    class=$(xprop -id "$window" WM_CLASS)
    icon=$(xprop -id "$window" _NET_WM_ICON | head -c 200)
    kill $app
    wait $app 2>/dev/null || true
    cat "$root/app.log"
    ! grep -qiE "module .* is not installed|plugin cannot be loaded" "$root/app.log" ||
        fail "a QML module is missing"
    grep -q "writes \"$root/settings/settings.json\"" "$root/app.log" ||
        fail "--settings-dir $root/settings did not choose $root/settings/settings.json"
    XDG_CONFIG_HOME="$root/config" QT_LOGGING_RULES="norvaleo.settings.debug=true" \
        $exec_line >"$root/peruser.log" 2>&1 &
    app=$!
    tries=0
    while ! grep -q "writes" "$root/peruser.log" && [ $tries -lt 150 ]; do
        sleep 0.2
        tries=$((tries + 1))
    done
    kill $app
    wait $app 2>/dev/null || true
    grep -q "writes \"$root/config/NorvaleoDimmer/settings.json\"" "$root/peruser.log" ||
        { cat "$root/peruser.log"; fail "the installed program does not keep its list per user"; }
    case "$title" in "NorvaleoDimmer v"*) ;; *) fail "window title '$title'" ;; esac
    case "$class" in *"\"$wm_class\"") ;; *) fail "window class $class, the entry says $wm_class" ;; esac
    case "$icon" in *"CARDINAL) ="*) ;; *) fail "the window has no icon: $icon" ;; esac
    [ ! -e "$root/usr/bin/settings" ] || fail "a settings directory appeared in usr/bin"
    echo "PASS: window '$title', $class; the list kept per user"
    exit 0
fi

build=$1 with_display=$2
deb=$(ls "$build"/*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

desktop=$(ls "$root"/usr/share/applications/*.desktop)
entry() { sed -n "s/^$1=//p" "$desktop"; }
exec_line=$(entry Exec)
icon=$(entry Icon)
for size in scalable/apps/$icon.svg 48x48/apps/$icon.png 256x256/apps/$icon.png; do
    [ -f "$root/usr/share/icons/hicolor/$size" ] || fail "no icon hicolor/$size"
done

# Help and version need no display.
unset DISPLAY
export PATH="$root/usr/bin:$PATH"
version=$(dpkg-deb -f "$deb" Version)
[ "$($exec_line --version)" = "NorvaleoDimmer $version" ] ||
    fail "--version printed '$($exec_line --version)'"
help=$($exec_line --help)
for option in --help --version "--settings-dir КАТАЛОГ"; do
    echo "$help" | grep -q -- "$option" || fail "--help does not name $option"
done
echo "PASS: --version and --help, without a display"

# Where root could write the bin directory, the list still stays per user.
[ -w "$root/usr/bin" ] || fail "the unpacked bin directory is not writable"
missing=$(XDG_CONFIG_HOME="$root/config" norvaleo-ctl list 2>&1) && fail "a missing list is not reported"
echo "$missing" | grep -qF "$root/config/NorvaleoDimmer" || fail "norvaleo-ctl looks for $missing"
mkdir -p "$root/config/NorvaleoDimmer" && printf '{}' >"$root/config/NorvaleoDimmer/settings.json"
list=$(XDG_CONFIG_HOME="$root/config" norvaleo-ctl list --json) || fail "norvaleo-ctl list failed"
echo "$list" | grep -qF "\"settings_file\": \"$root/config/NorvaleoDimmer/settings.json\"" ||
    fail "norvaleo-ctl reads $list"

# The MQTT service: its version, its user unit, the broker library it needs,
# and the window's list, per user.
[ "$(norvaleo-mqtt --version)" = "norvaleo-mqtt $version" ] || fail "norvaleo-mqtt --version"
unit="$root/usr/lib/systemd/user/norvaleo-mqtt.service"
grep -q "^ExecStart=norvaleo-mqtt " "$unit" || fail "no user unit starting norvaleo-mqtt"
dpkg-deb -f "$deb" Depends | grep -q "libmosquitto1" || fail "the package does not depend on libmosquitto1"
reads=$(XDG_CONFIG_HOME="$root/config" QT_LOGGING_RULES="norvaleo.settings.debug=true" \
    timeout 2 norvaleo-mqtt --broker 127.0.0.1:1 2>&1) || true
echo "$reads" | grep -qF "reads \"$root/config/NorvaleoDimmer/settings.json\"" ||
    fail "norvaleo-mqtt reads $reads"
echo "PASS: norvaleo-mqtt, its unit and its dependency"

"$with_display" sh "$0" --with-display "$root" "$exec_line" "$(entry StartupWMClass)"
