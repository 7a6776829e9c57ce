# Fails the build unless both programs carry the page byte for byte and the
# setup program carries the launcher and the uninstaller that were just built
# (and, with SIGNED non-empty, that these two are the signed ones).
# Usage: cmake -DPAGE=... -DLAUNCHER=... -DUNINSTALLER=... -DSETUP=... -DSTAMP=... [-DSIGNED=<key file>] -P check-payloads.cmake
foreach(var PAGE LAUNCHER UNINSTALLER SETUP STAMP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check-payloads: ${var} not given")
  endif()
endforeach()
file(READ "${PAGE}" page_hex HEX)
file(READ "${LAUNCHER}" launcher_hex HEX)
file(READ "${UNINSTALLER}" uninstaller_hex HEX)
file(READ "${SETUP}" setup_hex HEX)

function(require_inside needle haystack what)
  string(FIND "${haystack}" "${needle}" at)
  # Hex digits come in pairs; an odd position would be a false match.
  math(EXPR odd "${at} % 2")
  if(at EQUAL -1 OR odd)
    message(FATAL_ERROR "check-payloads: ${what}")
  endif()
endfunction()

# Little-endian number of <bytes> bytes at byte <offset> of a hex dump.
function(read_le hex offset bytes out)
  set(value 0)
  math(EXPR last "${bytes} - 1")
  foreach(i RANGE ${last} 0 -1)
    math(EXPR at "(${offset} + ${i}) * 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    math(EXPR value "${value} * 256 + 0x${byte}")
  endforeach()
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# The size of a PE file's certificate table (data directory 4 of a PE32+ header).
function(certificate_size hex out)
  read_le("${hex}" 60 4 pe)
  math(EXPR at "${pe} + 24 + 112 + 4 * 8 + 4")
  read_le("${hex}" ${at} 4 size)
  set(${out} ${size} PARENT_SCOPE)
endfunction()

if(SIGNED)
  certificate_size("${launcher_hex}" launcher_signature)
  if(launcher_signature EQUAL 0)
    message(FATAL_ERROR "check-payloads: ${LAUNCHER} carries no signature although signing is on")
  endif()
  certificate_size("${uninstaller_hex}" uninstaller_signature)
  if(uninstaller_signature EQUAL 0)
    message(FATAL_ERROR "check-payloads: ${UNINSTALLER} carries no signature although signing is on")
  endif()
endif()

require_inside("${page_hex}" "${launcher_hex}" "${LAUNCHER} does not carry ${PAGE} byte for byte")
require_inside("${page_hex}" "${setup_hex}" "${SETUP} does not carry ${PAGE} byte for byte")
require_inside("${launcher_hex}" "${setup_hex}" "${SETUP} does not carry the launcher ${LAUNCHER}")
require_inside("${uninstaller_hex}" "${setup_hex}" "${SETUP} does not carry the uninstaller ${UNINSTALLER}")
file(WRITE "${STAMP}" "ok\n")
