# Sourced by the test scripts: one way to configure and build a tree.
# Warnings are errors in the plain build; the sanitizer builds leave them as
# warnings, since GCC's bounds warnings misfire on instrumented code. Debug
# information is line tables only: enough for every stack a sanitizer or gdb
# prints, at a fraction of the compile and link time.
build() {  # build DIR [cmake args...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTIQ_WERROR=ON \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
    "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

# Runs a stage and notes how long it took, for the summary at the end.
stage_times=()
stage() {  # stage NAME command...
  local name=$1; shift
  echo "== $name"
  local start=$SECONDS
  "$@"
  stage_times+=("$(printf '%-60s %4d s' "$name" $((SECONDS - start)))")
}
