# Sourced by the build scripts from the tree's top folder.

# Compiles through ccache when it is there, so a machine that built before rebuilds only what
# changed, whatever folder the tree is in.
if command -v ccache >/dev/null 2>&1; then
  # Debug information then names the folder of the build that filled the cache.
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi

# timed NAME COMMAND...: runs the command and says how long that stage took.
timed() {
  local name=$1 start=$SECONDS
  shift
  "$@"
  echo "--- $name: $((SECONDS - start)) s"
}
