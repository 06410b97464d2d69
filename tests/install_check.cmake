# Installs the build into a scratch prefix, as `cmake --install` does for a user,
# and checks what lands there: the program, a desktop entry and AppStream metainfo
# that pass their validators and carry the program's identity, and a window that
# a dock matches to the entry.
# Usage: cmake -DBUILD_DIR=... -DPREFIX=... -DNAME=... -DVERSION=... -DDEVELOPER=...
#        -DDESKTOP_ID=... -DTESTS_DIR=... -P install_check.cmake

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(program "${PREFIX}/bin/${DESKTOP_ID}")
set(entry "${PREFIX}/share/applications/${DESKTOP_ID}.desktop")
file(GLOB metainfo "${PREFIX}/share/metainfo/*.metainfo.xml")
if(NOT EXISTS "${program}" OR NOT EXISTS "${entry}" OR NOT metainfo)
    message(FATAL_ERROR "missing from the install: program ${program}, entry ${entry}, metainfo '${metainfo}'")
endif()

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    message("${ARGV0}: ${out}")
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${ARGV0} failed (${result})")
    endif()
endfunction()
run(desktop-file-validate "${entry}")
# The metainfo alone, and beside the desktop entry it names.
run("${TESTS_DIR}/appstream_check.sh" "${PREFIX}")

function(expect file pattern)
    file(READ "${file}" text)
    string(FIND "${text}" "${pattern}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${file} lacks: ${pattern}")
    endif()
endfunction()
expect("${entry}" "\nName=${NAME}\n")
expect("${entry}" "\nExec=${DESKTOP_ID}\n")
expect("${entry}" "\nIcon=application-x-executable\n")
expect("${metainfo}" "<name>${NAME}</name>")
expect("${metainfo}" "<name>${DEVELOPER}</name>\n  </developer>")
expect("${metainfo}" "<release version=\"${VERSION}\"")
expect("${metainfo}" "<launchable type=\"desktop-id\">${DESKTOP_ID}.desktop</launchable>")
# The installed program's window, on a private X display, carries the class the
# installed entry names.
run("${TESTS_DIR}/with_display.sh" "${TESTS_DIR}/window_check.sh" "${entry}" "${program}")
file(REMOVE_RECURSE "${PREFIX}")
