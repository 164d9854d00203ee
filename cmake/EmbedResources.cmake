# tw_embed_resources(<target> <files...>)
# Builds each resource text file into <target> and registers it at start-up
# under the file's stem, upper-cased ("srvMain.dfm" -> "SRVMAIN"), for
# FindResourceText (class_library/components/Resources.h). Use it on an executable: a
# registration compiled into a static library would be dropped by the linker.
# Edits of a resource file rebuild the generated source.
#
# Run as a script (cmake -P) it generates one source file:
#   -DTW_RES_INPUT=<file> -DTW_RES_OUTPUT=<file.cpp> -DTW_RES_NAME=<NAME>

if(CMAKE_SCRIPT_MODE_FILE)
  file(READ "${TW_RES_INPUT}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n  " bytes "${bytes}")
  file(WRITE "${TW_RES_OUTPUT}.tmp"
"// Generated from ${TW_RES_INPUT}; do not edit.
#include \"class_library/components/Resources.h\"

namespace {
const unsigned char kData[] = {
  ${bytes}0};
struct Registrar {
  Registrar() { RegisterResourceText(\"${TW_RES_NAME}\", reinterpret_cast<const char*>(kData), sizeof(kData) - 1); }
} registrar;
}  // namespace
")
  file(COPY_FILE "${TW_RES_OUTPUT}.tmp" "${TW_RES_OUTPUT}" ONLY_IF_DIFFERENT)
  file(REMOVE "${TW_RES_OUTPUT}.tmp")
  return()
endif()

set(TW_EMBED_RESOURCES_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(tw_embed_resources target)
  foreach(resource ${ARGN})
    get_filename_component(path "${resource}" ABSOLUTE)
    get_filename_component(stem "${resource}" NAME_WLE)
    string(TOUPPER "${stem}" name)
    set(output "${CMAKE_CURRENT_BINARY_DIR}/${target}_res_${stem}.cpp")
    add_custom_command(
      OUTPUT "${output}"
      COMMAND ${CMAKE_COMMAND} -DTW_RES_INPUT=${path} -DTW_RES_OUTPUT=${output} -DTW_RES_NAME=${name}
              -P ${TW_EMBED_RESOURCES_SCRIPT}
      DEPENDS "${path}" ${TW_EMBED_RESOURCES_SCRIPT}
      COMMENT "Embedding resource ${stem}"
      VERBATIM)
    target_sources(${target} PRIVATE "${output}")
  endforeach()
endfunction()
