#!/usr/bin/env bash
# The host in odd environments: no display at all, and a German locale that the toolkit
# applies to the whole process. Arguments: velumor-host, the registry, a folder for files,
# the folder of the generated locales.
set -u
host=$1 registry=$2 work=$3 locales=$4
mkdir -p "$work"
fail=0

# No display: a clear word and a non-zero exit, not the toolkit's abort.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$host" --registry "$registry" --db "$work/none.sqlite" 2>&1)
rc=$?
if [ $rc -eq 0 ] || [ "$out" != "velumor-host: no display: use --offscreen or --script" ]; then
  echo "FAIL without a display: exit $rc, said: $out"; fail=1
fi

# A display whose server is not there says the same.
out=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:9876 "$host" --registry "$registry" --db "$work/none.sqlite" 2>&1)
rc=$?
if [ $rc -eq 0 ] || [ "$out" != "velumor-host: no display: use --offscreen or --script" ]; then
  echo "FAIL with a display that is not there: exit $rc, said: $out"; fail=1
fi

# LANG=de_DE.UTF-8: numbers are still numbers, and the table's texts have decimal points.
cat > "$work/german.vhs" <<'VHS'
set DAMPING_VALUE 1.5
run 0.5
expect-item DAMPING_VALUE 1.5
items items.json
VHS
rm -f "$work/items.json"
out=$(env LOCPATH="$locales" LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 "$host" --offscreen --lang en --registry "$registry" \
      --db "$work/german.sqlite" --out "$work" --script "$work/german.vhs" 2>&1)
rc=$?
if [ $rc -ne 0 ]; then echo "FAIL under de_DE.UTF-8: exit $rc"; echo "$out"; fail=1; fi
if ! grep -q '"DAMPING_VALUE": *1.5' "$work/items.json"; then
  echo "FAIL under de_DE.UTF-8: DAMPING_VALUE is not the number 1.5:"; grep DAMPING_VALUE "$work/items.json"; fail=1
fi
exit $fail
