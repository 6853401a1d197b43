# Manual pages, made whether or not the windows are built: each program's
# page comes from its --help and --version (Debian's help2man), so the page
# says what the program's own option table says. The programs run offscreen
# at build time, in a runtime folder of their own.
set(_man_runtime ${CMAKE_CURRENT_BINARY_DIR}/xdg-runtime)
file(MAKE_DIRECTORY ${_man_runtime})
file(CHMOD ${_man_runtime} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(_man_env ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${_man_runtime}
    "QT_LOGGING_RULES=qt.qpa.*=false")
find_program(QUILLON_HELP2MAN help2man)
if(QUILLON_HELP2MAN)
    set(_pages "")
    foreach(entry
            "quillon|generate Object Pascal web server extensions from Quillon projects"
            "quillon-ide|the Quillon IDE host for expert libraries"
            "quillon-fcgi|serve an ISAPI extension library over FastCGI"
            "aliassetup|register a database engine alias for a folder")
        string(REPLACE "|" ";" entry "${entry}")
        list(GET entry 0 program)
        list(GET entry 1 name)
        if(NOT TARGET ${program})
            continue()
        endif()
        set(_page ${CMAKE_CURRENT_BINARY_DIR}/${program}.1.gz)
        # PROGRAM.h2m beside this file adds sections of its own to the page.
        set(_include "")
        set(_include_file ${CMAKE_CURRENT_SOURCE_DIR}/${program}.h2m)
        if(EXISTS ${_include_file})
            set(_include "--include=${_include_file}")
        endif()
        add_custom_command(OUTPUT ${_page}
            COMMAND ${_man_env} ${QUILLON_HELP2MAN} --no-info --section=1 "--name=${name}" ${_include}
                    --output=${CMAKE_CURRENT_BINARY_DIR}/${program}.1 $<TARGET_FILE:${program}>
            COMMAND gzip -9nf ${CMAKE_CURRENT_BINARY_DIR}/${program}.1
            DEPENDS ${program} $<$<BOOL:${_include}>:${_include_file}>
            COMMENT "Writing the manual page ${program}(1)"
            VERBATIM)
        list(APPEND _pages ${_page})
    endforeach()
    add_custom_target(quillon_manpages ALL DEPENDS ${_pages})
    install(FILES ${_pages} DESTINATION share/man/man1)
else()
    message(WARNING "help2man not found (Debian package help2man): no manual pages")
endif()
