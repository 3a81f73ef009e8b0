# Desktop integration of the program: the menu entry and its icon.
# Included from the top-level CMakeLists.txt after the `barvello` target is defined.
if(TARGET barvello)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/barvello.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/barvello.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
