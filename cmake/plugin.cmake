# The one definition of the plug-in library, its sources and its flags. The main build, the
# allocation test, the benchmarks (through plugin-linux.cmake) and the fuzz build all include this
# file and call cz_add_plugin().
#
#   cz_add_plugin(TARGET [OPTIMIZE FLAG...] [FOLDER DIR] [ENTRY SYMBOL] [EXTRA SOURCE...])
#
# On Windows TARGET is cenyzak.dll: the plug-in's sources with the Windows platform layer, the
# plug-in's own memory routines, DllMain as the image entry point, no C runtime, the exports of
# plugin/cenyzak.def and the version resource. Elsewhere TARGET is a static library holding the
# plug-in as the simulated loader loads it (plugin/image.h). OPTIMIZE adds an optimisation flag for
# the plug-in's own code (the benchmarks measure it with the DLL's -Os). FOLDER, ENTRY and EXTRA
# make a variant of the DLL for a test: cenyzak.dll in the build's folder DIR, with the image entry
# point SYMBOL instead of DllMain and the EXTRA sources linked in.
include_guard(GLOBAL)

get_filename_component(CZ_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

# The plug-in's own folders. Every source there is the same on both platforms, except the few that
# stand for the platform itself, listed below. DllMain (plugin/dllmain.cpp) is the simulated
# loader's start routine on Linux, and the DLL's memory routines (platform/memory_win32.cpp) are
# compiled there under names of their own, so that the tests reach both.
file(GLOB CZ_PLUGIN_SOURCES CONFIGURE_DEPENDS
     ${CZ_ROOT}/plugin/*.cpp ${CZ_ROOT}/host/*.cpp ${CZ_ROOT}/layout/*.cpp
     ${CZ_ROOT}/pricing/*.cpp ${CZ_ROOT}/platform/*.cpp ${CZ_ROOT}/texts/*.cpp)
set(CZ_PLUGIN_WIN32_SOURCES ${CZ_ROOT}/platform/win32.cpp)
set(CZ_PLUGIN_LINUX_SOURCES ${CZ_ROOT}/plugin/image_linux.cpp ${CZ_ROOT}/platform/loader_linux.cpp)
list(REMOVE_ITEM CZ_PLUGIN_SOURCES ${CZ_PLUGIN_WIN32_SOURCES} ${CZ_PLUGIN_LINUX_SOURCES})

# No exceptions, no run-time type information: nothing of the C++ runtime in the plug-in.
set(CZ_WARNINGS -Wall -Wextra -Werror)
set(CZ_PLUGIN_FLAGS ${CZ_WARNINGS} -fno-exceptions -fno-rtti)

# The DLL: SSE2 doubles, small code, each routine and datum in its own section so that the linker
# drops what nothing uses; no unwind tables (nothing unwinds). Debug information is built in and
# split off into cenyzak.dll.debug after the link. The source and build folders are mapped to
# fixed names, so that no output carries the path of the clone it was built from.
# -mstackrealign: the host calls the entries and the hook handlers with a stack aligned only to 4
# bytes, and the SSE2 code may keep doubles in 16-byte aligned stack slots, so every routine the
# host can call aligns its own stack. This MinGW turns it on with SSE anyway; stated here, no
# compiler upgrade can turn it off.
set(CZ_DLL_FLAGS -Os -msse2 -mfpmath=sse -mstackrealign -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections -g)

function(cz_add_plugin target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "FOLDER;ENTRY" "OPTIMIZE;EXTRA")
  if(WIN32)
    if(NOT arg_ENTRY)
      set(arg_ENTRY _DllMain@12)
    endif()
    cz_add_plugin_dll(${target} "${CMAKE_BINARY_DIR}/${arg_FOLDER}" ${arg_ENTRY} ${arg_EXTRA})
    return()
  endif()
  add_library(${target} STATIC ${CZ_PLUGIN_SOURCES} ${CZ_PLUGIN_LINUX_SOURCES})
  target_include_directories(${target} PUBLIC ${CZ_ROOT})
  target_compile_options(${target} PRIVATE ${CZ_PLUGIN_FLAGS} ${arg_OPTIMIZE})
  # The memory routines' loops stay loops here too, rather than calls to the C library's routines
  # that the tests compare them with (clang knows the transformation only under -fno-builtin).
  set_source_files_properties(${CZ_ROOT}/platform/memory_win32.cpp PROPERTIES COMPILE_OPTIONS
    "$<IF:$<CXX_COMPILER_ID:GNU>,-fno-tree-loop-distribute-patterns,-fno-builtin>")
endfunction()

function(cz_add_plugin_dll target folder entry)
  add_library(${target} SHARED ${CZ_PLUGIN_SOURCES} ${CZ_PLUGIN_WIN32_SOURCES}
              ${CZ_ROOT}/plugin/cenyzak.def ${CZ_ROOT}/platform/version.rc ${ARGN})
  target_include_directories(${target} PRIVATE ${CZ_ROOT})
  target_link_libraries(${target} PRIVATE cenyzak_version)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${CZ_PLUGIN_FLAGS} ${CZ_DLL_FLAGS}
    -ffile-prefix-map=${CZ_ROOT}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}=.>)
  # The memory routines are what the compiler calls for copies and fills: compiled without the
  # loop-to-call transformation, they cannot call themselves.
  set_source_files_properties(${CZ_ROOT}/platform/memory_win32.cpp PROPERTIES
                              COMPILE_OPTIONS -fno-tree-loop-distribute-patterns)
  # No C runtime and no start-up files: the image entry point is DllMain itself, and the only
  # libraries are the import libraries of the two system modules (and libgcc for any arithmetic
  # helper the compiler may call). No time stamp in the image.
  target_link_options(${target} PRIVATE -nostdlib -nostartfiles -Wl,--entry=${entry}
                      -Wl,--gc-sections -Wl,--no-insert-timestamp)
  target_link_libraries(${target} PRIVATE kernel32 user32 gcc)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME cenyzak
                        RUNTIME_OUTPUT_DIRECTORY ${folder})
  # Symbols: the debug information goes to cenyzak.dll.debug, the DLL is stripped and names that
  # file in its debug link (the name only, no folder). objcopy writes the current time into every
  # PE image it writes unless SOURCE_DATE_EPOCH says otherwise: 0, as the linker leaves it.
  # Last, the DLL is made to end on an 8-byte boundary with its checksum right: a signed copy
  # without its signature is then this very file (scripts/pe-pad.sh).
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug cenyzak.dll cenyzak.dll.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=cenyzak.dll.debug cenyzak.dll
    COMMAND ${CZ_ROOT}/scripts/pe-pad.sh cenyzak.dll
    WORKING_DIRECTORY ${folder}
    BYPRODUCTS ${folder}/cenyzak.dll.debug
    VERBATIM)
endfunction()
