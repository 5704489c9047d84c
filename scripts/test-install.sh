#!/bin/sh
# Installs a Linux build into a scratch prefix and checks what a user gets: exactly the two
# programs, their manual pages and completion and the copyright; every option that `--help`
# names is documented in the manual page and offered by the completion; the pages render
# without groff warnings and the completion is valid bash.
# Usage: test-install.sh LINUX_BUILD_FOLDER
set -eu
build=$1
prefix=$(mktemp -d "$build/install-test.XXXXXX")
trap 'rm -rf "$prefix"' EXIT INT TERM
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
expected="bin/orvane-varnolt
bin/orvane-varnolt-compare
share/bash-completion/completions/orvane-varnolt
share/bash-completion/completions/orvane-varnolt-compare
share/doc/orvane-varnolt/copyright
share/man/man1/orvane-varnolt-compare.1.gz
share/man/man1/orvane-varnolt.1.gz"
installed=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$installed" = "$expected" ] || fail "installed files differ:
$installed"

for program in orvane-varnolt orvane-varnolt-compare; do
    page="$prefix/share/man/man1/$program.1.gz"
    completion="$prefix/share/bash-completion/completions/$program"
    bash -n "$completion" || fail "$completion is not valid bash"
    warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1) || true
    [ -z "$warnings" ] || fail "$program.1: $warnings"
    zcat "$page" | grep -q "Orvane Varnolt $("$prefix/bin/$program" --version | cut -d' ' -f2)" ||
        fail "$program.1 does not carry the program's version"
    options=$("$prefix/bin/$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
    [ -n "$options" ] || fail "$program --help names no option"
    for option in $options; do
        # An entry of its own under OPTIONS (.B or .BI, hyphens escaped as \-); the completion
        # lists the bare name.
        escaped=$(printf '%s' "$option" | sed 's/-/\\\\-/g')
        zcat "$page" | grep -Eq -- "^\.BI? $escaped( |\$)" ||
            fail "$program.1 has no entry for $option"
        grep -q -- "$option" "$completion" || fail "$program completion does not offer $option"
    done
done
echo "installed and documented: $(echo "$installed" | wc -l) files"
