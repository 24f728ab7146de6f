# The plug-in as the simulated loader loads it (cenyzak_plugin) and the plain VORDAN (vordan_plain),
# for the projects built outside the main build: the benchmarks (benchmarks/) and the allocation
# test (tests/alloc/) when it is configured on its own. Inside the main build its cenyzak_plugin is
# used as it is.
#
# CZ_PLUGIN_OPTIMIZE: optimisation flag for the plug-in's own code when it is built here (the
# benchmarks use the DLL's -Os).
get_filename_component(CZ_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

if(NOT TARGET cenyzak_plugin)
  # The plug-in's folders, less the Windows start-up; platform/ gives only the simulated loader.
  file(GLOB cz_plugin_sources CONFIGURE_DEPENDS
       ${CZ_ROOT}/plugin/*.cpp ${CZ_ROOT}/host/*.cpp ${CZ_ROOT}/layout/*.cpp
       ${CZ_ROOT}/pricing/*.cpp ${CZ_ROOT}/texts/*.cpp)
  list(REMOVE_ITEM cz_plugin_sources ${CZ_ROOT}/plugin/dllmain.cpp)
  add_library(cenyzak_plugin STATIC ${cz_plugin_sources} ${CZ_ROOT}/platform/simloader.cpp)
  target_include_directories(cenyzak_plugin PUBLIC ${CZ_ROOT})
  target_compile_options(cenyzak_plugin PRIVATE -Wall -Wextra -Werror -fno-exceptions -fno-rtti
                         ${CZ_PLUGIN_OPTIMIZE})
endif()

if(NOT TARGET vordan_plain)
  add_library(vordan_plain STATIC ${CZ_ROOT}/sim/plain.cpp)
  target_include_directories(vordan_plain PUBLIC ${CZ_ROOT})
  target_compile_options(vordan_plain PRIVATE -Wall -Wextra -Werror)
endif()
