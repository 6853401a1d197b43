# The parts of the installation that come with the windows: the help file,
# the desktop entries, the MIME type, the icon and the manual pages.
# The programs run offscreen at build time, in a runtime folder of their own.
set(_runtime ${CMAKE_CURRENT_BINARY_DIR}/xdg-runtime)
file(MAKE_DIRECTORY ${_runtime})
file(CHMOD ${_runtime} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(_offscreen ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${_runtime}
    "QT_LOGGING_RULES=qt.qpa.*=false")

# The help file, built by wizard/help.
get_target_property(_help_file quillon_help QUILLON_HELP_FILE)
install(FILES ${_help_file} DESTINATION ${QUILLON_INSTALL_DATADIR})

# The desktop: the IDE in the menu, the wizard for .qnp files.
install(FILES quillon-ide.desktop quillon-wizard.desktop DESTINATION share/applications)
install(FILES quillon-mime.xml DESTINATION share/mime/packages RENAME quillon.xml)
install(FILES io.quillon.ide.metainfo.xml DESTINATION share/metainfo)

# The program icon is painted by the wizard's artwork; export it once.
add_executable(exporticon exporticon.cpp)
target_link_libraries(exporticon PRIVATE quillon_wizard_aux)
set(_icon ${CMAKE_CURRENT_BINARY_DIR}/quillon.png)
add_custom_command(OUTPUT ${_icon}
    COMMAND ${_offscreen} $<TARGET_FILE:exporticon> ${_icon}
    DEPENDS exporticon
    COMMENT "Exporting the program icon"
    VERBATIM)
add_custom_target(quillon_icon ALL DEPENDS ${_icon})
install(FILES ${_icon} DESTINATION share/icons/hicolor/32x32/apps)

# Manual pages from each program's --help and --version (Debian's help2man).
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
            COMMAND ${_offscreen} ${QUILLON_HELP2MAN} --no-info --section=1 "--name=${name}" ${_include}
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
