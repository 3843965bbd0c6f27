# One test program per folder of tests (engine_tests, app_tests, ...): a
# folder compiles and links once, while CTest still runs and reports every
# test on its own. Extra arguments are libraries to link. With PCH_FROM, the
# precompiled header of that target is used (the compile flags must match);
# otherwise the folder makes its own. OWN names the test files that need a
# program of their own (a test of a process without a QApplication, say,
# where the folder's other files set one up for the whole program).
function(zentiq_add_tests dir prefix)
  cmake_parse_arguments(ARG "" "PCH_FROM" "OWN" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  set(programs ${prefix}_tests)
  set(${prefix}_tests_sources "")
  foreach(src IN LISTS sources)
    get_filename_component(file ${src} NAME)
    get_filename_component(name ${src} NAME_WE)
    if(file IN_LIST ARG_OWN)
      list(APPEND programs ${prefix}_${name})
      set(${prefix}_${name}_sources ${src})
    else()
      list(APPEND ${prefix}_tests_sources ${src})
    endif()
  endforeach()
  foreach(target IN LISTS programs)
    if(NOT ${target}_sources)
      continue()
    endif()
    add_executable(${target} ${${target}_sources})
    target_link_libraries(${target} PRIVATE ${ARG_UNPARSED_ARGUMENTS} GTest::gtest_main GTest::gmock)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    zentiq_test_code(${target})
    if(ARG_PCH_FROM)
      target_precompile_headers(${target} REUSE_FROM ${ARG_PCH_FROM})
    elseif(TARGET ${prefix}_tests AND NOT target STREQUAL "${prefix}_tests")
      target_precompile_headers(${target} REUSE_FROM ${prefix}_tests)
    else()
      target_precompile_headers(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/pch/test_pch.h)
    endif()
    # Source and build folders reach the tests as compile definitions; the
    # one variable here keeps widget tests off any display.
    gtest_discover_tests(${target}
      DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS ${prefix} TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()
endfunction()

# Test code is optimised lightly: its speed does not matter, its compile
# time does (the code under test keeps the build's own flags).
function(zentiq_test_code target)
  target_compile_options(${target} PRIVATE -O1)
endfunction()

# A static library made of every .cpp (and Qt Designer form) of a source folder.
function(zentiq_folder_library target dir)
  # The .ui files are sources too, so that AUTOUIC regenerates a form's
  # header when the form is added or changed.
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.ui)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARGN})
endfunction()
