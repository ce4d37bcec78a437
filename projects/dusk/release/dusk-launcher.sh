#!/bin/sh
# Starts the installed show. The program finds its shaders and data from its working directory,
# so it runs in its own folder (../share/dusk beside this script's folder); file names given on
# the command line are read against the folder the user started from, not that one.
set -e
self=$(readlink -f "$0")
release=$(dirname "$(dirname "$self")")/share/dusk
if [ ! -x "$release/dusk" ]; then
  echo "dusk: the show is not installed in $release" >&2
  exit 20
fi
count=$#
while [ "$count" -gt 0 ]; do
  arg=$1
  shift
  count=$((count - 1))
  set -- "$@" "$arg"
  case $arg in
    --log|--capture)
      if [ "$count" -gt 0 ]; then
        value=$1
        shift
        count=$((count - 1))
        case $value in
          /*) ;;
          *) value=$PWD/$value ;;
        esac
        set -- "$@" "$value"
      fi
      ;;
  esac
done
cd "$release"
exec ./dusk "$@"
