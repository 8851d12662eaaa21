#!/usr/bin/env bash
# The Debian package as a user gets it: built from this tree, unpacked into a throw-away root
# (dpkg-deb -x), its declared dependencies checked against every library the programs really load,
# and the installed program started by a user who may not write to its folder, whose settings must
# then appear in that user's own configuration folder and nowhere else.
#   installed_package_test.sh CPACK BUILD_DIR
set -euo pipefail
cpack=$1
build=$2

work=$(mktemp -d "${TMPDIR:-/tmp}/qel-package-XXXXXX")
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack could not build the package"; }
debs=("$work"/out/qelsaver_*.deb)
[ -f "${debs[0]}" ] || fail "no qelsaver_*.deb in $work/out"
deb=${debs[0]}
root=$work/root
dpkg-deb -x "$deb" "$root"
app=$root/usr/lib/qelsaver

# The application folder and the desktop's files.
for f in QelSaver QelMpegDll.dll QelSetup.dat trans1.jpg trans2.jpg manual/index.html manual/gallery.html \
         manual/gallery/transition-00.gif manual/gallery/transition-91.gif \
         build/setup.pak build/install.pak build/Saver.pak build/Uninstall.pak; do
  [ -f "$app/$f" ] || fail "the package lacks usr/lib/qelsaver/$f"
done
for f in QelSaver build/Saver.pak build/setup.pak build/Uninstall.pak; do
  [ -x "$app/$f" ] || fail "usr/lib/qelsaver/$f is not executable"
done
[ "$(readlink "$root/usr/bin/QelSaver")" = ../lib/qelsaver/QelSaver ] || fail "usr/bin/QelSaver is not the relative link"
for f in share/applications/qelsaver.desktop share/icons/hicolor/scalable/apps/qelsaver.svg \
         share/icons/hicolor/48x48/apps/qelsaver.png share/man/man1/QelSaver.1.gz share/doc/qelsaver/copyright; do
  [ -f "$root/usr/$f" ] || fail "the package lacks usr/$f"
done
# MATE's screen saver lists the program (an entry it does not hide) and runs it from its own folder.
[ "$(readlink -f "$root/usr/lib/mate-screensaver/mate-screensaver/qelsaver")" = "$(readlink -f "$app/QelSaver")" ] ||
  fail "usr/lib/mate-screensaver/mate-screensaver/qelsaver is not a link to the program"
entry=$root/usr/share/applications/screensavers/qelsaver.desktop
grep -qx 'Exec=qelsaver --root' "$entry" && ! grep -q NoDisplay "$entry" || fail "the screen-saver entry of MATE"
# The default settings name the pictures where the package puts them, with the settings file's CR LF.
grep -q $'^/usr/lib/qelsaver/trans1.jpg=\r$' "$app/QelSetup.dat" || fail "the default settings do not show the sample pictures"

# Every library the two programs link comes from a package the package depends on (the libraries
# those bring in are their packages' own concern).
depends=" $(dpkg-deb -f "$deb" Depends | sed -E 's/\([^)]*\)//g; s/[,|]/ /g') "
owner() {  # the package holding a library, trying the names merged /usr gives it
  local path=$1 real out p
  real=$(readlink -f "$path")
  for p in "$path" "$real" "${path#/usr}" "${real#/usr}" "/usr$path" "/usr$real"; do
    if out=$(dpkg-query -S "$p" 2>/dev/null); then
      out=${out%%:*}
      echo "${out%%,*}"
      return 0
    fi
  done
  return 1
}
for program in "$app/QelSaver" "$app/QelMpegDll.dll"; do
  resolved=$(ldd "$program")
  needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  [ -n "$needed" ] || fail "readelf finds no libraries in ${program#$root}"
  for soname in $needed; do
    # ldd names the dynamic loader by its path alone, every other library "soname => path".
    lib=$(awk -v s="$soname" '$1 == s && $2 == "=>" { print $3 } $1 ~ ("/" s "$") { print $1 }' <<<"$resolved")
    [ -n "$lib" ] && [ "$lib" != "not" ] || fail "${program#$root} needs $soname, which this system lacks"
    pkg=$(owner "$lib") || fail "no package holds $lib (needed by ${program#$root})"
    case "$depends" in
      *" $pkg "*) ;;
      *) fail "${program#$root} links $lib of $pkg, which the package does not depend on (Depends:$depends)" ;;
    esac
  done
done
# Every declared package is a real one: the tests run the program here, so each is installed.
for pkg in $depends; do
  [ "$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)" = "install ok installed" ] ||
    fail "the package depends on $pkg, which is not installed here (a wrong name?)"
done

# --help and --version answer without a display and without settings.
"$root/usr/bin/QelSaver" --version | grep -qx "QelSaver [0-9.]*" || fail "--version"
"$root/usr/bin/QelSaver" --help | grep -q "/s" || fail "--help"

# A user who may not write to the program's folder: as root, another user (root may write anywhere);
# otherwise this user, with the folder made read-only.
home=$work/home
mkdir -p "$home"
chmod -R a-w "$app"
run=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work"
  chown 65534:65534 "$home"
  run=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
before=$(cd "$app" && find . -printf '%p %s %T@\n' | sort)
# /a starts, runs the start-up checks (settings, decoder library) and ends at once, with no window.
env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_CONFIG_HOME HOME="$home" QELSAVER_MESSAGE_LOG="$home/messages.log" \
  "${run[@]}" "$root/usr/bin/QelSaver" /a >"$work/run.log" 2>&1 || { cat "$work/run.log" >&2; fail "QelSaver /a"; }
[ ! -s "$home/messages.log" ] || fail "the start-up complained: $(cat "$home/messages.log")"
own=$home/.config/qelsaver/QelSetup.dat
[ -f "$own" ] || { cat "$work/run.log" >&2; fail "no settings in the user's folder"; }
cmp -s "$own" "$app/QelSetup.dat" || fail "the user's settings are not the default ones"
after=$(cd "$app" && find . -printf '%p %s %T@\n' | sort)
[ "$before" = "$after" ] || fail "the program's folder changed"
echo "ok: $(basename "$deb"), Depends:$depends"
