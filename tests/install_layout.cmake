# Installs the build into a fresh prefix and checks the layout a desktop and
# the Debian package rely on. Run by CTest with BUILD, SOURCE, PREFIX, SIZES
# and, where desktop-file-utils is installed, VALIDATE.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
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

set(errors)

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
if(VALIDATE)
    execute_process(COMMAND ${VALIDATE} ${entry} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT status EQUAL 0 OR out MATCHES "error")
        list(APPEND errors "desktop-file-validate: ${out}")
    endif()
endif()

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

if(errors)
    list(JOIN errors "\n" text)
    message(FATAL_ERROR "${text}")
endif()
file(REMOVE_RECURSE ${PREFIX})
