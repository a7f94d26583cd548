#!/usr/bin/env bash
# usage: power_cut_test.sh HEADLESS KERNEL_FOLDER WORK_FOLDER FS [all] [one-waiting]
#
# A stick of FAT32 (FS vfat) or exFAT (exfat) mounted as a desktop mounts
# it, or an internal disk's ext4 (ext4), where a run places its new files
# in batches, in a QEMU guest with Debian's own kernel:
# - A file with a name of 255 bytes and one with FAT attributes are tidied,
#   and the attributes stay as they were.
# - A folder of GBK novels is tidied in link mode and the power is cut at
#   some moment during the run or after it ended. Booted again, the guest
#   must read every novel as exactly its old bytes or exactly its new ones,
#   and all as new once the run had ended. "all" cuts at 19 moments
#   instead of 9; "one-waiting" leaves the run so few open files that it
#   places each novel before it tidies the next, instead of all at the end.
# FS ext4-no-journal is ext4 made without a journal: nothing then keeps the
# disk's writes in the order they were made but the run's own flushes.
set -euo pipefail
# The novels below are cut by characters, which bash counts as its locale says.
export LC_ALL=C.UTF-8
headless=$(realpath "$1")
export GUEST_KERNEL=$2 GUEST_WORK=$3
fs=$4
all=false run_options=()
for option in "${@:5}"; do
  case "$option" in
    all) all=true ;;
    one-waiting) run_options+=(guest.files=18) ;;
    *) echo "unknown option $option" >&2; exit 2 ;;
  esac
done
source "$(dirname "$0")/guest.sh"
# exFAT writes with fewer flushes: slower writes spread its run as long.
[ "$fs" = exfat ] && export GUEST_WRITE_SPEED=1500000

mkdir -p "$GUEST_WORK"
rm -rf "$GUEST_WORK/root" "$GUEST_WORK/expected"
mkdir -p "$GUEST_WORK/root/books" "$GUEST_WORK/expected"

# 16 novels of 300 KB, GBK, each line broken in the middle of a sentence.
line=$(printf '他走到窗前，看着远处的山，想起了很多年前的事情，那时候%.0s' 1 2)
for book in $(seq -w 1 16); do
  {
    printf '第%s部\r\n' "$book"
    for chapter in $(seq 1 40); do
      printf '第%s章\r\n' "$chapter"
      for _ in $(seq 1 70); do printf '%s\r\n%s\r\n' "${line:0:20}" "${line:20}"; done
    done
  } | iconv -f UTF-8 -t GBK >"$GUEST_WORK/root/books/novel-$book.txt"
done
printf 'optLink=1\n' >"$GUEST_WORK/root/settings.ini"

# What the run makes of them, here on this machine's own file system.
cp "$GUEST_WORK"/root/books/* "$GUEST_WORK/expected/"
"$headless" "$GUEST_WORK/root/settings.ini" "$GUEST_WORK/expected" >/dev/null
declare -A old new
for file in "$GUEST_WORK"/root/books/*; do
  name=$(basename "$file")
  old[$name]=$(md5sum <"$file" | cut -d' ' -f1)
  new[$name]=$(md5sum <"$GUEST_WORK/expected/$name" | cut -d' ' -f1)
  [ "${old[$name]}" != "${new[$name]}" ] || { echo "the run does not change $name" >&2; exit 1; }
done
guest_initramfs "$GUEST_WORK/initrd" "$headless"

guest_format "$GUEST_WORK/stick.img" "$fs"
[ "$(guest_boot "$GUEST_WORK/stick.img" fill guest.fs=$fs)" = filled ] || { echo "$fs: filling failed" >&2; exit 1; }
failures=0

# Names and attributes. The run would fail to create the temporary file of
# a name cut in the middle of a character; on FAT it used to drop the
# attributes.
cp "$GUEST_WORK/stick.img" "$GUEST_WORK/keep.img"
kept=$(guest_boot "$GUEST_WORK/keep.img" keep guest.fs=$fs)
echo "$kept" | sed 's/^/  /'
expected_files=$(printf 'file %s  %s\n' "${new[novel-01.txt]}" "$(printf '长%.0s' $(seq 83))ab.txt" \
                 "${new[novel-01.txt]}" 属性.txt | sort)
if [ "$(echo "$kept" | grep '^file ' | sort)" != "$expected_files" ]; then
  echo "$fs: the long name or the file with attributes was not tidied, or a temporary file was left"
  failures=$((failures + 1))
fi
attributes=$(echo "$kept" | sed -n 's/^attributes before: \(.*\) after: \(.*\)$/\1|\2/p')
if [ "${attributes%|*}" != "${attributes#*|}" ] || { [ "$fs" = vfat ] && [ "${attributes%|*}" = "" ]; }; then
  echo "$fs: FAT attributes changed: $attributes"
  failures=$((failures + 1))
fi

# Cuts during the run fall at even steps of its length, as a first run
# measures it here (the machine's load and the file system set it); cuts
# after it fall where the kernel has not yet written back on its own.
cp "$GUEST_WORK/stick.img" "$GUEST_WORK/cut.img"
length=$(guest_boot "$GUEST_WORK/cut.img" run guest.fs=$fs guest.cut=after:0 "${run_options[@]}" |
         sed -n 's/^run ended with 0 after \([0-9.]*\) s$/\1/p')
[ -n "$length" ] || { echo "$fs: the run failed in the guest" >&2; exit 1; }
if $all; then steps=12; else steps=6; fi
cuts=()
for step in $(seq 1 $((steps - 1))); do
  cuts+=("during:$(awk -v seconds="$length" -v step="$step" -v steps="$steps" \
                    'BEGIN { printf "%d", seconds * 1000 * step / steps }')")
done
if $all; then
  cuts+=(after:0 after:200 after:500 after:1000 after:2000 after:3000 after:5000 after:8000)
else
  cuts+=(after:0 after:500 after:2000 after:5000)
fi
echo "$fs: the run takes $length s; cuts at ${cuts[*]}"
lost=0
for cut in "${cuts[@]}"; do
  cp "$GUEST_WORK/stick.img" "$GUEST_WORK/cut.img"
  moment=$(guest_boot "$GUEST_WORK/cut.img" run guest.fs=$fs guest.cut=$cut "${run_options[@]}" | tr '\n' ' ')
  declare -A seen=()
  verdict=ok
  tidied=0
  while read -r word sum name; do
    [ "$word" = file ] || continue
    if [ -n "${old[$name]:-}" ]; then
      seen[$name]=1
      if [ "$sum" = "${old[$name]}" ]; then :
      elif [ "$sum" = "${new[$name]}" ]; then tidied=$((tidied + 1))
      else verdict="lost"; echo "  $fs $cut: $name is neither old nor new ($sum)"; fi
    fi
  done < <(guest_boot "$GUEST_WORK/cut.img" check guest.fs=$fs)
  for name in "${!old[@]}"; do
    [ -n "${seen[$name]:-}" ] || { verdict=lost; echo "  $fs $cut: $name is gone"; }
  done
  unset seen
  # Once the run has ended, all of its work is on the stick.
  if [[ $cut == after:* && $verdict == ok && $tidied -ne ${#old[@]} ]]; then
    verdict=lost
    echo "  $fs $cut: only $tidied files are new"
  fi
  echo "$fs $cut ($moment): $verdict, $tidied tidied"
  [ $verdict = ok ] || lost=$((lost + 1))
done
echo "$fs: $lost of ${#cuts[@]} power cuts lost a file"
[ $((failures + lost)) -eq 0 ]
