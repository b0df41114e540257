# cmake --install build --prefix P lays Rentabo out as:
#   P/lib/rentabo/      the program and everything it opens beside itself
#   P/bin/rentabo       a launcher that runs P/lib/rentabo/rentabo
#   P/share/applications, P/share/icons/hicolor, P/share/metainfo   desktop integration
# When P/lib/rentabo cannot be written (a system-wide install) the settings file goes to the
# user's configuration folder instead.
set(RENTABO_INSTALL_DIR lib/rentabo)

install(TARGETS rentabo RUNTIME DESTINATION ${RENTABO_INSTALL_DIR})
install(FILES
    ${CMAKE_SOURCE_DIR}/resources/KukuGrammar.xml
    ${CMAKE_SOURCE_DIR}/resources/phrases.md
    ${CMAKE_SOURCE_DIR}/resources/sounds/Seikai00.wav
    ${CMAKE_SOURCE_DIR}/resources/sounds/Huseikai00.wav
    ${CMAKE_SOURCE_DIR}/resources/sounds/promptA.wav
  DESTINATION ${RENTABO_INSTALL_DIR})
# The help file is built; without chmcmd the install goes on and the program says it is missing.
install(FILES ${RENTABO_HELP_FILE} DESTINATION ${RENTABO_INSTALL_DIR} OPTIONAL)
# The acoustic model adapted at build time (tools/adapt-model), when the build could make it.
if(TARGET acoustic-model)
  install(DIRECTORY ${RENTABO_MODEL_DIR}/ DESTINATION ${RENTABO_INSTALL_DIR}/model)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/resources/homepage/index.html
  DESTINATION ${RENTABO_INSTALL_DIR}/homepage)
install(FILES ${RENTABO_ICON_SVG} DESTINATION ${RENTABO_INSTALL_DIR}/homepage RENAME icon.svg)

install(PROGRAMS ${CMAKE_SOURCE_DIR}/resources/desktop/rentabo-launcher.sh
  DESTINATION bin RENAME rentabo)

install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/${RENTABO_APP_ID}.desktop
  DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/${RENTABO_APP_ID}.metainfo.xml
  DESTINATION share/metainfo)
install(FILES ${RENTABO_ICON_SVG} DESTINATION share/icons/hicolor/scalable/apps)
foreach(size ${RENTABO_ICON_SIZES})
  install(FILES ${RENTABO_ICON_DIR}/${size}x${size}/apps/${RENTABO_APP_ID}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
