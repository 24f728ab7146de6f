# The plug-in as the simulated loader loads it (cenyzak_plugin) and the plain VORDAN (vordan_plain),
# for the projects built outside the main build: the benchmarks (benchmarks/) and the allocation
# test (tests/dll/alloc/) when it is configured on its own. Inside the main build its cenyzak_plugin is
# used as it is. The plug-in library itself is defined once, in plugin.cmake.
#
# CZ_PLUGIN_OPTIMIZE: optimisation flag for the plug-in's own code when it is built here (the
# benchmarks use the DLL's -Os).
include(${CMAKE_CURRENT_LIST_DIR}/plugin.cmake)

if(NOT TARGET cenyzak_plugin)
  cz_add_plugin(cenyzak_plugin OPTIMIZE ${CZ_PLUGIN_OPTIMIZE})
endif()

if(NOT TARGET vordan_plain)
  add_library(vordan_plain STATIC ${CZ_ROOT}/sim/plain.cpp ${CZ_ROOT}/sim/host_tables.cpp)
  target_include_directories(vordan_plain PUBLIC ${CZ_ROOT})
  target_compile_options(vordan_plain PRIVATE ${CZ_WARNINGS})
endif()
