# The game on a desktop: its menu entry, its AppStream metainfo and icons of the standing girl at
# the usual hicolor sizes, made from her picture with ImageMagick and installed where desktops
# look for them.
find_program(IMAGEMAGICK_CONVERT convert REQUIRED)

set(APP_ID org.orvia.orvia)
set(DESKTOP_DIR ${CMAKE_CURRENT_SOURCE_DIR}/desktop)

# Her ink, trimmed of the see-through index 0 (the palette's only black), fits a square of
# ICON_BOX pixels. Each icon scales that square by the largest whole factor that fits, so every
# picture pixel stays a sharp square, and centres it; only the smallest size samples it down.
set(ICON_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/art/girl_standing.pcx)
set(ICON_BOX 20)
set(ICON_SIZES 16 24 32 48 64 128 256)
set(ICON_ROOT ${CMAKE_CURRENT_BINARY_DIR}/icons)
set(icon_files "")
foreach(size IN LISTS ICON_SIZES)
  math(EXPR factor "${size} / ${ICON_BOX}")
  if(factor EQUAL 0)
    set(scale ${size}x${size})
  else()
    math(EXPR percent "${factor} * 100")
    set(scale ${percent}%)
  endif()
  set(icon ${ICON_ROOT}/${size}x${size}/apps/${APP_ID}.png)
  add_custom_command(
    OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ICON_ROOT}/${size}x${size}/apps
    COMMAND ${IMAGEMAGICK_CONVERT} ${ICON_SOURCE} -transparent black -trim +repage
            -background none -gravity center -extent ${ICON_BOX}x${ICON_BOX}
            -sample ${scale} -extent ${size}x${size} PNG32:${icon}
    DEPENDS ${ICON_SOURCE}
    COMMENT "Making the ${size}x${size} icon"
    VERBATIM)
  list(APPEND icon_files ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(icons ALL DEPENDS ${icon_files})

configure_file(${DESKTOP_DIR}/${APP_ID}.metainfo.xml.in ${APP_ID}.metainfo.xml @ONLY)
install(FILES ${DESKTOP_DIR}/${APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
