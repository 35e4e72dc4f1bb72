# Links an emscripten executable as a command-line program for plain node: the WebAssembly inside
# the one .js file (node's fetch() cannot load a file path), the real file system and standard
# streams (paths and pipes work as in the native program), memory that grows as the native heap
# does, and the exit status passed on.
#
# The optimiser of the link step is kept from inlining big functions only because they have one
# caller: V8 runs a function in its baseline tier until it tiers up, and then only from its next
# call on, so a replay's tick loop must stay in main while the game's step and the state writer
# stay functions of their own. With the step inlined into main, a million ticks ran 1.5 times
# slower.
function(skelvar_node_program target)
  target_link_options(${target} PRIVATE
    -sENVIRONMENT=node -sNODERAWFS=1 -sSINGLE_FILE=1 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1
    -sBINARYEN_EXTRA_PASSES=--one-caller-inline-max-function-size=0)
endfunction()
