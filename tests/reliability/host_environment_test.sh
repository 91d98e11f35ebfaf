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
# Without XDG_RUNTIME_DIR the host makes its own runtime folder. What another user or a link
# left under that name is neither used nor changed, and the host still runs its session.
echo "echo runs" > "$work/runs.vhs"
uid=$(id -u)
runtime_case() {  # what was planted, then the check of what must be left as it was
  local what=$1 tmp=$work/tmp-$1
  out=$(env -u XDG_RUNTIME_DIR TMPDIR="$tmp" "$host" --offscreen --registry "$registry" --db "$work/rt.sqlite" \
        --out "$work" --script "$work/runs.vhs" 2>&1)
  rc=$?
  if [ $rc -ne 0 ] || ! grep -q "^runs" <<<"$out"; then echo "FAIL runtime folder ($what): exit $rc, said: $out"; fail=1; fi
  if grep -qi "filesystem\|terminate" <<<"$out"; then echo "FAIL runtime folder ($what) aborted: $out"; fail=1; fi
  local fresh
  fresh=$(find "$tmp" -maxdepth 1 -name "velumor-runtime-$uid-*" -type d -perm 700 | wc -l)
  if [ "$fresh" -ne 1 ]; then echo "FAIL runtime folder ($what): no fresh private folder beside it"; fail=1; fi
}
mkdir -p "$work/tmp-link" "$work/tmp-open" "$work/target"
rm -rf "$work"/tmp-link/velumor-runtime-* "$work"/tmp-open/velumor-runtime-*
chmod 755 "$work/target"
ln -s "$work/target" "$work/tmp-link/velumor-runtime-$uid"
runtime_case link
if [ "$(stat -c %a "$work/target")" != 755 ]; then echo "FAIL runtime folder: the link's target changed mode"; fail=1; fi
mkdir -m 755 "$work/tmp-open/velumor-runtime-$uid"
runtime_case open
if [ "$(stat -c %a "$work/tmp-open/velumor-runtime-$uid")" != 755 ]; then echo "FAIL runtime folder: an open folder was changed"; fail=1; fi
if [ "$uid" = 0 ]; then
  mkdir -p "$work/tmp-foreign"; rm -rf "$work"/tmp-foreign/velumor-runtime-*
  mkdir -m 700 "$work/tmp-foreign/velumor-runtime-$uid" && chown 65534 "$work/tmp-foreign/velumor-runtime-$uid"
  runtime_case foreign
fi

# A platform the toolkit lacks is named with those it has, instead of the toolkit's abort.
out=$(QT_QPA_PLATFORM=bogus "$host" --registry "$registry" --db "$work/none.sqlite" 2>&1)
rc=$?
if [ $rc -eq 0 ] || ! grep -q '^velumor-host: QT_QPA_PLATFORM asks for "bogus", which is not there; the platforms there are: .*offscreen' <<<"$out" \
   || [ "$(wc -l <<<"$out")" -ne 1 ]; then
  echo "FAIL with QT_QPA_PLATFORM=bogus: exit $rc, said: $out"; fail=1
fi
exit $fail
