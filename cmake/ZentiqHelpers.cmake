# One test executable per *_test.cpp, so a test file is built and reported on
# its own. Extra arguments are libraries to link.
function(zentiq_add_tests dir prefix)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  foreach(src IN LISTS sources)
    get_filename_component(name ${src} NAME_WE)
    set(target ${prefix}_${name})
    add_executable(${target} ${src})
    target_link_libraries(${target} PRIVATE ${ARGN} GTest::gtest_main GTest::gmock)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    # Source and build folders reach the tests as compile definitions; the
    # one variable here keeps widget tests off any display.
    gtest_discover_tests(${target}
      DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS ${prefix} TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()
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
