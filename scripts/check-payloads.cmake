# Fails the build unless both programs carry the page byte for byte and the
# setup program carries the launcher that was just built.
# Usage: cmake -DPAGE=... -DLAUNCHER=... -DSETUP=... -DSTAMP=... -P check-payloads.cmake
foreach(var PAGE LAUNCHER SETUP STAMP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check-payloads: ${var} not given")
  endif()
endforeach()
file(READ "${PAGE}" page_hex HEX)
file(READ "${LAUNCHER}" launcher_hex HEX)
file(READ "${SETUP}" setup_hex HEX)

function(require_inside needle haystack what)
  string(FIND "${haystack}" "${needle}" at)
  # Hex digits come in pairs; an odd position would be a false match.
  math(EXPR odd "${at} % 2")
  if(at EQUAL -1 OR odd)
    message(FATAL_ERROR "check-payloads: ${what}")
  endif()
endfunction()

require_inside("${page_hex}" "${launcher_hex}" "tallybook.exe does not carry ${PAGE} byte for byte")
require_inside("${page_hex}" "${setup_hex}" "tallyinstall.exe does not carry ${PAGE} byte for byte")
require_inside("${launcher_hex}" "${setup_hex}" "tallyinstall.exe does not carry the launcher ${LAUNCHER}")
file(WRITE "${STAMP}" "ok\n")
