#!/usr/bin/env bash
# Builds the benchmark's folder of real photographs from Debian's wallpaper
# packages (installed by scripts/deps.sh --bench):
#   bench/work/photos/     33 JPEG photographs (2-20 MP) and GIF / BMP copies
#   bench/work/big/        one 24 MP JPEG, upscaled from a 12 MP photo
#   bench/work/photos.tsv  the set: name, format, size, megapixels, how it was made
# Nothing is rebuilt when the set is already there; remove bench/work/photos to redo it.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
work=$here/work
photos=$work/photos
big=$work/big
manifest=$work/photos.tsv

if [ -f "$manifest" ] && [ -d "$photos" ] && [ -f "$big/sunset-24mp.jpg" ]; then
  exit 0
fi

for tool in jpegtran convert exiftool vips vipsheader; do
  command -v "$tool" >/dev/null || {
    echo "make-photos: '$tool' is missing; run scripts/deps.sh --bench" >&2
    exit 1
  }
done

lomiri=/usr/share/backgrounds
mate=/usr/share/backgrounds/mate/nature
plasma=/usr/share/wallpapers

# name <TAB> source file <TAB> how: plain | progressive | portrait | exif6 | exif8 | crop20
# The lomiri files come progressive; "plain" re-encodes them losslessly as baseline,
# so that progressive files are the ones listed as such.
sources=$(cat <<EOF
bridge	$lomiri/Bridge_by_Sander_Klootwijk.jpg	progressive
dragonfly	$lomiri/Dragonfly_by_Bolly.jpg	portrait
fig	$lomiri/Picture_0B_by_freespace.jpg	plain
wine	$lomiri/Wine_by_Jakkub_Mede.jpg	plain
aitzgorri	$lomiri/aitzgorri_by_Aitzol_Berasategi.jpg	exif6
hummingbird	$lomiri/free_by_Peter_Nerlich.jpg	plain
friends	$lomiri/friends_by_Aitzol_Berasategi.jpg	plain
clock	$lomiri/greentock_by_Peter_Nerlich.jpg	plain
stream	$lomiri/life_by_Aitzol_Berasategi.jpg	portrait
picos	$lomiri/picosdeeuropa_by_Aitzol_Berasategi.jpg	progressive
seeding	$lomiri/seeding_by_Clements_Engelhardt.jpg	progressive
sunset	$lomiri/sunset_by_Aitzol_Berasategi.jpg	plain
nuthatch	$lomiri/Kleiber_by_Lukas_Baubkus.jpg	crop20
aqua	$mate/Aqua.jpg	plain
blinds	$mate/Blinds.jpg	plain
garden	$mate/Garden.jpg	progressive
ladybird	$mate/LadyBird.jpg	portrait
raindrops	$mate/RainDrops.jpg	plain
storm	$mate/Storm.jpg	portrait
twowings	$mate/TwoWings.jpg	exif8
wood	$mate/Wood.jpg	plain
yellowflower	$mate/YellowFlower.jpg	plain
bythewater	$plasma/BytheWater/contents/images/2560x1600.jpg	plain
coldripple	$plasma/ColdRipple/contents/images/2560x1600.jpg	plain
cups	$plasma/ColorfulCups/contents/images/2560x1600.jpg	progressive
darkesthour	$plasma/DarkestHour/contents/images/2560x1600.jpg	plain
eveningglow	$plasma/EveningGlow/contents/images/2560x1600.jpg	exif6
fallenleaf	$plasma/FallenLeaf/contents/images/2560x1600.jpg	plain
grey	$plasma/Grey/contents/images/2560x1600.jpg	plain
kite	$plasma/Kite/contents/images/2560x1600.jpg	portrait
moss	$plasma/OneStandsOut/contents/images/2560x1600.jpg	plain
path	$plasma/Path/contents/images/2560x1600.jpg	portrait
summer	$plasma/summer_1am/contents/images/2560x1600.jpg	progressive
EOF
)

missing=0
while IFS=$'\t' read -r _ file _; do
  [ -f "$file" ] || { echo "make-photos: missing $file" >&2; missing=1; }
done <<<"$sources"
if [ "$missing" -ne 0 ]; then
  echo "make-photos: install the wallpaper packages with scripts/deps.sh --bench" >&2
  exit 1
fi

rm -rf "$photos" "$big" "$manifest"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$photos.new" "$big"

echo "make-photos: building $photos"
printf 'name\tformat\twidth\theight\tmegapixels\tmade\tsource\n' >"$tmp/manifest"
record() { # file made source
  local w h
  w=$(vipsheader -f width "$1" 2>/dev/null)
  h=$(vipsheader -f height "$1" 2>/dev/null)
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$(basename "$1")" "${1##*.}" "$w" "$h" \
    "$(awk -v w="$w" -v h="$h" 'BEGIN { printf "%.2f", w * h / 1e6 }')" "$2" "$3" >>"$tmp/manifest"
}

while IFS=$'\t' read -r name file how; do
  out=$photos.new/$name.jpg
  case $how in
    plain) jpegtran -copy all -optimize -outfile "$out" "$file" ;;
    progressive) jpegtran -copy all -progressive -outfile "$out" "$file" ;;
    portrait) jpegtran -copy all -optimize -rotate 90 -trim -outfile "$out" "$file" ;;
    crop20) # 20.0 MP, on iMCU boundaries so the crop stays lossless
      jpegtran -copy all -optimize -crop 5952x3360+32+16 -outfile "$out" "$file" ;;
    exif6 | exif8)
      # Stored turned; the tag turns it back upright, so it shows as the original.
      if [ "$how" = exif6 ]; then turn=270 tag=6; else turn=90 tag=8; fi
      jpegtran -copy all -optimize -rotate "$turn" -trim -outfile "$out" "$file"
      exiftool -q -overwrite_original -n -Orientation="$tag" "$out" ;;
    *) echo "make-photos: unknown treatment $how" >&2; exit 1 ;;
  esac
  record "$out" "$how" "$file"
done <<<"$sources"

# Formats other than JPEG, converted from some of the photographs: GIFs scaled
# down to a 1920-pixel longer edge, 24-bit Windows bitmaps at full size.
for name in fallenleaf aqua wood; do
  out=$photos.new/$name-gif.gif
  convert -quiet "$photos.new/$name.jpg" -resize 1920x1920 "$out"
  record "$out" "gif 1920" "$name.jpg"
done
for name in darkesthour friends moss; do
  out=$photos.new/$name-bmp.bmp
  convert -quiet "$photos.new/$name.jpg" -type TrueColor "BMP3:$out"
  record "$out" "bmp 24-bit" "$name.jpg"
done

# None of the photographs reaches 24 MP: the 12 MP 3:2 sunset is upscaled to 6000 x 4000.
vips resize "$photos.new/sunset.jpg" "$big/sunset-24mp.jpg[Q=90]" 1.4044944 --kernel lanczos3
[ "$(vipsheader -f width "$big/sunset-24mp.jpg")x$(vipsheader -f height "$big/sunset-24mp.jpg")" = 6000x4000 ] || {
  echo "make-photos: the 24 MP photo did not come out 6000 x 4000" >&2
  exit 1
}

mv "$photos.new" "$photos"
mv "$tmp/manifest" "$manifest"
awk -F'\t' 'NR > 1 { n++; mp += $5 } END { printf "make-photos: %d pictures, %.1f megapixels in all\n", n, mp }' "$manifest"
