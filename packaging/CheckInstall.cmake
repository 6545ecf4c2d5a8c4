# Test: installs the build into a scratch prefix and checks that every file a screen saver
# daemon or a desktop looks for is where it looks, and that the desktop entry runs the hack
# through the link in bin. Run as: cmake -DBUILD_DIR=... -DPREFIX=... -DMODULE_DIR=... -P CheckInstall.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path
    libexec/xscreensaver/quillmoor
    bin/quillmoor
    share/xscreensaver/config/quillmoor.xml
    share/applications/screensavers/quillmoor.desktop
    share/icons/hicolor/64x64/apps/quillmoor.png
    share/icons/hicolor/scalable/apps/quillmoor.svg
    share/man/man6/quillmoor.6
    ${MODULE_DIR}/quillmoor-gtk-dialog.so)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
execute_process(COMMAND ${PREFIX}/bin/quillmoor --version OUTPUT_VARIABLE version RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT version MATCHES "^quillmoor ")
  message(FATAL_ERROR "the installed link does not run the program: ${result} ${version}")
endif()
# The installed program finds its dialog module: without a display it gets as far as GTK.
execute_process(COMMAND env -u DISPLAY -u WAYLAND_DISPLAY HOME=${PREFIX} XDG_RUNTIME_DIR=${PREFIX}
                        ${PREFIX}/bin/quillmoor /c ERROR_VARIABLE said OUTPUT_VARIABLE said)
if(NOT said MATCHES "needs a display")
  message(FATAL_ERROR "the installed program does not open its dialog module:\n${said}")
endif()
file(READ ${PREFIX}/share/applications/screensavers/quillmoor.desktop desktop)
if(NOT desktop MATCHES "\nExec=quillmoor -root\n")
  message(FATAL_ERROR "the desktop entry does not run the hack with -root:\n${desktop}")
endif()
file(REMOVE_RECURSE ${PREFIX})
