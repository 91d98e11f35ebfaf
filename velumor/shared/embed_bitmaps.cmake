# Writes the pictures listed in MANIFEST (lines "ID NAME" or "- NAME", # comments) from
# folder DIR into OUT: one C++ source with their bytes and the table
# velumor::shared::detail::embeddedPictures().
file(STRINGS ${MANIFEST} lines)
set(arrays "")
set(entries "")
set(n 0)
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  if(NOT line MATCHES "^(-|[0-9]+)[ \t]+([A-Za-z0-9_.-]+)$")
    message(FATAL_ERROR "${MANIFEST}: cannot read the line '${line}'")
  endif()
  set(id ${CMAKE_MATCH_1})
  set(name ${CMAKE_MATCH_2})
  if(id STREQUAL "-")
    set(id -1)
  endif()
  file(READ ${DIR}/${name} hex HEX)
  string(LENGTH "${hex}" len)
  math(EXPR size "${len} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
  string(APPEND arrays "const unsigned char kPicture${n}[] = {${body}};\n")
  string(APPEND entries "    {${id}, \"${name}\", kPicture${n}, ${size}},\n")
  math(EXPR n "${n} + 1")
endforeach()
if(n EQUAL 0)
  message(FATAL_ERROR "${MANIFEST} lists no pictures")
endif()
file(WRITE ${OUT} "// Generated from ${MANIFEST}. Do not edit.
#include \"velumor/shared/embedded_pictures.h\"

namespace velumor::shared::detail {

namespace {

${arrays}
const EmbeddedPicture kPictures[] = {
${entries}};

}  // namespace

std::span<const EmbeddedPicture> embeddedPictures() {
  return kPictures;
}

}  // namespace velumor::shared::detail
")
