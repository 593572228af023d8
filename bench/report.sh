#!/usr/bin/env bash
# report.sh BENCH_DIR [CPU]: runs imgcodec2_bench and imgcodec2_bench_generic
# (from BENCH_DIR, e.g. build/linux/bench) on one core (default 1), five
# repetitions each, and prints the table of bench/README.md: medians and
# their ratios to the anchors measured in the same run. Run it alone on the
# machine.
set -euo pipefail
dir=$1 cpu=${2:-1}
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for flavour in normal generic; do
  exe=$dir/imgcodec2_bench
  [ "$flavour" = generic ] && exe=${exe}_generic
  taskset -c "$cpu" "$exe" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2>/dev/null | awk -F, -v f="$flavour" '
      $1 ~ /_median"$/ { name = $1; gsub(/"|_median/, "", name); print f, name, $3 }' >>"$results"
done

awk '
  { t[$1 " " $2] = $3 }
  function ms(f, n) { return (f " " n) in t ? sprintf("%.1f", t[f " " n]) : "-" }
  function ratio(f, a, b) {
    return ((f " " a) in t && (f " " b) in t) ? sprintf("%.2f", t[f " " a] / t[f " " b]) : "-"
  }
  function row(label, a, b, how) {
    printf "| %s | %s | %s | %s | %s |\n", label, ms("normal", a), ratio("normal", a, b) how,
           ms("generic", a), ratio("generic", a, b) how
  }
  END {
    split("all zero, random pixels|256 equal entries, random pixels|tight cluster farthest first, random pixels|grey ramp, random pixels|photo'"'"'s palette, the photo|random palette, random pixels", cases, "|")
    print "| Colour search, 1024 x 1024 | normal ms | x faster than the scan | general registers ms | x faster than the scan |"
    print "|---|---:|---:|---:|---:|"
    for (c = 0; c < 6; ++c) {
      lin = "BM_SearchLinear/case:" c
      printf "| %s: linear scan | %s | | %s | |\n", cases[c + 1], ms("normal", lin), ms("generic", lin)
      printf "| new palette | %s | %s | %s | %s |\n", ms("normal", "BM_Search/case:" c "/warm:0/scalar:0"),
             ratio("normal", lin, "BM_Search/case:" c "/warm:0/scalar:0"),
             ms("generic", "BM_Search/case:" c "/warm:0/scalar:0"),
             ratio("generic", lin, "BM_Search/case:" c "/warm:0/scalar:0")
      printf "| same palette again | %s | %s | %s | %s |\n", ms("normal", "BM_Search/case:" c "/warm:1/scalar:0"),
             ratio("normal", lin, "BM_Search/case:" c "/warm:1/scalar:0"),
             ms("generic", "BM_Search/case:" c "/warm:1/scalar:0"),
             ratio("generic", lin, "BM_Search/case:" c "/warm:1/scalar:0")
      printf "| new palette, no SIMD | %s | %s | %s | %s |\n", ms("normal", "BM_Search/case:" c "/warm:0/scalar:1"),
             ratio("normal", lin, "BM_Search/case:" c "/warm:0/scalar:1"),
             ms("generic", "BM_Search/case:" c "/warm:0/scalar:1"),
             ratio("generic", lin, "BM_Search/case:" c "/warm:0/scalar:1")
    }
    print ""
    print "| 4096 x 4096 | normal ms | ratio | general registers ms | ratio |"
    print "|---|---:|---:|---:|---:|"
    row("plain read, fresh buffer (cold pages)", "BM_PlainReadFresh", "BM_PlainReadReused", " of a read into a reused buffer")
    row("plain read, reused buffer (warm pages)", "BM_PlainReadReused", "BM_Memcpy", " of memcpy")
    row("memcpy of the file size", "BM_Memcpy", "BM_Memcpy", "")
    row("LoadBMP 24 -> 24 (cold pages)", "BM_LoadBMP/target:24", "BM_PlainReadFresh", " of the fresh read")
    row("LoadBMP 24 -> 16 (cold pages)", "BM_LoadBMP/target:16", "BM_LoadBMP/target:24", " of 24 -> 24")
    row("LoadBMP 24 -> 15 (cold pages)", "BM_LoadBMP/target:15", "BM_LoadBMP/target:24", " of 24 -> 24")
    row("decoders 24 -> 24 (warm pages)", "BM_DecodeWarm/target:24", "BM_PlainReadReused", " of the reused read")
    row("decoders 24 -> 16 (warm pages)", "BM_DecodeWarm/target:16", "BM_DecodeWarm/target:24", " of 24 -> 24")
    row("decoders 24 -> 15 (warm pages)", "BM_DecodeWarm/target:15", "BM_DecodeWarm/target:24", " of 24 -> 24")
    row("plain write of the 24-bit file", "BM_PlainWrite", "BM_PlainWrite", "")
    row("SaveBMP 24 -> 24", "BM_SaveBMP/source:24/exchange:0", "BM_PlainWrite", " of the plain write")
    row("SaveBMP 24 -> 24, red and blue exchanged", "BM_SaveBMP/source:24/exchange:1", "BM_PlainWrite", " of the plain write")
    row("SaveBMP 16 -> 24", "BM_SaveBMP/source:16/exchange:0", "BM_PlainWrite", " of the plain write")
    row("SaveBMP 15 -> 24", "BM_SaveBMP/source:15/exchange:0", "BM_PlainWrite", " of the plain write")
    row("LoadBMP of the 1024 x 1024 photo to 8 bits, new palette", "BM_LoadBMPTo8", "BM_SearchLinear/case:4", " of the scan alone")
    print ""
    print "| Kernel, 4096 x 4096, warm pages | scalar ms | SSSE3 ms | AVX2 ms | scalar, general registers ms |"
    print "|---|---:|---:|---:|---:|"
    split("bgrTo16 bgrTo15 words16ToBgr words15ToBgr copySwapRedBlue", kernels, " ")
    for (k = 0; k < 5; ++k) {
      n = "BM_Kernel/kernel:" k "/level:"
      printf "| %s | %s | %s | %s | %s |\n", kernels[k + 1], ms("normal", n 0), ms("normal", n 2),
             ms("normal", n 3), ms("generic", n 0)
    }
  }' "$results"
