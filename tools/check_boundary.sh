#!/bin/sh
# The core reaches SDL, FreeType, fontconfig and POSIX only through platform/.
root=${1:-.}
hits=$(grep -rn -E '#include *[<"](SDL|ft2build|freetype|fontconfig|unistd\.h|fcntl\.h|dirent\.h|pthread\.h|sys/)' \
  "$root/app" "$root/browser" "$root/picture" "$root/codec" "$root/render" "$root/settings" "$root/util" 2>/dev/null)
if [ -n "$hits" ]; then
  echo "system headers outside platform/:"
  echo "$hits"
  exit 1
fi
echo "platform boundary clean"
