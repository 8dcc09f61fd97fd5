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
missing_optional=()
for package in "${optional_packages[@]}"; do
  installed "$package" || missing_optional+=("$package")
done
[[ ${#missing[@]} -eq 0 && ${#missing_optional[@]} -eq 0 ]] && exit 0

echo "install-deps: installing ${missing[*]} ${missing_optional[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# wine32 is a 32-bit package: apt must know the i386 architecture first.
if [[ ${#missing_optional[@]} -gt 0 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi

# apt-get update exits 100 when one index failed (a mirror mid-sync) although the others arrived.
for attempt in 1 2 3; do
  as_root apt-get update -qq 2>/tmp/kestrin-apt-update.err && break
  if [[ $attempt -eq 3 ]]; then
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
for package in "${missing_optional[@]}"; do
  install "$package" 2>/dev/null ||
    echo "install-deps: $package cannot be installed from these package lists; the Windows tests will run from the x64 build" >&2
done
exit 0
