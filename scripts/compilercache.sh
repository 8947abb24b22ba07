# Sourced by the build scripts: compiles through ccache when it is installed, with paths taken
# relative to the checkout, so a second checkout or a fresh clone reuses what the first compiled.
compiler_cache=()
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
    compiler_cache=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
