#!/usr/bin/env bash
# report.sh BENCH_DIR [CPU]: runs imgcodec2_bench and imgcodec2_bench_generic
# (from BENCH_DIR, e.g. build/linux/bench) on one core (default 1), five
# repetitions each, and prints the tables of bench/README.md: the medians of
# each step and their ratios to the anchors measured in the same iterations.
# Run it alone on the machine.
set -euo pipefail
dir=$1 cpu=${2:-1}
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for flavour in normal generic; do
  exe=$dir/imgcodec2_bench
  [ "$flavour" = generic ] && exe=${exe}_generic
  # Google Benchmark's JSON has one field per line: keep the medians.
  taskset -c "$cpu" "$exe" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=json 2>/dev/null | awk -v f="$flavour" '
      /"name":/ { name = $2; gsub(/[",]/, "", name); keep = sub(/_median$/, "", name)
                  sub(/\/(iterations|min_time|manual_time).*/, "", name) }
      keep && /^ *"[a-z_0-9]+": [-0-9.e+]+,?$/ { key = $1; value = $2; gsub(/[":,]/, "", key)
                                                 sub(/,$/, "", value); print f, name, key, value }' \
    >>"$results"
done

awk '
  { t[$1 "|" $2 "|" $3] = $4
    # The cases and kernels by the names the benchmarks carry, in their order.
    if ($2 ~ /^BM_Search\// && !(($2) in seenCase)) { seenCase[$2] = 1; cases[++nCases] = $2 }
    if ($2 ~ /^BM_Kernel\//) {
      split($2, part, "/")
      if (!(part[2] in seenKernel)) { seenKernel[part[2]] = 1; kernels[++nKernels] = part[2] }
    }
  }
  function v(f, bench, key) { return t[f "|" bench "|" key] }
  function cell(f, bench, key, anchor, how,   a, x) {
    x = v(f, bench, key)
    if (x == "") return "-"
    if (anchor == "") return sprintf("%.1f", x)
    a = v(f, bench, anchor)
    return how == "faster" ? sprintf("%.1f (%.0fx)", x, a / x) : sprintf("%.1f (%.2f)", x, x / a)
  }
  function both(label, bench, key, anchor) {
    printf "| %s | %s | %s |\n", label, cell("normal", bench, key, anchor, "of"),
           cell("generic", bench, key, anchor, "of")
  }
  END {
    build["normal"] = "normal"; build["generic"] = "general registers"
    print "Colour search, 1024 x 1024 pixels (random pixels unless named), ms (times faster than the linear scan):"
    print ""
    print "| palette, pixels | build | linear scan | new palette | same palette again | new palette, no SIMD |"
    print "|---|---|---:|---:|---:|---:|"
    for (c = 1; c <= nCases; ++c) {
      b = cases[c]
      label = substr(b, length("BM_Search/") + 1)
      gsub(/_/, " ", label)
      for (f = 0; f < 2; ++f) {
        fl = f ? "generic" : "normal"
        printf "| %s | %s | %s | %s | %s | %s |\n", f ? "" : label, build[fl],
               cell(fl, b, "linear"), cell(fl, b, "new_palette", "linear", "faster"),
               cell(fl, b, "same_palette", "linear", "faster"),
               cell(fl, b, "new_palette_scalar", "linear", "faster")
      }
    }
    print ""
    print "4096 x 4096 pixels, 48 MiB file, ms (ratio to the anchor named):"
    print ""
    print "| step | normal | general registers |"
    print "|---|---:|---:|"
    both("plain read into a fresh buffer (cold pages), of a reused one", "BM_Load", "read_fresh", "read_reused")
    both("plain read into a reused buffer (warm pages), of memcpy", "BM_Load", "read_reused", "memcpy")
    both("memcpy of 48 MiB", "BM_Load", "memcpy")
    both("LoadBMP 24 -> 24 (cold pages), of the fresh read", "BM_Load", "load_24", "read_fresh")
    both("LoadBMP 24 -> 16 (cold pages), of 24 -> 24", "BM_Load", "load_16", "load_24")
    both("LoadBMP 24 -> 15 (cold pages), of 24 -> 24", "BM_Load", "load_15", "load_24")
    both("its decoders 24 -> 24 (warm pages), of the reused read", "BM_Load", "decode_24", "read_reused")
    both("its decoders 24 -> 16 (warm pages), of 24 -> 24", "BM_Load", "decode_16", "decode_24")
    both("its decoders 24 -> 15 (warm pages), of 24 -> 24", "BM_Load", "decode_15", "decode_24")
    both("stb_image, of LoadBMP 24 -> 24", "BM_OtherLoaders", "stb_image", "load_24")
    both("SDL2, of LoadBMP 24 -> 24", "BM_OtherLoaders", "sdl2", "load_24")
    both("plain write of the 24-bit file", "BM_Save", "write")
    both("SaveBMP 24 -> 24, of the plain write", "BM_Save", "save_24", "write")
    both("SaveBMP 24 -> 24 red and blue exchanged, of the plain write", "BM_Save", "save_24_exchanged", "write")
    both("SaveBMP 16 -> 24, of the plain write", "BM_Save", "save_16", "write")
    both("SaveBMP 15 -> 24, of the plain write", "BM_Save", "save_15", "write")
    both("processor time: one fwrite of the 24-bit file from a warm buffer", "BM_Save", "fwrite_cpu")
    both("processor time: the file in 64 KiB pieces, each filled by memcpy, of the fwrite", "BM_Save", "pieces_cpu", "fwrite_cpu")
    both("processor time: SaveBMP 24 -> 24, of the fwrite", "BM_Save", "save_24_cpu", "fwrite_cpu")
    both("processor time: SaveBMP 24 -> 24 red and blue exchanged, of the fwrite", "BM_Save", "save_24_exchanged_cpu", "fwrite_cpu")
    both("processor time: SaveBMP 16 -> 24, of the fwrite", "BM_Save", "save_16_cpu", "fwrite_cpu")
    both("processor time: SaveBMP 15 -> 24, of the fwrite", "BM_Save", "save_15_cpu", "fwrite_cpu")
    both("LoadBMP of the 1024 x 1024 photo to 8 bits with a new palette, of to 24", "BM_LoadTo8", "load_8", "load_24")
    print ""
    print "Kernels alone, 4096 x 4096 pixels, warm buffers, ms:"
    print ""
    print "| kernel | scalar | SSSE3 | AVX2 | scalar, general registers |"
    print "|---|---:|---:|---:|---:|"
    for (k = 1; k <= nKernels; ++k) {
      b = "BM_Kernel/" kernels[k] "/"
      printf "| %s | %s | %s | %s | %s |\n", kernels[k], cell("normal", b "scalar", "real_time"),
             cell("normal", b "ssse3", "real_time"), cell("normal", b "avx2", "real_time"),
             cell("generic", b "scalar", "real_time")
    }
  }' "$results"
