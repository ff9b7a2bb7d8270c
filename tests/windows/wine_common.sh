# What the Wine test scripts share. Sourced, not run.

# A tool that is missing skips the test (exit 77), but fails it under CI (CI=true),
# where setup has installed everything.
missing() {
  if [ "${CI:-}" = true ]; then
    echo "FAIL: $1"
    exit 1
  fi
  echo "SKIP: $1"
  exit 77
}

# require_wine WINE64 HOST_EXE PLUGIN: the tools every Wine test needs.
require_wine() {
  [ -n "$1" ] && [ -x "$1" ] || missing "wine64 is not installed (scripts/setup.sh installs it)"
  [ -f "$2" ] || missing "the Wine host was not built (is g++-mingw-w64-x86-64 installed?)"
  [ -f "$3" ] || missing "kestril.sph was not built (is g++-mingw-w64-x86-64 installed?)"
}
