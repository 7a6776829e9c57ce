# Builds the package users download: one zip with the setup program (which
# carries the launcher and the uninstaller) and the page, in a fixed order with
# fixed times and modes, so that the same inputs always give the same bytes.
# cmake -DSETUP=… -DPAGE=… -DSTAGE=… -DOUTPUT=… -P make-package.cmake
# The entries keep the names of the files given.
get_filename_component(setup_name "${SETUP}" NAME)
get_filename_component(page_name "${PAGE}" NAME)
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
file(COPY_FILE "${SETUP}" "${STAGE}/${setup_name}")
file(COPY_FILE "${PAGE}" "${STAGE}/${page_name}")
file(CHMOD "${STAGE}/${setup_name}" "${STAGE}/${page_name}"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# Fixed times on the staged files, and zip -X: no extra fields with access or
# change times that would differ between builds.
execute_process(
  COMMAND touch -d "2026-01-01 00:00:00 UTC" "${setup_name}" "${page_name}"
  WORKING_DIRECTORY "${STAGE}")
file(REMOVE "${OUTPUT}.tmp")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env TZ=UTC zip -X -D -q -9 "${OUTPUT}.tmp"
          "${setup_name}" "${page_name}"
  WORKING_DIRECTORY "${STAGE}"
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not write ${OUTPUT}")
endif()
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
