# The web build, configured with emcmake (see web/build.sh): the game and fenwing-sim in
# WebAssembly, run by node.

# The game throws (a run-time error ends it with a report): WebAssembly's own exceptions, in
# every object that links the runtime.
target_compile_options(fenwing_runtime PUBLIC -fwasm-exceptions)
target_link_options(fenwing_runtime PUBLIC -fwasm-exceptions)

# Small rather than fast, and optimised across the whole program as it is linked: the page's
# module is downloaded before its first frame, and it is a fifth smaller so (WebAssembly's
# arithmetic is the same at every level of optimisation, and the tests compare it with native).
target_compile_options(fenwing_runtime PUBLIC -Oz -flto)
target_link_options(fenwing_runtime PUBLIC -Oz -flto)

# fenwing-sim under node: scripts opened by their real paths, main's status as node's exit
# status, and memory as the script needs it. The module is compiled synchronously: otherwise
# this emscripten's loader fetches it with node's fetch, which cannot open a file.
target_link_options(fenwing-sim PRIVATE
  -sENVIRONMENT=node -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1
  -sWASM_ASYNC_COMPILATION=0)

# The page: the game session and the page's host in WebAssembly, bound with embind (--bind) and
# loaded by web/page/main.js in a browser (web/build.sh puts it together with the page's
# scripts, the pictures, sounds and fonts).
add_executable(fenwing-page web/page_host.cpp)
target_link_libraries(fenwing-page PRIVATE fenwing_best)
target_compile_definitions(fenwing-page PRIVATE PROJECT_VERSION="${PROJECT_VERSION}")
target_link_options(fenwing-page PRIVATE
  --bind -sENVIRONMENT=web -sMODULARIZE=1 -sEXPORT_NAME=FenwingModule -sALLOW_MEMORY_GROWTH=1
  -sFILESYSTEM=0 -sMALLOC=emmalloc)
