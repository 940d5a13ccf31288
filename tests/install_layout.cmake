# Installs the build into a fresh prefix and checks the layout a desktop and
# the Debian package rely on, with the tools Debian checks them with; then
# builds the package and runs lintian on it. Run by CTest with BUILD, SOURCE,
# PREFIX, SIZES and VERSION.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
set(errors)
# The tools, each installed by setup.sh test.
foreach(tool desktop-file-validate appstreamcli update-mime-database xdg-mime mimetype man lintian)
    string(MAKE_C_IDENTIFIER ${tool} var)
    find_program(${var} ${tool})
    if(NOT ${var})
        list(APPEND errors "${tool} is missing: bash setup.sh test installs it")
    endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
# Each file under PREFIX/folder is the same as in data/.
function(expect_copies_of_data folder)
    foreach(f ${ARGN})
        execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SOURCE}/data/${f} ${PREFIX}/${folder}/${f}
                        RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
            list(APPEND errors "${folder}/${f} is not data/${f}")
        endif()
    endforeach()
    set(errors ${errors} PARENT_SCOPE)
endfunction()

foreach(exe quilmora quilmora-render)
    if(NOT EXISTS ${PREFIX}/bin/${exe} OR IS_DIRECTORY ${PREFIX}/bin/${exe})
        list(APPEND errors "no bin/${exe}")
    endif()
endforeach()
# The installed renderer works from any folder.
execute_process(COMMAND ${PREFIX}/bin/quilmora-render -o ${PREFIX}/x.bmp --size 4x3
                WORKING_DIRECTORY ${PREFIX} RESULT_VARIABLE status)
file(SIZE ${PREFIX}/x.bmp size)
if(NOT status EQUAL 0 OR NOT size EQUAL 90)  # 54 header bytes, 3 rows of 12
    list(APPEND errors "bin/quilmora-render: status ${status}, ${size} bytes")
endif()

# The installed program, started outside a program folder, moves into the
# user's folder once it has made it from the samples.
execute_process(COMMAND ${CMAKE_COMMAND} -E env HOME=${PREFIX}/home QT_QPA_PLATFORM=offscreen sh -c [=[
    mkdir -p "$HOME" || exit 1
    "$1/bin/quilmora" & p=$!
    i=0
    while [ $i -lt 600 ] && [ "$(readlink /proc/$p/cwd)" != "$HOME/Quilmora" ]; do sleep 0.1; i=$((i + 1)); done
    kill $p
    [ $i -lt 600 ]]=] sh ${PREFIX}
    WORKING_DIRECTORY ${PREFIX} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    list(APPEND errors "bin/quilmora did not move into home/Quilmora")
endif()
expect_copies_of_data(home/Quilmora fractals/rabbit.frc paletts/sea.ptt Description.rtf AboutQMR.txt)

set(entry ${PREFIX}/share/applications/quilmora.desktop)
file(STRINGS ${entry} lines)
foreach(line "Name=Quilmora" "Exec=quilmora" "Icon=quilmora" "Categories=Graphics;Education;Science;Math;")
    if(NOT line IN_LIST lines)
        list(APPEND errors "quilmora.desktop lacks ${line}")
    endif()
endforeach()
# A tool's complaint: its status, or its output matching 'bad' when given.
function(expect_quiet name bad)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT status EQUAL 0 OR (bad AND out MATCHES "${bad}"))
        list(APPEND errors "${name}: status ${status}\n${out}")
        set(errors ${errors} PARENT_SCOPE)
    endif()
endfunction()
expect_quiet(desktop-file-validate "error|warning" ${desktop_file_validate} ${entry})
file(GLOB metainfo ${PREFIX}/share/metainfo/*.metainfo.xml)
expect_quiet(appstreamcli "E:|W:" ${appstreamcli} validate --no-net --pedantic ${metainfo})

# The file types, in a tree of their own: x.frc and x.ptt resolve to them.
set(mime ${PREFIX}/mime)
file(COPY ${PREFIX}/share/mime/packages/quilmora.xml DESTINATION ${mime}/mime/packages)
expect_quiet(update-mime-database "" ${update_mime_database} ${mime}/mime)
foreach(type fractal:fractals/rabbit.frc palette:paletts/sea.ptt)
    string(REPLACE ":" ";" type ${type})
    list(GET type 1 sample)
    get_filename_component(ending ${sample} EXT)
    file(COPY_FILE ${SOURCE}/data/${sample} ${mime}/x${ending})
    execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_DIRS=${mime} XDG_DATA_HOME=${mime}/none
                            ${xdg_mime} query filetype ${mime}/x${ending} OUTPUT_VARIABLE out)
    string(STRIP "${out}" out)
    list(GET type 0 kind)
    if(NOT out STREQUAL "application/x-quilmora-${kind}")
        list(APPEND errors "x${ending} resolves to \"${out}\"")
    endif()
endforeach()
file(STRINGS ${entry} types REGEX "^MimeType=")
if(NOT types MATCHES "application/x-quilmora-fractal")
    list(APPEND errors "quilmora.desktop does not list the fractal type")
endif()

# The thumbnailer's own command, run as a file manager runs it, writes a PNG
# of the asked size: the longer side 128, the other in the shape 4 : 3.
file(STRINGS ${PREFIX}/share/thumbnailers/quilmora.thumbnailer exec REGEX "^Exec=")
string(REGEX REPLACE "^Exec=" "" exec "${exec}")
foreach(sample fractals/rabbit.frc paletts/sea.ptt)
    set(thumb ${PREFIX}/thumb.png)
    file(REMOVE ${thumb})
    string(REPLACE "%s" 128 command "${exec}")
    string(REPLACE "%o" ${thumb} command "${command}")
    string(REPLACE "%i" ${SOURCE}/data/${sample} command "${command}")
    separate_arguments(command UNIX_COMMAND "${command}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E env PATH=${PREFIX}/bin:$ENV{PATH} ${command}
                    RESULT_VARIABLE status ERROR_VARIABLE out)
    set(head "")
    if(EXISTS ${thumb})
        file(READ ${thumb} head LIMIT 24 HEX)
    endif()
    if(NOT status EQUAL 0 OR NOT head STREQUAL "89504e470d0a1a0a0000000d494844520000008000000060")
        list(APPEND errors "thumbnail of ${sample}: status ${status}, ${head} ${out}")
    endif()
endforeach()

# The manual pages: the renderer's names every option its --help lists.
foreach(page quilmora quilmora-render)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=200
                            ${man} -E ascii -l ${PREFIX}/share/man/man1/${page}.1.gz
                    RESULT_VARIABLE status OUTPUT_VARIABLE text_${page} ERROR_VARIABLE out)
    if(NOT status EQUAL 0 OR NOT text_${page} MATCHES "NAME")
        list(APPEND errors "man ${page}: status ${status} ${out}")
    endif()
endforeach()
execute_process(COMMAND ${PREFIX}/bin/quilmora-render --help OUTPUT_VARIABLE help)
string(REGEX MATCHALL "\n +(-., )?--[a-z-]+" options "${help}")
list(LENGTH options count)
if(count LESS 15)
    list(APPEND errors "quilmora-render --help lists ${count} options")
endif()
foreach(option IN LISTS options)
    string(REGEX REPLACE "^\n +" "" option "${option}")
    string(FIND "${text_quilmora-render}" "${option}" at)
    if(at EQUAL -1)
        list(APPEND errors "man quilmora-render lacks ${option}")
    endif()
endforeach()

# Each icon a PNG of its size: width and height are the IHDR chunk's first words.
foreach(side IN LISTS SIZES)
    set(icon ${PREFIX}/share/icons/hicolor/${side}x${side}/apps/quilmora.png)
    if(NOT EXISTS ${icon})
        list(APPEND errors "no ${side}x${side} icon")
        continue()
    endif()
    file(READ ${icon} head LIMIT 24 HEX)
    math(EXPR hex "${side}" OUTPUT_FORMAT HEXADECIMAL)
    string(REPLACE "0x" "" hex ${hex})
    string(LENGTH ${hex} n)
    math(EXPR pad "8 - ${n}")
    string(REPEAT 0 ${pad} zeros)
    string(TOLOWER "${zeros}${hex}" word)
    if(NOT head STREQUAL "89504e470d0a1a0a0000000d49484452${word}${word}")
        list(APPEND errors "${side}x${side} icon: ${head}")
    endif()
endforeach()

# The scalable icon: an SVG document.
set(svg ${PREFIX}/share/icons/hicolor/scalable/apps/quilmora.svg)
if(EXISTS ${svg})
    file(READ ${svg} head LIMIT 100)
    if(NOT head MATCHES "^(<\\?xml[^>]*>[ \t\r\n]*)?<svg[ \t\r\n]")
        list(APPEND errors "scalable icon: ${head}")
    endif()
else()
    list(APPEND errors "no scalable icon")
endif()

expect_copies_of_data(share/quilmora fractals/dendrite.frc fractals/rabbit.frc paletts/standard.ptt paletts/fire.ptt
                      Description.rtf AboutQMR.txt)

# The package: lintian's errors and warnings, and one version throughout.
set(package ${PREFIX}/package)
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${BUILD}/CPackConfig.cmake -B ${package}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(GLOB deb ${package}/quilmora_*.deb)
if(NOT status EQUAL 0 OR NOT deb)
    list(APPEND errors "cpack: status ${status}\n${out}")
else()
    expect_quiet(lintian "(^|\n)[EWIP]:" ${lintian} --pedantic --display-info ${deb})
    execute_process(COMMAND dpkg-deb -f ${deb} Version OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND gzip -dc ${PREFIX}/share/doc/quilmora/changelog.gz OUTPUT_VARIABLE changelog)
    file(READ ${metainfo} release)
    if(NOT version STREQUAL VERSION OR NOT changelog MATCHES "^quilmora \\(${VERSION}\\) "
       OR NOT release MATCHES "<release version=\"${VERSION}\"")
        list(APPEND errors "version ${VERSION}: the package says ${version}, the changelog and metainfo differ")
    endif()
endif()

if(errors)
    list(JOIN errors "\n" text)
    message(FATAL_ERROR "${text}")
endif()
file(REMOVE_RECURSE ${PREFIX})
