# The parts of the installation that come with the windows: the help file,
# the desktop entries, the MIME type and the icon.
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
