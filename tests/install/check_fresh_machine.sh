#!/usr/bin/env bash
# Checks the README's quick start on a fresh machine: makes a new Debian 12 root with
# debootstrap (variant minbase) holding only what such a machine has, clones this
# repository into it and runs the quick start's two commands there, word for word, as root.
# Both must pass; the time of each is printed. Run by hand, as root; not part of CI. It took
# 43 minutes on two busy cores, most of it the test matrix.
# Usage: tests/install/check_fresh_machine.sh [--keep] [ROOT]
#   ROOT     where to make the root (empty or absent; default: a new folder in /var/tmp)
#   --keep   keep the root afterwards (a failed check always keeps it)
# The Debian mirror is the one of this machine's apt sources, or FLATEBITS_DEBIAN_MIRROR.
# Only the committed HEAD is checked: changes not committed do not reach the clone.
set -euo pipefail

keep=no
if [ "${1:-}" = --keep ]; then
    keep=yes
    shift
fi
if [ "$#" -gt 1 ]; then
    echo "usage: check_fresh_machine.sh [--keep] [ROOT]" >&2
    exit 2
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "check_fresh_machine.sh: debootstrap, mount and chroot need root" >&2
    exit 2
fi

suite=bookworm
# What the fresh machine of the quick start has beyond minbase.
packages=(cmake ninja-build g++ clang googletest dpkg-dev file groff-base man-db git
          python3 ca-certificates)

repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
commit=$(git -C "$repo" rev-parse HEAD)
if [ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ]; then
    echo "note: $repo has changes not committed; the check runs commit $commit"
fi

# The first deb source of this machine for the suite itself, in either apt format.
machine_mirror() {
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -r "$file" ] || continue
        awk -v suite="$suite" '
            function stanza_end() {
                if (types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " suite " ") &&
                    enabled != "no" && uris != "") { split(uris, u, " "); print u[1]; exit }
                types = suites = uris = enabled = ""
            }
            /^[ \t]*$/ { stanza_end(); next }
            /^Types:/   { sub(/^Types:[ \t]*/, "");   types = $0 }
            /^URIs:/    { sub(/^URIs:[ \t]*/, "");    uris = $0 }
            /^Suites:/  { sub(/^Suites:[ \t]*/, "");  suites = $0 }
            /^Enabled:/ { sub(/^Enabled:[ \t]*/, ""); enabled = tolower($0) }
            END { stanza_end() }' "$file"
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -r "$file" ] || continue
        # deb [options] URI SUITE COMPONENT...
        sed -E 's/\[[^]]*\]//' "$file" | awk -v suite="$suite" '$1 == "deb" && $3 == suite { print $2 }'
    done
}
mirror=${FLATEBITS_DEBIAN_MIRROR:-$(machine_mirror | head -n 1)}
if [ -z "$mirror" ]; then
    echo "check_fresh_machine.sh: no deb source for $suite in /etc/apt: set FLATEBITS_DEBIAN_MIRROR" >&2
    exit 1
fi

if ! command -v debootstrap > /dev/null 2>&1; then
    echo "== installing debootstrap"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap \
        > /dev/null
fi

root=${1:-$(mktemp -d /var/tmp/flatebits-fresh.XXXXXX)}
mkdir -p "$root"
root=$(cd "$root" && pwd)
if [ -n "$(ls -A "$root")" ]; then
    echo "check_fresh_machine.sh: $root is not empty" >&2
    exit 2
fi

mounted=()
passed=no
cleanup() {
    local index
    for ((index = ${#mounted[@]} - 1; index >= 0; index--)); do
        umount -R "${mounted[index]}" 2> /dev/null || umount -R -l "${mounted[index]}" || true
    done
    if grep -q " $root/" /proc/mounts; then
        echo "check_fresh_machine.sh: file systems still mounted below $root; not removed" >&2
    elif [ "$passed" = yes ] && [ "$keep" = no ]; then
        rm -rf --one-file-system "$root"
    else
        echo "the root is kept in $root"
    fi
}
trap cleanup EXIT

start=$SECONDS
echo "== debootstrap $suite (minbase + ${packages[*]}) into $root"
log=$root.debootstrap.log
if ! debootstrap --variant=minbase --include="$(IFS=,; echo "${packages[*]}")" \
        "$suite" "$root" "$mirror" > "$log" 2>&1; then
    tail -n 30 "$log"
    echo "check_fresh_machine.sh: debootstrap failed (log: $log)" >&2
    exit 1
fi
rm -f "$log"
echo "root made in $((SECONDS - start)) s"

# The tests start programs under qemu-user and use /proc and /dev; apt-get needs names.
mount -t proc proc "$root/proc"; mounted+=("$root/proc")
mount -t sysfs sysfs "$root/sys"; mounted+=("$root/sys")
mount --rbind /dev "$root/dev"; mounted+=("$root/dev")
# Unmounting the root's /dev later must not reach the machine's own.
mount --make-rslave "$root/dev"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"

echo "== clone $commit into $root/root/flatebits"
git clone -q "$repo" "$root/root/flatebits"
git -C "$root/root/flatebits" checkout -q --detach "$commit"

in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        /bin/bash -c "cd /root/flatebits && $1"
}

times=()
for command in examples/demo.sh tests/run_all.sh; do
    echo "== in the fresh root: $command"
    started=$SECONDS
    if ! in_root "$command"; then
        echo "check_fresh_machine.sh: $command failed in the fresh root" >&2
        exit 1
    fi
    times+=("$command: passed in $((SECONDS - started)) s")
done
passed=yes
echo "== the quick start passed on a fresh Debian 12 root (commit $commit)"
printf '%s\n' "${times[@]}"
echo "the whole check took $((SECONDS - start)) s"
