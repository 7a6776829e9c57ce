# embed_payload(<target> <name> <file> [DEPENDS <target>...])
# Adds a generated C source holding the file's bytes to <target>.
function(embed_payload target name input)
  cmake_parse_arguments(EMBED "" "" "DEPENDS" ${ARGN})
  set(output "${CMAKE_CURRENT_BINARY_DIR}/${name}.c")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DNAME=${name}
            -P "${PROJECT_SOURCE_DIR}/payload/embed.cmake"
    DEPENDS "${input}" "${PROJECT_SOURCE_DIR}/payload/embed.cmake" ${EMBED_DEPENDS}
    COMMENT "Embedding ${input} as ${name}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
endfunction()
