#!/usr/bin/env bash
# Installs what building and testing Kestrin needs on Debian, only what is missing; quiet when all is there.
# A mirror caught mid-sync is retried, then the install goes on with the package lists apt has. Only
# wine32:i386 may stay missing (the Windows tests then run from the x64 build); any other package that
# cannot be installed stops the script with apt's message.
set -euo pipefail

packages=(
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine64
  xvfb xdotool imagemagick x11-utils
  cmake g++ clang libgtest-dev googletest libbenchmark-dev python3 wixl msitools osslsigncode openssl
)
optional_packages=(wine32:i386)

installed() {
  [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) == "install ok installed" ]]
}

as_root() {
  if [[ $(id -u) -eq 0 ]]; then
    "$@"
  else
    sudo "$@"
  fi
}

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
# An optional package that could not be installed is tried again only after a while: its index may be
# mid-sync for hours, and every try costs an update of all package lists (20 s and more).
unavailable_stamp=/var/tmp/kestrin-install-deps.unavailable
missing_optional=()
for package in "${optional_packages[@]}"; do
  installed "$package" && continue
  if [[ ${#missing[@]} -eq 0 && -n $(find "$unavailable_stamp" -mmin -360 2>/dev/null) ]] &&
    grep -qxF "$package" "$unavailable_stamp"; then
    continue
  fi
  missing_optional+=("$package")
done
[[ ${#missing[@]} -eq 0 && ${#missing_optional[@]} -eq 0 ]] && exit 0

echo "install-deps: installing ${missing[*]} ${missing_optional[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# wine32 is a 32-bit package: apt must know the i386 architecture first.
if [[ ${#missing_optional[@]} -gt 0 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi

# apt-get update exits 100 when one index failed (a mirror mid-sync) although the others arrived. Only a
# required package is worth waiting for; an optional one gets a single try.
attempts=1
[[ ${#missing[@]} -gt 0 ]] && attempts=3
for attempt in $(seq "$attempts"); do
  as_root apt-get update -qq 2>/tmp/kestrin-apt-update.err && break
  if [[ $attempt -eq $attempts ]]; then
    echo "install-deps: some package lists could not be fetched; going on with those apt has:" >&2
    grep '^E:' /tmp/kestrin-apt-update.err | head -3 >&2 || true
  else
    sleep $((attempt * 5))
  fi
done

install() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >/dev/null
}
if [[ ${#missing[@]} -gt 0 ]]; then
  install "${missing[@]}"
fi
rm -f "$unavailable_stamp"
for package in "${missing_optional[@]}"; do
  if ! install "$package" 2>/dev/null; then
    echo "install-deps: $package cannot be installed from these package lists; the Windows tests will run from the x64 build" >&2
    echo "$package" >>"$unavailable_stamp"
  fi
done
exit 0
