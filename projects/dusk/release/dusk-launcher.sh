#!/bin/sh
# Starts the installed show. The program finds its shaders and data from its working directory,
# so it runs in the release folder (../share/dusk beside this script's folder), while the program
# itself sits in ../lib/dusk. The file names the options take are read against the folder the
# user started from, not that one.
set -e
self=$(readlink -f "$0")
prefix=$(dirname "$(dirname "$self")")
release=$prefix/share/dusk
program=$prefix/lib/dusk/dusk
if [ ! -x "$program" ] || [ ! -d "$release/data" ]; then
  echo "dusk: the show is not installed in $release and $prefix/lib/dusk" >&2
  exit 20
fi
count=$#
while [ "$count" -gt 0 ]; do
  arg=$1
  shift
  count=$((count - 1))
  set -- "$@" "$arg"
  case $arg in
    # Every option that takes a path.
    --log|--capture|--capture-video)
      if [ "$count" -gt 0 ]; then
        value=$1
        shift
        count=$((count - 1))
        case $value in
          /*|"") ;;
          *) value=$PWD/$value ;;
        esac
        set -- "$@" "$value"
      fi
      ;;
  esac
done
cd "$release"
exec "$program" "$@"
