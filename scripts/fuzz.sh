#!/usr/bin/env bash
# Fuzzes the in-memory module loader (Load, then FindExport) with libFuzzer
# for a bounded time; fails when the fuzzer finds a crash, a leak or a hang.
#   QUILLFEN_FUZZ_SECONDS  how long to run (default: 60)
#   QUILLFEN_FUZZ_DIR      build folder (default: build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${QUILLFEN_FUZZ_SECONDS:-60}
out=${QUILLFEN_FUZZ_DIR:-build-fuzz}
mkdir -p "$out/seeds" "$out/corpus"

flags=(-std=c++20 -O1 -g -I. -fno-omit-frame-pointer)
clang++ "${flags[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  skin/memory_module.cpp platform/module_platform.cpp tests/skin/fuzz/memory_module_fuzz.cpp \
  -ldl -o "$out/memory_module_fuzz"

# Seeds: synthetic images, and our real libraries when the cross compiler is there.
clang++ "${flags[@]}" tests/skin/fuzz/make_seeds.cpp -o "$out/make_seeds"
"$out/make_seeds" "$out/seeds"
if command -v i686-w64-mingw32-gcc >/dev/null; then
  dlls=tests/skin/dlls
  i686-w64-mingw32-gcc -shared -O2 -s -Wl,--image-base,0x10000000 \
    -o "$out/seeds/sample.dll" "$dlls/sample.c" "$dlls/sample.def"
  i686-w64-mingw32-gcc -shared -O2 -s -nostdlib -Wl,-e,_TinyEntry@12 \
    -o "$out/seeds/tiny.dll" "$dlls/tiny.c"
  clang++ "${flags[@]}" tests/skin/pack_tool.cpp -o "$out/pack_tool"
  "$out/pack_tool" "$out/seeds/sample.dll" "$out/seeds/packed.dll"
fi

"$out/memory_module_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus" "$out/seeds"
echo "fuzz: no failure in ${seconds} s"
