# Links an emscripten executable as a command-line program for plain node: the WebAssembly inside
# the one .js file (node's fetch() cannot load a file path), the real file system and standard
# streams (paths and pipes work as in the native program), memory that grows as the native heap
# does, and the exit status passed on.
#
# The link step does not inline across the whole module (-O1 after the compile's -O2/-O3): V8 first
# runs code in its baseline tier and swaps in optimised code only on a function's next call, so a
# replay's tick loop must stay in main while the game's step stays a function of its own; with the
# step inlined into main a million ticks ran at baseline speed, about 1.5 times slower.
function(skelvar_node_program target)
  target_link_options(${target} PRIVATE
    -sENVIRONMENT=node -sNODERAWFS=1 -sSINGLE_FILE=1 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1
    $<$<NOT:$<CONFIG:Debug>>:-O1>)
endfunction()
