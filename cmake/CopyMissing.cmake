# Copies the files under SRC into DST, leaving files that already exist there
# (the user's own fractals, palettes and settings) as they are.
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
foreach(f IN LISTS files)
    if(NOT EXISTS ${DST}/${f})
        get_filename_component(dir ${DST}/${f} DIRECTORY)
        file(MAKE_DIRECTORY ${dir})
        file(COPY_FILE ${SRC}/${f} ${DST}/${f})
    endif()
endforeach()
file(MAKE_DIRECTORY ${DST}/fractals ${DST}/paletts)
