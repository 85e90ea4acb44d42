#!/bin/sh
# The server package's maintainer scripts through an administrator's life of the package:
# installing starts nothing (port 80 may be taken), an upgrade restarts a running server and keeps
# it enabled, removing stops it and keeps the members' data, purging deletes the data. systemd and
# its Debian helpers are replaced by recorders; /run and /var/lib are private to the test, in a
# mount namespace of its own.
# Usage: test_maintainer_scripts.sh <source>/packaging/deb-server
set -eu
scripts=$(cd "$1" && pwd)
if [ -z "${MAINTSCRIPT_TEST_INSIDE:-}" ]; then
  if [ "$(id -u)" != 0 ] || ! unshare -m true 2>/dev/null; then
    echo "skipped: a private mount namespace needs root"
    exit 77
  fi
  exec env MAINTSCRIPT_TEST_INSIDE=1 unshare -m --propagation private sh "$0" "$@"
fi

mount -t tmpfs jaserelle-test /run
mount -t tmpfs jaserelle-test /var/lib
fakes=$(mktemp -d)
trap 'rm -rf "$fakes"' EXIT
log=$fakes/log
# deb-systemd-helper answers debian-installed and was-enabled as $ENABLED says.
for cmd in systemctl deb-systemd-helper deb-systemd-invoke; do
  cat >"$fakes/$cmd" <<FAKE
#!/bin/sh
echo "$cmd \$*" >>"$log"
case "\$*" in *debian-installed*|*was-enabled*) [ "\${ENABLED:-no}" = yes ] ;; esac
FAKE
  chmod +x "$fakes/$cmd"
done
PATH=$fakes:$PATH
export PATH

failures=0
run() { : >"$log"; "$scripts/$1" "$2" "${3:-}"; }
expect() { grep -qxF "$1" "$log" || { echo "FAIL $step: no \"$1\" in:"; sed 's/^/    /' "$log"; failures=$((failures + 1)); }; }
refuse() { if grep -qE "$1" "$log"; then echo "FAIL $step: \"$1\" in:"; sed 's/^/    /' "$log"; failures=$((failures + 1)); fi; }
unit=jaserelle-server.service

mkdir -p /run/systemd/system

step="first install"
ENABLED=no run postinst configure
expect "deb-systemd-helper update-state $unit"
expect "systemctl --system daemon-reload"
refuse "start|enable|unmask"

step="upgrade of an enabled, running server"
ENABLED=yes run postinst configure 0.0.9
expect "deb-systemd-helper unmask $unit"
expect "deb-systemd-helper enable $unit"
expect "deb-systemd-invoke try-restart $unit"
refuse "invoke (start|restart)"

step="prerm of an upgrade"
run prerm upgrade 0.1.1
refuse "stop"

mkdir -p /var/lib/private/jaserelle
echo data >/var/lib/private/jaserelle/jaserelle.db
ln -s private/jaserelle /var/lib/jaserelle

step="removal"
run prerm remove
expect "deb-systemd-invoke stop $unit"
run postrm remove
expect "deb-systemd-helper mask $unit"
expect "systemctl --system daemon-reload"
[ -f /var/lib/private/jaserelle/jaserelle.db ] || { echo "FAIL removal: the members' data is gone"; failures=$((failures + 1)); }

step="purge"
run postrm purge
expect "deb-systemd-helper purge $unit"
expect "deb-systemd-helper unmask $unit"
if [ -e /var/lib/private/jaserelle ] || [ -L /var/lib/jaserelle ]; then
  echo "FAIL purge: the data folder is still there"; failures=$((failures + 1))
fi

rmdir /run/systemd/system
step="install where systemd does not run"
ENABLED=yes run postinst configure 0.0.9
expect "deb-systemd-helper update-state $unit"
refuse "^systemctl|invoke"
run prerm remove
refuse "invoke"

# Only daemon-reload is systemctl's: everything else goes through the Debian helpers, which
# respect policy-rc.d and an administrator's masks.
step="every script"
cat "$scripts"/postinst "$scripts"/prerm "$scripts"/postrm >"$log"
refuse "^[^#]*systemctl (start|stop|restart|try-restart|enable|disable|mask|unmask)"

[ "$failures" = 0 ] && echo "maintainer scripts: every step as expected"
exit "$failures"
