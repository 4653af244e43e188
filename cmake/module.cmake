# client_module(<name>
#   PORTABLE <sources>      built for every target
#   WIN32 <sources>         built for Windows only (<thing>_win32.cpp)
#   DEPENDS <targets>       modules this one uses
#   WIN32_LIBS <libs>       system libraries of the Windows build
#   HOST_LIBS <libs>        system libraries of the host build
#   TESTS <sources>         tests of the portable code, run in both targets
#   WIN32_TESTS <sources>   tests that need Windows, run under Wine
#   TEST_MAIN <source>      a main() of the module's own in place of GoogleTest's
#   FUZZ <sources>          libFuzzer targets, each with its seed corpus in test/corpus/<target name>/
#   AUTO                    takes the sources by file name instead: *.cpp portable, *_win32.cpp Windows,
#                           *_host.cpp host only, test/*_test.cpp tests, test/*_win32_test.cpp Windows
#                           tests, test/fuzz_*.cpp fuzz targets (the lists above may add more)
#   HOST <sources>          built for the host only (the host stand-in of a *_win32.cpp)
#   TSAN_TESTS <sources>    tests of threads run under ThreadSanitizer (tsan build); they may name
#                           sources of the module itself to link TSAN_DEPENDS in place of the module
#   TSAN_DEPENDS <targets>  what the ThreadSanitizer tests link instead of the module's library
# )
# Makes the static library <name> (an interface library when the target has no source of it), one test
# binary <name>_tests that ctest runs as one test, and in the fuzz build one executable per fuzz target
# (<name>_fuzz_<x>, with '/' in the name as '_') that ctest gives a short smoke run; in the tsan build
# one binary <name>_tsan of the TSAN_TESTS that ctest runs three times over.
function(client_module name)
  cmake_parse_arguments(M "AUTO" "TEST_MAIN"
    "PORTABLE;WIN32;HOST;DEPENDS;WIN32_LIBS;HOST_LIBS;TESTS;WIN32_TESTS;FUZZ;TSAN_TESTS;TSAN_DEPENDS" ${ARGN})
  string(REPLACE "/" "_" target "${name}")

  if(M_AUTO)
    set(here ${CMAKE_CURRENT_SOURCE_DIR})
    file(GLOB all CONFIGURE_DEPENDS RELATIVE ${here} ${here}/*.cpp)
    file(GLOB all_tests CONFIGURE_DEPENDS RELATIVE ${here} ${here}/test/*_test.cpp)
    file(GLOB fuzz CONFIGURE_DEPENDS RELATIVE ${here} ${here}/test/fuzz_*.cpp)
    foreach(file IN LISTS all)
      if(file MATCHES "_win32\\.cpp$")
        list(APPEND M_WIN32 ${file})
      elseif(file MATCHES "_host\\.cpp$")
        list(APPEND M_HOST ${file})
      else()
        list(APPEND M_PORTABLE ${file})
      endif()
    endforeach()
    foreach(file IN LISTS all_tests)
      if(file MATCHES "_win32_test\\.cpp$")
        list(APPEND M_WIN32_TESTS ${file})
      else()
        list(APPEND M_TESTS ${file})
      endif()
    endforeach()
    list(APPEND M_FUZZ ${fuzz})
  endif()

  set(sources ${M_PORTABLE})
  set(libs ${M_DEPENDS})
  set(tests ${M_TESTS})
  if(WIN32)
    list(APPEND sources ${M_WIN32})
    list(APPEND libs ${M_WIN32_LIBS})
    list(APPEND tests ${M_WIN32_TESTS})
  else()
    list(APPEND sources ${M_HOST})
    list(APPEND libs ${M_HOST_LIBS})
  endif()

  if(sources)
    add_library(${target} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} ${scope} ${libs})

  if(CLIENT_TSAN)
    if(M_TSAN_TESTS)
      if(NOT M_TSAN_DEPENDS)
        set(M_TSAN_DEPENDS ${target})
      endif()
      add_executable(${target}_tsan ${M_TSAN_TESTS})
      target_include_directories(${target}_tsan PRIVATE ${PROJECT_SOURCE_DIR})
      target_link_libraries(${target}_tsan PRIVATE ${M_TSAN_DEPENDS} gtest_main gmock)
      add_dependencies(tsan_tests ${target}_tsan)
      # Races show in some runs only: three runs, each stopping at the first report.
      add_test(NAME tsan.${target} COMMAND ${target}_tsan --gtest_brief=1 --gtest_repeat=3)
      set_tests_properties(tsan.${target} PROPERTIES TIMEOUT 900 ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1")
    endif()
    return()
  endif()

  if(CLIENT_FUZZ)
    foreach(source IN LISTS M_FUZZ)
      get_filename_component(fuzzer ${source} NAME_WE)
      # Executables are named after the module too: two modules may each have a fuzz_scenario.
      set(exe ${target}_${fuzzer})
      add_executable(${exe} ${source})
      target_link_libraries(${exe} PRIVATE ${target})
      target_link_options(${exe} PRIVATE -fsanitize=fuzzer)
      # New inputs go to a scratch folder; the seed corpus in the tree is only read.
      set(scratch ${CMAKE_CURRENT_BINARY_DIR}/corpus-${fuzzer})
      file(MAKE_DIRECTORY ${scratch})
      set(seeds ${CMAKE_CURRENT_SOURCE_DIR}/test/corpus/${fuzzer})
      set(dirs ${scratch})
      if(EXISTS ${seeds})
        list(APPEND dirs ${seeds})
      endif()
      add_test(NAME fuzz.${exe}
        COMMAND ${exe} -max_total_time=${CLIENT_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048 ${dirs})
    endforeach()
    return()
  endif()

  if(tests)
    add_executable(${target}_tests ${tests} ${M_TEST_MAIN})
    if(M_TEST_MAIN)
      target_link_libraries(${target}_tests PRIVATE ${target} gtest gmock)
    else()
      target_link_libraries(${target}_tests PRIVATE ${target} gtest_main gmock)
    endif()
    add_test(NAME ${CLIENT_TARGET}.${target} COMMAND ${target}_tests --gtest_brief=1)
    set_tests_properties(${CLIENT_TARGET}.${target} PROPERTIES TIMEOUT 900)
    if(CLIENT_TARGET STREQUAL "win")
      # Wine tests share one desktop: focus, activation and mouse capture belong to whichever window
      # came last, so they take turns (the host and fuzz tests still run side by side).
      set_property(TEST ${CLIENT_TARGET}.${target} APPEND PROPERTY RESOURCE_LOCK wine_desktop)
    endif()
  endif()
endfunction()
