# The plug-in under test (undertest/): the one way to load and drive the plug-in and the facts
# about it that the tests, the fuzz targets and the benchmarks share. Include after the plug-in
# library (cenyzak_plugin) is defined; the host a caller drives it in is its own choice.
#
#   cenyzak_undertest  the loading, the entries, the handler call, the line tables, the oracle
#   cenyzak_lifecycle  the lifecycle model and its driver, over the simulated host VORDAN
#                      (vordan_sim), for the callers that define that library
include_guard(GLOBAL)

get_filename_component(CZ_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

add_library(cenyzak_undertest STATIC ${CZ_ROOT}/undertest/plugin.cpp
            ${CZ_ROOT}/undertest/lines.cpp ${CZ_ROOT}/undertest/oracle.cpp)
target_include_directories(cenyzak_undertest PUBLIC ${CZ_ROOT})
target_link_libraries(cenyzak_undertest PUBLIC cenyzak_plugin)
target_compile_options(cenyzak_undertest PRIVATE ${CZ_WARNINGS})

if(TARGET vordan_sim)
  add_library(cenyzak_lifecycle STATIC ${CZ_ROOT}/undertest/lifecycle_model.cpp
              ${CZ_ROOT}/undertest/lifecycle_driver.cpp)
  target_link_libraries(cenyzak_lifecycle PUBLIC cenyzak_undertest vordan_sim)
  target_compile_options(cenyzak_lifecycle PRIVATE ${CZ_WARNINGS})
endif()
