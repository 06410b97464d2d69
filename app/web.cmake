# The web edition: the same window and commands through the browser binding, in
# one page, build/web/kelm-zizovu-dizuzed.html, with the fonts' licence beside it.

# Debian's Emscripten runs its JavaScript optimiser under Node.js and finds the
# parser it needs in Debian's own Node.js modules, which a Node.js from elsewhere
# does not search.
if(EXISTS /usr/share/nodejs)
    set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
endif()
find_program(KZD_NODE NAMES node nodejs REQUIRED)
find_program(KZD_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

set(kzd_web_flags
    -sFILESYSTEM=0 -sDYNAMIC_EXECUTION=0 -sALLOW_MEMORY_GROWTH=1
    -sEXPORTED_RUNTIME_METHODS=HEAPU8,UTF8ToString -sMALLOC=emmalloc)

# The program for the page: its script, and its wasm, which the page carries in
# its own bytes and hands over itself, so the script never fetches it.
add_library(kzd_web_main OBJECT web_main.cpp)
target_link_libraries(kzd_web_main PRIVATE shell platform_web)
kzd_warnings(kzd_web_main)
set(kzd_page_program_flags ${kzd_web_flags} -sENVIRONMENT=web -sMODULARIZE=1 -sEXPORT_NAME=createKzd)
add_executable(kzd_web $<TARGET_OBJECTS:kzd_web_main>)
target_link_libraries(kzd_web PRIVATE shell platform_web)
target_link_options(kzd_web PRIVATE ${kzd_page_program_flags})

# For the tests only, never shipped: the same program linked with a binding whose
# every Set Left fails (tests/web/failing_move.cpp), so that a real handler fails.
add_executable(kzd_web_failing $<TARGET_OBJECTS:kzd_web_main> ${PROJECT_SOURCE_DIR}/tests/web/failing_move.cpp)
target_link_libraries(kzd_web_failing PRIVATE shell platform_web)
kzd_warnings(kzd_web_failing)
target_link_options(kzd_web_failing PRIVATE ${kzd_page_program_flags}
                    -Wl,--wrap=_ZN5forms9checkMoveENS_9OperationEfRKNS_11ControlDescERi)

# The same description printed under Node.js at build time.
add_executable(kzd_describe web_describe.cpp)
target_link_libraries(kzd_describe PRIVATE shell platform_web)
kzd_warnings(kzd_describe)
target_link_options(kzd_describe PRIVATE ${kzd_web_flags} -sENVIRONMENT=node -sSINGLE_FILE=1)

# Liberation Sans 2 from fonts-liberation2 (since Debian 13 its files come with
# fonts-liberation, which it depends on), with its licence.
foreach(face Regular Bold)
    find_file(KZD_LIBERATION_SANS_${face} LiberationSans-${face}.ttf PATHS /usr/share/fonts/truetype
              PATH_SUFFIXES liberation2 liberation NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
endforeach()
find_file(KZD_LIBERATION_COPYRIGHT copyright PATHS /usr/share/doc PATH_SUFFIXES fonts-liberation2 fonts-liberation
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
# The time the page's fonts carry is the commit's, never the build's
# (scripts/source-date-epoch). It is read at every build, so a new commit
# reaches an existing build folder, and the page is made anew only when it changes.
set(kzd_source_date_epoch ${PROJECT_SOURCE_DIR}/scripts/source-date-epoch)
set(kzd_epoch ${CMAKE_CURRENT_BINARY_DIR}/source-date-epoch)
add_custom_target(source_date_epoch
    COMMAND ${kzd_source_date_epoch} > ${kzd_epoch}.new
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${kzd_epoch}.new ${kzd_epoch}
    BYPRODUCTS ${kzd_epoch}
    VERBATIM)
set(kzd_web_source ${PROJECT_SOURCE_DIR}/platform/web)
set(kzd_description ${CMAKE_CURRENT_BINARY_DIR}/description.json)
add_custom_command(
    OUTPUT ${kzd_description}
    COMMAND ${KZD_NODE} $<TARGET_FILE:kzd_describe> > ${kzd_description}
    DEPENDS kzd_describe
    VERBATIM)
# A page of a program, written into a folder with the fonts' licence beside it.
function(kzd_page program folder)
    set(page ${folder}/${KZD_DesktopFileName}.html)
    add_custom_command(
        OUTPUT ${page} ${folder}/LICENSE-fonts
        COMMAND ${kzd_source_date_epoch} ${KZD_SYSTEM_PYTHON} ${kzd_web_source}/make_page.py
                --name ${KZD_ApplicationName}
                --template ${kzd_web_source}/page.html --script ${kzd_web_source}/page.js
                --program $<TARGET_FILE:${program}> --wasm $<TARGET_FILE_DIR:${program}>/${program}.wasm --description ${kzd_description}
                --regular ${KZD_LIBERATION_SANS_Regular} --bold ${KZD_LIBERATION_SANS_Bold}
                --copyright ${KZD_LIBERATION_COPYRIGHT}
                --out ${page} --licence ${folder}/LICENSE-fonts
        DEPENDS ${program} ${kzd_description} ${kzd_epoch} ${kzd_web_source}/make_page.py ${kzd_web_source}/page.html ${kzd_web_source}/page.js
        VERBATIM)
    add_custom_target(${program}_page ALL DEPENDS ${page})
endfunction()
kzd_page(kzd_web ${PROJECT_BINARY_DIR})
# The tests' page goes into a folder of its own, apart from what is handed on.
kzd_page(kzd_web_failing ${PROJECT_BINARY_DIR}/failing)
