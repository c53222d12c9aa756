#!/bin/sh
# Every module the QML files import comes from a package that the .deb depends
# on, and no picture needs the SVG image plugin. dpkg-shlibdeps sees only linked libraries, not the QML modules the engine
# loads at run time. Each module is found where Qt looks for it and mapped to
# its Debian package with dpkg -S on its qmldir.
# Usage: check-qml-depends.sh <package build dir> <qmake> <qml source dir>
set -eu
build=$1 qmake=$2 sources=$3
# Registered from C++ by the application itself.
own_modules="Project.types"
# Registered by another module's plugin, with no directory of its own: the
# styles' helper types come with Qt Quick Controls 2.
registered_by() {
    case $1 in
    QtQuick.Controls.impl) echo QtQuick.Controls ;;
    *) echo "$1" ;;
    esac
}

deb=$(ls "$build"/*.deb)
qt_qml=$("$qmake" -query QT_INSTALL_QML)
depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/[[:space:]]//g')

# Relative directories Qt tries for "import A.B.C M.m", in its order:
# A/B/C.M.m, A/B.M.m/C, A.M.m/B/C, then the same with M alone, then A/B/C.
candidates() {
    for v in "$2" "${2%%.*}"; do
        echo "$1" | awk -F. -v v="$v" '{
            for (i = NF; i >= 1; i--) {
                s = ""
                for (k = 1; k <= NF; k++) s = s (k > 1 ? "/" : "") $k (k == i ? "." v : "")
                print s
            }
        }'
    done
    echo "$1" | tr . /
}

# Nor does the interface need an image plugin that Depends does not name: its
# pictures are PNGs, the SVG drawings rendered at build time.
if grep -rnE --include='*.qml' '\.svgz?"' "$sources"; then
    echo "FAIL: the QML files above name SVG pictures, which no dependency draws"
    exit 1
fi

imports=$(grep -rhE --include='*.qml' '^[[:space:]]*import[[:space:]]+[A-Za-z]' "$sources" |
    awk '{ print $2, $3 }' | sort -u)
[ -n "$imports" ] || { echo "FAIL: no imports found under $sources"; exit 1; }

status=0
echo "$imports" | {
    while read -r module version; do
        case " $own_modules " in *" $module "*) continue ;; esac
        qmldir=""
        for dir in $(candidates "$(registered_by "$module")" "$version"); do
            if [ -f "$qt_qml/$dir/qmldir" ]; then
                qmldir="$qt_qml/$dir/qmldir"
                break
            fi
        done
        if [ -z "$qmldir" ]; then
            echo "FAIL: $module $version: no qmldir under $qt_qml"
            status=1
            continue
        fi
        package=$(dpkg -S "$qmldir" | cut -d: -f1)
        if echo "$depends" | grep -qx "$package"; then
            echo "ok   $module $version -> $package"
        else
            echo "FAIL: $module $version comes from $package, which Depends does not name"
            status=1
        fi
    done
    exit $status
}
