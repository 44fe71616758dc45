#!/usr/bin/env bash
# Makes sure the Debian packages that the named configurations of tests/run_all.sh need are
# installed: as root it installs the missing ones with apt-get, otherwise it stops with one
# line that gives the command to run. This is the one list of the packages the kit's build,
# tests and CI use.
# Usage: tests/install_packages.sh name...   (a configuration of tests/run_all.sh, or
#        `package` for tests/install/check_package.sh)
set -euo pipefail

# What every configuration needs: the build tools, GoogleTest's sources (the tests build
# them when the GoogleTest package is absent) and the man page check's formatters. The
# debugger of each test configuration serves the backtrace check of the worker switch.
common=(cmake ninja-build g++ googletest groff-base man-db)

packages_for() {
    case "$1" in
        gcc)      echo "gdb" ;;
        clang)    echo "clang gdb" ;;
        aarch64)  echo "g++-aarch64-linux-gnu qemu-user gdb-multiarch" ;;
        i686)     echo "g++-i686-linux-gnu qemu-user gdb-multiarch" ;;
        riscv64)  echo "g++-riscv64-linux-gnu qemu-user gdb-multiarch" ;;
        sanitize) echo "clang libclang-rt-14-dev gdb" ;;
        fuzz)     echo "clang libclang-rt-14-dev" ;;
        bench)    echo "libbenchmark-dev" ;;
        package)  echo "dpkg-dev file" ;;
        *) echo "install_packages.sh: unknown configuration: $1" >&2; return 1 ;;
    esac
}

wanted=("${common[@]}")
for name in "$@"; do
    list=$(packages_for "$name")
    # shellcheck disable=SC2206
    wanted+=($list)
done

# Only a Debian system can say what it has installed; elsewhere the build reports what it lacks.
command -v dpkg-query > /dev/null 2>&1 || exit 0

missing=()
for package in "${wanted[@]}"; do
    [[ " ${missing[*]} " == *" $package "* ]] && continue
    dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q "install ok installed" \
        || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "install_packages.sh: missing Debian packages for $*; run as root: apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
fi
echo "== installing the missing Debian packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
