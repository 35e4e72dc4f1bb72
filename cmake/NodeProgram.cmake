# Links an emscripten executable as a command-line program for plain node: the WebAssembly inside
# the one .js file (node's fetch() cannot load a file path), the real file system and standard
# streams (paths and pipes work as in the native program), memory that grows as the native heap
# does, and the exit status passed on.
function(skelvar_node_program target)
  target_link_options(${target} PRIVATE
    -sENVIRONMENT=node -sNODERAWFS=1 -sSINGLE_FILE=1 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1)
endfunction()
