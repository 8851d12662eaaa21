# Run by `cmake --install` after the program is in place: the parts of the application folder that
# depend on where it is. Expects QELSAVER_PROGRAM_INSTALL_DIR (below the prefix), QELSAVER_ALL_STYLES
# and QELSAVER_SETTINGS_TEMPLATE.
string(REGEX REPLACE "/+$" "" prefix "${CMAKE_INSTALL_PREFIX}")
set(QELSAVER_APP_DIR "${prefix}/${QELSAVER_PROGRAM_INSTALL_DIR}")
set(app "$ENV{DESTDIR}${QELSAVER_APP_DIR}")
set(bin "$ENV{DESTDIR}${prefix}/bin")

# The builder's stand-alone saver is the program itself.
message(STATUS "Installing: ${app}/build/Saver.pak")
file(COPY_FILE "${app}/QelSaver" "${app}/build/Saver.pak")

# The settings every user starts from: all transition styles, the two sample pictures fitted to the
# screen. Users who may not write here get a copy of their own on their first start.
message(STATUS "Installing: ${app}/QelSetup.dat")
configure_file("${QELSAVER_SETTINGS_TEMPLATE}" "${app}/QelSetup.dat" @ONLY NEWLINE_STYLE CRLF)

# The launcher in bin/: a relative link, so the whole tree can move.
file(RELATIVE_PATH target "${prefix}/bin" "${QELSAVER_APP_DIR}/QelSaver")
message(STATUS "Installing: ${bin}/QelSaver -> ${target}")
file(MAKE_DIRECTORY "${bin}")
file(REMOVE "${bin}/QelSaver")
file(CREATE_LINK "${target}" "${bin}/QelSaver" SYMBOLIC)

# MATE's screen saver runs savers only from its own folder, by their name there.
set(mate_folder "${prefix}/lib/mate-screensaver/mate-screensaver")
file(RELATIVE_PATH target "${mate_folder}" "${QELSAVER_APP_DIR}/QelSaver")
set(mate_link "$ENV{DESTDIR}${mate_folder}/qelsaver")
message(STATUS "Installing: ${mate_link} -> ${target}")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${mate_folder}")
file(REMOVE "${mate_link}")
file(CREATE_LINK "${target}" "${mate_link}" SYMBOLIC)

list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${app}/build/Saver.pak" "${app}/QelSetup.dat" "${bin}/QelSaver" "${mate_link}")
