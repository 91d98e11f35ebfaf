# velumor_add_test(name SOURCES ... LIBS ...), or velumor_add_test(NAME name SOURCES ... LIBS ...):
# one GoogleTest target, discovered by CTest.
function(velumor_add_test first)
  if(first STREQUAL "NAME")
    list(POP_FRONT ARGN name)
  else()
    set(name ${first})
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} velumor_test_support GTest::gtest GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  # Every test runs with English texts, the offscreen Qt platform and a private runtime folder.
  # They are set as the discovered tests' environment by a script CTest reads after the list
  # (discovery cannot pass a list of variables), not by a launcher process: a second process
  # per test was most of the suite's time.
  set(env_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
  file(CONFIGURE OUTPUT ${env_script} @ONLY CONTENT [=[
if(DEFINED @name@_TESTS)
  set_tests_properties(${@name@_TESTS} PROPERTIES ENVIRONMENT
    "VELUMOR_LANG=en;XDG_RUNTIME_DIR=@CMAKE_BINARY_DIR@/xdg;QT_QPA_PLATFORM=offscreen")
endif()
]=])
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_script})
endfunction()

# velumor_embed_file(OUT_VAR SYMBOL FILE): a generated source that holds FILE's bytes as
# `extern const unsigned char SYMBOL[]; extern const std::size_t SYMBOL_size;`.
function(velumor_embed_file out_var symbol file)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embed_${symbol}.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${file} -DOUT=${out} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
    COMMENT "Embedding ${file}")
  set(${out_var} ${out} PARENT_SCOPE)
endfunction()
