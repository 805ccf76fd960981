#!/usr/bin/env bash
# Builds the consumer program every way a user may build against ZELMath and checks that each
# build links, runs and prints exactly the same bits:
#   the installed shared library from <release build dir> with {g++, clang++} x {Debug, Release},
#   and as C++20 through its CMake package and through pkg-config;
#   a static library, through its CMake package and through pkg-config (at -O0);
#   the source tree as a subproject, through add_subdirectory and FetchContent (Debug);
#   clang++ at -O2 -march=native without the exactness flags (the headers' pragma must hold);
#   with MPI, the MPI consumer through the component mpi and through pkg-config zelmath-mpi.
# Also checks that the shared library loads with dlopen and asks for no static TLS block.
# Usage: matrix.sh <release build dir> <scratch dir>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
release=$(realpath "$1")
work=$(realpath -m "$2")
rm -rf "$work"
mkdir -p "$work"
failed=0
reference=""

check_output() {  # name, program
  local out
  if ! out=$("$2"); then
    echo "FAIL $1: the program failed"; failed=1; return
  fi
  if [ -z "$reference" ]; then
    reference=$out
    echo "reference output: $out"
  fi
  if [ "$out" == "$reference" ]; then
    echo "ok   $1"
  else
    echo "FAIL $1: printed $out"; failed=1
  fi
}

cmake_consumer() {  # name, source dir, extra cmake arguments...
  local name=$1 src=$2
  shift 2
  if cmake -S "$src" -B "$work/$name" -G Ninja "$@" >"$work/$name.log" 2>&1 &&
      cmake --build "$work/$name" >>"$work/$name.log" 2>&1; then
    check_output "$name" "$work/$name/consumer"
  else
    echo "FAIL $name: build failed"; tail -n 30 "$work/$name.log"; failed=1
  fi
}

# The shared library, installed.
cmake --install "$release" --prefix "$work/shared" >/dev/null
for cxx in g++ clang++; do
  for type in Debug Release; do
    cmake_consumer "shared-$cxx-$type" "$root/tests/package_consumer" -DCMAKE_CXX_COMPILER=$cxx \
      -DCMAKE_BUILD_TYPE=$type -DCMAKE_PREFIX_PATH="$work/shared"
  done
done

# C++20 programs: the package asks for C++17 as a minimum and never lowers the consumer's level,
# neither through the CMake target nor through pkg-config.
cmake_consumer "shared-cmake-c++20" "$root/tests/package_consumer" -DCMAKE_CXX_STANDARD=20 \
  -DCMAKE_CXX_FLAGS=-DZELMATH_CONSUMER_CXX20 -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$work/shared"
shared_pc=$(dirname "$(find "$work/shared" -name zelmath.pc | head -n 1)")
# shellcheck disable=SC2046
if g++ -std=c++20 -DZELMATH_CONSUMER_CXX20 "$root/tests/package_consumer/consumer.cpp" \
    $(PKG_CONFIG_PATH="$shared_pc" pkg-config --cflags --libs zelmath) \
    -Wl,-rpath,"$(PKG_CONFIG_PATH="$shared_pc" pkg-config --variable=libdir zelmath)" -o "$work/shared-pc-c++20"; then
  check_output "shared-pkg-config-c++20" "$work/shared-pc-c++20"
else
  echo "FAIL shared-pkg-config-c++20: build failed"; failed=1
fi

# dlopen, and no initial-exec TLS.
lib=$(find "$work/shared" -name 'libZELMath.so' | head -n 1)
if /usr/bin/python3 -c "import ctypes, sys; ctypes.CDLL(sys.argv[1])" "$lib"; then
  echo "ok   dlopen $lib"
else
  echo "FAIL dlopen $lib"; failed=1
fi
if readelf -d "$lib" | grep -q STATIC_TLS; then
  echo "FAIL $lib is marked STATIC_TLS"; failed=1
fi

# The static library: its CMake package, and pkg-config at -O0.
cmake -S "$root" -B "$work/static-build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
  -DZELMATH_BUILD_TESTS=OFF -DZELMATH_BUILD_EXAMPLES=OFF -DZELMATH_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$work/static-build" >/dev/null
cmake --install "$work/static-build" --prefix "$work/static" >/dev/null
if [ -n "$(find "$work/static" -name 'libZELMath.so*')" ] || [ -z "$(find "$work/static" -name 'libZELMath.a')" ]; then
  echo "FAIL BUILD_SHARED_LIBS=OFF did not give a static library only"; failed=1
fi
cmake_consumer "static-cmake" "$root/tests/package_consumer" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$work/static"
pcdir=$(dirname "$(find "$work/static" -name zelmath.pc | head -n 1)")
# shellcheck disable=SC2046
if g++ -O0 "$root/tests/package_consumer/consumer.cpp" $(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags --libs zelmath) \
    -o "$work/static-pc"; then
  check_output "static-pkg-config-O0" "$work/static-pc"
else
  echo "FAIL static-pkg-config-O0: build failed"; failed=1
fi

# The MPI runner (when the release build has it), on two ranks: through the CMake package's
# component mpi with g++ and clang++, and through pkg-config zelmath-mpi against the static
# library. Every build prints the same means.
if [ -n "$(find "$work/shared" -name ZELMathMPITargets.cmake)" ]; then
  mpi_run=(env OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
    OMPI_MCA_rmaps_base_oversubscribe=1 mpiexec -n 2)
  mpi_reference=""
  check_mpi() {  # name, program
    local out
    if ! out=$("${mpi_run[@]}" "$2"); then
      echo "FAIL $1: the program failed on two ranks"; failed=1; return
    fi
    [ -n "$mpi_reference" ] || { mpi_reference=$out; echo "MPI reference output: $out"; }
    if [ "$out" == "$mpi_reference" ]; then echo "ok   $1"; else echo "FAIL $1: printed $out"; failed=1; fi
  }
  for cxx in g++ clang++; do
    name="shared-mpi-component-$cxx"
    if cmake -S "$root/tests/package_consumer" -B "$work/$name" -G Ninja -DCMAKE_CXX_COMPILER=$cxx \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$work/shared" -DZELMATH_CONSUMER_COMPONENTS=mpi \
        >"$work/$name.log" 2>&1 && cmake --build "$work/$name" >>"$work/$name.log" 2>&1; then
      check_mpi "$name" "$work/$name/consumer_mpi"
    else
      echo "FAIL $name: build failed"; tail -n 30 "$work/$name.log"; failed=1
    fi
  done
  # shellcheck disable=SC2046
  if g++ -O0 "$root/tests/package_consumer/consumer_mpi.cpp" \
      $(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags --libs zelmath-mpi) -o "$work/static-mpi-pc"; then
    check_mpi "static-mpi-pkg-config-O0" "$work/static-mpi-pc"
  else
    echo "FAIL static-mpi-pkg-config-O0: build failed"; failed=1
  fi
else
  echo "skip MPI consumers: $release has no MPI component (no MPI for C++ found)"
fi

# As a subproject: nothing but the library's target, nothing written into the parent's cache.
for via in subdirectory fetchcontent; do
  cmake_consumer "subproject-$via" "$root/tests/subproject_consumer" -DZELMATH_VIA=$via \
    -DZELMATH_SOURCE_DIR="$root" -DCMAKE_BUILD_TYPE=Debug
  if grep -q '^CMAKE_BUILD_TYPE:STRING=Debug$' "$work/subproject-$via/CMakeCache.txt" &&
      ! cmake --build "$work/subproject-$via" --target help | grep -qE '^(package|test|docs|run_examples)[:]'; then
    echo "ok   subproject-$via leaves the parent's cache and targets alone"
  else
    echo "FAIL subproject-$via changed the parent's cache or added top-level targets"; failed=1
  fi
done

# Exactness without the flags: clang turns contraction off for the library's inline code.
# shellcheck disable=SC2046
clang++ -std=c++17 -O2 -march=native -ffp-contract=on -I"$work/shared/include/zelmath" \
  "$root/tests/package_consumer/consumer.cpp" -L"$(dirname "$lib")" -lZELMath -Wl,-rpath,"$(dirname "$lib")" \
  -o "$work/clang-native-contract"
check_output "clang-native-without-flags" "$work/clang-native-contract"
# g++ cannot be told inside a header, so it must warn on an FMA target.
if g++ -std=c++17 -march=native -fsyntax-only -I"$work/shared/include/zelmath" \
    "$root/tests/package_consumer/consumer.cpp" 2>&1 | grep -q 'compile with -ffp-contract=off'; then
  echo "ok   g++ warns about contraction without the flags"
elif ! g++ -march=native -dM -E -x c++ /dev/null | grep -q __FP_FAST_FMA; then
  echo "ok   g++: no fused multiply-add on this target"
else
  echo "FAIL g++ did not warn about contraction"; failed=1
fi

[ "$failed" -eq 0 ] && echo "all consumer builds agree" || exit 1
