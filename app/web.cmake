# The web edition: the same window and commands through the browser binding, in
# one page, build/web/kelm-zizovu-dizuzed.html, with the fonts' licence beside it,
# and the same page as a site that works offline, build/web/site/.

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
# The site's icon: the window has no artwork of its own and shows the generic
# program icon, so the site takes one too, Tango's, which every Debian release
# carries as a drawing (tango-icon-theme, in the public domain), rendered at the
# size an installed web app asks for.
find_file(KZD_ICON application-x-executable.svg PATHS /usr/share/icons/Tango/scalable/mimetypes
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_file(KZD_ICON_COPYRIGHT copyright PATHS /usr/share/doc/tango-icon-theme NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_program(KZD_RSVG_CONVERT rsvg-convert REQUIRED)
set(kzd_icon_size 512)
set(kzd_icon ${CMAKE_CURRENT_BINARY_DIR}/icon.png)
add_custom_command(
    OUTPUT ${kzd_icon}
    COMMAND ${KZD_RSVG_CONVERT} --width ${kzd_icon_size} --height ${kzd_icon_size} --output ${kzd_icon} ${KZD_ICON}
    DEPENDS ${KZD_ICON}
    VERBATIM)
# A page of a program, written into a folder with the fonts' licence beside it;
# with SITE, the same board also as a site in that folder, which works offline.
function(kzd_page program folder)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" SITE "")
    set(page ${folder}/${KZD_DesktopFileName}.html)
    set(site "")
    if(arg_SITE)
        set(site_files index.html manifest.webmanifest sw.js icon.png LICENSE-fonts LICENSE-icon)
        list(TRANSFORM site_files PREPEND ${arg_SITE}/ OUTPUT_VARIABLE site_outputs)
        set(site --site ${arg_SITE} --summary ${PROJECT_DESCRIPTION} --worker ${kzd_web_source}/sw.js
                 --cache ${KZD_DesktopFileName} --icon ${kzd_icon} --icon-size ${kzd_icon_size}
                 --icon-copyright ${KZD_ICON_COPYRIGHT})
        set(site_depends ${kzd_web_source}/sw.js ${kzd_icon} ${KZD_ICON_COPYRIGHT})
    endif()
    add_custom_command(
        OUTPUT ${page} ${folder}/LICENSE-fonts ${site_outputs}
        COMMAND ${kzd_source_date_epoch} ${KZD_SYSTEM_PYTHON} ${kzd_web_source}/make_page.py
                --name ${KZD_ApplicationName}
                --template ${kzd_web_source}/page.html --script ${kzd_web_source}/page.js
                --program $<TARGET_FILE:${program}> --wasm $<TARGET_FILE_DIR:${program}>/${program}.wasm --description ${kzd_description}
                --regular ${KZD_LIBERATION_SANS_Regular} --bold ${KZD_LIBERATION_SANS_Bold}
                --copyright ${KZD_LIBERATION_COPYRIGHT}
                --out ${page} --licence ${folder}/LICENSE-fonts ${site}
        DEPENDS ${program} ${kzd_description} ${kzd_epoch} ${kzd_web_source}/make_page.py ${kzd_web_source}/page.html
                ${kzd_web_source}/page.js ${site_depends}
        VERBATIM)
    add_custom_target(${program}_page ALL DEPENDS ${page})
endfunction()
# The page handed on, and beside it the same board as a site.
kzd_page(kzd_web ${PROJECT_BINARY_DIR} SITE ${PROJECT_BINARY_DIR}/site)
# The tests' page goes into a folder of its own, apart from what is handed on.
kzd_page(kzd_web_failing ${PROJECT_BINARY_DIR}/failing)
