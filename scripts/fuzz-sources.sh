#!/usr/bin/env bash
# Fetches Debian's source packages of libogg, libvorbis and lodepng, of the
# versions the game links (the installed -dev packages' source versions), into
# fuzz-src/ (git ignores it), so the fuzz build can compile the decoders with
# the fuzzer's coverage. Fetches each once; a package already there at its
# version is skipped. The system's apt lists are never touched: the source
# entries are made at run time from the machine's own Debian entries, with
# lists and cache of their own in a scratch folder.
# A package that cannot be fetched is named in one line; the fuzz build then
# links the system library in its place. Never fails the caller.
# Usage: scripts/fuzz-sources.sh
set -uo pipefail
cd "$(dirname "$0")/.."
dest=$PWD/fuzz-src

# source package <- the -dev package the game builds against
declare -A dev=([libogg]=libogg-dev [libvorbis]=libvorbis-dev [lodepng]=liblodepng-dev)
wanted=()
for pkg in libogg libvorbis lodepng; do
  read -r name version < <(dpkg-query -W -f='${source:Package} ${source:Version}\n' "${dev[$pkg]}" 2>/dev/null)
  if [[ -z ${version:-} ]]; then
    echo "fuzz sources: ${dev[$pkg]} is not installed, so $pkg is not fetched"
    continue
  fi
  [[ $(cat "$dest/$name/.source-version" 2>/dev/null) == "$version" ]] || wanted+=("$name=$version")
done
[[ ${#wanted[@]} -eq 0 ]] && exit 0

work=$(mktemp -d /tmp/zindle-fuzz-sources.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/parts" "$work/lists/partial" "$work/cache/archives/partial" "$work/get"

# deb822 stanzas become deb-src ones; one-line "deb ..." entries become
# "deb-src ...". Only Debian's own entries are kept.
shopt -s nullglob
for f in /etc/apt/sources.list.d/*.sources; do
  awk 'BEGIN { RS = ""; ORS = "\n" }
       { n = split($0, line, "\n"); out = ""; deb = 0; debian = 0
         for (i = 1; i <= n; i++) {
           if (line[i] ~ /^Types:/) { deb = line[i] ~ /[ \t]deb([ \t]|$)/; line[i] = "Types: deb-src" }
           if (line[i] ~ /^URIs:.*debian/) debian = 1
           out = out line[i] "\n"
         }
         if (deb && debian) print out }' "$f" >>"$work/parts/debian.sources"
done
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [[ -f $f ]] && sed -n 's/^[[:space:]]*deb\([[:space:]][^#]*debian\)/deb-src\1/p' "$f" >>"$work/one-line.list"
done
touch "$work/one-line.list"

apt_private=(-o Dir::Etc::SourceList="$work/one-line.list" -o Dir::Etc::SourceParts="$work/parts"
             -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache" -o Dir::Cache::pkgcache=
             -o Dir::Cache::srcpkgcache= -o APT::Sandbox::User="$(id -un)")
echo "fuzz sources: fetching ${wanted[*]}"
if ! apt-get "${apt_private[@]}" -qq update >"$work/log" 2>&1; then
  echo "fuzz sources: no Debian source entries could be read ($(grep -m1 '^[EW]:' "$work/log")); the fuzz build will use the system libraries"
  exit 0
fi
mkdir -p "$dest"
for want in "${wanted[@]}"; do
  name=${want%%=*} version=${want#*=}
  rm -rf "${work:?}/get/"*
  if (cd "$work/get" && apt-get "${apt_private[@]}" -qq source "$want" >"$work/log" 2>&1); then
    unpacked=$(find "$work/get" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    rm -rf "${dest:?}/$name"
    mv "$unpacked" "$dest/$name"
    echo "$version" >"$dest/$name/.source-version"
  else
    echo "fuzz sources: $want could not be fetched ($(grep -m1 '^[EW]:' "$work/log")); the fuzz build will use the system library"
  fi
done
exit 0
