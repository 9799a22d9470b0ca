#!/usr/bin/env bash
# Sets up and builds the project, registers the plug-ins and the Lodex
# component in a registry inside the build folder, reads the records and
# prints the metadata of the bundled example survey, and runs the conversion
# demo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
./scripts/setup.sh
./scripts/build.sh build

# The example's own registry, so that the user's stays untouched.
export BVD_REGISTRY="$root/build/example-registry"
bvd="$root/build/bin/bvd"

echo "== bvd register"
"$bvd" register
echo
echo "== bvd read examples/survey/household.xml"
"$bvd" read examples/survey/household.xml
echo
echo "== bvd read --format jsonl --codes --columns respid,region,media examples/survey/household.xml (first lines)"
"$bvd" read --format jsonl --codes --columns respid,region,media examples/survey/household.xml | head -n 3
echo
echo "== bvd info examples/survey/household.xml"
"$bvd" info examples/survey/household.xml
echo
echo "== bvd info --json -o build/household.json examples/survey/household.xml (first lines)"
"$bvd" info --json --force -o "$root/build/household.json" examples/survey/household.xml
head -n 20 "$root/build/household.json"

if [ -x "$root/build/examples/convert_table" ]; then
  echo
  echo "== convert_table examples/texts.txt"
  "$root/build/examples/convert_table" examples/texts.txt
fi
