#!/usr/bin/env bash
# Tessaline against the decoder floor and against the usual tools, side by side in one
# run on one machine. Prints the tables and writes them to bench/work/results.md.
#
#   bench/run.sh [BUILD_DIR]        (make bench runs it on the default build)
#
# Environment: REPEAT (best of, default 5), ROUNDS (rounds of the per-file timings, each
#              file's best kept, default 3), JOB_ROUNDS (runs of each whole-folder job,
#              the fastest kept, default 2), SIDE (output side, default 300),
#              SKIP_QUALITY=1 to leave out the PSNR table.
# Figures are only comparable inside one run: quote the ratios, not the milliseconds.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
work=$here/work
repeat=${REPEAT:-5}
rounds=${ROUNDS:-3}
job_rounds=${JOB_ROUNDS:-2}
side=${SIDE:-300}
results=$work/results.md
export VIPS_WARNING=1 # the photos' odd EXIF resolution units are not news

die() { echo "bench: $*" >&2; exit 1; }
note() { echo "bench: $*" >&2; }

bench_bin=$build/bench/preview_bench
vips_peer=$build/bench/vips_peer
psnr=$build/bench/psnr
cli=$build/cli/tessaline-cli
for program in "$bench_bin" "$vips_peer" "$psnr"; do
  [ -x "$program" ] || die "$program is missing: build first (make build BUILD=${1:-build})"
done
for tool in djpeg hyperfine vips vipsheader awk; do
  command -v "$tool" >/dev/null || die "'$tool' is missing: run scripts/deps.sh --bench"
done
[ -x /usr/bin/time ] || die "/usr/bin/time is missing: run scripts/deps.sh --bench"

"$here/make-photos.sh"
photos=$work/photos
big=$work/big/sunset-24mp.jpg
mkdir -p "$work/tmp"
tmp=$(mktemp -d "$work/tmp/run.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"

mapfile -t all < <(find "$photos" -maxdepth 1 -type f \( -name '*.jpg' -o -name '*.gif' -o -name '*.bmp' \) | sort)
mapfile -t jpegs < <(printf '%s\n' "${all[@]}" | grep '\.jpg$')
[ ${#jpegs[@]} -gt 0 ] || die "no photos in $photos"

# The loader's DCT shrink: the largest of 1, 2, 4, 8 that keeps the longer edge at
# least twice the output side (Geometry's jpegShrinkFactor).
shrink_for() {
  local w h longer f=1
  w=$(vipsheader -f width "$1")
  h=$(vipsheader -f height "$1")
  longer=$((w > h ? w : h))
  while [ $f -lt 8 ] && [ $((longer / (f * 2))) -ge $((2 * side)) ]; do f=$((f * 2)); done
  echo $f
}
megapixels() {
  awk -v w="$(vipsheader -f width "$1")" -v h="$(vipsheader -f height "$1")" 'BEGIN { printf "%.1f", w * h / 1e6 }'
}
is_progressive() { [ "$(vipsheader -f interlaced "$1" 2>/dev/null || echo 0)" = 1 ] && echo prog || echo base; }

{
  echo "# Tessaline benchmark"
  echo
  echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(uname -r), load average $(cut -d' ' -f1-3 /proc/loadavg) at the start;"
  echo "per-file timings: best of $repeat, best of $rounds rounds; output $side x $side."
  echo "libvips $(vips --version | sed 's/vips-//'), $(djpeg -version 2>&1 | head -1 | sed 's/ *$//')."
  echo
  awk -F'\t' 'NR > 1 { n++; mp += $5; f[$2]++ } END {
      printf "Photo set: %d pictures, %.1f megapixels in all (%d JPEG, %d GIF, %d BMP); ", n, mp, f["jpg"], f["gif"], f["bmp"] }' \
    "$work/photos.tsv"
  echo "plus one 24 MP JPEG upscaled from a 12 MP photo (none of the photos is that large)."
} >"$results"

# ---------------------------------------------------------------------------------
# Each file is timed in tessaline and then at once in djpeg, and the whole round is done
# $rounds times: the best of every round keeps other load on the machine out of the ratios.
note "timing tessaline and djpeg file by file: $rounds rounds, best of $repeat each"
vips black "$tmp/black.v" 16 16 --bands 3 && vips jpegsave "$tmp/black.v" "$tmp/tiny.jpg"
mkdir -p "$tmp/tess-ppm"
: >"$tmp/jpeg-rows.tsv"
for f in "${jpegs[@]}" "$big"; do
  printf '%s\t%s\t%s\t%s\n' "$f" "$(shrink_for "$f")" "$(megapixels "$f")" "$(is_progressive "$f")" >>"$tmp/jpeg-rows.tsv"
done
: >"$tmp/tess.all" && : >"$tmp/djpeg.all" && : >"$tmp/tess.raw"
for round in $(seq "$rounds"); do
  write=()
  [ "$round" -gt 1 ] || write=(--write "$tmp/tess-ppm")
  for f in "${all[@]}" "$big"; do
    "$bench_bin" --repeat "$repeat" --size "${side}x${side}" "${write[@]}" "$f" >>"$tmp/tess.all" 2>>"$tmp/tess.raw" || true
    s=$(awk -F'\t' -v f="$f" '$1 == f { print $2 }' "$tmp/jpeg-rows.tsv")
    [ -n "$s" ] || continue
    commands=("djpeg -scale 1/$s -outfile /dev/null $f")
    [ "$s" = 8 ] || commands+=("djpeg -scale 1/8 -outfile /dev/null $f")
    [ "$f" != "$big" ] || commands+=("djpeg -outfile /dev/null $tmp/tiny.jpg")
    hyperfine -N --warmup 1 --runs "$repeat" --style none --export-csv "$tmp/djpeg.csv" "${commands[@]}" \
      >"$tmp/hyperfine.log" 2>&1 || die "hyperfine failed: $(tail -3 "$tmp/hyperfine.log")"
    awk -F, 'NR > 1 { printf "%s\t%.2f\n", $1, $7 * 1000 }' "$tmp/djpeg.csv" >>"$tmp/djpeg.all"
  done
done
# The best of the rounds: file -> fields of preview_bench; command -> milliseconds.
awk -F'\t' -v OFS='\t' '{ if (!($1 in row)) { row[$1] = $0; order[++n] = $1; next }
    split(row[$1], a, "\t"); for (i = 4; i <= NF; i++) if ($i + 0 < a[i] + 0) a[i] = $i
    line = a[1]; for (i = 2; i <= NF; i++) line = line OFS a[i]; row[$1] = line }
  END { for (i = 1; i <= n; i++) print row[order[i]] }' "$tmp/tess.all" >"$tmp/tess.tsv"
awk -F'\t' -v OFS='\t' '{ if (!($1 in best) || $2 + 0 < best[$1] + 0) { if (!($1 in best)) order[++n] = $1; best[$1] = $2 } }
  END { for (i = 1; i <= n; i++) print order[i], best[order[i]] }' "$tmp/djpeg.all" >"$tmp/djpeg.tsv"
start_ms=$(awk -F'\t' -v c="djpeg -outfile /dev/null $tmp/tiny.jpg" '$1 == c { print $2 }' "$tmp/djpeg.tsv")
sort -u "$tmp/tess.raw" | grep -v '^[[:space:]]*$' >"$tmp/tess.err" || true
if [ -s "$tmp/tess.err" ]; then
  note "tessaline did not render every file:"
  sed 's/^/  /' "$tmp/tess.err" >&2
fi

# file shrink MP kind decoded tess_ms djpeg_f_ms djpeg8_ms load_ms fit_ms
awk -F'\t' -v OFS='\t' '
  FILENAME == ARGV[1] { d[$1] = $2; next }
  FILENAME == ARGV[2] { t[$1] = $4; dec[$1] = $3; ld[$1] = $7; fit[$1] = $8; next }
  { f = $1; s = $2
    own = d["djpeg -scale 1/" s " -outfile /dev/null " f]
    eighth = d["djpeg -scale 1/8 -outfile /dev/null " f]
    print f, s, $3, $4, dec[f], t[f], own, eighth, ld[f], fit[f] }' \
  "$tmp/djpeg.tsv" "$tmp/tess.tsv" "$tmp/jpeg-rows.tsv" >"$tmp/joined.tsv"

{
  echo
  echo "## Preview: the largest JPEGs against djpeg -scale 1/8 (target <= 1.3x)"
  echo
  echo "djpeg times include starting the process (${start_ms} ms on a 16 x 16 JPEG). \"1/f\" is the"
  echo "loader's DCT shrink for a $side x $side output; where it is not 1/8 the loader decodes more"
  echo "pixels than djpeg does in this row."
  echo
  echo "| file | MP | jpeg | 1/f | tessaline ms (load + fit) | djpeg 1/8 ms | ratio |"
  echo "|---|---:|---|---:|---:|---:|---:|"
  sort -t$'\t' -k3,3gr "$tmp/joined.tsv" | head -6 | awk -F'\t' '{
      n = $1; sub(/.*\//, "", n)
      if ($6 == "") { printf "| %s | %s | %s | 1/%s | failed | %.1f | |\n", n, $3, $4, $2, $8; next }
      r = $6 / $8
      printf "| %s | %s | %s | 1/%s | %.1f (%.1f + %.1f) | %.1f | **%.2fx**%s |\n",
             n, $3, $4, $2, $6, $9, $10, $8, r, (r > 1.3 ? " over" : "") }'

  echo
  echo "## Per file: tessaline against djpeg at the loader's own scale (target <= 1.5x)"
  echo
  echo "| file | MP | jpeg | 1/f | decoded | tessaline ms | load ms | fit ms | djpeg 1/f ms | ratio |"
  echo "|---|---:|---|---:|---|---:|---:|---:|---:|---:|"
  awk -F'\t' '{
      n = $1; sub(/.*\//, "", n)
      if ($6 == "") { printf "| %s | %s | %s | 1/%s | | failed | | | %.1f | |\n", n, $3, $4, $2, $7; next }
      r = $6 / $7
      printf "| %s | %s | %s | 1/%s | %s | %.1f | %.1f | %.1f | %.1f | %.2fx%s |\n",
             n, $3, $4, $2, $5, $6, $9, $10, $7, r, (r > 1.5 ? " over" : "") }' "$tmp/joined.tsv"
  awk -F'\t' '$6 == "" { failed++; next } { r = $6 / $7; s += log(r); n++; if (r > m) m = r; if (r > 1.5) over++ }
      END { printf "\nGeometric mean %.2fx, worst %.2fx, %d of %d files over 1.5x", exp(s / n), m, over, n
            if (failed) printf "; %d files did not render", failed
            print "." }' "$tmp/joined.tsv"
  if [ -s "$tmp/tess.err" ]; then
    echo
    echo "Files tessaline did not render:"
    echo
    sed 's|^[^:]*/||; s/^/- /' "$tmp/tess.err"
  fi
  echo
  echo "Other formats (no decoder floor to set them against):"
  echo
  echo "| file | decoded | tessaline ms | load ms | fit ms |"
  echo "|---|---|---:|---:|---:|"
  grep -E '\.(gif|bmp)	' "$tmp/tess.tsv" | awk -F'\t' '{ n = $1; sub(/.*\//, "", n)
      printf "| %s | %s | %.1f | %.1f | %.1f |\n", n, $3, $4, $7, $8 }'
} >>"$results"

note "peak RSS of one render in a fresh process"
rss_line() {
  local r
  r=$("$bench_bin" --rss "$1" --size "${side}x${side}")
  awk -v n="$(basename "$1")" -v mp="$(megapixels "$1")" -v k="$(is_progressive "$1")" -v r="$r" 'BEGIN {
      split(r, a, "\t"); printf "| %s | %s | %s | %.1f | %.1f | %.1f |\n", n, mp, k, a[1] / 1024, a[2] / 1024, (a[2] - a[1]) / 1024 }'
}
{
  echo
  echo "## Peak RSS of rendering one picture (fresh process)"
  echo
  echo "| file | MP | jpeg | MiB after start-up | MiB peak | render adds MiB |"
  echo "|---|---:|---|---:|---:|---:|"
  rss_line "$big"
  rss_line "$photos/seeding.jpg"
  rss_line "$photos/friends-bmp.bmp"
} >>"$results"

# ---------------------------------------------------------------------------------
# The whole-folder job. Every peer writes <name>.jpg for each picture into its own folder.
im=
if [ -x /usr/bin/convert ] && /usr/bin/convert -version 2>/dev/null | grep -q ImageMagick; then
  im=/usr/bin/convert
elif command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick; then
  im=$(command -v convert)
fi
half=$(((${#all[@]} + 1) / 2))
peer_names=()
declare -A peer_count peer_note

# Runs a peer's whole-folder job; over the rounds the fastest run's figures are kept.
run_peer() { # name note count command...
  local name=$1 what=$2 count=$3 out=$work/out/$1
  shift 3
  [ "${peer_note[$name]:-}" != failed ] || return 0
  rm -rf "$out" && mkdir -p "$out"
  note "folder job, round $job_round: $name"
  if ! /usr/bin/time -f '%e %U %S %M' -o "$tmp/$name.new" "$@" >"$tmp/$name.log" 2>&1; then
    note "$name failed; see bench/work/out/$name.log"
    cp "$tmp/$name.log" "$work/out/$name.log"
    peer_note[$name]="failed"
  elif [ ! -f "$tmp/$name.time" ] ||
       awk '{ print $1 }' "$tmp/$name.new" "$tmp/$name.time" | awk 'NR == 1 { a = $1 } NR == 2 { exit !(a < $1) }'; then
    mv "$tmp/$name.new" "$tmp/$name.time"
  fi
  [ "$job_round" -gt 1 ] && return 0
  peer_names+=("$name")
  peer_count[$name]=$count
  [ -n "${peer_note[$name]:-}" ] || peer_note[$name]=$what
}

all_list=$tmp/all.list
printf '%s\0' "${all[@]}" >"$all_list"
# gm mogrify puts -output-directory in front of each name as given: it gets bare names.
names_list=$tmp/names.list
printf '%s\0' "${all[@]##*/}" >"$names_list"
sharp_ok=
if command -v node >/dev/null && command -v npm >/dev/null; then
  mkdir -p "$work/node"
  [ -f "$work/node/package.json" ] || echo '{ "name": "tessaline-bench-peers", "private": true }' >"$work/node/package.json"
  if [ -d "$work/node/node_modules/sharp" ] ||
     (cd "$work/node" && npm install --no-audit --no-fund --loglevel=error sharp@0.35.6 >"$tmp/npm.log" 2>&1); then
    sharp_ok=1
  else
    note "npm could not install sharp (see below): its column is skipped"
    cat "$tmp/npm.log" >&2
  fi
else
  note "node or npm is missing: sharp's column is skipped"
fi
nbmp=$(printf '%s\n' "${all[@]}" | grep -c '\.bmp$' || true)
[ -z "$sharp_ok" ] ||
  sharp_ver=$(cd "$work/node" && node -e 'const s = require("sharp"); console.log(s.versions.sharp + ", libvips " + s.versions.vips)')
jpeg_list=$tmp/jpeg.list
printf '%s\0' "${jpegs[@]}" >"$jpeg_list"
[ -n "$im" ] || note "ImageMagick's convert is missing (scripts/deps.sh --bench): its columns are skipped"
command -v gm >/dev/null || note "GraphicsMagick is missing (scripts/deps.sh --bench): its column is skipped"
[ -x "$cli" ] || note "$cli is not built yet: its column is skipped"

for job_round in $(seq "$job_rounds"); do
  if [ -n "$im" ]; then
    # One thread per process, two processes at once: the two cores, without oversubscribing.
    run_peer im-naive "ImageMagick convert, no size hint, xargs -P2" ${#all[@]} \
      env MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 xargs -0 -P2 -I{} -a "$all_list" \
      "$im" '{}[0]' -auto-orient -resize "${side}x${side}" -background white -gravity center \
      -extent "${side}x${side}" -quality 75 -set filename:n '%t' "$work/out/im-naive/%[filename:n].jpg"
    run_peer im-hint "ImageMagick convert, -define jpeg:size=$((2 * side))x$((2 * side)), xargs -P2" ${#all[@]} \
      env MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 xargs -0 -P2 -I{} -a "$all_list" \
      "$im" -define jpeg:size=$((2 * side))x$((2 * side)) '{}[0]' -auto-orient -resize "${side}x${side}" \
      -background white -gravity center -extent "${side}x${side}" -quality 75 \
      -set filename:n '%t' "$work/out/im-hint/%[filename:n].jpg"
  fi
  if command -v gm >/dev/null; then
    run_peer gm-mogrify "GraphicsMagick gm mogrify -size $((2 * side))x$((2 * side)), two processes" ${#all[@]} \
      env OMP_NUM_THREADS=1 sh -c 'cd "$0" && exec "$@"' "$photos" xargs -0 -P2 -n "$half" -a "$names_list" \
      gm mogrify -output-directory "$work/out/gm-mogrify" -format jpg -size $((2 * side))x$((2 * side)) \
      -auto-orient -resize "${side}x${side}" -background white -gravity center -extent "${side}x${side}" \
      -quality 75
  fi
  run_peer vips-c "libvips C API: vips_thumbnail + vips_gravity + jpegsave, 2 threads" ${#all[@]} \
    "$vips_peer" --jobs 2 --size "$side" --quality 75 "$photos" "$work/out/vips-c"

  if [ -n "$sharp_ok" ]; then
    run_peer sharp "sharp $sharp_ver, 2 in flight (bitmaps unreadable: $nbmp skipped)" $((${#all[@]} - nbmp)) \
      env UV_THREADPOOL_SIZE=2 sh -c 'cd "$1" && exec node "$2" "$3" "$4" 2' _ \
      "$work/node" "$here/sharp_peer.mjs" "$photos" "$work/out/sharp"
  fi

  run_peer djpeg-8 "djpeg -scale 1/8 to /dev/null, JPEGs only, xargs -P2 (decode floor)" ${#jpegs[@]} \
    xargs -0 -P2 -n1 -a "$jpeg_list" djpeg -scale 1/8 -outfile /dev/null

  if [ -x "$cli" ]; then
    run_peer tessaline "tessaline-cli --jobs 2" ${#all[@]} \
      "$cli" --width "$side" --height "$side" --format jpeg --quality 75 --jobs 2 --quiet \
      "$photos" "$work/out/tessaline"
  fi
done

# A picture is right when it is side x side, its bands are white and it is not all white.
# nuthatch is landscape (bands above and below), dragonfly portrait (bands at the sides).
check_peer() {
  local out=$work/out/$1 bad=0 n=0 f
  [ "$1" = djpeg-8 ] && { echo "n/a"; return; }
  for f in "$out"/*.jpg; do
    [ -e "$f" ] || break
    n=$((n + 1))
    [ "$(vipsheader -f width "$f")x$(vipsheader -f height "$f")" = "${side}x${side}" ] || bad=$((bad + 1))
  done
  [ $n -gt 0 ] || { echo "no output"; return; }
  # The darkest channel of one pixel.
  darkest() { vips getpoint "$1" "$2" "$3" 2>/dev/null | awk '{ m = 255; for (i = 1; i <= NF; i++) if ($i < m) m = $i; print int(m) }'; }
  local top left centre
  top=$(darkest "$out/nuthatch.jpg" $((side / 2)) 3)
  left=$(darkest "$out/dragonfly.jpg" 3 $((side / 2)))
  centre=$(vips avg "$out/nuthatch.jpg" 2>/dev/null | awk '{ print int($1) }')
  if [ $bad -eq 0 ] && [ "${top:-0}" -ge 250 ] && [ "${left:-0}" -ge 250 ] && [ "${centre:-255}" -lt 240 ]; then
    echo "ok ($n)"
  else
    echo "WRONG: $bad not ${side}x${side}, band $top/$left, mean $centre"
  fi
}

{
  echo
  echo "## Whole folder: square on white, $side x $side, JPEG quality 75"
  echo
  echo "Wall time, CPU (user + system) and the largest single process's peak RSS, from"
  echo "/usr/bin/time. Ratios are against libvips's C API in this same run."
  echo
  echo "| peer | pictures | pictures/s | wall s | CPU s | peak RSS MiB | vs libvips C (pictures/s) | outputs |"
  echo "|---|---:|---:|---:|---:|---:|---:|---|"
  read -r vw _ < "$tmp/vips-c.time" || vw=0
  vrate=$(awk -v n="${peer_count[vips-c]}" -v w="$vw" 'BEGIN { print (w > 0 ? n / w : 0) }')
  for p in "${peer_names[@]}"; do
    if [ "${peer_note[$p]}" = failed ]; then
      echo "| $p | failed | | | | | | see bench/work/out/$p.log |"
      continue
    fi
    read -r w u s m < "$tmp/$p.time"
    awk -v p="$p" -v n="${peer_count[$p]}" -v w="$w" -v u="$u" -v s="$s" -v m="$m" -v vr="$vrate" \
        -v c="$(check_peer "$p")" 'BEGIN {
        r = n / w; printf "| %s | %d | %.1f | %.2f | %.2f | %.0f | %.2fx | %s |\n", p, n, r, w, u + s, m / 1024, r / vr, c }'
  done
  echo
  for p in "${peer_names[@]}"; do echo "- $p: ${peer_note[$p]}"; done
  [ -x "$cli" ] || echo "- tessaline-cli: not built yet at $cli, so no row"
} >>"$results"

# Two outputs of each peer side by side, to look at: bench/work/peers.png, tessaline's
# render first, then the peers in the table's order.
sheet=()
for n in nuthatch dragonfly; do [ -f "$tmp/tess-ppm/$n.ppm" ] && sheet+=("$tmp/tess-ppm/$n.ppm"); done
for p in "${peer_names[@]}"; do
  for n in nuthatch dragonfly; do [ -f "$work/out/$p/$n.jpg" ] && sheet+=("$work/out/$p/$n.jpg"); done
done
[ ${#sheet[@]} -eq 0 ] || vips arrayjoin "${sheet[*]}" "$work/peers.png" --across 4 --shim 8 --background 128

# ---------------------------------------------------------------------------------
# Quality. The exact reference is made at full resolution, in float: decode with the
# orientation applied, pad on white to the square, Lanczos-3 straight to the output
# size (no box pre-shrink). The peers resize the picture to whole pixels and paste it
# at a whole-pixel offset instead, which moves it by up to half a pixel; a second
# reference made that way (offset rounded down or up, whichever suits the peer better)
# tells their resampling apart from that placement.
make_picture_float() { # picture out.v
  vips autorot "$1" "$tmp/r-up.v"
  vips colourspace "$tmp/r-up.v" "$tmp/r-rgb.v" srgb
  vips cast "$tmp/r-rgb.v" "$2" float
}
make_references() { # picture name
  local w h sq nw nh
  make_picture_float "$1" "$tmp/r-f.v"
  w=$(vipsheader -f width "$tmp/r-f.v")
  h=$(vipsheader -f height "$tmp/r-f.v")
  sq=$((w > h ? w : h))
  vips gravity "$tmp/r-f.v" "$tmp/r-sq.v" centre $sq $sq --extend background --background 255
  vips resize "$tmp/r-sq.v" "$tmp/r-out.v" "$(awk -v s=$sq -v o="$side" 'BEGIN { printf "%.10f", o / s }')" \
    --kernel lanczos3 --gap 0
  vips crop "$tmp/r-out.v" "$refdir/$2.exact.v" 0 0 "$side" "$side"
  nw=$(((w * side + sq / 2) / sq))
  nh=$(((h * side + sq / 2) / sq))
  vips resize "$tmp/r-f.v" "$tmp/r-fit.v" "$(awk -v a=$nw -v b=$w 'BEGIN { printf "%.10f", a / b }')" \
    --vscale "$(awk -v a=$nh -v b=$h 'BEGIN { printf "%.10f", a / b }')" --kernel lanczos3 --gap 0
  vips crop "$tmp/r-fit.v" "$tmp/r-fit2.v" 0 0 $nw $nh
  vips embed "$tmp/r-fit2.v" "$refdir/$2.down.v" $(((side - nw) / 2)) $(((side - nh) / 2)) "$side" "$side" \
    --extend background --background 255
  vips embed "$tmp/r-fit2.v" "$refdir/$2.up.v" $(((side - nw + 1) / 2)) $(((side - nh + 1) / 2)) "$side" "$side" \
    --extend background --background 255
  local kind
  for kind in exact down; do # each reference's own q75 file
    vips round "$refdir/$2.$kind.v" "$tmp/r-round.v" rint
    vips cast "$tmp/r-round.v" "$tmp/r-u8.v" uchar
    vips jpegsave "$tmp/r-u8.v" "$refdir/$2.$kind.q75.jpg" --Q 75
  done
}

if [ "${SKIP_QUALITY:-}" != 1 ]; then
  note "quality: references (cached in bench/work/ref) and PSNR"
  refdir=$work/ref/$side
  mkdir -p "$refdir"
  peers_q=()
  for p in "${peer_names[@]}"; do [ "$p" = djpeg-8 ] || [ "${peer_note[$p]}" = failed ] || peers_q+=("$p"); done
  : >"$tmp/psnr.tsv"
  for f in "${all[@]}"; do
    n=$(basename "${f%.*}")
    [ "$refdir/$n.down.q75.jpg" -nt "$f" ] || make_references "$f" "$n"
    exact=(reference-q75="$refdir/$n.exact.q75.jpg")
    placed=()
    if [ -f "$tmp/tess-ppm/$n.ppm" ]; then
      vips jpegsave "$tmp/tess-ppm/$n.ppm" "$tmp/tess-ppm/$n.jpg" --Q 75
      exact+=(tessaline-render="$tmp/tess-ppm/$n.ppm" tessaline-render-q75="$tmp/tess-ppm/$n.jpg")
    fi
    for p in "${peers_q[@]}"; do
      [ -f "$work/out/$p/$n.jpg" ] || continue
      exact+=("$p=$work/out/$p/$n.jpg")
      placed+=("$p=$work/out/$p/$n.jpg")
    done
    "$psnr" "$refdir/$n.exact.v" "${exact[@]}" | sed "s/^/exact\t$n\t/" >>"$tmp/psnr.tsv"
    "$psnr" "$refdir/$n.down.v" reference-q75="$refdir/$n.down.q75.jpg" "${placed[@]}" |
      sed "s/^/down\t$n\t/" >>"$tmp/psnr.tsv"
    "$psnr" "$refdir/$n.up.v" "${placed[@]}" | sed "s/^/up\t$n\t/" >>"$tmp/psnr.tsv"
  done
  {
    echo
    echo "## Quality: mean PSNR against a float reference (target: within 0.5 dB of the reference's own q75)"
    echo
    echo "Exact reference: full-resolution decode, orientation applied, padded on white to its square,"
    echo "Lanczos-3 to $side x $side in float (vips resize --gap 0). \"reference-q75\" is that reference"
    echo "rounded and saved by vips jpegsave at Q75: what a q75 file of the right picture scores."
    echo "\"tessaline-render\" is FitPipeline's picture itself, before any encoder; \"-q75\" is it saved"
    echo "by vips jpegsave Q75. The peers paste a whole-pixel picture at a whole-pixel offset; the last"
    echo "columns score them against a reference made that way (best of offset rounded down or up)."
    echo
    echo "| output | files | exact: mean dB | its q75 on the same files | difference | worst file | whole-pixel: mean dB | its q75 | difference |"
    echo "|---|---:|---:|---:|---:|---|---:|---:|---:|"
    awk -F'\t' '
      $4 == "error" { next }
      $1 == "exact" && $3 == "reference-q75" { rq[$2] = $4 }
      $1 == "down" && $3 == "reference-q75" { pq[$2] = $4; next }
      $1 == "exact" { s[$3] += $4; rs[$3] += rq[$2]; n[$3]++
        if (!($3 in seen)) { seen[$3] = 1; name[++k] = $3 }
        d = $4 - rq[$2]; if (!($3 in worst) || d < worst[$3]) { worst[$3] = d; wf[$3] = $2 } }
      $1 == "down" || $1 == "up" { key = $3 SUBSEP $2; if (!(key in best) || $4 > best[key]) best[key] = $4 }
      END {
        for (key in best) { split(key, a, SUBSEP); ps[a[1]] += best[key]; pr[a[1]] += pq[a[2]]; pn[a[1]]++ }
        for (i = 1; i <= k; i++) {
          p = name[i]; m = s[p] / n[p]; r = rs[p] / n[p]
          flag = (p ~ /^tessaline/ && p != "tessaline-render" && m - r < -0.5) ? " over" : ""
          line = sprintf("| %s | %d | %.2f | %.2f | %+.2f%s | %s (%+.2f) |", p, n[p], m, r, m - r, flag, wf[p], worst[p])
          if (pn[p]) line = line sprintf(" %.2f | %.2f | %+.2f |", ps[p] / pn[p], pr[p] / pn[p], (ps[p] - pr[p]) / pn[p])
          else line = line " | | |"
          print line } }' "$tmp/psnr.tsv"
  } >>"$results"
  cp "$tmp/psnr.tsv" "$work/psnr.tsv"
fi

cat "$results"
echo
echo "Written to ${results#"$here/../"}; one output of each peer side by side: bench/work/peers.png"
