# velumor_compile_strings(OUT_VAR SYMBOL ALLOWFILE SOURCES...)
#
# Compiles string-table text sources with rescomp into a generated C++ source that
# defines `std::span<const platform::res::StringBlockData> SYMBOL()` (SYMBOL may carry
# namespaces: "velumor::resources::stringTables"). ALLOWFILE lists the ids that may
# lack a text in some language; pass "" for none. OUT_VAR receives the generated file;
# add it to a target that links plat_res.
function(velumor_compile_strings out_var symbol allow_file)
  set(sources)
  foreach(source IN LISTS ARGN)
    get_filename_component(source "${source}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND sources "${source}")
  endforeach()
  if(NOT sources)
    message(FATAL_ERROR "velumor_compile_strings(${symbol}): no source files")
  endif()

  string(REPLACE "::" "_" file_tag "${symbol}")
  set(out "${CMAKE_CURRENT_BINARY_DIR}/strings_${file_tag}.cpp")
  set(args --symbol "${symbol}" --output "${out}")
  set(deps ${sources})
  if(allow_file)
    get_filename_component(allow_file "${allow_file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND args --one-language-ok "${allow_file}")
    list(APPEND deps "${allow_file}")
  endif()

  add_custom_command(OUTPUT "${out}"
    COMMAND rescomp ${args} ${sources}
    DEPENDS rescomp ${deps}
    COMMENT "Compiling string tables ${symbol}"
    VERBATIM)
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()
