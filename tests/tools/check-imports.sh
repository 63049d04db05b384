#!/bin/sh
# Fails when the exe's import table names a DLL outside the allowed list
# (names without ".dll", any case): Windows looks for any DLL that is not a
# KnownDLL in the exe's own folder first.
#   check-imports.sh OBJDUMP EXE ALLOWED...
set -u
objdump=$1 exe=$2
shift 2
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "check-imports: no import table read from $exe" >&2; exit 1; }
bad=0
for dll in $dlls; do
  case " $* " in
    *" ${dll%.dll} "*) ;;
    *) echo "check-imports: $(basename "$exe") imports $dll, which is not allowed" >&2; bad=1 ;;
  esac
done
[ "$bad" -eq 0 ] && echo "check-imports: $(basename "$exe") imports only" $dlls
exit "$bad"
