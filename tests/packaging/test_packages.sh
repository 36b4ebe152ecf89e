#!/usr/bin/env bash
# The two Debian packages as an admin installs them: built by cpack from
# this build, unpacked into a throw-away root, their files and control data
# checked, and the installed server started as its unit starts it, on a
# free port, answering the school lookup.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
client="$(ls "$work"/out/tavix_*.deb)"
server="$(ls "$work"/out/velmora-server_*.deb)"

root="$work/root"
dpkg-deb -x "$client" "$root"
dpkg-deb -x "$server" "$root"
for f in usr/bin/tavix usr/share/applications/tavix.desktop usr/share/icons/hicolor/scalable/apps/tavix.svg \
         usr/bin/velmora-server usr/lib/systemd/system/velmora-server.service etc/velmora-server/velmora-server.conf; do
  [ -e "$root/$f" ] || fail "missing $f"
done
grep -q '^Name\[zh_CN\]=' "$root/usr/share/applications/tavix.desktop" || fail "no Chinese name in the desktop entry"
grep -q '^Name=' "$root/usr/share/applications/tavix.desktop" || fail "no English name in the desktop entry"

# What apt installs with them: the run-time libraries, nothing a build needs.
depends="$(dpkg-deb -f "$client" Depends)"
for d in libqt6widgets6 libqt6webenginewidgets6 fonts-noto-cjk qt6-translations-l10n; do
  case "$depends" in *"$d"*) ;; *) fail "tavix does not depend on $d: $depends" ;; esac
done
case "$depends$(dpkg-deb -f "$server" Depends)" in *-dev*) fail "a package depends on a -dev package" ;; esac
dpkg-deb -I "$server" postinst > /dev/null || fail "velmora-server has no postinst"
dpkg-deb -I "$server" conffiles | grep -q /etc/velmora-server/velmora-server.conf || fail "the configuration is no conffile"

# The service: its own user, its database under /var/lib/velmora-server.
unit="$root/usr/lib/systemd/system/velmora-server.service"
grep -q '^User=velmora' "$unit" || fail "the service does not run as its own user"
grep -q -- '--db /var/lib/velmora-server/' "$unit" || fail "the database is not under /var/lib/velmora-server"

# Started as the unit starts it (the database in a folder of ours), on a free port.
mkdir -p "$work/var"
mkfifo "$work/out.fifo"
"$root/usr/bin/velmora-server" --db "$work/var/velmora.db" --port 0 --demo > "$work/out.fifo" 2> "$work/server.err" &
server_pid=$!
exec 4< "$work/out.fifo"
# The first line says where it listens; it comes once the demo is seeded.
read -r -t 60 first <&4 || { cat "$work/server.err"; fail "the installed server said nothing"; }
port="$(printf '%s' "$first" | sed -n 's#.*127\.0\.0\.1:\([0-9]*\)/.*#\1#p')"
[ -n "$port" ] || fail "no port: $first"
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /cj/net_get_school.asp?q=dyzx HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' >&3
reply="$(timeout 10 cat <&3 | iconv -f GBK -t UTF-8)"
exec 3<&-
case "$reply" in *School_Name8762349*第一中学*) ;; *) fail "school lookup: $reply" ;; esac
echo "packages: tavix and velmora-server install, and the installed server answers the school lookup"
