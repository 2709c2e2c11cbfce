# Builds the game's graphics datafile "gfx.dat" from the art sources with Allegro's dat tool.
# The game finds its objects by position, so they are added in a fixed order with sorting off
# (-n0): 0 font, 1 palette, 2..15 the girl's pictures as listed in GIRL_POSES.
find_program(ALLEGRO_DAT dat REQUIRED)

set(ART_DIR ${CMAKE_CURRENT_SOURCE_DIR}/art)
set(GIRL_POSES
    climbing falling_slow falling_medium falling_fast hanging pullup_1 pullup_2 jumping
    running_1 running_2 running_3 standing walking_1 walking_2)
set(GIRL_PICTURES "")
foreach(pose IN LISTS GIRL_POSES)
  list(APPEND GIRL_PICTURES ${ART_DIR}/girl_${pose}.pcx)
endforeach()

# The datafile is assembled under a temporary name and renamed when complete, so an
# interrupted build never leaves a half-filled gfx.dat behind. -s1 drops the grabber's
# dates and source paths, which keeps the file identical from build to build; -bpp 8
# keeps the pictures in the palette's own indices.
set(GFX_DAT ${GAME_DIR}/gfx.dat)
set(GFX_DAT_PART ${GAME_DIR}/gfx.dat.part)
add_custom_command(
  OUTPUT ${GFX_DAT}
  COMMAND ${CMAKE_COMMAND} -E remove -f ${GFX_DAT_PART}
  COMMAND ${ALLEGRO_DAT} -n0 -s1 ${GFX_DAT_PART} -a -t FONT ${ART_DIR}/font.pcx
  COMMAND ${ALLEGRO_DAT} -n0 -s1 ${GFX_DAT_PART} -a -t PAL ${ART_DIR}/palette.pcx
  COMMAND ${ALLEGRO_DAT} -n0 -s1 -bpp 8 ${GFX_DAT_PART} -a -t BMP ${GIRL_PICTURES}
  COMMAND ${CMAKE_COMMAND} -E rename ${GFX_DAT_PART} ${GFX_DAT}
  DEPENDS ${ART_DIR}/font.pcx ${ART_DIR}/palette.pcx ${GIRL_PICTURES}
  WORKING_DIRECTORY ${GAME_DIR}
  COMMENT "Building gfx.dat with dat"
  VERBATIM)
add_custom_target(gfxdat ALL DEPENDS ${GFX_DAT})
