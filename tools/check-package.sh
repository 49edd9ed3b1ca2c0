#!/usr/bin/env bash
# Builds the Debian packages and checks them without installing anything
# into the system: lintian (errors fail), the AppStream metainfo, the
# unpacked command-line tool converting the sample templates, and the
# settings library installed into a scratch prefix, used there by a program
# of its own (examples/library) through CMake and through pkg-config.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

tools/package.sh
app_deb=$(ls build-package/mirovane-template-updater_*.deb)
dev_deb=$(ls build-package/libmirovane-settings-dev_*.deb)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

lintian --fail-on error --tag-display-limit 0 "$app_deb" "$dev_deb"

dpkg-deb -x "$app_deb" "$scratch/app"
dpkg-deb -x "$dev_deb" "$scratch/dev"
appstreamcli validate --no-net "$scratch"/app/usr/share/metainfo/*.metainfo.xml

# The unpacked tool converts both samples, and both give the same template.
cp -r examples "$scratch/examples"
"$scratch/app/usr/bin/mirovane-templates" convert "$scratch"/examples/old-*.xml
cmp "$scratch/examples/old-plain-template.bts" "$scratch/examples/old-encrypted-template.bts"

# The library, installed into a prefix of its own; the example is built from
# a copy outside the source tree and sees nothing but that prefix.
prefix=$scratch/prefix
cmake --install build-package --prefix "$prefix" --component dev >/dev/null
cp -r examples/library "$scratch/example"
cmake -S "$scratch/example" -B "$scratch/example/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >/dev/null
cmake --build "$scratch/example/build"
if grep -q "$root/src" "$scratch/example/build/build.ninja"; then
  echo "the example was built against the source tree" >&2
  exit 1
fi

sample=$scratch/sample.xml
cp examples/old-plain-template.xml "$sample"
keys=$scratch/example/build/storage-keys
"$keys" "$sample" '\mirovane3\note' 'set by a program of its own' >"$scratch/first.txt"
grep -qx $'\\\\mirovane3\\\\jpegquality.Value\tinteger' "$scratch/first.txt"
if grep -q 'note' "$scratch/first.txt"; then exit 1; fi
"$keys" "$sample" '\mirovane3\note' 'set again' >"$scratch/second.txt"
grep -qx $'\\\\mirovane3\\\\note\tstring' "$scratch/second.txt"
# dump escapes each backslash of a name.
"$scratch/app/usr/bin/mirovane-templates" dump "$sample" | grep -qxF $'key\t\\\\mirovane3\\\\note\tktString\tset again'

# Every public header compiles on its own from the installed prefix.
export PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name mirovane-settings.pc)")
flags=$(pkg-config --cflags mirovane-settings)
for header in $(cd "$prefix/include/mirovane" && find . -name '*.h' | sort); do
  echo "#include \"${header#./}\"" | g++ -std=c++20 -fPIC $flags -fsyntax-only -x c++ -
done
g++ -std=c++20 -fPIC -o "$scratch/storage-keys-pc" examples/library/main.cpp $flags \
  $(pkg-config --libs mirovane-settings)
"$scratch/storage-keys-pc" "$sample" '\mirovane3\note' 'once more' | grep -q 'note'
echo "package checks passed"
