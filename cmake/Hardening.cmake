# The protections Debian builds its programs with, added to every target of the project: stack
# protector, stack-clash protection, control-flow protection on x86, fortified libc calls when
# optimising, position-independent executables and read-only relocations bound at start-up.
#
# Each flag is tried first, so a compiler or linker without it still builds. The flags are only
# ever added: whatever CFLAGS, CXXFLAGS, CPPFLAGS and LDFLAGS a packager passes stay as given, and
# a _FORTIFY_SOURCE level chosen there is kept.
#
#   skelvar_enable_hardening()   call once from the top-level CMakeLists.txt, before the targets

include_guard(GLOBAL)
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)
include(CheckPIESupported)

# Adds FLAG to every compile if the compiler accepts it; VAR caches the answer.
function(_skelvar_compile_flag flag var)
  check_cxx_compiler_flag(${flag} ${var})
  if(${var})
    add_compile_options(${flag})
  endif()
endfunction()

# Adds FLAG to every link if the linker accepts it; VAR caches the answer.
function(_skelvar_link_flag flag var)
  check_linker_flag(CXX ${flag} ${var})
  if(${var})
    add_link_options(${flag})
  endif()
endfunction()

# Whether the compile flags of the current build end with an optimisation level above -O0: the
# fortified libc headers only work, and only stay silent, when the compiler optimises.
function(_skelvar_build_optimises out)
  string(TOUPPER "${CMAKE_BUILD_TYPE}" config)
  set(flags " ${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${config}}")
  string(REGEX MATCHALL "[ \t]-O[^ \t]*" levels "${flags}")
  set(optimises FALSE)
  if(levels)
    list(GET levels -1 last)
    string(STRIP "${last}" last)
    if(NOT last STREQUAL "-O0")
      set(optimises TRUE)
    endif()
  endif()
  set(${out} ${optimises} PARENT_SCOPE)
endfunction()

function(skelvar_enable_hardening)
  if(EMSCRIPTEN OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    return()
  endif()

  _skelvar_compile_flag(-fstack-protector-strong SKELVAR_HAVE_STACK_PROTECTOR)
  _skelvar_compile_flag(-fstack-clash-protection SKELVAR_HAVE_STACK_CLASH_PROTECTION)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i[3-6]86|x86)$")
    _skelvar_compile_flag(-fcf-protection SKELVAR_HAVE_CF_PROTECTION)
  endif()

  # The sanitizers check every memory access themselves and the fortified wrappers would hide
  # some of those accesses from them, so that build leaves fortification out.
  set(packager_flags "${CMAKE_CXX_FLAGS} ${SKELVAR_CPPFLAGS}")
  if(NOT SKELVAR_SANITIZE AND NOT packager_flags MATCHES "_FORTIFY_SOURCE")
    if(CMAKE_CONFIGURATION_TYPES)
      add_compile_options(
        "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    else()
      _skelvar_build_optimises(optimises)
      if(optimises)
        # Some compilers define a level of their own; it is replaced rather than redefined.
        add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
      endif()
    endif()
  endif()

  check_pie_supported(OUTPUT_VARIABLE pie_message LANGUAGES CXX)
  if(CMAKE_CXX_LINK_PIE_SUPPORTED)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON PARENT_SCOPE)
  else()
    message(STATUS "Position-independent executables are not supported: ${pie_message}")
  endif()

  _skelvar_link_flag(-Wl,-z,relro SKELVAR_HAVE_RELRO)
  _skelvar_link_flag(-Wl,-z,now SKELVAR_HAVE_BIND_NOW)
  # Not a protection, but what the debug symbols of a stripped program are found by.
  _skelvar_link_flag(-Wl,--build-id SKELVAR_HAVE_BUILD_ID)
endfunction()
